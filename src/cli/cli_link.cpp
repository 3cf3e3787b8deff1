// kdsp subcommands that talk to the processor: scan, read, upload. They run the
// same link state machine as the window, with a progress line instead of a dialog.
#include <QSerialPortInfo>
#include <QTimer>

#include <iostream>

#include "cli/cli.h"
#include "cli/cli_json.h"
#include "cli/cli_session.h"
#include "core/link/verified_upload.h"
#include "core/preset/atomic_file.h"
#include "core/preset/backups.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {

namespace {

void WriteImage(const std::string& path, Model& model) {
    try {
        WritePresetFile(PathFromText(path), model);
    } catch (const std::exception& e) {
        throw Refused(e.what());
    }
}

// Where the settings from before the upload are, for the lines that say what happened.
std::string PreviousSettings(const std::string& backup) {
    return backup.empty() ? "no backup of its previous settings was made"
                          : "its previous settings are in " + backup;
}

// What a Ctrl-C during an upload leaves behind, said plainly.
std::string UploadInterrupted(LinkSession& s, const VerifiedUpload& upload, const std::string& backup) {
    switch (upload.CurrentState()) {
    case VerifiedUpload::State::Sending:
        return "upload interrupted while sending " + s.WaitingFor() + ": the processor is only partly updated; " +
               PreviousSettings(backup) + "; upload the file again to finish";
    case VerifiedUpload::State::ReadingBack:
        return "interrupted while reading the upload back: the processor has taken the whole file, but it "
               "was not checked; " + PreviousSettings(backup);
    default:
        return "interrupted before the upload began: the processor is unchanged";
    }
}

std::filesystem::path BackupFolder(const UploadOptions& options) {
    if (!options.backupDir.empty()) return PathFromText(options.backupDir);
    return DefaultBackupFolder(UserDataFolder());
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
    read->add_option("-o,--output", readOut, "preset file to write (.Nddt)")->required();
    AddJsonFlag(read);
    read->callback([] {
        // A file that cannot be written is found out before the processor is asked.
        if (const auto why = WriteProblem(PathFromText(readOut)))
            throw Refused("cannot write " + readOut + ": " + *why);
        LinkSession s(readEp);
        s.InterruptedText = [] { return std::string("interrupted: nothing was written"); };
        std::string error;
        s.Run([&](int) {
            try {
                WriteImage(readOut, s.model());
            } catch (const Refused& e) {
                error = e.what();
            }
            return true;
        });
        if (!error.empty()) throw Refused(error);
        std::cerr << "wrote " << readOut << "\n";
        if (JsonOutput) {
            const Model& m = s.model();
            JsonValue names = JsonValue::Array();
            for (int k = 0; k < 9; ++k) names.Add(m.ModeNames[static_cast<std::size_t>(k)]);
            PrintJson(JsonValue::Object()
                          .Set("ok", true)
                          .Set("file", readOut)
                          .Set("identity", m.DeviceIdentity)
                          .Set("mode", m.DeviceImage[PageMusic][1] != 0 ? "dance" : "sing")
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
    upload->add_option("--backup-dir", upOptions.backupDir,
                       "folder for the copy of the processor's settings made before the upload "
                       "(default " + PathText(DefaultBackupFolder(UserDataFolder())) + ")");
    static bool upNoVerify = false;
    upload->add_flag("--no-verify", upNoVerify,
                     "do not read the pages back to check them: faster, but a processor that "
                     "does not store the upload goes unnoticed");
    AddJsonFlag(upload);
    upload->callback([] {
        // The whole file is checked before anything is connected or changed.
        const PresetReadResult preset = ReadPreset(upFile);
        upOptions.verify = !upNoVerify;
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

UploadReport UploadPreset(const Endpoint& endpoint, const PresetReadResult& preset, const UploadOptions& options) {
    const std::filesystem::path folder = BackupFolder(options);
    if (folder.empty())
        throw Refused("no folder for the backup of the processor's settings: give --backup-dir");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // A backup that cannot be written is found out before the processor is asked.
    if (const auto why = WriteProblem(folder / "backup.Nddt"))
        throw Refused("cannot keep a backup in " + PathText(folder) + ": " + *why);

    LinkSession s(endpoint);
    VerifiedUpload upload(s.link(), s.model());
    UploadReport report;
    std::string error;
    s.InterruptedText = [&] { return UploadInterrupted(s, upload, report.backup); };
    s.Run([&](int onlineCount) {
        if (onlineCount > 1) {  // online again after the upload (and its read-back)
            upload.OnLinkEvent(EventOnline);
            return true;
        }
        // Read: what the processor holds now is kept before anything overwrites it.
        const Model& m = s.model();
        try {
            report.backup = PathText(
                WriteBackup(folder, m.DeviceImage, m.DeviceIdentity, std::chrono::system_clock::now()));
        } catch (const std::exception& e) {
            error = std::string(e.what()) + "; nothing was sent";
            return true;
        }
        QTimer::singleShot(0, [&] {
            if (upload.Start(preset, options.verify)) return;
            error = "the processor went offline before the upload; " + PreviousSettings(report.backup);
            s.Disconnect(0);
        });
        return false;
    });
    if (!error.empty()) throw Refused(error);
    switch (upload.CurrentState()) {
    case VerifiedUpload::State::Verified:
        report.verified = true;
        return report;
    case VerifiedUpload::State::Unchecked:
        return report;
    case VerifiedUpload::State::Differs:
        throw Refused("the processor did not store the upload: " + DescribeDifference(upload.Differences()) +
                      "; " + PreviousSettings(report.backup));
    default:  // never reported as success
        throw Refused("the upload did not finish; " + PreviousSettings(report.backup));
    }
}

}  // namespace kdsp::cli
