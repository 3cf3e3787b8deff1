// Recording fakes of the link's transport, timers and host, a manual clock that
// fires the timers, and a small processor that answers what the link sends.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/link/link.h"
#include "core/protocol/frames.h"

namespace kdsp::test {

struct Sent {
    int kind;
    Bytes bytes;
    long at = 0;  // ms on the manual clock
};

class FakeTransport : public Transport {
public:
    std::vector<std::string> ports;
    std::vector<std::string> failingPorts;  // these never open
    std::string openPort;
    std::vector<std::string> opened;  // every port opened, in order
    int closes = 0;
    int tcpConnects = 0;
    int tcpDisconnects = 0;
    std::string tcpHost;
    int tcpPort = 0;
    std::vector<Sent> writes;
    // Answers a written frame; the answer arrives on the same transport one
    // millisecond later.
    std::function<Bytes(const Bytes&)> responder;
    std::vector<Sent> inbound;
    const long* clock = nullptr;

    std::vector<std::string> ListPorts() override { return ports; }
    bool OpenSerial(const std::string& name) override {
        for (const auto& f : failingPorts)
            if (f == name) return false;
        openPort = name;
        opened.push_back(name);
        return true;
    }
    void CloseSerial() override {
        openPort.clear();
        closes += 1;
    }
    bool IsSerialOpen() const override { return !openPort.empty(); }
    void ConnectTcp(const std::string& host, int port) override {
        tcpConnects += 1;
        tcpHost = host;
        tcpPort = port;
    }
    void DisconnectTcp() override { tcpDisconnects += 1; }
    void Write(int kind, std::span<const std::uint8_t> bytes) override {
        Bytes b(bytes.begin(), bytes.end());
        writes.push_back({kind, b, clock ? *clock : 0});
        if (responder) {
            Bytes reply = responder(b);
            if (!reply.empty()) inbound.push_back({kind, reply, 0});
        }
    }
};

class FakeTimers : public LinkTimers {
public:
    struct State {
        bool running = false;
        int interval = 0;
        long next = 0;
    };
    long now = 0;
    std::map<LinkTimer, State> timers{{LinkTimer::Search, {false, SearchIntervalMs, 0}},
                                      {LinkTimer::Transfer, {false, TransferIntervalMs, 0}},
                                      {LinkTimer::Hold, {false, HoldIntervalMs, 0}},
                                      {LinkTimer::Reconnect, {false, 0, 0}}};

    void Start(LinkTimer t) override {
        State& s = timers[t];
        if (s.running) return;
        s.running = true;
        s.next = now + s.interval;
    }
    void Stop(LinkTimer t) override { timers[t].running = false; }
    void SetInterval(LinkTimer t, int ms) override {
        State& s = timers[t];
        s.interval = ms;
        if (s.running) s.next = now + ms;
    }
    bool IsRunning(LinkTimer t) const override { return timers.at(t).running; }
    long NowMs() const override { return now; }
};

class FakeHost : public LinkDisplay {
public:
    std::vector<LinkStatus> statuses;  // every status the label was given
    std::optional<LinkStatus> statusText;
    std::vector<std::optional<std::string>> statusPorts;  // nullopt: the network
    std::vector<int> progress;
    bool dialogVisible = false;
    std::vector<LinkNotice> messages;
    int refreshes = 0;
    std::optional<bool> linkActive;
    std::vector<std::vector<std::string>> modeLists;
    std::vector<std::string> identities;
    std::vector<std::string> diagnostics;
    int mainWindowShown = 0;
    bool suppress = false;
    // What the window does on a refresh of every page (rebuild its view), if anything.
    std::function<void()> onRefresh;

    void StatusChanged(LinkStatus status) override { statuses.push_back(status); }
    void WorkStatus(LinkStatus status) override { statusText = status; }
    void WorkPlace(const std::optional<std::string>& port) override { statusPorts.push_back(port); }
    void WorkProgress(int percent) override {
        if (progress.empty() || progress.back() != percent) progress.push_back(percent);
    }
    void WorkGoesOn() override { dialogVisible = true; }
    void WorkEnded() override { dialogVisible = false; }
    void Notify(LinkNotice notice) override { messages.push_back(notice); }
    void ImageLoaded() override {
        refreshes += 1;
        if (onRefresh) onRefresh();
    }
    void LinkActive(bool active) override { linkActive = active; }
    void ModeNamesChanged(const std::vector<std::string>& items) override {
        modeLists.push_back(items);
    }
    void IdentityChanged(const std::string& text) override { identities.push_back(text); }
    void Diagnostic(const std::string& line) override { diagnostics.push_back(line); }
    void CameOnline() override { mainWindowShown += 1; }
    bool HoldsEdits() const override { return suppress; }
    void SetHoldsEdits(bool on) override { suppress = on; }
};

// A processor with a known memory: word (page, slot) = 1000 * page + slot, mode
// names "Mode1".."Mode9", identity 12 34 AB CD. Acknowledges every write and answers
// every read request with one data frame, as long as `answering` says so.
class FakeProcessor {
public:
    std::function<bool(const Bytes&)> answering = [](const Bytes&) { return true; };
    int requestsAnswered = 0;

    static int Word(int page, int slot) { return 1000 * page + slot; }

    Bytes Answer(const Bytes& f) {
        if (!answering(f)) return {};
        requestsAnswered += 1;
        const Bytes ack = {AckStart, AckOk};
        if (f.size() < 7 || f[0] != FrameStart) return {};
        const int cmd = f[3], page = f[4], index = f[5];
        if (cmd == CmdWrite) return ack;
        if (page == 10 && index == 0x10) {  // page read request
            const int p = f[6];
            std::vector<std::uint8_t> payload;
            for (int k = 0; k < PageBlockWords(p); ++k) Put(payload, Word(p, k));
            return BuildFrame(CmdWrite, MakeId(p, 0), payload);
        }
        if (page == 10 && index == 0x00) {  // mode name
            const int mode = f[6];
            std::vector<std::uint8_t> payload;
            for (char c : "Mode" + std::to_string(mode + 1)) payload.push_back(EncodeNameChar(c));
            return BuildFrame(CmdWrite, IdModeName, payload);
        }
        if (page == 10 && index == 0x40) {
            const std::vector<std::uint8_t> id = {0x12, 0x34, 0xAB, 0xCD};
            return BuildFrame(CmdWrite, IdDeviceIdentity, id);
        }
        if (page == 10 && index == 0x11 && f.size() == 9) return ack;  // the closing word
        if (page == 10) {
            std::vector<std::uint8_t> payload;
            Put(payload, Word(10, index));
            return BuildFrame(CmdWrite, MakeId(10, index), payload);
        }
        return {};
    }

private:
    static void Put(std::vector<std::uint8_t>& p, int w) {
        p.push_back(static_cast<std::uint8_t>(w & 0xFF));
        p.push_back(static_cast<std::uint8_t>((w >> 8) & 0xFF));
    }
};

struct Rig {
    Model model;
    FakeTransport transport;
    FakeTimers timers;
    FakeHost host;
    FakeProcessor processor;
    Link link{model, transport, timers, host};
    std::vector<std::pair<long, int>> events;  // (ms, event)
    // Called at the start of every millisecond, before waiting bytes are delivered
    // (a simulated processor with its own schedule puts its answers there).
    std::function<void(long)> pump;
    // Where received bytes and timer ticks go; by default the rig's own link (a
    // device session built on the rig's transport and timers takes them instead).
    std::function<void(const Sent&)> deliver;
    std::function<void(LinkTimer)> tick;

    explicit Rig(std::vector<std::string> ports = {}, bool answer = true) {
        transport.ports = std::move(ports);
        transport.clock = &timers.now;
        if (answer) transport.responder = [this](const Bytes& f) { return processor.Answer(f); };
        link.EventObserver = [this](int e) { events.emplace_back(timers.now, e); };
        link.SetTcpEndpoint("127.0.0.1", 18889);
        link.RefreshPortList();
    }

    // Runs the clock for `ms` milliseconds: waiting bytes are delivered first in
    // each millisecond, then the timers due fire (search, transfer, hold, reconnect).
    void Advance(long ms) {
        for (long i = 0; i < ms; ++i) {
            timers.now += 1;
            if (pump) pump(timers.now);
            std::vector<Sent> in;
            in.swap(transport.inbound);
            for (const Sent& s : in) {
                if (deliver)
                    deliver(s);
                else if (s.kind == TransportTcp)
                    link.OnTcpBytes(s.bytes);
                else
                    link.OnSerialBytes(s.bytes);
            }
            for (LinkTimer t : {LinkTimer::Search, LinkTimer::Transfer, LinkTimer::Hold, LinkTimer::Reconnect}) {
                FakeTimers::State& s = timers.timers[t];
                if (!s.running || s.next != timers.now) continue;
                s.next = timers.now + s.interval;
                if (tick) {
                    tick(t);
                    continue;
                }
                if (t == LinkTimer::Search) link.OnSearchTick();
                if (t == LinkTimer::Transfer) link.OnTransferTick();
                if (t == LinkTimer::Hold) link.OnHoldTick();
                if (t == LinkTimer::Reconnect) link.OnReconnectTick();
            }
        }
    }

    // Runs until `event` has been raised (bounded), returns whether it was.
    bool RunUntilEvent(int event, long maxMs = 120000) {
        for (long i = 0; i < maxMs; ++i) {
            for (const auto& e : events)
                if (e.second == event) return true;
            Advance(1);
        }
        return false;
    }

    bool HasEvent(int event) const {
        for (const auto& e : events)
            if (e.second == event) return true;
        return false;
    }

    // Connects over the one serial port and completes the read.
    void GoOnline() {
        link.LinkBtnClick(true);
        RunUntilEvent(EventOnline);
        transport.writes.clear();
        events.clear();
        host.diagnostics.clear();
    }

    std::vector<Bytes> WrittenFrames() const {
        std::vector<Bytes> out;
        for (const Sent& s : transport.writes) out.push_back(s.bytes);
        return out;
    }
};

// The requests of a linking read (38) or, without the tail, of a reload (28).
inline std::vector<Bytes> ExpectedReadRequests(bool withTail = true) {
    std::vector<Bytes> r;
    for (int p = 0; p <= 9; ++p) r.push_back(BuildPageReadRequest(p));
    for (int i = 0x07; i <= 0x0B; ++i) r.push_back(BuildItemReadRequest(MakeId(10, i)));
    for (int i = 0x20; i <= 0x22; ++i) r.push_back(BuildItemReadRequest(MakeId(10, i)));
    for (int m = 0; m <= 8; ++m) r.push_back(BuildModeNameRequest(m));
    r.push_back(BuildItemReadRequest(0x0A06));
    if (!withTail) return r;
    for (int i = 0x02; i <= 0x05; ++i) r.push_back(BuildItemReadRequest(MakeId(10, i)));
    for (int i = 0x0C; i <= 0x0E; ++i) r.push_back(BuildItemReadRequest(MakeId(10, i)));
    r.push_back(BuildItemReadRequest(0x0A40));
    r.push_back(BuildItemReadRequest(0x0A11));
    r.push_back(BuildItemReadRequest(0x0A01));
    return r;
}

inline int CountFrames(const std::vector<Sent>& writes, const Bytes& frame) {
    int n = 0;
    for (const Sent& s : writes)
        if (s.bytes == frame) ++n;
    return n;
}

inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

}  // namespace kdsp::test
