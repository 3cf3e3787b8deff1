// Spawning, reading and stopping the processes of the end-to-end tests.
#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kdsp::e2e {

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& stderrFile) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    stdoutFd_ = fds[0];
}

Process::~Process() {
    Stop();
    if (stdoutFd_ >= 0) ::close(stdoutFd_);
}

std::optional<std::string> Process::ReadLine(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (const auto nl = pending_.find('\n'); nl != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || stdoutFd_ < 0) return std::nullopt;
        pollfd p{stdoutFd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(stdoutFd_, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

int Process::Wait(std::chrono::milliseconds limit) {
    if (status_) return *status_;
    if (pid_ <= 0) return -1;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            return *status_;
        }
        if (r < 0) {
            status_ = -1;
            return -1;
        }
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &st, 0);
            status_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int Process::Stop() {
    if (status_ || pid_ <= 0) return status_.value_or(-1);
    ::kill(pid_, SIGTERM);
    return Wait(std::chrono::seconds(10));
}

void Process::Signal(int signo) {
    if (!status_ && pid_ > 0) ::kill(pid_, signo);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kdsp::e2e
