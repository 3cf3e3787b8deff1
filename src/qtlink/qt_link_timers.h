// The link's timers on QTimer; each tick calls the link's tick function.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

#include "core/link/link_interfaces.h"

namespace kdsp {

class Link;

class QtLinkTimers : public QObject, public LinkTimers {
    Q_OBJECT
public:
    explicit QtLinkTimers(QObject* parent = nullptr);
    // Ticks go to this link from now on.
    void Attach(Link* link) { link_ = link; }
    // Ticks go to this function instead (a device session, which follows the link).
    void Attach(std::function<void(LinkTimer)> tick) { tick_ = std::move(tick); }

    void Start(LinkTimer timer) override;
    void Stop(LinkTimer timer) override;
    void SetInterval(LinkTimer timer, int ms) override;
    bool IsRunning(LinkTimer timer) const override;
    long NowMs() const override { return static_cast<long>(clock_.elapsed()); }

private:
    QTimer& Of(LinkTimer t) { return timers_[static_cast<std::size_t>(t)]; }
    const QTimer& Of(LinkTimer t) const { return timers_[static_cast<std::size_t>(t)]; }
    void Fire(LinkTimer t);

    std::array<QTimer, 4> timers_;
    QElapsedTimer clock_;
    Link* link_ = nullptr;
    std::function<void(LinkTimer)> tick_;
};

}  // namespace kdsp
