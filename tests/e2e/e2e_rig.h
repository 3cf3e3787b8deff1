// The rig of the end-to-end tests: a fresh folder, simulators on free loopback
// ports, a kdsp run with its output, and the preset files it leaves.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/preset/preset_file.h"
#include "simdevice/sim_device.h"
#include "process.h"

namespace kdsp::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline constexpr auto CommandLimit = 90s;

inline fs::path FreshDir() {
    static std::atomic<int> counter{0};
    const fs::path dir = fs::temp_directory_path() /
                         ("kdsp-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(dir);
    return dir;
}

// One simulator for a test, on a free loopback port (and a pty when asked); with
// "--devices N" among the arguments, N processors on consecutive ports. Its stderr
// goes to DIR/NAME.stderr.
struct Sim {
    Sim(const fs::path& dir, std::vector<std::string> args, bool pty = false,
        const std::string& name = "sim") {
        int devices = 1;
        if (const auto it = std::find(args.begin(), args.end(), "--devices");
            it != args.end() && it + 1 != args.end())
            devices = std::stoi(*(it + 1));
        args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        if (pty) args.push_back("--pty");
        process = std::make_unique<Process>(KDSP_SIM_PATH, args, dir / (name + ".stderr"));
        for (int lines = 0; lines < devices + (pty ? 1 : 0); ++lines) {
            auto line = process->ReadLine(10s);
            if (!line) break;
            if (line->rfind("listen ", 0) == 0) ports.push_back(line->substr(line->rfind(' ') + 1));
            if (line->rfind("pty ", 0) == 0) ptyPath = line->substr(4);
        }
        if (!ports.empty()) port = ports.front();
    }
    std::unique_ptr<Process> process;
    std::string port;                // the first processor's
    std::vector<std::string> ports;  // every processor's
    std::string ptyPath;
};

struct CliRun {
    int status;
    std::string err;
    std::string out;
};

inline CliRun Kdsp(const fs::path& dir, const std::vector<std::string>& args) {
    static std::atomic<int> n{0};
    const fs::path errFile = dir / ("kdsp" + std::to_string(++n) + ".stderr");
    Process p(KDSP_CLI_PATH, args, errFile);
    std::string out;
    const auto end = std::chrono::steady_clock::now() + CommandLimit;
    while (const auto line = p.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               end - std::chrono::steady_clock::now())))
        out += *line + "\n";
    const int status = p.Wait(5s);
    return {status, ReadFile(errFile), out};
}

inline std::vector<std::string> Tcp(const Sim& sim) {
    return {"--host", "127.0.0.1", "--port", sim.port};
}

// The lines of stderr that are not progress: what the command says went wrong.
inline std::string FailureLines(const std::string& err) {
    std::string lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("kdsp: ", 0) == 0)
            lines += line + "\n";
    return lines;
}

inline PresetReadResult Parse(const fs::path& file) {
    auto r = ReadPresetFile(file);
    EXPECT_TRUE(r.Ok()) << file << ": " << r.detail;
    return r;
}

inline DeviceImageRows ImageOf(const fs::path& file) {
    DeviceImageRows image{};
    ApplyPreset(Parse(file), image);
    return image;
}

// The pages a read brings back must hold the processor's memory.
inline void ExpectPagesEqual(const DeviceImageRows& got, const DeviceImageRows& want) {
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s)
            ASSERT_EQ(got[p][s], want[p][s]) << "page " << p << " slot " << s;
}

// The frames the simulator's log says it received, in order, with every repeat that
// directly follows its original folded into it.
inline std::vector<std::string> RequestsReceived(const fs::path& log) {
    std::vector<std::string> frames;
    std::istringstream lines(ReadFile(log));
    for (std::string line; std::getline(lines, line);) {
        const auto bar = line.find(" | ");
        if (line.find(" rx ") == std::string::npos || bar == std::string::npos) continue;
        const std::string hex = line.substr(bar + 3);
        if (frames.empty() || frames.back() != hex) frames.push_back(hex);
    }
    return frames;
}

}  // namespace kdsp::e2e
