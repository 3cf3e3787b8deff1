// A preset file opened for editing without a processor: where it lives, whether the
// settings differ from what was last read or saved, and saving that keeps the
// replaced file as "<name>.bak" beside it.
#pragma once

#include <filesystem>
#include <string>

#include "core/model/model.h"
#include "core/preset/preset_file.h"

namespace kdsp {

// "Hall.Nddt" -> "Hall.bak": a name the preset list (which shows "*.Nddt*") never shows.
std::filesystem::path ReplacedFileBackup(const std::filesystem::path& file);

class PresetDocument {
  public:
    // Reads `path`; on success the document holds it, unmodified, and `image` holds
    // the file applied over what it held. A bad file leaves both unchanged.
    PresetReadResult Open(const std::filesystem::path& path, DeviceImageRows& image);
    bool IsOpen() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }
    // The file's name; with "*" after it while there are unsaved edits.
    std::string Title() const;
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Writes `image` (system words mirrored as any save does) to `path`, or to the
    // open file when `path` is empty, atomically; an existing file there is first
    // copied to its ReplacedFileBackup. Throws PresetWriteError; the document then
    // still names its old file and stays modified.
    void Save(DeviceImageRows image, const std::filesystem::path& path = {});
    void Close();

  private:
    std::filesystem::path path_;
    bool modified_ = false;
};

}  // namespace kdsp
