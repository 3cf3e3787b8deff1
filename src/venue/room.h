// One room of the venue: its processor's session, kept connected by itself (the
// link's own reconnection after a loss, and a retry with growing pauses when a
// connection cannot be made at all), what it last failed with and when it was last
// heard, and the requests waiting for the processor to confirm what they sent.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/fleet/inventory.h"
#include "qtlink/qt_session.h"
#include "qtlink/shared_hold_tick.h"

namespace kdsp::venue {

class Room {
  public:
    // What a request waits for before it is answered.
    enum class Awaits { Writes, Recall, Save, Upload };
    // Called once: nothing on success, the reason in English otherwise.
    using Done = std::function<void(const std::optional<std::string>& error)>;

    // The rooms of a venue tick on one shared hold tick.
    Room(InventoryEntry entry, bool fast, SharedHoldTick& holdTick);
    ~Room();
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;

    const std::string& Name() const { return entry_.name; }
    const InventoryEntry& Entry() const { return entry_; }
    DeviceSession& Session() { return qs_.session(); }
    const DeviceSession& Session() const { return const_cast<QtSession&>(qs_).session(); }
    bool Online() const { return Session().State() == SessionState::Online; }
    // A read has completed: the values and stored modes are the processor's.
    bool HaveImage() const { return haveImage_; }

    void Start();
    // Answered when the processor confirms, fails, or after a while without either.
    void Await(Awaits what, Done done, int withinMs = 20000);
    bool Waiting() const { return !waiters_.empty(); }

    // name, address, state, identity, mode, modeName, modes, singDance, lastError, lastSeen
    QJsonObject Json() const;

    // Every event of the session, after the room has taken what it needs.
    std::function<void(const SessionEvent&)> OnEvent;

  private:
    struct Waiter {
        Awaits what;
        Done done;
        qint64 until;  // ms since the epoch
    };

    void Connect();
    void Handle(const SessionEvent& event);
    void Resolve(Awaits what, const std::optional<std::string>& error);
    void ResolveAll(const std::string& error);
    void Expire();

    InventoryEntry entry_;
    QtSession qs_;
    QTimer retry_;
    QTimer expiry_;
    int attempts_ = 0;
    bool haveImage_ = false;
    std::string lastError_;
    QDateTime lastSeen_;
    std::vector<Waiter> waiters_;
};

}  // namespace kdsp::venue
