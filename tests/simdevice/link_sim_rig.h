// The application's link wired to the simulated processor over a fake TCP transport
// on the manual clock: bytes both ways, answers scheduled with the session's faults.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <optional>

#include <gtest/gtest.h>

#include "../core/link/link_rig.h"
#include "core/session/device_session.h"
#include "simdevice/sim_connection.h"

namespace kdsp::test {

// A rig whose processor is the simulated one, reached over TCP (no serial port).
struct SimRig : Rig {
    SimDevice device;
    FaultState faults;
    SimConnection session{device, faults};

    explicit SimRig(FaultOptions options = {}, bool refreshView = false)
        : Rig({}, /*answer=*/false), faults(options) {
        transport.responder = [this](const Bytes& f) {
            session.Receive(f, timers.now);
            return Bytes{};
        };
        pump = [this](long now) {
            for (Bytes& chunk : session.TakeDue(now)) transport.inbound.push_back({TransportTcp, chunk, now});
        };
        // What the window's page refresh does to the model.
        if (refreshView) host.onRefresh = [this] { LoadViewFromDevice(model, model.ModeFlag); };
    }

    // Like Advance, but jumps over the milliseconds in which nothing can happen: no
    // bytes waiting, no answer due and no timer firing.
    void Run(long ms) {
        const long end = timers.now + ms;
        while (timers.now < end) {
            long next = end;
            if (!transport.inbound.empty()) next = timers.now + 1;
            if (const auto due = session.NextDueMs()) next = std::min(next, static_cast<long>(*due));
            for (const auto& [t, s] : timers.timers)
                if (s.running) next = std::min(next, s.next);
            next = std::max(next, timers.now + 1);
            timers.now = next - 1;
            Advance(1);
        }
    }

    // Runs until one of the events has been raised since `from` (an index into
    // events), at most maxMs; returns the event, or nothing.
    std::optional<int> RunUntilAny(std::initializer_list<int> wanted, long maxMs, std::size_t from = 0) {
        const long end = timers.now + maxMs;
        while (true) {
            for (std::size_t i = from; i < events.size(); ++i)
                if (std::find(wanted.begin(), wanted.end(), events[i].second) != wanted.end())
                    return events[i].second;
            if (timers.now >= end) return std::nullopt;
            Run(std::min<long>(20, end - timers.now));
        }
    }

    void ExpectImageMatchesDevice() const {
        for (int p = 0; p < 10; ++p)
            for (int s = 0; s < PageBlockWords(p); ++s)
                ASSERT_EQ(model.DeviceImage[p][s], device.Memory()[p][s]) << "page " << p << " slot " << s;
        for (int m = 0; m < 9; ++m)
            EXPECT_EQ(model.ModeNames[static_cast<std::size_t>(m)], device.Mode(m).name) << "mode " << m;
    }
};

// The same simulated processor driven by a device session instead of a bare link:
// bytes and ticks go to the session, and every event it reports is kept. With
// `frontEndImage` the session works on the rig's model and reports to its host, as
// the window's does.
struct SessionRig : SimRig {
    std::optional<DeviceSession> made;
    DeviceSession& engine;
    std::vector<SessionEvent> seen;

    explicit SessionRig(FaultOptions options = {}, bool frontEndImage = false)
        : SimRig(options),
          engine(frontEndImage ? made.emplace(transport, timers, model, host) : made.emplace(transport, timers)) {
        deliver = [this](const Sent& s) {
            if (s.kind == TransportTcp)
                engine.OnTcpBytes(s.bytes);
            else
                engine.OnSerialBytes(s.bytes);
        };
        tick = [this](LinkTimer t) { engine.OnTick(t); };
        engine.OnEvent = [this](const SessionEvent& e) { seen.push_back(e); };
    }

    template <typename Event>
    std::vector<Event> Seen() const {
        std::vector<Event> out;
        for (const SessionEvent& e : seen)
            if (const auto* x = std::get_if<Event>(&e)) out.push_back(*x);
        return out;
    }

    std::vector<SessionState> States() const {
        std::vector<SessionState> out;
        for (const StateChanged& e : Seen<StateChanged>()) out.push_back(e.to);
        return out;
    }

    // Runs until the session reaches `state` (bounded); whether it did.
    bool RunUntilState(SessionState state, long maxMs) {
        const long end = timers.now + maxMs;
        while (engine.State() != state && timers.now < end) Run(std::min<long>(20, end - timers.now));
        return engine.State() == state;
    }

    // Runs until an event of this type has been reported (bounded); whether it was.
    template <typename Event>
    bool RunUntilSeen(long maxMs) {
        const long end = timers.now + maxMs;
        while (Seen<Event>().empty() && timers.now < end) Run(std::min<long>(20, end - timers.now));
        return !Seen<Event>().empty();
    }
};

}  // namespace kdsp::test
