// kdsp eq: a room EQ filter list (REW or Equalizer APO text) imported onto one page
// of a preset file or of the processor, and a page's EQ exported as such a list.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_params.h"
#include "cli/cli_preset_io.h"
#include "cli/cli_session.h"
#include "cli/cli_upload.h"
#include "core/eq/eq_fit.h"
#include "core/eq/filter_export.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/preset/atomic_file.h"
#include "core/preset/backups.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {
namespace {

struct EqOptions {
    std::string file;
    std::string page;
    std::string preset;
    std::string output;
    std::string format = "rew";
    bool dryRun = false;
    bool fit = false;
    Endpoint endpoint;
    UploadOptions backup;
};

int PageArgument(const std::string& name) {
    if (const auto page = FilterPageByName(name)) return *page;
    throw Refused("no EQ page is called '" + name +
                  "'; pages: music, mic_a, mic_b, echo, reverb, main, aux1, aux2, rear");
}

std::string Fixed(double v, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

FilterList ReadListFile(const std::string& path) {
    std::ifstream in(PathFromText(path), std::ios::binary);
    if (!in) throw Refused("file not found: " + path);
    std::string bytes(MaxFilterFileBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const FilterList list = ReadFilterList(bytes);
    if (!list.Ok()) throw Refused(path + ": " + list.error);
    return list;
}

std::string PreampNote(const EqFit& fit) {
    if (!fit.preampDb) return "";
    return "preamp " + Fixed(*fit.preampDb, 1) +
           " dB: not applied (no level of the processor is set in dB; lower the source or "
           "the output level by that much)";
}

void PrintFit(const FilterList& list, const EqFit& fit, int mode, const std::string& target) {
    const int page = fit.after.page;
    if (JsonOutput) return;
    std::cout << (list.format == FilterFormat::Rew ? "REW" : "Equalizer APO") << " list, "
              << list.filters.size() << " filter(s), onto the " << FilterPageName(page) << " page"
              << (page == PageMusic ? std::string(" (") + ModeText(mode) + " mode)" : "") << " of " << target
              << ":\n";
    for (std::size_t b = 0; b < fit.after.bands.size(); ++b) {
        const int line = fit.bandLines[b];
        std::cout << "  band " << b + 1 << "\t"
                  << (line ? BandText(fit.after.bands[b]) + "\t(line " + std::to_string(line) + ")" : "flat")
                  << "\n";
    }
    if (fit.highPassLine)
        std::cout << "  high-pass\t" << CrossoverText(fit.after.highPass, true) << "\t(line "
                  << fit.highPassLine << ")\n";
    if (fit.lowPassLine)
        std::cout << "  low-pass\t" << CrossoverText(fit.after.lowPass, false) << "\t(line "
                  << fit.lowPassLine << ")\n";
    for (const ListedFilter& f : fit.dropped)
        std::cout << "left out (smaller effect): line " << f.line << "\n";
    for (const IgnoredLine& i : fit.ignored)
        std::cout << "not taken: line " << i.line << ": " << i.why << "\n";
    if (const std::string note = PreampNote(fit); !note.empty()) std::cout << note << "\n";
    // Below what two decimals show, the place of the largest difference is noise.
    const std::string where = Fixed(fit.deviation.maxDb, 2) == "0.00" ? "" : " at " + Fixed(fit.deviation.atHz, 0) + " Hz";
    std::cout << "deviation from the file (20 Hz - 20 kHz): largest " << Fixed(fit.deviation.maxDb, 2) << " dB"
              << where << ", mean " << Fixed(fit.deviation.meanDb, 2) << " dB\n";
}

JsonValue BandJson(const StoredBand& b) {
    const bool shelf = b.type == 1 || b.type == 2;
    return JsonValue::Object()
        .Set("type", b.type)
        .Set("frequency", b.freq)
        .Set("gain", b.gain)
        .Set("q", shelf ? b.shelfQ : b.peakQ)
        .Set("shown", BandText(b));
}

JsonValue FitJson(const FilterList& list, const EqFit& fit, int mode) {
    JsonValue bands = JsonValue::Array();
    for (std::size_t b = 0; b < fit.after.bands.size(); ++b)
        bands.Add(BandJson(fit.after.bands[b]).Set("line", fit.bandLines[b] ? JsonValue(fit.bandLines[b]) : JsonValue()));
    JsonValue dropped = JsonValue::Array();
    for (const ListedFilter& f : fit.dropped) dropped.Add(f.line);
    JsonValue ignored = JsonValue::Array();
    for (const IgnoredLine& i : fit.ignored)
        ignored.Add(JsonValue::Object().Set("line", i.line).Set("text", i.text).Set("why", i.why));
    JsonValue out = JsonValue::Object()
                        .Set("ok", true)
                        .Set("format", list.format == FilterFormat::Rew ? "rew" : "apo")
                        .Set("page", std::string(FilterPageName(fit.after.page)))
                        .Set("mode", ModeText(mode))
                        .Set("bands", std::move(bands));
    if (fit.highPassLine) out.Set("high_pass", CrossoverText(fit.after.highPass, true));
    if (fit.lowPassLine) out.Set("low_pass", CrossoverText(fit.after.lowPass, false));
    return out.Set("dropped_lines", std::move(dropped))
        .Set("ignored", std::move(ignored))
        .Set("preamp_db", fit.preampDb ? JsonValue(*fit.preampDb) : JsonValue())
        .Set("preamp_applied", false)
        .Set("deviation", JsonValue::Object()
                              .Set("max_db", fit.deviation.maxDb)
                              .Set("at_hz", fit.deviation.atHz)
                              .Set("mean_db", fit.deviation.meanDb));
}

EqFit Fit(const FilterList& list, const DeviceImageRows& image, int page, int mode, bool fit) {
    EqFit result = FitToPage(list, ReadPageEq(image, page, mode), fit);
    if (!result.Ok()) throw Refused(result.error);
    return result;
}

// ---- import onto a preset file -------------------------------------------------

void ImportToPreset(const EqOptions& o, const FilterList& list, int page) {
    if (o.output.empty() && !o.dryRun) throw Refused("--preset needs -o OUT (or --dry-run)");
    if (!o.output.empty())
        if (const auto why = WriteProblem(PathFromText(o.output)))
            throw Refused("cannot write " + o.output + ": " + *why);
    Model model;
    ApplyPreset(ReadPreset(o.preset), model);
    const int mode = OperatingMode(model);
    const EqFit fit = Fit(list, model.DeviceImage, page, mode, o.fit);
    PrintFit(list, fit, mode, o.preset);
    JsonValue json = FitJson(list, fit, mode);
    if (!o.dryRun) {
        WritePageEq(model.DeviceImage, fit.after, mode);
        model.ModeFlag = mode;
        LoadViewFromDevice(model, mode);
        try {
            WritePresetFile(PathFromText(o.output), model);
        } catch (const std::exception& e) {
            throw Refused(e.what());
        }
        std::cerr << "wrote " << o.output << "\n";
        json.Set("written", o.output);
    }
    if (JsonOutput) PrintJson(json);
}

// ---- import onto the processor -------------------------------------------------

// Sends the page as the window does: each band as one band frame, the crossover
// words that change one by one, all to the copy of the mode the processor is in.
// False when the session would not take them (it went offline).
bool SendPage(DeviceSession& session, const EqFit& fit, int mode) {
    const PageEqWrites writes = WritesFor(fit.before, fit.after, fit.after.page);
    const auto paramOf = [mode](ParamId id) {
        const NamedParam* p = FindParamForId(id, mode);
        return p ? &SpecOf(*p) : nullptr;
    };
    for (const auto& band : writes.bands) {
        std::array<DeviceSession::BandValue, 5> words{};
        for (std::size_t k = 0; k < words.size(); ++k) {
            words[k] = {paramOf(band[k].id), band[k].value};
            if (!words[k].param) return false;
        }
        if (session.SetBand(words)) return false;
    }
    for (const EqWord& w : writes.words) {
        const ParamSpec* p = paramOf(w.id);
        if (!p || session.Set(*p, w.value)) return false;
    }
    return true;
}

void ImportToProcessor(const EqOptions& o, const FilterList& list, int page) {
    const std::filesystem::path folder = o.dryRun ? std::filesystem::path() : PrepareBackupFolder(o.backup);
    LinkSession s(o.endpoint);
    std::optional<EqFit> fit;
    std::string backup;
    int mode = 0;
    bool sending = false;
    s.InterruptedText = [&] {
        return sending ? "interrupted: the processor may hold some of the new bands; its previous settings are in " +
                             backup
                       : std::string("interrupted before anything was sent: the processor is unchanged");
    };
    s.Run([&](int) {
        if (fit) return false;  // online again after a reload: nothing more to do
        const Model& m = s.model();
        mode = OperatingMode(m);
        fit = FitToPage(list, ReadPageEq(m.DeviceImage, page, mode), o.fit);
        if (!fit->Ok()) {
            s.Fail(fit->error + "; nothing was sent");
            return true;
        }
        if (o.dryRun) return true;
        std::filesystem::path written;
        if (const auto failure = s.session().Backup(folder, &written)) {
            s.Fail(failure->reason + "; nothing was sent");
            return true;
        }
        backup = PathText(written);
        sending = true;
        if (!SendPage(s.session(), *fit, mode)) {
            s.Fail("the processor went offline before the bands were set; its previous settings are in " + backup);
            return true;
        }
        s.WhenWritesDone([&s] { s.Disconnect(0); });
        return false;
    });
    PrintFit(list, *fit, mode, "the processor");
    JsonValue json = FitJson(list, *fit, mode);
    if (!o.dryRun) {
        std::cerr << "the processor's previous settings are in " << backup << "\n";
        std::cerr << "set " << fit->after.bands.size() << " bands of " << FilterPageName(page)
                  << " on the processor\n";
        json.Set("written", "processor").Set("backup", backup);
    }
    if (JsonOutput) PrintJson(json);
}

// ---- export --------------------------------------------------------------------

void Export(const EqOptions& o) {
    const int page = PageArgument(o.page);
    if (o.format != "rew" && o.format != "apo") throw Refused("--format is rew or apo, not " + o.format);
    const FilterFormat format = o.format == "rew" ? FilterFormat::Rew : FilterFormat::Apo;
    const bool device = o.preset.empty();
    if (!device && (!o.endpoint.host.empty() || !o.endpoint.serial.empty()))
        throw Refused("export reads a preset file or the processor, not both");
    if (!o.output.empty())
        if (const auto why = WriteProblem(PathFromText(o.output)))
            throw Refused("cannot write " + o.output + ": " + *why);
    Model model;
    if (device) {
        LinkSession s(o.endpoint);
        s.InterruptedText = [] { return std::string("interrupted: nothing was written"); };
        s.Run([&](int) {
            model.DeviceImage = s.model().DeviceImage;
            return true;
        });
    } else {
        ApplyPreset(ReadPreset(o.preset), model);
    }
    const int mode = OperatingMode(model);
    const PageEq eq = ReadPageEq(model.DeviceImage, page, mode);
    std::string title = "kdsp " + std::string(FilterPageName(page)) + " EQ";
    if (page == PageMusic) title += std::string(" (") + ModeText(mode) + " mode)";
    title += device ? " of the processor" : " of " + PathText(PathFromText(o.preset).filename());
    const std::string text = ExportFilterList(eq, format, title);
    if (!o.output.empty()) {
        std::ofstream out(PathFromText(o.output), std::ios::binary);
        out << text;
        if (!out.flush()) throw Refused("cannot write " + o.output);
        std::cerr << "wrote " << o.output << "\n";
    } else if (!JsonOutput) {
        std::cout << text;
    }
    if (JsonOutput)
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("page", std::string(FilterPageName(page)))
                      .Set("mode", ModeText(mode))
                      .Set("format", o.format)
                      .Set("text", text));
}

}  // namespace

void RegisterEqCommands(CLI::App& app) {
    auto* eq = app.add_subcommand("eq", "room EQ filter lists (REW, Equalizer APO): import and export");

    static EqOptions in;
    auto* import = eq->add_subcommand(
        "import", "set a page's EQ bands from a REW or Equalizer APO filter list, on a preset file "
                  "(--preset IN -o OUT) or on the processor");
    import->add_option("FILE", in.file, "REW filter settings (.txt) or Equalizer APO configuration")->required();
    import->add_option("--page", in.page, "music, mic_a, mic_b, echo, reverb, main, aux1, aux2 or rear")->required();
    import->add_option("--preset", in.preset, "preset file to start from (.Nddt)");
    import->add_option("-o,--output", in.output, "preset file to write (.Nddt), with --preset");
    import->add_flag("--dry-run", in.dryRun, "print the bands it would set and the deviation; change nothing");
    import->add_flag("--fit", in.fit,
                     "more filters than bands: keep the ones with the largest effect and list the rest");
    import->add_option("--backup-dir", in.backup.backupDir,
                       "folder for the copy of the processor's settings made before the bands are set");
    AddEndpointOptions(import, in.endpoint);
    AddFastOption(import, in.endpoint.fast);
    AddJsonFlag(import);
    import->callback([] {
        const int page = PageArgument(in.page);
        const FilterList list = ReadListFile(in.file);
        if (!in.preset.empty()) {
            if (!in.endpoint.host.empty() || !in.endpoint.serial.empty())
                throw Refused("import goes onto a preset file or the processor, not both");
            ImportToPreset(in, list, page);
        } else {
            if (!in.output.empty()) throw Refused("-o goes with --preset");
            ImportToProcessor(in, list, page);
        }
    });

    static EqOptions out;
    auto* exp = eq->add_subcommand("export", "write a page's EQ as a REW or Equalizer APO filter list");
    exp->add_option("PRESET", out.preset, "preset file (.Nddt); without it the processor is read");
    exp->add_option("--page", out.page, "music, mic_a, mic_b, echo, reverb, main, aux1, aux2 or rear")->required();
    exp->add_option("--format", out.format, "rew (default) or apo");
    exp->add_option("-o,--output", out.output, "file to write; without it the list goes to stdout");
    AddEndpointOptions(exp, out.endpoint);
    AddFastOption(exp, out.endpoint.fast);
    AddJsonFlag(exp);
    exp->callback([] { Export(out); });
}

}  // namespace kdsp::cli
