// Child processes for the end-to-end tests: started with posix_spawn, stdout read
// line by line, stderr kept in a file, always stopped by pid within a bound.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kdsp::e2e {

class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::filesystem::path& stderrFile);
    ~Process();  // SIGTERM, then SIGKILL after a few seconds; never leaves a child behind
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }
    // The next stdout line, or nothing once the time is up or stdout closed.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // Waits for the exit; kills the process and returns -1 when the time is up.
    int Wait(std::chrono::milliseconds limit);
    // SIGTERM and wait (bounded); returns the exit status or -1.
    int Stop();
    // Sends `signo` to this process only (by its pid), as a user's Ctrl-C would.
    void Signal(int signo);

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string pending_;
    std::optional<int> status_;
};

std::string ReadFile(const std::filesystem::path& path);

}  // namespace kdsp::e2e
