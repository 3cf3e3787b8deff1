// The kdsp subcommands' refusal, and the registrars main() calls.
#pragma once

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>

namespace kdsp::cli {

// Thrown by a subcommand for input it refuses or a command that failed: one line
// on stderr, and `status` as the exit status.
struct Refused : std::runtime_error {
    explicit Refused(const std::string& what, int exitStatus = 1)
        : std::runtime_error(what), status(exitStatus) {}
    int status;
};

void RegisterEncodeCommands(CLI::App& app);  // encode, decode
void RegisterPresetCommands(CLI::App& app);  // preset show/check/export/import/diff
void RegisterCurveCommands(CLI::App& app);   // curve
void RegisterLinkCommands(CLI::App& app);    // scan, read, upload
void RegisterParamCommands(CLI::App& app);   // params, get, set
void RegisterFleetCommands(CLI::App& app);   // fleet status/backup/upload/set/verify
void RegisterEqCommands(CLI::App& app);      // eq import/export

}  // namespace kdsp::cli
