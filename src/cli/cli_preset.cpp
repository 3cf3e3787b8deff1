// kdsp subcommands: preset show, check, export, import and diff — preset files
// read with the same checks as the window, listed by parameter name, and their
// images as JSON (raw pages, or names and shown values).
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_ranges.h"
#include "core/model/param_names.h"
#include "core/model/param_text.h"
#include "core/preset/atomic_file.h"
#include "core/preset/param_diff.h"
#include "core/preset/preset_file.h"
#include "core/preset/text_ops.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {
namespace {

struct LoadedPreset {
    PresetReadResult result;
    DeviceImageRows image{};  // zeros plus the file, after the load rules
};

LoadedPreset Load(const std::string& file) {
    LoadedPreset p;
    p.result = ReadPreset(file);
    ApplyPreset(p.result, p.image);
    return p;
}

// The name of a slot; a file from elsewhere may hold slots no name reaches.
std::string NameAt(int page, int slot) {
    const NamedParam* p = FindParamAt(page, slot);
    return p ? p->name : "page " + std::to_string(page) + " slot " + std::to_string(slot);
}

std::string ShownAt(int page, int slot, int value) {
    const NamedParam* p = FindParamAt(page, slot);
    return p ? ShowParam(*p, value) : std::to_string(value);
}

JsonValue SlotJson(int page, int slot, int value) {
    if (const NamedParam* p = FindParamAt(page, slot))
        return ReadingJson(*p, value);
    return JsonValue::Object()
        .Set("name", NameAt(page, slot))
        .Set("id", JsonValue())
        .Set("page", page)
        .Set("slot", slot)
        .Set("value", value)
        .Set("shown", std::to_string(value))
        .Set("unit", "");
}

// Slots a file names, plus the system words the load copies, in page/slot order.
std::set<std::pair<int, int>> StoredSlots(const PresetReadResult& r) {
    std::set<std::pair<int, int>> slots;
    for (const auto& rec : r.records)
        slots.insert({rec.page, rec.slot});
    for (int k = 0; k < MirrorSlotCount; ++k)
        slots.insert({PageSystem, MirrorFirstSystemSlot + k});
    for (int k = 0; k < NormalVolumeCount; ++k)
        slots.insert({PageSystem, NormalVolumeFirstSystemSlot + k});
    return slots;
}

void Show(const std::string& file) {
    const LoadedPreset p = Load(file);
    JsonValue list = JsonValue::Array();
    for (const auto& [page, slot] : StoredSlots(p.result)) {
        const int v = p.image[page][slot];
        if (JsonOutput)
            list.Add(SlotJson(page, slot, v));
        else
            std::cout << NameAt(page, slot) << '\t' << ShownAt(page, slot, v) << '\t' << v << '\n';
    }
    if (JsonOutput) {
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("file", file)
                      .Set("records", p.result.records.size())
                      .Set("params", std::move(list)));
    }
}

// A file the window loads can still hold words outside their parameter's range
// (files in the field do): they are reported, as warnings unless --strict.
void Check(const std::string& file) {
    const LoadedPreset p = Load(file);
    const auto outside = ValuesOutOfRange(p.image);
    const std::string summary = std::to_string(outside.size()) +
                                (outside.size() == 1 ? " value" : " values") + " out of range";
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const OutOfRange& o : outside)
            list.Add(ReadingJson(*o.param, o.value).Set("range", RangeText(*o.param)));
        if (!Strict || outside.empty())
            PrintJson(JsonValue::Object()
                          .Set("ok", true)
                          .Set("file", file)
                          .Set("records", p.result.records.size())
                          .Set("out_of_range", std::move(list)));
    } else {
        for (const OutOfRange& o : outside)
            std::cout << "warning: " << OutOfRangeText(o) << '\n';
        if (outside.empty())
            std::cout << "OK: " << p.result.records.size() << " records\n";
        else
            std::cout << p.result.records.size() << " records, " << summary << '\n';
    }
    if (Strict && !outside.empty())
        throw Refused(file + ": " + summary);
}

// A value as the by-name form writes it: the shown text for a parameter shown
// through a conversion, as long as reading that text back gives the same stored
// value; the stored number for the others and for values outside the range.
JsonValue ByNameValue(const NamedParam& p, int value) {
    if (!p.Reserved() && (!p.words.empty() || p.kind >= 1)) {
        const std::string shown = ShowParam(p, value);
        const ParsedValue back = ParseParamValue(p, shown);
        if (back.ok && !back.clamped && back.value == value)
            return shown;
    }
    return value;
}

void Export(const std::string& file, bool byName) {
    const LoadedPreset p = Load(file);
    if (byName) {
        JsonValue params = JsonValue::Object();
        for (const NamedParam& n : NamedParams())
            params.Set(n.name, ByNameValue(n, p.image[n.page][n.slot]));
        PrintJson(params);
        return;
    }
    std::ostringstream out;
    out << "{\"pages\": [\n";
    for (int page = 0; page < PageCount; ++page) {
        out << "  [";
        for (int s = 0; s < DeviceImageSlots; ++s)
            out << (s ? ", " : "") << p.image[page][s];
        out << (page + 1 < PageCount ? "],\n" : "]\n");
    }
    out << "]}\n";
    std::cout << out.str();
}

// A strict reader for exactly {"pages": [[145 integers] x 11]}: anything else is
// refused with the place where it went wrong.
class ImageJsonReader {
  public:
    explicit ImageJsonReader(std::string text) : text_(std::move(text)) {}

    DeviceImageRows Read() {
        DeviceImageRows image{};
        Expect('{');
        if (String() != "pages")
            Fail("the only key must be \"pages\"");
        Expect(':');
        Expect('[');
        for (int page = 0;; ++page) {
            if (page == PageCount)
                Fail("more than 11 pages");
            Expect('[');
            for (int s = 0;; ++s) {
                if (s == DeviceImageSlots)
                    Fail("page " + std::to_string(page) + " has more than 145 values");
                image[page][s] = Number();
                if (Next() == ']') {
                    if (s + 1 != DeviceImageSlots) {
                        Fail("page " + std::to_string(page) + " has " + std::to_string(s + 1) +
                             " values, not 145");
                    }
                    break;
                }
                Expect(',');
            }
            Expect(']');
            if (Next() == ']') {
                if (page + 1 != PageCount) {
                    Fail(std::to_string(page + 1) + " pages, not 11");
                }
                break;
            }
            Expect(',');
        }
        Expect(']');
        Expect('}');
        SkipSpace();
        if (pos_ != text_.size())
            Fail("text after the end of the object");
        return image;
    }

  private:
    [[noreturn]] void Fail(const std::string& why) {
        throw Refused("invalid image JSON at offset " + std::to_string(pos_) + ": " + why);
    }
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }
    char Next() {
        SkipSpace();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void Expect(char c) {
        if (Next() != c)
            Fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    std::string String() {
        Expect('"');
        std::string s;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\' || static_cast<unsigned char>(text_[pos_]) < 0x20) {
                Fail("unexpected character in the key");
            }
            s.push_back(text_[pos_++]);
        }
        Expect('"');
        return s;
    }
    int Number() {
        SkipSpace();
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        const std::size_t digits = pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        if (pos_ == digits)
            Fail("expected an integer");
        if (pos_ < text_.size() &&
            (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) {
            Fail("values must be whole numbers");
        }
        if (pos_ - digits > 1 && text_[digits] == '0')
            Fail("leading zeros are not JSON");
        const std::string n = text_.substr(start, pos_ - start);
        if (n[0] == '-' || pos_ - digits > 5 || std::stol(n) > 65535) {
            pos_ = start;
            Fail("value " + n + " is outside 0..65535");
        }
        return std::stoi(n);
    }

    std::string text_;
    std::size_t pos_ = 0;
};

std::string ReadText(const std::string& file) {
    if (file == "-")
        return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    std::error_code ec;
    if (!std::filesystem::exists(PathFromText(file), ec))
        throw Refused("file not found: " + file);
    std::ifstream f(PathFromText(file), std::ios::binary);
    if (!f)
        throw Refused("cannot read " + file);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// {"name": value, ...}: a string is read as typed into the window ("1000.0Hz"),
// a number is the stored value. Every name and value is checked before anything
// is written; names left out keep the base preset's values (or 0 without one).
DeviceImageRows ReadByName(const std::string& text, const std::string& base) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError) {
        throw Refused("invalid JSON at offset " + std::to_string(error.offset) + ": " +
                      error.errorString().toStdString());
    }
    if (!doc.isObject())
        throw Refused("the by-name form is one object of names and values");
    DeviceImageRows image = base.empty() ? DeviceImageRows{} : Load(base).image;
    const QJsonObject object = doc.object();
    std::set<const NamedParam*> given;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string name = it.key().toStdString();
        const NamedParam* p = FindParam(name);
        if (!p) {
            std::string message = "unknown parameter '" + InputExcerpt(name) + "'; closest:";
            for (const std::string& c : ClosestNames(name))
                message += " " + c;
            throw Refused(message);
        }
        ParsedValue v;
        const QJsonValue value = it.value();
        if (value.isString()) {
            v = ParseParamValue(*p, value.toString().toStdString());
        } else if (value.isDouble() && value.toDouble() == std::floor(value.toDouble()) &&
                   value.toDouble() >= 0 && value.toDouble() <= 0xFFFF) {
            v = ClampParamValue(*p, static_cast<long long>(value.toDouble()));
        } else {
            v.error = "a value is a text as the window shows it or a stored number 0..65535";
        }
        if (!v.ok)
            throw Refused(name + ": " + v.error);
        AcceptClamped(*p,
                      value.isString() ? value.toString().toStdString()
                                       : "stored value " + std::to_string(value.toInteger()),
                      v);
        image[p->page][p->slot] = v.value;
        given.insert(p);
    }
    const std::size_t missing = NamedParams().size() - given.size();
    if (missing > 0 && base.empty()) {
        std::cerr << "kdsp: " << missing
                  << " parameters not in the JSON are stored as 0 (--base FILE keeps a "
                     "preset's values)\n";
    }
    return image;
}

void Import(const std::string& jsonFile, const std::string& out, bool byName,
            const std::string& base) {
    Model model;
    std::string text = ReadText(jsonFile);
    if (byName) {
        model.DeviceImage = ReadByName(text, base);
    } else {
        // A raw image is taken word for word, except that words outside their
        // parameter's range are brought inside (or refused with --strict).
        model.DeviceImage = ImageJsonReader(std::move(text)).Read();
        for (const OutOfRange& o : ValuesOutOfRange(model.DeviceImage)) {
            const NamedParam& p = *o.param;
            const ParsedValue v = ClampParamValue(p, o.value);
            AcceptClamped(p, "stored value " + std::to_string(o.value), v);
            model.DeviceImage[p.page][p.slot] = v.value;
        }
    }
    WritePreset(out, model);
}

// Like diff(1): exit status 0 when the presets are the same, 1 when they differ,
// 2 when one cannot be read.
void Diff(const std::string& a, const std::string& b) {
    LoadedPreset pa, pb;
    try {
        pa = Load(a);
        pb = Load(b);
    } catch (const Refused& e) {
        throw Refused(e.what(), 2);
    }
    JsonValue list = JsonValue::Array();
    const std::vector<ParamDifference> differences = DiffImages(pa.image, pb.image);
    for (const ParamDifference& d : differences) {
        if (JsonOutput) {
            list.Add(JsonValue::Object()
                         .Set("name", d.name)
                         .Set("id", d.spec && d.spec->Writable() ? JsonValue(IdText(d.spec->Id()))
                                                                 : JsonValue())
                         .Set("page", d.page)
                         .Set("slot", d.slot)
                         .Set("a_value", d.a)
                         .Set("a_shown", d.shownA)
                         .Set("b_value", d.b)
                         .Set("b_shown", d.shownB)
                         .Set("unit", d.spec ? std::string(d.spec->Unit()) : std::string()));
        } else {
            std::cout << d.name << '\t' << d.shownA << '\t' << d.shownB << '\n';
        }
    }
    if (JsonOutput) {
        PrintJson(JsonValue::Object()
                      .Set("ok", true)
                      .Set("a", a)
                      .Set("b", b)
                      .Set("differences", std::move(list)));
    } else if (differences.empty()) {
        std::cout << "no differences\n";
    }
    ExitStatus = differences.empty() ? 0 : 1;
}

}  // namespace

void CheckPresetOutput(const std::string& out) {
    if (out == "-")
        return;
    if (const auto why = WriteProblem(PathFromText(out)))
        throw Refused("cannot write " + out + ": " + *why);
}

void WritePreset(const std::string& out, Model& model) {
    MirrorSystemWordsForSave(model.DeviceImage);
    const std::string text = FormatPresetFile(model.DeviceImage);
    if (out == "-") {
        std::cout << text << std::flush;
        return;
    }
    try {
        WriteFileAtomically(PathFromText(out), text);
    } catch (const FileWriteError& e) {
        throw Refused("cannot write " + out + ": " + e.what());
    }
}

PresetReadResult ReadPreset(const std::string& file) {
    PresetReadResult r = ReadPresetFile(PathFromText(file));
    if (r.Ok())
        return r;
    if (*r.error == PresetError::FileNotFound) {
        std::error_code ec;
        if (!std::filesystem::exists(PathFromText(file), ec))
            throw Refused("file not found: " + file);
        throw Refused("cannot read " + file + ": " +
                      (std::filesystem::is_directory(PathFromText(file), ec) ? "it is a folder"
                                                                              : r.detail));
    }
    throw Refused(std::string(PresetMessage(*r.error)) + " (" + file + ": " + r.detail + ")");
}

void RegisterPresetCommands(CLI::App& app) {
    CLI::App* preset =
        app.add_subcommand("preset", "inspect, check, convert and compare preset files");
    preset->require_subcommand(1);

    static std::string file, other, json, out, base;
    static bool byName = false;

    CLI::App* show = preset->add_subcommand(
        "show", "check a preset and list every stored parameter: name, shown value, stored value");
    show->add_option("FILE", file, "preset file")->required();
    AddJsonFlag(show);
    show->callback([] { Show(file); });

    CLI::App* check = preset->add_subcommand(
        "check", "check a preset file, and report words outside their parameter's range");
    check->add_option("FILE", file, "preset file")->required();
    AddStrictFlag(check);
    AddJsonFlag(check);
    check->callback([] { Check(file); });

    CLI::App* exp = preset->add_subcommand("export", "print the loaded device image as JSON");
    exp->add_option("FILE", file, "preset file")->required();
    exp->add_flag("--by-name", byName,
                  "one object of parameter names and values as the window shows them");
    exp->callback([] { Export(file, byName); });

    CLI::App* imp = preset->add_subcommand("import", "write a preset file from image JSON");
    imp->add_option("JSON", json,
                    "JSON file ({\"pages\": [[145 integers] x 11]}, or names with --by-name), "
                    "- for stdin")
        ->required();
    imp->add_option("-o,--output", out, "preset file to write; - for stdout")->required();
    imp->add_flag("--by-name", byName,
                  "the JSON holds parameter names and values (shown texts or stored numbers)");
    imp->add_option("--base", base, "with --by-name: preset whose values the names left out keep");
    AddStrictFlag(imp);
    imp->callback([] {
        if (!base.empty() && !byName)
            throw Refused("--base goes with --by-name");
        CheckPresetOutput(out);
        Import(json, out, byName, base);
    });

    CLI::App* diff = preset->add_subcommand(
        "diff", "list the parameters two presets set differently (exit status 1 when they differ)");
    diff->add_option("A", file, "first preset file")->required();
    diff->add_option("B", other, "second preset file")->required();
    AddJsonFlag(diff);
    diff->callback([] { Diff(file, other); });
}

}  // namespace kdsp::cli
