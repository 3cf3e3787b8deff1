// Process runner for the CLI tests: kdsp through /bin/sh with every argument
// quoted, output captured in files under the test's temporary folder.
#include "run_cli.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace kdsp::test {

namespace {

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

CliResult RunKdsp(const std::vector<std::string>& args, const std::string& input) {
    static std::atomic<int> counter{0};
    const std::string base = ::testing::TempDir() + "kdsp_cli_" + std::to_string(::getpid()) + "_" +
                             std::to_string(counter++);
    const std::string in = base + ".in", out = base + ".out", err = base + ".err";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = Quote(KDSP_CLI_PATH);
    for (const std::string& a : args) command += " " + Quote(a);
    command += " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err);
    const int raw = std::system(command.c_str());
    CliResult r;
    r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

}  // namespace kdsp::test
