// A room's session and the requests waiting on it.
#include "venue/room.h"

#include <QJsonArray>

#include <algorithm>

#include "core/model/param_table.h"

namespace kdsp::venue {

namespace {

constexpr int FirstRetryMs = 1000;
constexpr int LongestRetryMs = 30000;

std::string FailureText(const Failure& f) {
    std::string text(ToString(f.code));
    if (!f.reason.empty())
        text += ": " + f.reason;
    else if (!f.port.empty())
        text += " (" + f.port + ")";
    return text;
}

}  // namespace

Room::Room(InventoryEntry entry, bool fast, SharedHoldTick& holdTick) : entry_(std::move(entry)) {
    qs_.timers().ShareHold(&holdTick);
    Session().SetFastTransfers(fast);
    Session().SetAutoReconnect(true);
    Session().OnEvent = [this](const SessionEvent& e) { Handle(e); };
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { Connect(); });
    expiry_.setInterval(1000);
    QObject::connect(&expiry_, &QTimer::timeout, [this] { Expire(); });
}

Room::~Room() {
    // Nobody is left to answer: the waiting requests hear it now, not never.
    Session().OnEvent = nullptr;
    ResolveAll("the room was removed from the venue");
}

void Room::Start() {
    Connect();
}

void Room::Connect() {
    const DeviceAddress& a = entry_.address;
    if (a.kind == DeviceAddress::Kind::Serial)
        Session().ConnectSerial(a.serialPort);
    else
        Session().ConnectTcp(a.host, a.port);
}

void Room::Await(Awaits what, Done done, int withinMs) {
    waiters_.push_back({what, std::move(done), QDateTime::currentMSecsSinceEpoch() + withinMs});
    if (!expiry_.isActive())
        expiry_.start();
}

void Room::Resolve(Awaits what, const std::optional<std::string>& error) {
    std::vector<Waiter> now;
    const auto split = std::stable_partition(waiters_.begin(), waiters_.end(),
                                             [what](const Waiter& w) { return w.what != what; });
    std::move(split, waiters_.end(), std::back_inserter(now));
    waiters_.erase(split, waiters_.end());
    for (Waiter& w : now)
        w.done(error);
}

void Room::ResolveAll(const std::string& error) {
    std::vector<Waiter> now = std::exchange(waiters_, {});
    for (Waiter& w : now)
        w.done(error);
}

void Room::Expire() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::vector<Waiter> late;
    const auto split = std::stable_partition(waiters_.begin(), waiters_.end(),
                                             [now](const Waiter& w) { return w.until > now; });
    std::move(split, waiters_.end(), std::back_inserter(late));
    waiters_.erase(split, waiters_.end());
    for (Waiter& w : late)
        w.done("the processor did not confirm in time");
    if (waiters_.empty())
        expiry_.stop();
}

void Room::Handle(const SessionEvent& event) {
    if (const auto* s = std::get_if<StateChanged>(&event)) {
        if (s->to == SessionState::Online) {
            haveImage_ = true;
            attempts_ = 0;
            lastSeen_ = QDateTime::currentDateTimeUtc();
            if (s->from == SessionState::Reading)
                Resolve(Awaits::Recall, std::nullopt);
        } else if (s->to == SessionState::Lost || s->to == SessionState::Offline ||
                   s->to == SessionState::Reconnecting) {
            if (s->from == SessionState::Online)
                lastSeen_ = QDateTime::currentDateTimeUtc();
            ResolveAll("the processor was lost" + (lastError_.empty() ? "" : ": " + lastError_));
            if (s->to != SessionState::Reconnecting) {
                // The link has given up: try again later, ever less often.
                retry_.start(std::min(LongestRetryMs, FirstRetryMs << std::min(attempts_, 5)));
                ++attempts_;
            }
        }
    } else if (const auto* f = std::get_if<Failure>(&event)) {
        lastError_ = FailureText(*f);
        switch (f->code) {
            case FailureCode::WritesLost:
                Resolve(Awaits::Writes, "the writes were lost with the processor: " + lastError_);
                break;
            case FailureCode::Unconfirmed:
            case FailureCode::SaveDropped:
                Resolve(Awaits::Save, lastError_);
                Resolve(Awaits::Recall, lastError_);
                break;
            case FailureCode::UploadDiffers:
            case FailureCode::UploadInterrupted:
                Resolve(Awaits::Upload, lastError_);
                break;
            default:
                break;
        }
    } else if (std::holds_alternative<WritesAcknowledged>(event)) {
        lastSeen_ = QDateTime::currentDateTimeUtc();
        Resolve(Awaits::Writes, std::nullopt);
    } else if (std::holds_alternative<ModeSaved>(event)) {
        Resolve(Awaits::Save, std::nullopt);
    } else if (std::holds_alternative<UploadFinished>(event)) {
        Resolve(Awaits::Upload, std::nullopt);
    }
    if (OnEvent)
        OnEvent(event);
}

QJsonObject Room::Json() const {
    const DeviceSession& s = Session();
    QJsonObject o;
    o["name"] = QString::fromStdString(entry_.name);
    o["address"] = QString::fromStdString(entry_.address.Text());
    o["state"] = QString::fromUtf8(ToString(s.State()).data(), static_cast<qsizetype>(ToString(s.State()).size()));
    o["identity"] = s.Identity().empty() ? QJsonValue() : QJsonValue(QString::fromStdString(s.Identity()));
    const Model& m = s.Image();
    QJsonValue mode, modeName;
    QJsonArray modes;
    if (haveImage_) {
        const int stored = m.DeviceImage[PageSystem][2];
        if (stored >= 0 && stored < StoredModeCount) {
            mode = stored + 1;
            modeName = QString::fromStdString(m.ModeNames[static_cast<std::size_t>(stored)]);
        }
        for (int k = 0; k < StoredModeCount; ++k)
            modes.append(QJsonObject{{"number", k + 1},
                                     {"name", QString::fromStdString(m.ModeNames[static_cast<std::size_t>(k)])}});
    }
    o["mode"] = mode;
    o["modeName"] = modeName;
    o["modes"] = modes;
    o["singDance"] = haveImage_ ? QJsonValue(s.OperatingMode() == 1 ? "dance" : "sing") : QJsonValue();
    o["lastError"] = lastError_.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(lastError_));
    // Online, the processor answers its keep-alives: it is seen now.
    const QDateTime seen = s.State() == SessionState::Online ? QDateTime::currentDateTimeUtc() : lastSeen_;
    o["lastSeen"] = seen.isValid() ? QJsonValue(seen.toString(Qt::ISODate)) : QJsonValue();
    return o;
}

}  // namespace kdsp::venue
