// The preset document: open, name, save with the replaced file kept.
#include "core/preset/preset_document.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "core/preset/atomic_file.h"

namespace kdsp {

namespace fs = std::filesystem;

fs::path ReplacedFileBackup(const fs::path& file) {
    fs::path backup = file;
    backup.replace_extension(".bak");
    return backup;
}

PresetReadResult PresetDocument::Open(const fs::path& path, DeviceImageRows& image) {
    PresetReadResult r = ReadPresetFile(path);
    if (!r.Ok())
        return r;
    ApplyPreset(r, image);
    path_ = path;
    modified_ = false;
    return r;
}

std::string PresetDocument::Title() const {
    if (path_.empty())
        return {};
    const std::u8string name = path_.filename().u8string();
    return std::string(name.begin(), name.end()) + (modified_ ? "*" : "");
}

void PresetDocument::Save(DeviceImageRows image, const fs::path& path) {
    const fs::path target = path.empty() ? path_ : path;
    if (target.empty())
        throw PresetWriteError("no file to save to");
    MirrorSystemWordsForSave(image);
    const std::string bytes = FormatPresetFile(image);
    try {
        // The old file is copied, not moved: should the write fail, it is still there.
        const fs::path real = WriteTarget(target);
        std::error_code ec;
        if (fs::is_regular_file(real, ec)) {
            std::ifstream in(real, std::ios::binary);
            const std::string old{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            if (!in.good() && !in.eof())
                throw FileWriteError("the file to be replaced could not be read");
            WriteFileAtomically(ReplacedFileBackup(real), old);
        }
        WriteFileAtomically(target, bytes);
    } catch (const FileWriteError& e) {
        throw PresetWriteError(e.what());
    }
    path_ = target;
    modified_ = false;
}

void PresetDocument::Close() {
    path_.clear();
    modified_ = false;
}

}  // namespace kdsp
