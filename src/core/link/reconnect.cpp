// Reconnecting by itself: a lost link (or a connection that dropped) is not the end
// of the session; the link keeps searching in the background, quietly, with waits
// that grow, until the processor answers and the read has run again.
#include "core/link/reconnect.h"

#include <algorithm>

#include "core/link/link.h"

namespace kdsp {

int ReconnectSchedule::NextDelayMs() {
    const int top = std::max(timing_.maxDelayMs, 0);
    const int delay = nextDelayMs_ < 0 ? std::clamp(timing_.firstDelayMs, 0, top) : nextDelayMs_;
    const long long next = static_cast<long long>(delay) * std::max(timing_.factor, 1);
    nextDelayMs_ = static_cast<int>(std::min<long long>(next, top));
    return delay;
}

void Link::SetAutoReconnect(bool on, ReconnectTiming timing) {
    autoReconnect_ = on;
    reconnect_ = ReconnectSchedule(timing);
    if (!on) StopReconnecting();
}

void Link::StopReconnecting() {
    reconnecting_ = false;
    wasOnline_ = false;
    timers_.Stop(LinkTimer::Reconnect);
}

bool Link::WaitToReconnect() {
    // Only a session that has been online is taken up again: a search the user
    // started that finds nothing still ends in "connect failed".
    if (!autoReconnect_ || !(wasOnline_ || reconnecting_)) return false;
    LeaveOnline();
    timers_.Stop(LinkTimer::Transfer);
    timers_.Stop(LinkTimer::Search);
    timers_.Stop(LinkTimer::Hold);
    display_.SetHoldsEdits(false);
    LinkState = LinkOffline;
    if (!reconnecting_) {
        reconnect_.Reset();
        reconnectSerial_ = TransportKind == TransportSerial;
    }
    reconnecting_ = true;
    // The link button still connects at once, disconnecting stops the retries.
    display_.LinkActive(false);
    SetStatus(LinkStatus::Reconnecting);
    ReportWorkStatus();
    display_.WorkEnded();
    RestartTimer(LinkTimer::Reconnect, reconnect_.NextDelayMs());
    return true;
}

void Link::OnReconnectTick() {
    timers_.Stop(LinkTimer::Reconnect);
    if (!reconnecting_) return;
    // A session over a serial port is looked for on the ports again, from the first:
    // the attempt before may have run past the last one to the network, which would
    // leave this search nothing but the network.
    if (reconnectSerial_) {
        PortScanIndex = 0;
        SelectPort(0);
    }
    // The same search the link button starts, without the status dialog: the user
    // keeps working in the window meanwhile.
    BeginSearch();
}

}  // namespace kdsp
