// kdsp fleet backup of 1, 10, 50 and 200 processors of one kdsp-sim --devices 200,
// paced and fast, all at once (--jobs N) and, for 200, 32 at a time: the whole
// command's time and its ratio to the backup of one processor at that pace. And kdsp
// fleet upload (backup, upload, read-back) of 1 and 200, fast; kdsp fleet status of
// 200 (all at once, the default), paced and fast; kdsp set of one parameter on one
// processor, paced and fast.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int VenueSize = 200;

std::vector<std::string> ports;
fs::path workDir;
fs::path preset;                     // what the uploads send: room1's memory
std::map<std::pair<std::string, bool>, double> oneDeviceMs;  // by command and fast

void Fleet(benchmark::State& state, const std::string& command, int devices, int jobs, bool fast) {
    if (static_cast<int>(ports.size()) < devices) {
        state.SkipWithError("kdsp-sim did not serve the venue");
        return;
    }
    const fs::path inventory = workDir / "venue.txt";
    {
        std::ofstream out(inventory);
        for (int k = 0; k < devices; ++k)
            out << "room" << k + 1 << " tcp:127.0.0.1:" << ports[static_cast<std::size_t>(k)] << "\n";
    }
    double ms = 0;
    for (auto _ : state) {
        const fs::path backups = workDir / "backups";
        fs::remove_all(backups);
        std::vector<std::string> args = {KDSP_CLI_PATH, "fleet", command, "-i", inventory.string(),
                                         "--jobs", std::to_string(jobs)};
        if (jobs == 0) args.resize(args.size() - 2);  // the default: all at once
        if (command == "backup") args.insert(args.end(), {"-o", backups.string()});
        if (command == "upload") args.insert(args.end(), {preset.string(), "--backup-dir", backups.string()});
        if (fast) args.push_back("--fast");
        const auto start = std::chrono::steady_clock::now();
        ChildProcess kdsp(args, true);
        const int status = kdsp.Wait();
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (status != 0) {
            state.SkipWithError(("the " + command + " failed").c_str());
            return;
        }
        state.SetIterationTime(ms / 1000.0);
    }
    if (devices == 1) oneDeviceMs[{command, fast}] = ms;
    if (oneDeviceMs.count({command, fast})) state.counters["ratio_to_one"] = ms / oneDeviceMs[{command, fast}];
    state.counters["devices"] = devices;
    state.counters["jobs"] = jobs;
}

// kdsp set of one parameter: the command's whole time, connection and goodbye included.
void SetOne(benchmark::State& state, bool fast) {
    if (ports.empty()) {
        state.SkipWithError("kdsp-sim did not serve the venue");
        return;
    }
    int value = 200;
    for (auto _ : state) {
        std::vector<std::string> args = {KDSP_CLI_PATH, "set", "main.lowpass.frequency", std::to_string(value++) + "Hz",
                                         "--host", "127.0.0.1", "--port", ports.front()};
        if (fast) args.push_back("--fast");
        const auto start = std::chrono::steady_clock::now();
        ChildProcess kdsp(args, true);
        const int status = kdsp.Wait();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (status != 0) {
            state.SkipWithError("the set failed");
            return;
        }
        state.SetIterationTime(s);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ChildProcess sim({KDSP_SIM_PATH, "--listen", "127.0.0.1:0", "--devices", std::to_string(VenueSize)});
    for (const std::string& line : sim.ReadLines(VenueSize, 10000))
        if (line.rfind("listen ", 0) == 0) ports.push_back(line.substr(line.rfind(' ') + 1));
    workDir = fs::temp_directory_path() / ("kdsp-bench-fleet-" + std::to_string(::getpid()));
    fs::create_directories(workDir);
    for (bool fast : {false, true}) {
        const std::string pace = fast ? "fast" : "paced";
        for (int devices : {1, 10, 50, VenueSize}) {
            const std::string name = "FleetBackup/" + pace + "/" + std::to_string(devices);
            benchmark::RegisterBenchmark(name.c_str(), Fleet, "backup", devices, devices, fast)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        const std::string name = "FleetBackup/" + pace + "/" + std::to_string(VenueSize) + "/jobs32";
        benchmark::RegisterBenchmark(name.c_str(), Fleet, "backup", VenueSize, 32, fast)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    preset = workDir / "preset.Nddt";
    ChildProcess({KDSP_CLI_PATH, "read", "--host", "127.0.0.1", "--port", ports.empty() ? "1" : ports.front(),
                  "-o", preset.string(), "--fast"}, true)
        .Wait();
    for (int devices : {1, VenueSize}) {
        const std::string name = "FleetUpload/fast/" + std::to_string(devices) + "/jobs32";
        benchmark::RegisterBenchmark(name.c_str(), Fleet, "upload", devices, 32, true)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (bool fast : {false, true}) {
        const std::string pace = fast ? "fast" : "paced";
        benchmark::RegisterBenchmark(("FleetStatus/" + pace + "/" + std::to_string(VenueSize)).c_str(), Fleet,
                                     "status", VenueSize, 0, fast)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("SetOneParameter/" + pace).c_str(), SetOne, fast)
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(workDir);
    return 0;
}
