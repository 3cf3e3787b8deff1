// kdsp-sim: a simulated processor (or a venue of them) for demos and tests, reachable
// over loopback TCP and/or a pseudo-terminal, with optional faults and a decoded frame log.
#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QHostAddress>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "core/preset/atomic_file.h"
#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"
#include "simdevice/sim_device.h"
#include "qtlink/signal_watch.h"
#include "sim/sim_server.h"
#include "sim/stdin_commands.h"

namespace {

// The digits the processor's passwords have.
constexpr std::size_t SystemPasswordDigits = 6;
constexpr std::size_t PanelPasswordDigits = 4;

bool ParseListen(const std::string& text, QHostAddress& address, quint16& port) {
    std::string host = "127.0.0.1";
    std::string portText = text;
    if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
        if (host.empty()) host = "127.0.0.1";
    }
    if (host == "localhost") host = "127.0.0.1";
    try {
        std::size_t used = 0;
        const unsigned long p = std::stoul(portText, &used);
        if (used != portText.size() || p > 65535) return false;
        port = static_cast<quint16>(p);
    } catch (const std::exception&) {
        return false;
    }
    return address.setAddress(QString::fromStdString(host));
}

bool ParseIdentity(const std::string& text, std::array<std::uint8_t, 4>& id) {
    if (text.size() != 8) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        try {
            std::size_t used = 0;
            id[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), &used, 16));
            if (used != 2) return false;
        } catch (const std::exception&) {
            return false;
        }
    }
    return true;
}

bool LoadState(const std::string& path, kdsp::SimDevice& device) {
    const auto result = kdsp::ReadPresetFile(path);
    if (!result.Ok()) {
        std::cerr << "kdsp-sim: " << path << ": " << kdsp::PresetMessage(*result.error) << " "
                  << result.detail << "\n";
        return false;
    }
    kdsp::ApplyPreset(result, device.Memory());
    std::cerr << "kdsp-sim: memory loaded from " << path << "\n";
    return true;
}

bool SaveState(const std::string& path, kdsp::SimDevice& device) {
    kdsp::Model model;
    model.DeviceImage = device.Memory();
    try {
        kdsp::WritePresetFile(path, model);
    } catch (const std::exception& e) {
        std::cerr << "kdsp-sim: cannot save " << path << ": " << e.what() << "\n";
        return false;
    }
    std::cerr << "kdsp-sim: memory saved to " << path << "\n";
    return true;
}

// Identity number `k` past `base`, read as one big-endian number: each processor of a
// venue has its own.
std::array<std::uint8_t, 4> IdentityPlus(std::array<std::uint8_t, 4> base, int k) {
    std::uint32_t n = 0;
    for (std::uint8_t b : base) n = n << 8 | b;
    n += static_cast<std::uint32_t>(k);
    for (int i = 3; i >= 0; --i, n >>= 8) base[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n);
    return base;
}

// Binds the servers to consecutive ports from `first`; with 0, the first free port the
// system gives, tried again from another one when a port of the run is taken.
bool ListenAll(std::vector<std::unique_ptr<kdsp::SimServer>>& servers, const QHostAddress& address,
               quint16 first) {
    constexpr int Attempts = 50;
    std::string why;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        why.clear();
        int base = first;
        for (std::size_t k = 0; k < servers.size() && why.empty(); ++k) {
            const int port = k == 0 ? base : base + static_cast<int>(k);
            why = port > 65535 ? "no port after 65535" : servers[k]->Listen(address, static_cast<quint16>(port));
            if (k == 0 && why.empty()) base = servers[0]->TcpPort();
        }
        if (why.empty()) return true;
        for (auto& server : servers) server->StopListening();
        if (first != 0) break;
    }
    std::cerr << "kdsp-sim: " << why << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App cli{"kdsp-sim: simulated audio effect processor"};
    cli.set_version_flag("--version", "kdsp-sim " KDSP_VERSION, "Print the version and exit");
    std::string listen;
    bool pty = false;
    std::string ptyLink;
    std::string statePath;
    bool log = false, panelLock = false, manager = false, stdinCommands = false;
    std::string systemPassword, panelPassword, identity;
    std::vector<std::string> modeNames;
    kdsp::FaultOptions faults;
    int devices = 1;
    cli.add_option("--listen", listen,
                   "TCP address:port to serve (default 127.0.0.1:8889; port 0 picks a free one)");
    cli.add_option("--devices", devices,
                   "serve N independent processors on consecutive ports from the --listen one, "
                   "each with its own identity (the given one plus 0, 1, 2...)")
        ->check(CLI::Range(1, 1000));
    auto* ptyFlag = cli.add_flag("--pty", pty, "also serve on a new pseudo-terminal (prints its path)");
    cli.add_option("--pty-link", ptyLink, "make this path a symlink to the pseudo-terminal")
        ->needs(ptyFlag);
    int ptyBaud = 0;
    cli.add_option("--pty-baud", ptyBaud,
                   "pace the pseudo-terminal like a serial line of N baud (default: no pacing)")
        ->check(CLI::Range(0, 4000000));
    cli.add_option("--state", statePath,
                   "preset file: memory loaded from it at start (if present) and saved on exit; "
                   "with --devices, a folder holding one such file per processor (1.Nddt, 2.Nddt...)");
    cli.add_flag("--log", log, "print every frame received and sent, decoded, on stderr");
    cli.add_flag("--stdin-commands", stdinCommands,
                 "take test commands on stdin, one a line: \"send HEX...\" writes those bytes to every "
                 "client at once, as they stand (e.g. a frame cut off halfway), and answers \"sent N bytes "
                 "to M clients\" on stdout");
    cli.add_flag("--panel-lock", panelLock, "start with the automatic panel lock on");
    cli.add_flag("--manager", manager, "start in manager mode instead of user mode");
    cli.add_option("--system-password", systemPassword, "system password, six digits (default 123456)");
    cli.add_option("--panel-password", panelPassword, "panel password, four digits (default 1234)");
    cli.add_option("--identity", identity, "device identity, eight hex digits");
    cli.add_option("--mode-name", modeNames, "name of a stored mode, N=TEXT with N 1..9");
    cli.add_option("--drop-acks", faults.dropAcks, "share 0..1 of acknowledgements not sent")
        ->check(CLI::Range(0.0, 1.0));
    cli.add_option("--drop-replies", faults.dropReplies, "share 0..1 of data replies not sent")
        ->check(CLI::Range(0.0, 1.0));
    cli.add_option("--drop-first-replies", faults.dropFirstReplies,
                   "the first N data replies are not sent")
        ->check(CLI::NonNegativeNumber);
    cli.add_option("--corrupt", faults.corrupt, "share 0..1 of replies sent with a bad checksum")
        ->check(CLI::Range(0.0, 1.0));
    cli.add_flag("--split", faults.split, "send every answer as two writes");
    cli.add_flag("--merge", faults.merge, "send an acknowledgement together with the next answer");
    cli.add_option("--delay-ms", faults.delayMs, "delay every answer by N ms")
        ->check(CLI::Range(0, 60000));
    cli.add_option("--silent-after", faults.silentAfter, "answer nothing after N frames")
        ->check(CLI::NonNegativeNumber);
    cli.add_option("--close-after", faults.closeAfter,
                   "close the TCP connection after answering N frames")
        ->check(CLI::NonNegativeNumber);
    cli.add_option("--seed", faults.seed, "seed of the fault dice");
    std::vector<int> ignoredPages;
    cli.add_option("--ignore-page-writes", ignoredPages,
                   "acknowledge writes to page N (0..10) but keep its words (repeatable)")
        ->check(CLI::Range(0, static_cast<int>(kdsp::PageSystem)));
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = cli.exit(e);
        return rc == 0 ? 0 : 2;
    }

    auto usage = [](const std::string& what) {
        std::cerr << "kdsp-sim: " << what << "\n";
        return 2;
    };
    if (devices > 1 && pty) return usage("--pty serves one processor: not with --devices");
    kdsp::SimDevice factory;
    if (!systemPassword.empty() && (systemPassword.size() != SystemPasswordDigits ||
                                    !factory.SetSystemPassword(systemPassword)))
        return usage("the system password must be six digits");
    if (!panelPassword.empty() && (panelPassword.size() != PanelPasswordDigits ||
                                   !factory.SetPanelPassword(panelPassword)))
        return usage("the panel password must be four digits");
    if (!identity.empty()) {
        std::array<std::uint8_t, 4> id{};
        if (!ParseIdentity(identity, id)) return usage("the identity must be eight hex digits");
        factory.SetIdentity(id);
    }
    for (const auto& entry : modeNames) {
        const auto eq = entry.find('=');
        if (eq == std::string::npos || eq == 0) return usage("--mode-name wants N=TEXT");
        int n = 0;
        try {
            n = std::stoi(entry.substr(0, eq));
        } catch (const std::exception&) {
            n = 0;
        }
        if (n < 1 || n > kdsp::StoredModeCount) return usage("--mode-name N must be 1..9");
        factory.SetModeName(n - 1, entry.substr(eq + 1));
    }

    // One processor keeps its memory in the --state file; a venue, one file each in that folder.
    std::vector<std::string> statePaths;
    for (int k = 1; k <= devices && !statePath.empty(); ++k)
        statePaths.push_back(devices == 1 ? statePath : kdsp::PathText(kdsp::PathFromText(statePath) /
                                                                       (std::to_string(k) + ".Nddt")));
    std::vector<std::unique_ptr<kdsp::SimDevice>> venue;
    for (int k = 0; k < devices; ++k) {
        auto& device = *venue.emplace_back(std::make_unique<kdsp::SimDevice>(factory));
        device.SetIdentity(IdentityPlus(factory.Identity(), k));
        if (statePaths.empty()) continue;
        const std::string& path = statePaths[static_cast<std::size_t>(k)];
        // The memory is saved there on exit: a place that cannot take it is found
        // out now, not after a session's work.
        if (const auto why = kdsp::WriteProblem(path)) {
            std::cerr << "kdsp-sim: cannot save the memory to " << path << ": " << *why << "\n";
            return 1;
        }
        if (!std::filesystem::exists(path))
            std::cerr << "kdsp-sim: " << path
                      << " does not exist yet: starting from the factory memory\n";
        else if (!LoadState(path, device))
            return 1;
    }
    // Options win over the state file for the words they name.
    for (auto& device : venue) {
        for (int page : ignoredPages) device->IgnoreWritesTo(page);
        if (panelLock) device->SetPanelLock(true);
        if (manager) device->SetManager(true);
    }

    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<kdsp::SimServer>> servers;
    for (int k = 0; k < devices; ++k)
        servers.push_back(std::make_unique<kdsp::SimServer>(
            *venue[static_cast<std::size_t>(k)], faults, log, devices == 1 ? "" : std::to_string(k + 1)));

    // Serve TCP unless only a pseudo-terminal was asked for.
    if (!listen.empty() || !pty) {
        QHostAddress address(QHostAddress::LocalHost);
        quint16 port = 8889;
        if (!listen.empty() && !ParseListen(listen, address, port))
            return usage("--listen wants ADDRESS:PORT");
        if (!ListenAll(servers, address, port)) return 1;
        for (const auto& server : servers)
            std::printf("listen %s %u\n", address.toString().toStdString().c_str(), server->TcpPort());
    }
    if (pty) {
        const std::string path = servers.front()->OpenPty(ptyBaud);
        if (path.empty()) return 1;
        if (!ptyLink.empty()) {
            std::error_code ec;
            if (std::filesystem::is_symlink(ptyLink, ec)) std::filesystem::remove(ptyLink, ec);
            std::filesystem::create_symlink(path, ptyLink, ec);
            if (ec) {
                std::cerr << "kdsp-sim: cannot link " << ptyLink << ": " << ec.message() << "\n";
                return 1;
            }
        }
        std::printf("pty %s\n", path.c_str());
    }
    std::fflush(stdout);

    std::unique_ptr<kdsp::StdinCommands> commands;
    if (stdinCommands)
        commands = std::make_unique<kdsp::StdinCommands>([&servers](const kdsp::Bytes& bytes) {
            int clients = 0;
            for (const auto& server : servers) clients += server->SendRaw(bytes);
            return clients;
        });

    // SIGTERM and SIGINT end the event loop, so the state is saved on the way out.
    kdsp::SignalWatch signalWatch([&app](int) { app.quit(); });
    std::signal(SIGPIPE, SIG_IGN);

    app.exec();

    int rc = 0;
    for (std::size_t k = 0; k < statePaths.size(); ++k)
        if (!SaveState(statePaths[k], *venue[k])) rc = 1;
    if (!ptyLink.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(ptyLink, ec)) std::filesystem::remove(ptyLink, ec);
    }
    return rc;
}
