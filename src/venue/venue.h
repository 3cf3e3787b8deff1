// The venue: one room per processor of the venue file, all on one event loop, and
// every operation a front end (HTTP, WebSocket, MQTT) asks of them, checked against
// the asker's role, written to the audit journal, and answered once the processor
// has confirmed it.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <variant>

#include "qtlink/shared_hold_tick.h"
#include "venue/access.h"
#include "venue/audit_journal.h"
#include "venue/param_request.h"
#include "venue/room.h"
#include "venue/venue_file.h"

namespace kdsp::venue {

// An answer: the HTTP status and the JSON body ({"error","message"} for a failure).
struct Result {
    int status = 200;
    QJsonObject body;

    static Result Error(int status, const std::string& code, const std::string& message);
    static Result Error(const RequestError& e) { return Error(e.status, e.code, e.message); }
    bool Ok() const { return status < 300; }
};

class Venue : public QObject {
    Q_OBJECT
  public:
    using Reply = std::function<void(const Result&)>;

    explicit Venue(VenueConfig config, QObject* parent = nullptr);
    ~Venue() override;

    // Connects every room.
    void Start();
    // A venue file read again: rooms whose entry did not change keep their session.
    void Reload(VenueConfig config);

    const VenueConfig& Config() const { return config_; }
    QStringList RoomNames() const;
    bool HasRoom(const QString& room) const;
    int OnlineCount() const;
    // Requests waiting for a processor's confirmation.
    bool Busy() const;

    QJsonObject RoomJson(const QString& room) const;
    // {"name","page","shown","unit","min","max","stored","minShown","maxShown"}
    QJsonObject ParamJson(const QString& room, const ParamSpec& param) const;

    // Each answers through `reply`, at once for a refusal, or when the processor has
    // confirmed (or failed).
    // {"NAME": VALUE, ...}: a number is a stored value, a string typed text.
    void SetParams(const Actor& actor, const QString& room, const QJsonObject& values, bool strict,
                   Reply reply);
    // {"recall": N} or {"save": N, "name": TEXT}, N in 1..9.
    void Mode(const Actor& actor, const QString& room, const QJsonObject& request, Reply reply);
    // A backup of what the processor holds now, in the room's backup folder.
    Result Backup(const Actor& actor, const QString& room);
    Result Backups(const QString& room) const;
    // The backup file's path, or "" when `file` is not one of the room's backups.
    QString BackupPath(const QString& room, const QString& file) const;
    // A preset file's bytes: backed up first, then sent and read back.
    void Upload(const Actor& actor, const QString& room, const QByteArray& preset, Reply reply);

    // Fleet-wide: the operation of one room on every room, or on the rooms the request
    // names in "rooms": [NAME, ...]. The whole request is refused, nothing sent, when a
    // room token asks, a room is unknown, or any room refuses what is asked; else it is
    // answered 200 once every room has answered, with each room's own answer:
    // {"rooms":[{"room","status", ...}]}. A room offline answers for itself.
    // {"params": {"NAME": VALUE, ...}}
    void SetParamsEverywhere(const Actor& actor, const QJsonObject& request, bool strict, Reply reply);
    // {"recall": N} or {"save": N, "name": TEXT}
    void ModeEverywhere(const Actor& actor, const QJsonObject& request, Reply reply);
    Result BackupEverywhere(const Actor& actor, const QJsonObject& request);

    // The service is stopping: writes in flight are answered, new ones refused.
    void BeginStopping() { stopping_ = true; }

  Q_SIGNALS:
    void RoomChanged(const QString& room);  // state, identity, mode, error
    // {"type":"param","room","name","shown","stored","old","origin","by"}
    void ParamChanged(const QString& room, const QJsonObject& message);
    void Progress(const QString& room, int step, int of);
    void Acknowledged(const QString& room);
    void RoomsReloaded(const QStringList& added, const QStringList& removed);
    // Counted for the metrics: a write answered after `ms` (ok false: refused by the link).
    void WriteAnswered(const QString& room, bool ok, qint64 ms);
    void Reconnected(const QString& room);

  private:
    Room* Find(const QString& room) const;
    std::filesystem::path BackupFolder(const QString& room) const;
    void Attach(Room& room);
    void OnRoomEvent(Room& room, const SessionEvent& event);
    std::optional<Result> Stopping() const;
    // The checks every write to a room begins with; a refusal or nothing.
    std::optional<Result> Refusal(const Actor& actor, const QString& room, bool needOnline) const;
    void Journal(const Actor& actor, const QString& room, const QString& what, const QString& oldValue,
                 const QString& newValue, const QString& result);
    // The writes a set request asks of a room, or why not (journaled); nothing is sent.
    DecodedSet Decode(const Actor& actor, const QString& room, const QJsonObject& values, bool strict);
    // Sends decoded writes once the room is online; answered when the processor confirms.
    void Write(const Actor& actor, const QString& room, const QJsonObject& values,
               const std::vector<ParamWrite>& writes, Reply reply);
    // The stored mode (1..9) a mode request asks for, or its refusal; nothing is sent.
    std::variant<int, Result> CheckMode(const Actor& actor, const QString& room, const QJsonObject& request);
    void SendMode(const Actor& actor, const QString& room, const QJsonObject& request, int mode, Reply reply);
    // The rooms a fleet-wide request acts on, or its refusal.
    std::variant<QStringList, Result> FleetRooms(const Actor& actor, const QJsonObject& request) const;

    VenueConfig config_;
    AuditJournal journal_;
    SharedHoldTick holdTick_;  // before the rooms: they leave it as they go
    std::map<QString, std::unique_ptr<Room>> rooms_;
    // Who changes values in the room right now: the session reports the change from
    // inside Set, and the event says who asked.
    const Actor* changing_ = nullptr;
    std::set<QString> lost_;  // rooms lost while online, until they are back
    std::set<QString> singDanceSent_;  // rooms told of their new sing/dance mode at the ack
    bool stopping_ = false;
};

}  // namespace kdsp::venue
