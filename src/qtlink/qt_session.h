// A device session on the Qt event loop: the Qt transport and timers drive it, and
// received bytes reach it as they arrive. What a Qt front end without a window of
// its own link machinery (the example, the venue service) starts from.
#pragma once

#include "core/session/device_session.h"
#include "qtlink/qt_link_timers.h"
#include "qtlink/qt_transport.h"

namespace kdsp {

class QtSession {
  public:
    QtSession() : session_(transport_, timers_) { Wire(); }
    // On the front end's image, reporting to its display (DeviceSession's constructor).
    QtSession(Model& image, LinkDisplay& display) : session_(transport_, timers_, image, display) { Wire(); }
    QtSession(const QtSession&) = delete;
    QtSession& operator=(const QtSession&) = delete;

    DeviceSession& session() { return session_; }
    QtTransport& transport() { return transport_; }
    QtLinkTimers& timers() { return timers_; }

  private:
    void Wire() {
        timers_.Attach([this](LinkTimer t) { session_.OnTick(t); });
        transport_.SetHandlers(
            [this](std::span<const std::uint8_t> b) { session_.OnSerialBytes(b); },
            [this](std::span<const std::uint8_t> b) { session_.OnTcpBytes(b); },
            [this](bool wasConnected, const std::string& reason) {
                session_.OnTcpClosed(wasConnected, reason);
            });
    }

    QtTransport transport_;
    QtLinkTimers timers_;
    DeviceSession session_;  // last: it says goodbye through the transport when it goes
};

}  // namespace kdsp
