// The upload of a preset to one processor, as `kdsp upload` and `kdsp fleet upload`
// both do it: once read, the memory is backed up, the file sent, read back and compared.
#pragma once

#include <filesystem>
#include <string>

#include "cli/cli.h"
#include "cli/cli_link_run.h"

namespace kdsp::cli {

// What an upload is asked to do besides sending the file.
struct UploadOptions {
    bool verify = true;     // read the pages back and compare them with the file
    std::string backupDir;  // empty: the backups folder in the user's data folder
};

// --backup-dir and --no-verify.
void AddUploadOptions(CLI::App* cmd, UploadOptions& options);

// The folder the backups go to, made and checked writable: a backup that cannot be
// written is found out before any processor is asked. Throws Refused.
std::filesystem::path PrepareBackupFolder(const UploadOptions& options);

// The upload's steps on one run, driven by its online handler and its session's
// events: once online, the memory as read is backed up and the file sent; once online
// again (after the read-back), the result. Every failure ends the run through
// LinkRun::Fail with one line: a backup that cannot be written (nothing is sent then),
// or the pages the processor did not store ("page 6 (main output): 12 words differ"),
// each saying where the previous settings are. A lost link is the run's own failure,
// told with LostText.
class UploadSteps {
  public:
    UploadSteps(const PresetReadResult& preset, std::filesystem::path folder, bool verify)
        : preset_(preset), folder_(std::move(folder)), verify_(verify) {}

    // Follows the run's session (its upload's progress and result).
    void Attach(LinkRun& run);
    // The run's online handler: true when the upload is over and checked.
    bool Online(LinkRun& run, int onlineCount);

    // What Ctrl-C has cut short: how far the upload got, and where the backup is.
    std::string InterruptedText() const;
    // The link's own words for a lost link ("connection closed by ... during the upload
    // of page 3"), with how far the upload got and where the backup is.
    std::string LostText(const std::string& reason) const;

    const std::string& Backup() const { return backup_; }  // "" until written
    bool Verified() const { return stage_ == Stage::Verified; }
    // The pages that differ after the read-back (empty otherwise).
    const ImageDifference& Differences() const { return differences_; }

  private:
    enum class Stage { Idle, Sending, ReadingBack, Verified, Unchecked, Differs, Interrupted };
    void Begin();
    void Seen(const SessionEvent& event);
    std::string PreviousSettings() const;

    PresetReadResult preset_;
    std::filesystem::path folder_;
    bool verify_;
    LinkRun* run_ = nullptr;
    std::string backup_;
    Stage stage_ = Stage::Idle;
    ImageDifference differences_;
};

}  // namespace kdsp::cli
