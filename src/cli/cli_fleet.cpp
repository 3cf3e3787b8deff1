// kdsp fleet: a venue's processors at once, listed in an inventory file (-i):
// status, backup, upload, set and verify on every one, a summary table and a JSON report.
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/cli.h"
#include "cli/cli_fleet_progress.h"
#include "cli/cli_fleet_run.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_params.h"
#include "cli/cli_preset_io.h"
#include "cli/cli_ranges.h"
#include "cli/cli_session.h"
#include "cli/cli_upload.h"
#include "core/preset/atomic_file.h"
#include "core/preset/image_compare.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"
#include "core/protocol/frames.h"

namespace kdsp::cli {

namespace {

namespace fs = std::filesystem;

// An inventory is a few lines a person keeps; anything far bigger is the wrong file.
constexpr std::size_t MaxInventoryBytes = 1 << 20;
constexpr std::size_t FailedNamesShown = 10;

std::vector<InventoryEntry> ReadInventory(const std::string& file) {
    const fs::path path = PathFromText(file);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw Refused("cannot read " + file + ": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Refused("cannot read " + file + ": " + std::strerror(errno));
    std::string text(MaxInventoryBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > MaxInventoryBytes)
        throw Refused(file + " is too large for an inventory (over 1 MiB)");
    const Inventory inventory = ParseInventory(text);
    if (inventory.error)
        throw Refused(file + (inventory.error->line > 0 ? " " : ": ") + inventory.error->Text());
    return inventory.entries;
}

// ---- the jobs ------------------------------------------------------------------

// Connect, read the identity and the mode, report online or offline.
class StatusJob : public FleetJob {
  public:
    bool Online(LinkRun& run, int) override {
        const Model& m = run.model();
        identity_ = m.DeviceIdentity;
        mode_ = OperatingMode(m);
        stored_ = m.DeviceImage[PageSystem][2];
        if (stored_ >= 0 && stored_ < StoredModeCount)
            storedName_ = m.ModeNames[static_cast<std::size_t>(stored_)];
        seen_ = true;
        return true;
    }
    // Only what the status shows: the operating mode (page 0), the stored mode in
    // use and its name, the identity.
    ReadPlan Plan() const override {
        ReadPlan plan;
        plan.steps = {0, ReadStepsFor(PageSystem, IndexOf(IdRecallMode)).front(), ModeNameStep, IdentityStep};
        plan.storedModeNameOnly = true;
        return plan;
    }
    const char* ResultWord(bool ok) const override { return ok ? "online" : "offline"; }
    std::string Detail() const override {
        return "identity " + identity_ + ", " + ModeText(mode_) + " mode, stored mode " +
               ModeItemText(stored_ + 1, storedName_);
    }
    void AddJson(JsonValue& entry) const override {
        entry.Set("online", seen_)
            .Set("identity", seen_ ? JsonValue(identity_) : JsonValue())
            .Set("mode", seen_ ? JsonValue(ModeText(mode_)) : JsonValue())
            .Set("stored_mode", seen_ ? JsonValue(stored_) : JsonValue());
    }

  private:
    bool seen_ = false;
    std::string identity_, storedName_;
    int mode_ = 0, stored_ = 0;
};

// The whole memory into FOLDER/NAME.Nddt, written whole or not at all.
class BackupJob : public FleetJob {
  public:
    explicit BackupJob(fs::path file) : file_(std::move(file)) {}
    bool Online(LinkRun& run, int) override {
        try {
            Model read = run.model();
            WritePresetFile(file_, read);
            written_ = true;
        } catch (const std::exception& e) {
            run.Fail("cannot write " + PathText(file_) + ": " + e.what());
        }
        return true;
    }
    std::string InterruptedText() const override { return "interrupted: nothing was written"; }
    std::string Detail() const override { return PathText(file_); }
    std::string File() const override { return written_ ? PathText(file_) : std::string(); }

  private:
    fs::path file_;
    bool written_ = false;
};

// The same writes to every processor, in the order and with the checks of kdsp set.
class SetJob : public FleetJob {
  public:
    explicit SetJob(const std::vector<PlannedWrite>& writes) : writes_(writes) {}
    bool Online(LinkRun& run, int onlineCount) override {
        // A recall of a stored mode brings the link online again after its reload.
        if (!set_) {
            set_ = std::make_unique<SetRun>(run, writes_);
            set_->Say = [&run](const std::string& line) { run.Note(line); };
        }
        set_->Online(onlineCount);
        return false;
    }
    std::string InterruptedText() const override {
        return "interrupted: the processor may hold some of the new values";
    }
    ReadPlan Plan() const override { return ReadPlanFor(writes_); }
    std::string Detail() const override {
        const std::size_t n = writes_.size();
        return std::to_string(n) + (n == 1 ? " value" : " values") + " written";
    }
    void AddJson(JsonValue& entry) const override {
        // A processor never reached took no writes.
        entry.Set("writes", set_ ? writes_.size() : 0)
            .Set("mode", set_ ? JsonValue(ModeText(set_->modeInUse)) : JsonValue())
            .Set("mode_switched", set_ && set_->switched);
    }

  private:
    std::vector<PlannedWrite> writes_;
    std::unique_ptr<SetRun> set_;
};

// The pages that differ, for the JSON report: [{"page": 6, "name": "main output", "words": 12}],
// or null for a processor never compared.
JsonValue DifferencesJson(bool compared, const ImageDifference& differences) {
    if (!compared)
        return JsonValue();
    JsonValue list = JsonValue::Array();
    for (const PageDifference& d : differences)
        list.Add(JsonValue::Object().Set("page", d.page).Set("name", PageName(d.page)).Set("words", d.words));
    return list;
}

// kdsp upload on each processor: backup, upload, read-back; the report's file is the backup.
class UploadJob : public FleetJob {
  public:
    UploadJob(const PresetReadResult& preset, const fs::path& folder, bool verify)
        : steps_(preset, folder, verify) {}
    void Attach(LinkRun& run) override { steps_.Attach(run); }
    bool Online(LinkRun& run, int onlineCount) override { return steps_.Online(run, onlineCount); }
    std::string InterruptedText() const override { return steps_.InterruptedText(); }
    std::string LostText(const std::string& reason) const override { return steps_.LostText(reason); }
    std::string Detail() const override {
        return std::string(steps_.Verified() ? "uploaded, read back and checked" : "uploaded, not read back (--no-verify)") +
               "; backup " + steps_.Backup();
    }
    std::string File() const override { return steps_.Backup(); }
    void AddJson(JsonValue& entry) const override {
        const ImageDifference& differences = steps_.Differences();
        entry.Set("verified", steps_.Verified())
            .Set("differences", DifferencesJson(steps_.Verified() || !differences.empty(), differences));
    }

  private:
    UploadSteps steps_;
};

// Read each processor and compare it with the preset: the words an upload of it writes.
class VerifyJob : public FleetJob {
  public:
    explicit VerifyJob(const PresetReadResult& preset) : preset_(preset) {}
    bool Online(LinkRun& run, int) override {
        differences_ = CompareWithPreset(run.model().DeviceImage, preset_);
        compared_ = true;
        if (!differences_.empty())
            run.Fail(DescribeDifference(differences_));
        return true;
    }
    const char* ResultWord(bool ok) const override {
        return ok ? "ok" : differences_.empty() ? "failed" : "differs";
    }
    std::string Detail() const override { return "holds the preset"; }
    void AddJson(JsonValue& entry) const override {
        entry.Set("differences", DifferencesJson(compared_, differences_));
    }

  private:
    const PresetReadResult& preset_;
    bool compared_ = false;
    ImageDifference differences_;
};

// ---- running and reporting -----------------------------------------------------

struct FleetArgs {
    std::string inventory;
    FleetOptions options;
};

void AddFleetOptions(CLI::App* cmd, FleetArgs& a) {
    cmd->add_option("-i,--inventory", a.inventory,
                    "the venue's processors, one a line: NAME tcp:HOST:PORT or NAME serial:PORT")
        ->required();
    cmd->add_option("--jobs", a.options.jobs,
                    "processors handled at most at once (default: all; entries on one serial "
                    "port or one address take turns)")
        ->check(CLI::Range(1, 1000));
    cmd->add_option("--timeout", a.options.timeout,
                    "give up on a processor S seconds after its start (default 180)")
        ->check(CLI::Range(0.1, 86400.0));
    AddFastOption(cmd, a.options.fast);
    AddJsonFlag(cmd);
}

// Runs the job on every processor, then prints the summary table (or the JSON
// report) and says which failed; exit status 0 only when every one succeeded.
void RunFleet(const std::string& command, const std::vector<InventoryEntry>& entries,
              const FleetOptions& options, const FleetRun::JobFactory& makeJob) {
    FleetRun run(entries, options, makeJob);
    const int signalCode = run.Run();
    std::vector<std::string> failed;
    for (const FleetDevice& d : run.Devices())
        if (!d.ok)
            failed.push_back(d.entry.name);
    if (JsonOutput) {
        JsonValue list = JsonValue::Array();
        for (const FleetDevice& d : run.Devices()) {
            // A failed upload's backup is reported too: it holds the settings from before.
            const std::string file = d.job->File();
            JsonValue entry = JsonValue::Object()
                                  .Set("name", d.entry.name)
                                  .Set("address", d.entry.address.Text())
                                  .Set("result", d.ok ? "ok" : "failed")
                                  .Set("error", d.ok ? JsonValue() : JsonValue(d.error))
                                  .Set("duration", std::round(d.Seconds() * 1000.0) / 1000.0)
                                  .Set("file", file.empty() ? JsonValue() : JsonValue(file));
            d.job->AddJson(entry);
            list.Add(std::move(entry));
        }
        PrintJson(JsonValue::Object()
                      .Set("ok", failed.empty())
                      .Set("command", command)
                      .Set("devices", std::move(list)));
    } else {
        std::cout << SummaryTable(run.Devices());
    }
    if (failed.empty())
        return;
    std::string names;
    for (std::size_t i = 0; i < failed.size() && i < FailedNamesShown; ++i)
        names += (i ? ", " : "") + failed[i];
    if (failed.size() > FailedNamesShown)
        names += " and " + std::to_string(failed.size() - FailedNamesShown) + " more";
    std::cerr << "kdsp: " << (signalCode ? "interrupted: " : "") << failed.size() << " of "
              << entries.size() << " processors failed: " << names << "\n";
    ExitStatus = signalCode ? signalCode : 1;
}

}  // namespace

void RegisterFleetCommands(CLI::App& app) {
    auto* fleet = app.add_subcommand(
        "fleet", "a venue's processors at once, listed in an inventory (-i): status, backup, upload, set, "
        "verify");

    static FleetArgs args;
    auto* status = fleet->add_subcommand("status", "connect to each processor: online or offline, "
                                                   "its identity and mode");
    AddFleetOptions(status, args);
    status->callback([] {
        const auto entries = ReadInventory(args.inventory);
        RunFleet("status", entries, args.options,
                 [](const InventoryEntry&) { return std::make_unique<StatusJob>(); });
    });

    static std::string folder;
    auto* backup = fleet->add_subcommand("backup", "read each processor into FOLDER/NAME.Nddt");
    backup->add_option("-o,--output", folder, "folder of the preset files (made when missing)")
        ->required();
    AddFleetOptions(backup, args);
    backup->callback([] {
        const auto entries = ReadInventory(args.inventory);
        // A folder that cannot take the files is found out before any processor is asked.
        const fs::path dir = PathFromText(folder);
        std::error_code ec;
        if (fs::exists(dir, ec) && !fs::is_directory(dir, ec))
            throw Refused("cannot write to " + folder + ": it is not a folder");
        fs::create_directories(dir, ec);
        if (ec)
            throw Refused("cannot make the folder " + folder + ": " + ec.message());
        const fs::path first = PresetPath(dir, entries.front().name);
        if (const auto why = WriteProblem(first))
            throw Refused("cannot write " + PathText(first) + ": " + *why);
        RunFleet("backup", entries, args.options, [dir](const InventoryEntry& e) {
            return std::make_unique<BackupJob>(PresetPath(dir, e.name));
        });
    });

    static std::string presetFile;
    static UploadOptions uploadOptions;
    auto* upload = fleet->add_subcommand(
        "upload", "send a preset file to each processor: backup first, then upload and read back");
    upload->add_option("file", presetFile, "preset file (.Nddt)")->required();
    AddUploadOptions(upload, uploadOptions);
    AddFleetOptions(upload, args);
    upload->callback([] {
        const auto entries = ReadInventory(args.inventory);
        // The file and the backups folder are checked before any processor is asked.
        const PresetReadResult preset = ReadPreset(presetFile);
        const fs::path folder = PrepareBackupFolder(uploadOptions);
        RunFleet("upload", entries, args.options, [&](const InventoryEntry&) {
            return std::make_unique<UploadJob>(preset, folder, uploadOptions.verify);
        });
    });

    static std::vector<std::string> pairs;
    static bool raw = false;
    auto* set = fleet->add_subcommand(
        "set", "write the same parameters to each processor: NAME VALUE [NAME VALUE ...]");
    set->add_option("pairs", pairs,
                    "name and value as typed in the window (1000Hz, -3.5dB, Off, stereo), "
                    "or a parameter id (0x0614 or 1556) and its stored value, repeated")
        ->required();
    set->add_flag("--raw", raw, "values given by name are stored values, not shown ones");
    AddStrictFlag(set);
    AddFleetOptions(set, args);
    set->callback([] {
        const auto entries = ReadInventory(args.inventory);
        // Checked once, before anything is connected: warnings are said once.
        const std::vector<PlannedWrite> writes = PlanWrites(pairs, raw);
        RunFleet("set", entries, args.options,
                 [&writes](const InventoryEntry&) { return std::make_unique<SetJob>(writes); });
    });

    auto* verify = fleet->add_subcommand(
        "verify", "read each processor and say whether it holds a preset file, or which pages differ");
    verify->add_option("file", presetFile, "preset file (.Nddt)")->required();
    AddFleetOptions(verify, args);
    verify->callback([] {
        const auto entries = ReadInventory(args.inventory);
        const PresetReadResult preset = ReadPreset(presetFile);
        RunFleet("verify", entries, args.options,
                 [&preset](const InventoryEntry&) { return std::make_unique<VerifyJob>(preset); });
    });
}

}  // namespace kdsp::cli
