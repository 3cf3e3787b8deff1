// A real Mosquitto broker for the venue tests: its own config file in the test's
// folder (loopback only, no persistence, no system files), a free loopback port,
// stopped by pid; and mosquitto_pub / mosquitto_sub runs against it.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../e2e/process.h"

namespace kdsp::venue::test {

inline std::string FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return std::to_string(ntohs(a.sin_port));
}

struct Broker {
    explicit Broker(std::filesystem::path dir) : dir_(std::move(dir)), port(FreeLoopbackPort()) {
        std::ofstream(dir_ / "mosquitto.conf") << "listener " << port << " 127.0.0.1\n"
                                               << "allow_anonymous true\n"
                                               << "persistence false\n"
                                               << "log_dest stderr\n"
                                               << "log_type error\nlog_type warning\nlog_type notice\n";
        Start();
    }
    // Same port and config: a broker coming back (nothing retained survives it).
    void Start() {
        process = std::make_unique<e2e::Process>("/usr/sbin/mosquitto",
                                                 std::vector<std::string>{"-c", (dir_ / "mosquitto.conf").string()},
                                                 dir_ / ("mosquitto" + std::to_string(++runs_) + ".stderr"));
        // Ready when a client gets through.
        for (int i = 0; i < 100 && !Pub("kdsp-test/ready", "1", {"-r"}); ++i) ::usleep(50000);
        Pub("kdsp-test/ready", "", {"-r"});
    }
    void Stop() { process.reset(); }

    // mosquitto_pub; true when the broker took it.
    bool Pub(const std::string& topic, const std::string& message, std::vector<std::string> more = {}) const {
        std::vector<std::string> args{"-h", "127.0.0.1", "-p", port, "-q", "1", "-t", topic, "-m", message};
        args.insert(args.end(), more.begin(), more.end());
        e2e::Process p("/usr/bin/mosquitto_pub", args, dir_ / "mosquitto_pub.stderr");
        return p.Wait(std::chrono::seconds(10)) == 0;
    }
    // The first `count` "TOPIC PAYLOAD" lines on `pattern` (retained ones first), fewer
    // when nothing more comes within `seconds`.
    std::vector<std::string> Sub(const std::string& pattern, int count, int seconds = 5) const {
        auto p = Subscribe(pattern, count, seconds);
        std::vector<std::string> lines;
        while (auto line = p->ReadLine(std::chrono::seconds(seconds + 1))) lines.push_back(*line);
        return lines;
    }
    // A subscriber left running, for messages still to come.
    std::unique_ptr<e2e::Process> Subscribe(const std::string& pattern, int count, int seconds = 5) const {
        return std::make_unique<e2e::Process>(
            "/usr/bin/mosquitto_sub",
            std::vector<std::string>{"-h", "127.0.0.1", "-p", port, "-q", "1", "-t", pattern, "-v", "-C",
                                     std::to_string(count), "-W", std::to_string(seconds)},
            dir_ / "mosquitto_sub.stderr");
    }

    std::filesystem::path dir_;
    int runs_ = 0;
    std::string port;
    std::unique_ptr<e2e::Process> process;
};

}  // namespace kdsp::venue::test
