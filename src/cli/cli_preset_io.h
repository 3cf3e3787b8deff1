// Preset files as the kdsp commands read and write them: with the window's checks,
// whole or not at all, and every fault in one line.
#pragma once

#include <string>

#include "core/preset/preset_file.h"

namespace kdsp::cli {

// A preset file read whole with the window's checks; a missing or bad file is
// refused ("file not found: PATH", "File format error! (PATH: why)").
PresetReadResult ReadPreset(const std::string& file);

// -o of the commands that write a preset file: the file written whole or not at all
// (a link is followed; a device, FIFO or folder refused), or "-" for stdout.
void WritePreset(const std::string& out, Model& model);
// Refuses, before any work, an -o that cannot be written ("-" always can).
void CheckPresetOutput(const std::string& out);

}  // namespace kdsp::cli
