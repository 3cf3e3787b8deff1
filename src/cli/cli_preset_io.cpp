// Reading and writing the preset files of the kdsp commands.
#include "cli/cli_preset_io.h"

#include <filesystem>
#include <iostream>

#include "cli/cli.h"
#include "core/preset/atomic_file.h"
#include "core/preset/preset_library.h"

namespace kdsp::cli {

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

}  // namespace kdsp::cli
