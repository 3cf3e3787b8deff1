// Shared pieces of the kdsp subcommands: the refusal error and the registrars.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/preset/preset_file.h"

namespace kdsp::cli {

// Thrown by a subcommand for input it refuses or a command that failed: one line
// on stderr, and `status` as the exit status.
struct Refused : std::runtime_error {
    explicit Refused(const std::string& what, int exitStatus = 1)
        : std::runtime_error(what), status(exitStatus) {}
    int status;
};

// -v: diagnosis on stderr (frames as hex, the link's notes, Qt's warnings).
extern bool Verbose;
// The exit status of a command that ends without a refusal (preset diff: 1 when
// the files differ).
extern int ExitStatus;

// Parses "0x0A02" or "2562"; throws Refused outside 0..max.
std::uint32_t ParseNumber(const std::string& text, std::uint32_t max, const char* what);

// A preset file read whole with the window's checks; a missing or bad file is
// refused ("file not found: PATH", "File format error! (PATH: why)").
PresetReadResult ReadPreset(const std::string& file);

// -o of the commands that write a preset file: the file written whole or not at all
// (a link is followed; a device, FIFO or folder refused), or "-" for stdout.
void WritePreset(const std::string& out, Model& model);
// Refuses, before any work, an -o that cannot be written ("-" always can).
void CheckPresetOutput(const std::string& out);

// Set by a command's --json: its result is one JSON object on stdout, and a
// refusal is {"ok": false, "error": ...} there as well as a line on stderr.
extern bool JsonOutput;
void AddJsonFlag(CLI::App* cmd);

void RegisterEncodeCommands(CLI::App& app);  // encode, decode
void RegisterPresetCommands(CLI::App& app);  // preset show/check/export/import/diff
void RegisterCurveCommands(CLI::App& app);   // curve
void RegisterLinkCommands(CLI::App& app);    // scan, read, upload
void RegisterParamCommands(CLI::App& app);   // params, get, set
void RegisterFleetCommands(CLI::App& app);   // fleet status/backup/upload/set/verify
void RegisterEqCommands(CLI::App& app);      // eq import/export

}  // namespace kdsp::cli
