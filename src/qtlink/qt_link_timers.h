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
class SharedHoldTick;

class QtLinkTimers : public QObject, public LinkTimers {
    Q_OBJECT
public:
    explicit QtLinkTimers(QObject* parent = nullptr);
    ~QtLinkTimers() override;
    // Ticks go to this link from now on.
    void Attach(Link* link) { link_ = link; }
    // Ticks go to this function instead (a device session, which follows the link).
    void Attach(std::function<void(LinkTimer)> tick) { tick_ = std::move(tick); }
    // The hold tick comes from `shared` (with the other links on it) rather than
    // from a timer of this link's own. Set before the link starts.
    void ShareHold(SharedHoldTick* shared) { sharedHold_ = shared; }

    void Start(LinkTimer timer) override;
    void Stop(LinkTimer timer) override;
    void SetInterval(LinkTimer timer, int ms) override;
    bool IsRunning(LinkTimer timer) const override;
    long NowMs() const override { return static_cast<long>(clock_.elapsed()); }

private:
    static std::size_t Index(LinkTimer t) { return static_cast<std::size_t>(t); }
    QTimer& Of(LinkTimer t) { return timers_[Index(t)]; }
    void Fire(LinkTimer t);

    std::array<QTimer, 4> timers_;
    // Whether each runs, kept here: the link asks several times a tick, and asking a
    // QTimer goes through its property bindings.
    std::array<bool, 4> running_{};
    QElapsedTimer clock_;
    Link* link_ = nullptr;
    std::function<void(LinkTimer)> tick_;
    SharedHoldTick* sharedHold_ = nullptr;
};

}  // namespace kdsp
