// Everything a Qt program needs to talk to the processor: the Qt transport and
// timers wired to one Link, with received bytes fed to it on the event loop.
#pragma once

#include <memory>

#include "core/link/link.h"
#include "qtlink/qt_link_timers.h"
#include "qtlink/qt_transport.h"

namespace kdsp {

class QtLink {
public:
    QtLink(Model& model, LinkHost& host) : link_(model, transport_, timers_, host) {
        timers_.Attach(&link_);
        transport_.SetHandlers([this](std::span<const std::uint8_t> b) { link_.OnSerialBytes(b); },
                               [this](std::span<const std::uint8_t> b) { link_.OnTcpBytes(b); },
                               [this](bool wasConnected, const std::string& reason) {
                                   link_.OnTcpClosed(wasConnected, reason);
                               });
    }
    QtLink(const QtLink&) = delete;
    QtLink& operator=(const QtLink&) = delete;

    Link& link() { return link_; }
    QtTransport& transport() { return transport_; }
    QtLinkTimers& timers() { return timers_; }

private:
    QtTransport transport_;
    QtLinkTimers timers_;
    Link link_;
};

}  // namespace kdsp
