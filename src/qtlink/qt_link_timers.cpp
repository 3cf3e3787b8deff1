// QTimer-driven ticks. Precise timers keep the transfer pacing close to its
// nominal interval; a coarse timer would stretch every read.
#include "qtlink/qt_link_timers.h"

#include "core/link/link.h"
#include "qtlink/shared_hold_tick.h"

namespace kdsp {

QtLinkTimers::QtLinkTimers(QObject* parent) : QObject(parent) {
    clock_.start();
    Of(LinkTimer::Search).setInterval(SearchIntervalMs);
    Of(LinkTimer::Transfer).setInterval(TransferIntervalMs);
    Of(LinkTimer::Hold).setInterval(HoldIntervalMs);
    for (auto& t : timers_) t.setTimerType(Qt::PreciseTimer);
    for (LinkTimer t : {LinkTimer::Search, LinkTimer::Transfer, LinkTimer::Hold, LinkTimer::Reconnect})
        connect(&Of(t), &QTimer::timeout, this, [this, t] { Fire(t); });
}

QtLinkTimers::~QtLinkTimers() {
    if (sharedHold_) sharedHold_->Leave(this);
}

void QtLinkTimers::Fire(LinkTimer t) {
    if (tick_) {
        tick_(t);
        return;
    }
    if (!link_) return;
    switch (t) {
    case LinkTimer::Search: link_->OnSearchTick(); break;
    case LinkTimer::Transfer: link_->OnTransferTick(); break;
    case LinkTimer::Hold: link_->OnHoldTick(); break;
    case LinkTimer::Reconnect: link_->OnReconnectTick(); break;
    }
}

void QtLinkTimers::Start(LinkTimer timer) {
    if (running_[Index(timer)]) return;
    running_[Index(timer)] = true;
    if (sharedHold_ && timer == LinkTimer::Hold)
        sharedHold_->Join(this, [this] { Fire(LinkTimer::Hold); });
    else
        Of(timer).start();
}

void QtLinkTimers::Stop(LinkTimer timer) {
    running_[Index(timer)] = false;
    if (sharedHold_ && timer == LinkTimer::Hold) sharedHold_->Leave(this);
    Of(timer).stop();
}

void QtLinkTimers::SetInterval(LinkTimer timer, int ms) { Of(timer).setInterval(ms); }

bool QtLinkTimers::IsRunning(LinkTimer timer) const { return running_[Index(timer)]; }

}  // namespace kdsp
