// Runs the built kdsp binary with arguments and collects stdout, stderr and the
// exit status, for the CLI tests.
#pragma once

#include <string>
#include <vector>

namespace kdsp::test {

struct CliResult {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Arguments are passed as they are (no shell word splitting); `input` is fed on stdin.
CliResult RunKdsp(const std::vector<std::string>& args, const std::string& input = "");

}  // namespace kdsp::test
