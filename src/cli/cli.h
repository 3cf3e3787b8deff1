// Shared pieces of the kdsp subcommands: the refusal error and the registrars.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kdsp::cli {

// Thrown by a subcommand for input it refuses: one line on stderr, exit status 1.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses "0x0A02" or "2562"; throws Refused outside 0..max.
std::uint32_t ParseNumber(const std::string& text, std::uint32_t max, const char* what);

// Set by a command's --json: its result is one JSON object on stdout, and a
// refusal is {"ok": false, "error": ...} there as well as a line on stderr.
extern bool JsonOutput;
void AddJsonFlag(CLI::App* cmd);

void RegisterEncodeCommands(CLI::App& app);  // encode, decode
void RegisterPresetCommands(CLI::App& app);  // preset show/check/export/import/diff
void RegisterCurveCommands(CLI::App& app);   // curve
void RegisterLinkCommands(CLI::App& app);    // scan, read, upload
void RegisterParamCommands(CLI::App& app);   // params, get, set

}  // namespace kdsp::cli
