// Child processes of the benchmarks (the simulator, the command line): started with
// posix_spawn, their first stdout lines read within a time limit, stopped by pid.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <vector>

extern char** environ;

class ChildProcess {
public:
    // With `quiet`, stdout and stderr go to /dev/null; otherwise stdout can be read.
    explicit ChildProcess(std::vector<std::string> args, bool quiet = false) {
        int fds[2] = {-1, -1};
        if (!quiet && ::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (quiet) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        } else {
            posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
            posix_spawn_file_actions_addclose(&actions, fds[0]);
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (!quiet) {
            ::close(fds[1]);
            out_ = fds[0];
        }
    }
    ~ChildProcess() {
        if (out_ >= 0) ::close(out_);
        if (pid_ <= 0 || exited_) return;
        ::kill(pid_, SIGTERM);
        int st = 0;
        for (int i = 0; i < 250 && ::waitpid(pid_, &st, WNOHANG) == 0; ++i) ::usleep(20000);
        if (::waitpid(pid_, &st, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &st, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The first `count` lines of stdout, fewer when it stays silent for `timeoutMs`.
    std::vector<std::string> ReadLines(int count, int timeoutMs) {
        std::string text;
        pollfd p{out_, POLLIN, 0};
        auto lines = [&text] { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); };
        while (pid_ > 0 && lines() < count && ::poll(&p, 1, timeoutMs) > 0) {
            char c[4096];
            const ssize_t n = ::read(out_, c, sizeof c);
            if (n <= 0) break;
            text.append(c, static_cast<std::size_t>(n));
        }
        std::vector<std::string> result;
        std::size_t at = 0;
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            result.push_back(text.substr(at, end - at));
        return result;
    }

    // Waits for the exit; its status, or -1.
    int Wait() {
        if (pid_ <= 0) return -1;
        int st = 0;
        ::waitpid(pid_, &st, 0);
        exited_ = true;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
};
