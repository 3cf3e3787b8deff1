// The upload of a preset to one processor: backup folder, backup, verified upload,
// and the words for each way it can end.
#include "cli/cli_upload.h"

#include <QTimer>

#include <chrono>
#include <cstdlib>

#include "core/preset/atomic_file.h"
#include "core/preset/backups.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {

namespace {

// The default backup folder as the help shows it: "~/.local/share/kdsp/backups", the
// same for everyone, so a manual page made from the help names nobody's home.
std::string DefaultBackupText() {
    const std::string folder = PathText(DefaultBackupFolder(UserDataFolder()));
    const char* home = std::getenv("HOME");
    const std::string prefix = home && *home ? std::string(home) + "/" : std::string();
    return !prefix.empty() && folder.rfind(prefix, 0) == 0 ? "~/" + folder.substr(prefix.size()) : folder;
}

}  // namespace

void AddUploadOptions(CLI::App* cmd, UploadOptions& options) {
    cmd->add_option("--backup-dir", options.backupDir,
                    "folder for the copy of the processor's settings made before the upload "
                    "(default " + DefaultBackupText() + ")");
    cmd->add_flag_callback("--no-verify", [&options] { options.verify = false; },
                           "do not read the pages back to check them: faster, but a processor "
                           "that does not store the upload goes unnoticed");
}

std::filesystem::path PrepareBackupFolder(const UploadOptions& options) {
    const std::filesystem::path folder = options.backupDir.empty()
                                             ? DefaultBackupFolder(UserDataFolder())
                                             : PathFromText(options.backupDir);
    if (folder.empty())
        throw Refused("no folder for the backup of the processor's settings: give --backup-dir");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (const auto why = WriteProblem(folder / "backup.Nddt"))
        throw Refused("cannot keep a backup in " + PathText(folder) + ": " + *why);
    return folder;
}

std::string UploadSteps::PreviousSettings() const {
    return backup_.empty() ? "no backup of its previous settings was made"
                           : "its previous settings are in " + backup_;
}

bool UploadSteps::Online(LinkRun& run, int onlineCount) {
    run_ = &run;
    if (onlineCount == 1) {
        Begin();
        return false;
    }
    // Online again after the upload (and its read-back).
    upload_->OnLinkEvent(EventOnline);
    switch (upload_->CurrentState()) {
        case VerifiedUpload::State::Verified:
        case VerifiedUpload::State::Unchecked:
            return true;
        case VerifiedUpload::State::Differs:
            run.Fail("the processor did not store the upload: " +
                     DescribeDifference(upload_->Differences()) + "; " + PreviousSettings());
            return true;
        default:  // never reported as success
            run.Fail("the upload did not finish; " + PreviousSettings());
            return true;
    }
}

// Read: what the processor holds now is kept before anything overwrites it.
void UploadSteps::Begin() {
    LinkRun& run = *run_;
    const Model& m = run.model();
    try {
        backup_ = PathText(WriteBackup(folder_, m.DeviceImage, m.DeviceIdentity,
                                       std::chrono::system_clock::now()));
    } catch (const std::exception& e) {
        run.Fail(std::string(e.what()) + "; nothing was sent");
        return;
    }
    upload_ = std::make_unique<VerifiedUpload>(run.link(), run.model());
    // Not from inside the link's online event: the upload starts on the loop's next turn.
    QTimer::singleShot(0, &context_, [this, &run] {
        if (run.Done() || upload_->Start(preset_, verify_))
            return;
        run.Fail("the processor went offline before the upload; " + PreviousSettings());
    });
}

namespace {

// What the processor holds when an upload stops short: "" while nothing has been sent.
std::string Holds(VerifiedUpload::State state, const std::string& previous) {
    switch (state) {
        case VerifiedUpload::State::Sending:
            return "the processor is only partly updated; " + previous + "; upload the file again to finish";
        case VerifiedUpload::State::ReadingBack:
            return "the processor has taken the whole file, but it was not checked; " + previous;
        default:
            return {};
    }
}

}  // namespace

std::string UploadSteps::InterruptedText() const {
    const auto state = upload_ ? upload_->CurrentState() : VerifiedUpload::State::Idle;
    const std::string holds = Holds(state, PreviousSettings());
    if (holds.empty())
        return "interrupted before the upload began: the processor is unchanged";
    if (state == VerifiedUpload::State::Sending)
        return "upload interrupted while sending " + run_->WaitingFor() + ": " + holds;
    return "interrupted while reading the upload back: " + holds;
}

std::string UploadSteps::LostText(const std::string& reason) const {
    const std::string holds = Holds(upload_ ? upload_->CurrentState() : VerifiedUpload::State::Idle,
                                    PreviousSettings());
    return holds.empty() ? reason : reason + ": " + holds;
}

}  // namespace kdsp::cli
