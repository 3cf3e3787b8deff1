// Test commands on standard input: read as they come, run line by line, each
// answered on standard output once done, so the test knows the bytes have left.
#include "sim/stdin_commands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <utility>

#include "core/protocol/frame_text.h"

namespace kdsp {

StdinCommands::StdinCommands(std::function<int(const Bytes&)> send)
    : send_(std::move(send)), notifier_(STDIN_FILENO, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &StdinCommands::OnReadable);
}

void StdinCommands::OnReadable() {
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        // Closed: nothing more will come, and a closed input is always readable.
        notifier_.setEnabled(false);
        return;
    }
    pending_.append(buf, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        Run(line);
    }
}

void StdinCommands::Run(const std::string& line) {
    constexpr std::string_view Send = "send ";
    const auto bytes = line.starts_with(Send) ? ParseHexBytes(std::string_view(line).substr(Send.size()))
                                              : std::nullopt;
    if (!bytes || bytes->empty()) {
        std::fprintf(stderr, "kdsp-sim: unknown command (want \"send HEX...\"): %s\n", line.c_str());
        std::printf("error\n");
    } else {
        std::printf("sent %zu bytes to %d clients\n", bytes->size(), send_(*bytes));
    }
    std::fflush(stdout);
}

}  // namespace kdsp
