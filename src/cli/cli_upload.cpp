// The upload of a preset to one processor: backup folder, backup, verified upload,
// and the words for each way it can end.
#include "cli/cli_upload.h"

#include <cstdlib>

#include "core/preset/atomic_file.h"
#include "core/preset/backups.h"
#include "core/preset/image_compare.h"
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

void UploadSteps::Attach(LinkRun& run) {
    run_ = &run;
    run.OnEvent = [this](const SessionEvent& event) { Seen(event); };
}

void UploadSteps::Seen(const SessionEvent& event) {
    if (stage_ == Stage::Idle)
        return;
    if (const auto* change = std::get_if<StateChanged>(&event)) {
        if (change->to == SessionState::Verifying)
            stage_ = Stage::ReadingBack;
    } else if (const auto* finished = std::get_if<UploadFinished>(&event)) {
        stage_ = finished->verified ? Stage::Verified : Stage::Unchecked;
    } else if (const auto* failure = std::get_if<kdsp::Failure>(&event)) {
        if (failure->code == FailureCode::UploadDiffers) {
            stage_ = Stage::Differs;
            differences_ = run_->session().UploadDifferences();
        } else if (failure->code == FailureCode::UploadInterrupted) {
            stage_ = Stage::Interrupted;
        }
    }
}

bool UploadSteps::Online(LinkRun& run, int onlineCount) {
    run_ = &run;
    if (onlineCount == 1) {
        Begin();
        return false;
    }
    // Online again after the upload (and its read-back).
    switch (stage_) {
        case Stage::Verified:
        case Stage::Unchecked:
            return true;
        case Stage::Differs:
            run.Fail("the processor did not store the upload: " + DescribeDifference(differences_) +
                     "; " + PreviousSettings());
            return true;
        default:  // never reported as success
            run.Fail("the upload did not finish; " + PreviousSettings());
            return true;
    }
}

// Read: what the processor holds now is kept before anything overwrites it.
void UploadSteps::Begin() {
    LinkRun& run = *run_;
    std::filesystem::path written;
    if (const auto failure = run.session().Backup(folder_, &written)) {
        run.Fail(failure->reason + "; nothing was sent");
        return;
    }
    backup_ = PathText(written);
    stage_ = Stage::Sending;
    if (run.session().Upload(preset_, verify_))
        run.Fail("the processor went offline before the upload; " + PreviousSettings());
}

namespace {

// What the processor holds when an upload stops short: "" while nothing has been sent.
std::string Holds(bool sending, bool readingBack, const std::string& previous) {
    if (sending)
        return "the processor is only partly updated; " + previous + "; upload the file again to finish";
    if (readingBack)
        return "the processor has taken the whole file, but it was not checked; " + previous;
    return {};
}

}  // namespace

std::string UploadSteps::InterruptedText() const {
    const std::string holds =
        Holds(stage_ == Stage::Sending, stage_ == Stage::ReadingBack, PreviousSettings());
    if (holds.empty())
        return "interrupted before the upload began: the processor is unchanged";
    if (stage_ == Stage::Sending)
        return "upload interrupted while sending " + run_->WaitingFor() + ": " + holds;
    return "interrupted while reading the upload back: " + holds;
}

std::string UploadSteps::LostText(const std::string& reason) const {
    const std::string holds =
        Holds(stage_ == Stage::Sending, stage_ == Stage::ReadingBack, PreviousSettings());
    return holds.empty() ? reason : reason + ": " + holds;
}

}  // namespace kdsp::cli
