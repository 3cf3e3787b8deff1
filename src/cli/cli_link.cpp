// kdsp subcommands that talk to the processor: scan, read, upload. They drive the
// same device session as every front end, with a progress line instead of a dialog.
#include <QSerialPortInfo>

#include <iostream>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_params.h"
#include "cli/cli_preset_io.h"
#include "cli/cli_session.h"
#include "cli/cli_upload.h"
#include "core/preset/atomic_file.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {

namespace {

struct UploadReport {
    std::string backup;     // where the processor's settings from before the upload are
    bool verified = false;  // read back and found equal (false with verify off)
};

// The whole of `kdsp upload` for one processor: connect, read, back the memory up,
// send `preset` and, unless told not to, read it back and compare. Throws Refused
// with one line saying what failed.
UploadReport UploadPreset(const Endpoint& endpoint, const PresetReadResult& preset,
                          const UploadOptions& options) {
    UploadSteps steps(preset, PrepareBackupFolder(options), options.verify);
    LinkSession s(endpoint);
    steps.Attach(s);
    s.InterruptedText = [&] { return steps.InterruptedText(); };
    s.LostText = [&](const std::string& reason) { return steps.LostText(reason); };
    s.Run([&](int onlineCount) { return steps.Online(s, onlineCount); });
    return {steps.Backup(), steps.Verified()};
}

}  // namespace

void RegisterLinkCommands(CLI::App& app) {
    auto* scan = app.add_subcommand("scan", "list the serial ports present");
    scan->callback([] {
        const auto ports = QSerialPortInfo::availablePorts();
        for (const auto& p : ports) {
            std::cout << p.systemLocation().toStdString();
            if (!p.description().isEmpty()) std::cout << "\t" << p.description().toStdString();
            std::cout << "\n";
        }
        if (ports.isEmpty()) std::cerr << "no serial ports\n";
    });

    static Endpoint readEp;
    static std::string readOut;
    auto* read = app.add_subcommand("read", "read the processor's memory into a preset file");
    AddEndpointOptions(read, readEp);
    AddFastOption(read, readEp.fast);
    read->add_option("-o,--output", readOut, "preset file to write (.Nddt); - for stdout")->required();
    AddJsonFlag(read);
    read->callback([] {
        // A file that cannot be written is found out before the processor is asked.
        if (readOut == "-" && JsonOutput)
            throw Refused("-o - and --json both want stdout: give -o a file", 2);
        CheckPresetOutput(readOut);
        LinkSession s(readEp);
        s.InterruptedText = [] { return std::string("interrupted: nothing was written"); };
        std::string error;
        s.Run([&](int) {
            try {
                Model read = s.model();
                WritePreset(readOut, read);
            } catch (const Refused& e) {
                error = e.what();
            }
            return true;
        });
        if (!error.empty()) throw Refused(error);
        if (readOut != "-")
            std::cerr << "wrote " << readOut << "\n";
        if (JsonOutput) {
            const Model& m = s.model();
            JsonValue names = JsonValue::Array();
            for (int k = 0; k < StoredModeCount; ++k) names.Add(m.ModeNames[static_cast<std::size_t>(k)]);
            PrintJson(JsonValue::Object()
                          .Set("ok", true)
                          .Set("file", readOut)
                          .Set("identity", m.DeviceIdentity)
                          .Set("mode", ModeText(OperatingMode(m)))
                          .Set("stored_mode", m.DeviceImage[PageSystem][2])
                          .Set("mode_names", std::move(names)));
        }
    });

    static Endpoint upEp;
    static std::string upFile;
    static UploadOptions upOptions;
    auto* upload = app.add_subcommand("upload", "send a preset file to the processor");
    upload->add_option("file", upFile, "preset file (.Nddt)")->required();
    AddEndpointOptions(upload, upEp);
    AddFastOption(upload, upEp.fast);
    AddUploadOptions(upload, upOptions);
    AddJsonFlag(upload);
    upload->callback([] {
        // The whole file is checked before anything is connected or changed.
        const PresetReadResult preset = ReadPreset(upFile);
        const UploadReport report = UploadPreset(upEp, preset, upOptions);
        std::cerr << "the processor's previous settings are in " << report.backup << "\n";
        std::cerr << "uploaded " << upFile
                  << (report.verified ? ", read back and checked" : " (not read back: --no-verify)") << "\n";
        if (JsonOutput)
            PrintJson(JsonValue::Object()
                          .Set("ok", true)
                          .Set("file", upFile)
                          .Set("records", preset.records.size())
                          .Set("backup", report.backup)
                          .Set("verified", report.verified));
    });
}

}  // namespace kdsp::cli
