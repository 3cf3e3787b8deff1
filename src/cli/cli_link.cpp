// kdsp subcommands that talk to the processor: scan, read, upload, set. They run the
// same link state machine as the window, with a progress line instead of a dialog.
#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli.h"
#include "core/preset/preset_file.h"
#include "qtlink/qt_link.h"

namespace kdsp::cli {

namespace {

// How long a whole command may take before it gives up on its own (the link's
// own time-outs normally end a failed attempt well before).
constexpr int CommandLimitMs = 180000;

// The LinkHost of the command line: status and percent on stderr, messages as lines.
class CliHost : public LinkHost {
public:
    void SetLinkLabel(const std::string& caption, const std::string&) override { caption_ = caption; }
    void SetStatusText(const std::string& text) override { text_ = text; Show(); }
    void SetStatusPort(const std::string& text) override { port_ = text; }
    void SetStatusProgress(int percent) override { percent_ = percent; Show(); }
    void ShowStatusDialog() override {}
    void HideStatusDialog() override { EndLine(); }
    void ShowMessage(const std::string& caption, const std::string& text) override {
        EndLine();
        std::cerr << "kdsp: " << caption << ": " << text << "\n";
    }
    void RefreshAllPages() override {}
    void ShowLinkButtons(bool) override {}
    void RebuildModeList(const std::vector<std::string>&) override {}
    void ShowDeviceIdentity(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
    void ShowMainWindow() override {}
    bool SuppressSend() const override { return suppress_; }
    void SetSuppressSend(bool on) override { suppress_ = on; }

    void EndLine() {
        if (lineOpen_) std::cerr << "\n";
        lineOpen_ = false;
    }

    // Once the command has its result, the goodbye's status changes are noise.
    void Mute() { EndLine(); muted_ = true; }

    // What the link waits for once it has waited more than a second ("" otherwise).
    std::function<std::string()> waitingNote;

private:
    void Show() {
        if (muted_) return;
        percent_ = std::clamp(percent_, 0, 100);
        const std::string note = waitingNote ? waitingNote() : std::string();
        if (text_ == shownText_ && percent_ == shownPercent_ && port_ == shownPort_ && note == shownNote_) return;
        const bool tty = ::isatty(STDERR_FILENO) != 0;
        // Without a terminal, one line per status change and per tenth of the way.
        if (!tty && text_ == shownText_ && port_ == shownPort_ && note == shownNote_ &&
            percent_ / 10 == shownPercent_ / 10 && percent_ != 100)
            return;
        shownText_ = text_;
        shownPercent_ = percent_;
        shownPort_ = port_;
        shownNote_ = note;
        const std::string waiting = note.empty() ? "" : ", waiting for " + note;
        if (tty) {
            std::cerr << "\r" << text_ << " [" << port_ << "] " << percent_ << "%" << waiting << "\x1b[K" << std::flush;
            lineOpen_ = true;
        } else {
            std::cerr << text_ << " [" << port_ << "] " << percent_ << "%" << waiting << "\n";
        }
    }

    std::string caption_, text_, port_;
    std::string shownText_, shownPort_, shownNote_;
    int percent_ = 0, shownPercent_ = -1;
    bool lineOpen_ = false;
    bool suppress_ = false;
    bool muted_ = false;
};

struct Endpoint {
    std::string serial;
    std::string host;
    int port = 8889;
    bool fast = false;  // fast transfers
};

void AddEndpointOptions(CLI::App* cmd, Endpoint& e) {
    cmd->add_option("--serial", e.serial, "serial port of the processor");
    cmd->add_option("--host", e.host, "TCP address of the processor");
    cmd->add_option("--port", e.port, "TCP port (default 8889)")->check(CLI::Range(1, 65535));
}

// For the commands that move a whole memory (read, upload).
void AddFastOption(CLI::App* cmd, Endpoint& e) {
    cmd->add_flag("--fast", e.fast,
                  "send each transfer step as soon as the last one is answered, not on the "
                  "processor's usual pace");
}

// One run of the link: connect, then hand over to `online` at every online event.
// `online` returns true when the command is finished (it then disconnects).
class LinkSession {
public:
    explicit LinkSession(const Endpoint& e) : qt_(model_, host_) {
        if (e.serial.empty() && e.host.empty()) throw Refused("give --serial PORT or --host HOST");
        auto& t = qt_.transport();
        t.SetPortList(e.serial.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{e.serial});
        // With only a serial port named, the TCP fall-back stays on this machine.
        qt_.link().SetTcpEndpoint(e.host.empty() ? "127.0.0.1" : e.host, e.port);
        qt_.link().RefreshPortList();
        qt_.link().SetFastTransfers(e.fast);
        host_.waitingNote = [this] {
            return qt_.link().WaitedMs() > 1000 ? qt_.link().WaitingFor() : std::string();
        };
    }

    Model& model() { return model_; }
    Link& link() { return qt_.link(); }

    int Run(std::function<bool(int onlineCount)> online) {
        int argc = 1;
        static char name[] = "kdsp";
        char* argv[] = {name, nullptr};
        std::unique_ptr<QCoreApplication> ownApp;
        if (!QCoreApplication::instance()) ownApp = std::make_unique<QCoreApplication>(argc, argv);
        int onlineCount = 0;
        link().EventObserver = [&](int event) {
            if (done_) return;
            if (event == EventOnline) {
                if (online(++onlineCount)) Disconnect(0);
            } else if (event == EventConnectFailed || event == EventLinkLost) {
                const std::string& reason = link().FailureReason();
                std::cerr << "kdsp: " << (reason.empty() ? "connect failed" : reason) << "\n";
                Finish(1);
            }
        };
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [this] {
            std::cerr << "kdsp: no result within " << CommandLimitMs / 1000 << " s\n";
            Finish(1);
        });
        limit.start(CommandLimitMs);
        QTimer::singleShot(0, [this] { link().LinkBtnClick(true); });
        QCoreApplication::exec();
        link().EventObserver = nullptr;
        return rc_;
    }

    // Tells the processor goodbye (the link sends the disconnect command while
    // online) and ends the command with `code`.
    void Disconnect(int code) {
        host_.Mute();
        link().LinkBtnClick(false);
        qt_.transport().FlushWrites(1000);
        Finish(code);
    }

    void Finish(int code) {
        if (done_) return;
        done_ = true;
        rc_ = code;
        host_.EndLine();
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    }

private:
    Model model_;
    CliHost host_;
    int rc_ = 1;
    bool done_ = false;
    QtLink qt_;
};

void WriteImage(const std::string& path, Model& model) {
    try {
        WritePresetFile(path, model);
    } catch (const std::exception& e) {
        throw Refused(e.what());
    }
}

}  // namespace

void RegisterLinkCommands(CLI::App& app) {
    auto* scan = app.add_subcommand("scan", "list the serial ports present");
    scan->callback([] {
        const auto ports = QSerialPortInfo::availablePorts();
        for (const auto& p : ports) {
            std::cout << p.systemLocation().toStdString();
            if (!p.description().isEmpty()) std::cout << "\t" << p.description().toStdString();
            std::cout << "\n";
        }
        if (ports.isEmpty()) std::cerr << "no serial ports\n";
    });

    static Endpoint readEp;
    static std::string readOut;
    auto* read = app.add_subcommand("read", "read the processor's memory into a preset file");
    AddEndpointOptions(read, readEp);
    AddFastOption(read, readEp);
    read->add_option("-o,--output", readOut, "preset file to write (.Nddt)")->required();
    read->callback([] {
        LinkSession s(readEp);
        std::string error;
        const int rc = s.Run([&](int) {
            try {
                WriteImage(readOut, s.model());
            } catch (const Refused& e) {
                error = e.what();
            }
            return true;
        });
        if (!error.empty()) throw Refused(error);
        if (rc != 0) throw Refused("read failed");
        std::cerr << "wrote " << readOut << "\n";
    });

    static Endpoint upEp;
    static std::string upFile;
    auto* upload = app.add_subcommand("upload", "send a preset file to the processor");
    upload->add_option("file", upFile, "preset file (.Nddt)")->required();
    AddEndpointOptions(upload, upEp);
    AddFastOption(upload, upEp);
    upload->callback([] {
        // The whole file is checked before anything is connected or changed.
        const PresetReadResult preset = ReadPresetFile(upFile);
        if (!preset.Ok())
            throw Refused(std::string(PresetMessage(*preset.error)) + " " + preset.detail);
        LinkSession s(upEp);
        const int rc = s.Run([&](int onlineCount) {
            if (onlineCount == 1) {
                ApplyPreset(preset, s.model());
                // The closing word of the upload carries the remote switch as shown.
                s.model().ParamImage[PageSystem][17] = s.model().DeviceImage[PageSystem][17];
                QTimer::singleShot(0, [&s] { s.link().RaiseLinkEvent(EventUpload); });
                return false;
            }
            return true;  // online again after the upload
        });
        if (rc != 0) throw Refused("upload failed");
        std::cerr << "uploaded " << upFile << "\n";
    });

    static Endpoint setEp;
    static std::vector<std::string> setArgs;
    auto* set = app.add_subcommand("set", "write parameters: ID VALUE [ID VALUE ...]");
    set->add_option("pairs", setArgs, "parameter id (0x0614 or 1556) and value, repeated")
        ->required();
    AddEndpointOptions(set, setEp);
    set->callback([] {
        if (setArgs.size() % 2 != 0) throw Refused("set wants pairs of ID VALUE");
        std::vector<std::pair<ParamId, int>> writes;
        for (std::size_t i = 0; i < setArgs.size(); i += 2) {
            const auto id = static_cast<ParamId>(ParseNumber(setArgs[i], 0xFFFF, "parameter id"));
            if (PageOf(id) >= PageCount || IndexOf(id) >= ParamImageSlots)
                throw Refused("no such parameter: " + setArgs[i]);
            const auto value = static_cast<int>(ParseNumber(setArgs[i + 1], 0xFFFF, "value"));
            writes.emplace_back(id, value);
        }
        LinkSession s(setEp);
        QTimer drain;
        bool draining = false;
        const int rc = s.Run([&](int) {
            if (draining) return false;
            draining = true;
            for (const auto& [id, value] : writes) s.link().SendParam(id, value);
            // Disconnect once every write has left and been acknowledged.
            QObject::connect(&drain, &QTimer::timeout, [&] {
                Link& l = s.link();
                if (l.LinkState == LinkOnline && l.Writes.Count() == 0 && l.RepeatLast == 0 &&
                    l.Signals.ClearToSend == 1) {
                    drain.stop();
                    s.Disconnect(0);
                }
            });
            drain.start(20);
            return false;
        });
        if (rc != 0) throw Refused("set failed");
    });
}

}  // namespace kdsp::cli
