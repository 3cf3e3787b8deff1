// Running the processors of a fleet command: whose turn it is, each one's run of a
// device session, its end, and Ctrl-C.
#include "cli/cli_fleet_run.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <csignal>

#include "cli/cli_fleet_progress.h"
#include "qtlink/signal_watch.h"

namespace kdsp::cli {

namespace {
constexpr int ProgressMs = 100;
}  // namespace

FleetRun::FleetRun(const std::vector<InventoryEntry>& entries, const FleetOptions& options,
                   const JobFactory& makeJob)
    : options_(options), devices_(entries.size()) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        devices_[i].entry = entries[i];
        devices_[i].job = makeJob(entries[i]);
    }
    progress_ = std::make_unique<FleetProgress>(devices_);
}

FleetRun::~FleetRun() = default;

int FleetRun::Run() {
    const auto ownApp = CommandApplication();
    SignalWatch signalWatch([this](int signo) { Interrupt(signo); });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [this] { progress_->Refresh(); });
    refresh.start(ProgressMs);
    QTimer::singleShot(0, [this] { StartMore(); });
    QCoreApplication::exec();
    progress_->End();
    return signalCode_;
}

// In the inventory's order, all of them or as many as --jobs allows; an entry whose address is in
// use waits for it, and the entries behind it go first meanwhile.
void FleetRun::StartMore() {
    const auto free = [this] { return options_.jobs <= 0 || running_ < options_.jobs; };
    for (std::size_t i = firstWaiting_; i < devices_.size() && free(); ++i) {
        FleetDevice& d = devices_[i];
        if (d.state != FleetDevice::State::Waiting || signalCode_ != 0)
            continue;
        const std::string address = d.entry.address.Key();
        if (std::find(busy_.begin(), busy_.end(), address) == busy_.end())
            Start(d);
    }
    while (firstWaiting_ < devices_.size() &&
           devices_[firstWaiting_].state != FleetDevice::State::Waiting)
        ++firstWaiting_;
    if (running_ == 0)
        QCoreApplication::exit(0);
}

void FleetRun::Start(FleetDevice& d) {
    Endpoint e;
    const DeviceAddress& a = d.entry.address;
    if (a.kind == DeviceAddress::Kind::Serial) {
        e.serial = a.serialPort;
    } else {
        e.host = a.host;
        e.port = a.port;
    }
    e.timeout = options_.timeout;
    e.fast = options_.fast;
    d.run = std::make_unique<LinkRun>(e);
    d.run->session().SetReadPlan(d.job->Plan());
    d.run->LostText = [&d](const std::string& reason) { return d.job->LostText(reason); };
    d.run->OnNote = [this, name = d.entry.name](const std::string& line) {
        progress_->Note(name + ": " + line);
    };
    d.job->Attach(*d.run);
    d.state = FleetDevice::State::Running;
    d.started = std::chrono::steady_clock::now();
    busy_.push_back(a.Key());
    ++running_;
    d.run->Start([&d](int onlineCount) { return d.job->Online(*d.run, onlineCount); },
                 [this, &d] { Finished(d); });
}

void FleetRun::Finished(FleetDevice& d) {
    d.state = FleetDevice::State::Done;
    d.ended = std::chrono::steady_clock::now();
    d.ok = d.run->Code() == 0;
    d.error = d.run->Failure();
    busy_.erase(std::find(busy_.begin(), busy_.end(), d.entry.address.Key()));
    --running_;
    progress_->Finished(d);
    StartMore();
}

void FleetRun::Interrupt(int signo) {
    if (signalCode_ != 0)
        return;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    signalCode_ = 128 + signo;
    for (FleetDevice& d : devices_) {
        if (d.state == FleetDevice::State::Running) {
            d.run->Fail(d.job->InterruptedText(), signalCode_);
        } else if (d.state == FleetDevice::State::Waiting) {
            d.state = FleetDevice::State::Done;
            d.error = "not started: interrupted";
        }
    }
    if (running_ == 0)
        QCoreApplication::exit(0);
}

}  // namespace kdsp::cli
