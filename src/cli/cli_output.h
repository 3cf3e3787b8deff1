// What every kdsp command shares of its output: -v, --json and the exit status.
#pragma once

#include <CLI/CLI.hpp>

namespace kdsp::cli {

// -v: diagnosis on stderr (frames as hex, the link's notes, Qt's warnings).
extern bool Verbose;
// The exit status of a command that ends without a refusal (preset diff: 1 when
// the files differ).
extern int ExitStatus;

// Set by a command's --json: its result is one JSON object on stdout, and a
// refusal is {"ok": false, "error": ...} there as well as a line on stderr.
extern bool JsonOutput;
void AddJsonFlag(CLI::App* cmd);

}  // namespace kdsp::cli
