// QTimer-driven ticks. Precise timers keep the transfer pacing close to its
// nominal interval; a coarse timer would stretch every read.
#include "qtlink/qt_link_timers.h"

#include "core/link/link.h"

namespace kdsp {

QtLinkTimers::QtLinkTimers(QObject* parent) : QObject(parent) {
    clock_.start();
    Of(LinkTimer::Search).setInterval(SearchIntervalMs);
    Of(LinkTimer::Transfer).setInterval(TransferIntervalMs);
    Of(LinkTimer::Hold).setInterval(HoldIntervalMs);
    for (auto& t : timers_) t.setTimerType(Qt::PreciseTimer);
    connect(&Of(LinkTimer::Search), &QTimer::timeout, this, [this] {
        if (link_) link_->OnSearchTick();
    });
    connect(&Of(LinkTimer::Transfer), &QTimer::timeout, this, [this] {
        if (link_) link_->OnTransferTick();
    });
    connect(&Of(LinkTimer::Hold), &QTimer::timeout, this, [this] {
        if (link_) link_->OnHoldTick();
    });
    connect(&Of(LinkTimer::Reconnect), &QTimer::timeout, this, [this] {
        if (link_) link_->OnReconnectTick();
    });
}

void QtLinkTimers::Start(LinkTimer timer) {
    if (!Of(timer).isActive()) Of(timer).start();
}

void QtLinkTimers::Stop(LinkTimer timer) { Of(timer).stop(); }

void QtLinkTimers::SetInterval(LinkTimer timer, int ms) { Of(timer).setInterval(ms); }

bool QtLinkTimers::IsRunning(LinkTimer timer) const { return Of(timer).isActive(); }

}  // namespace kdsp
