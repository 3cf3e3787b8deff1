// The venue's rooms and the operations on them.
#include "venue/venue.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>

#include <iostream>
#include <set>

#include "core/model/param_table.h"
#include "core/model/param_text.h"
#include "core/preset/preset_file.h"

namespace kdsp::venue {

namespace {

constexpr int UploadWithinMs = 300000;  // a paced upload and its read-back take minutes

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString OriginText(ChangeOrigin origin, const Actor* actor) {
    if (origin == ChangeOrigin::FrontEnd && actor)
        return QString::fromStdString(actor->source);
    return Q(ToString(origin));
}

// The session's line for the log, where a change the service made says which of its
// doors it came through ("http", "mqtt"), as the events do, not "front_end".
std::string LogLine(const SessionEvent& event, const Actor* actor) {
    std::string line = EventLine(event);
    if (const auto* v = std::get_if<ValueChanged>(&event)) {
        const std::string_view session = ToString(v->origin);
        if (line.ends_with(session))
            line.replace(line.size() - session.size(), session.size(), OriginText(v->origin, actor).toStdString());
    }
    return line;
}

}  // namespace

Result Result::Error(int status, const std::string& code, const std::string& message) {
    return Result{status, QJsonObject{{"error", QString::fromStdString(code)},
                                      {"message", QString::fromStdString(message)}}};
}

Venue::Venue(VenueConfig config, QObject* parent)
    : QObject(parent), config_(std::move(config)), journal_(config_.audit, config_.auditMax) {
    for (const InventoryEntry& e : config_.rooms) {
        auto room = std::make_unique<Room>(e, config_.fast, holdTick_);
        Attach(*room);
        rooms_.emplace(QString::fromStdString(e.name), std::move(room));
    }
}

Venue::~Venue() = default;

void Venue::Start() {
    for (auto& [name, room] : rooms_)
        room->Start();
}

void Venue::Reload(VenueConfig config) {
    QStringList added, removed;
    std::set<QString> keep;
    for (const InventoryEntry& e : config.rooms) {
        const QString name = QString::fromStdString(e.name);
        const Room* old = Find(name);
        if (old && old->Entry().address.Key() == e.address.Key())
            keep.insert(name);
    }
    // Rooms that go are stopped before new ones start: a serial port moved from one
    // entry to another is never opened twice.
    for (auto it = rooms_.begin(); it != rooms_.end();) {
        if (keep.count(it->first)) {
            ++it;
            continue;
        }
        removed << it->first;
        it = rooms_.erase(it);
    }
    const bool fastChanged = config.fast != config_.fast;
    config_ = std::move(config);
    journal_ = AuditJournal(config_.audit, config_.auditMax);
    for (const InventoryEntry& e : config_.rooms) {
        const QString name = QString::fromStdString(e.name);
        if (keep.count(name)) {
            if (fastChanged)
                Find(name)->Session().SetFastTransfers(config_.fast);
            continue;
        }
        auto room = std::make_unique<Room>(e, config_.fast, holdTick_);
        Attach(*room);
        Room& r = *room;
        rooms_.emplace(name, std::move(room));
        added << name;
        r.Start();
    }
    Q_EMIT RoomsReloaded(added, removed);
}

QStringList Venue::RoomNames() const {
    QStringList names;
    // In the order of the venue file.
    for (const InventoryEntry& e : config_.rooms)
        names << QString::fromStdString(e.name);
    return names;
}

bool Venue::HasRoom(const QString& room) const {
    return Find(room) != nullptr;
}

int Venue::OnlineCount() const {
    int n = 0;
    for (const auto& [name, room] : rooms_)
        n += room->Online() ? 1 : 0;
    return n;
}

bool Venue::Busy() const {
    for (const auto& [name, room] : rooms_)
        if (room->Waiting())
            return true;
    return false;
}

Room* Venue::Find(const QString& room) const {
    const auto it = rooms_.find(room);
    return it == rooms_.end() ? nullptr : it->second.get();
}

QJsonObject Venue::RoomJson(const QString& room) const {
    const Room* r = Find(room);
    return r ? r->Json() : QJsonObject();
}

QJsonObject Venue::ParamJson(const QString& room, const ParamSpec& p) const {
    Room* r = Find(room);
    if (!r)
        return {};
    const DeviceSession& s = r->Session();
    int max = p.Max();
    if (const ParamSpec* limit = VolumeMaximum(p); limit && r->HaveImage())
        max = std::min(max, s.Stored(*limit));
    QJsonObject o{
        {"name", Q(p.Name())},
        {"page", p.Page()},
        {"unit", Q(p.Unit())},
        {"min", p.Min()},
        {"max", max},
        {"minShown", QString::fromStdString(p.Show(p.Min()))},
        {"maxShown", QString::fromStdString(p.Show(max))},
    };
    if (r->HaveImage()) {
        o["stored"] = s.Stored(p);
        o["shown"] = QString::fromStdString(p.Show(s.Stored(p)));
    } else {
        o["stored"] = QJsonValue();
        o["shown"] = QJsonValue();
    }
    return o;
}

std::optional<Result> Venue::Stopping() const {
    // The writes in flight are being finished: a new one would be cut off with them.
    if (!stopping_)
        return std::nullopt;
    return Result::Error(503, "stopping", "the service is stopping: nothing was sent");
}

std::optional<Result> Venue::Refusal(const Actor& actor, const QString& room, bool needOnline) const {
    if (auto refused = Stopping())
        return refused;
    if (!MaySee(actor, room.toStdString()))
        return Result::Error(403, "forbidden", "this token belongs to another room");
    const Room* r = Find(room);
    if (!r)
        return Result::Error(404, "no_room", "no room named '" + room.toStdString() + "'");
    if (needOnline && !r->Online())
        return Result::Error(503, "room_offline",
                             "the processor of " + room.toStdString() + " is " +
                                 std::string(ToString(r->Session().State())) + ": nothing was sent");
    return std::nullopt;
}

void Venue::Journal(const Actor& actor, const QString& room, const QString& what, const QString& oldValue,
                    const QString& newValue, const QString& result) {
    if (!journal_.Append(actor, room, what, oldValue, newValue, result))
        std::cerr << "kdspd: cannot write the audit journal " << journal_.Path().string() << "\n";
}

void Venue::SetParams(const Actor& actor, const QString& room, const QJsonObject& values, bool strict,
                      Reply reply) {
    if (auto refused = Refusal(actor, room, false)) {
        reply(*refused);
        return;
    }
    const DecodedSet decoded = Decode(actor, room, values, strict);
    if (decoded.error)
        reply(Result::Error(*decoded.error));
    else
        Write(actor, room, values, decoded.writes, std::move(reply));
}

DecodedSet Venue::Decode(const Actor& actor, const QString& room, const QJsonObject& values, bool strict) {
    const Room& r = *Find(room);
    // A room not online may hold other maximum volumes by the time it is back: only
    // the table's range is checked then, and the room answers that it is offline.
    DecodedSet decoded = DecodeSetRequest(values, actor, room.toStdString(), strict || config_.strict,
                                          [&r](const ParamSpec& p) { return r.Online() ? r.Session().Stored(p) : p.Max(); });
    if (decoded.error)
        Journal(actor, room, values.keys().join(' '), {}, {}, QString::fromStdString(decoded.error->code));
    return decoded;
}

void Venue::Write(const Actor& actor, const QString& room, const QJsonObject& values,
                  const std::vector<ParamWrite>& writes, Reply reply) {
    if (auto refused = Refusal(actor, room, true)) {
        Journal(actor, room, values.keys().join(' '), {}, {}, refused->body["error"].toString());
        reply(*refused);
        return;
    }
    Room& r = *Find(room);
    auto changed = std::make_shared<QJsonArray>();
    bool sent = false;
    for (const ParamWrite& w : writes) {
        const int old = r.Session().Stored(*w.param);
        changed->append(QJsonObject{{"name", Q(w.param->Name())},
                                    {"old", QString::fromStdString(w.param->Show(old))},
                                    {"new", QString::fromStdString(w.param->Show(w.value))},
                                    {"oldStored", old},
                                    {"newStored", w.value}});
        if (old == w.value)
            continue;  // nothing to send for a value the processor holds
        changing_ = &actor;
        const auto failure = r.Session().Set(*w.param, w.value);
        changing_ = nullptr;
        if (failure) {
            // Only a processor lost in between gets here: what went before is lost with it.
            reply(Result::Error(503, "room_offline", std::string(ToString(failure->code))));
            return;
        }
        sent = true;
    }
    if (!sent) {
        reply(Result{200, QJsonObject{{"changed", *changed}}});
        return;
    }
    QElapsedTimer clock;
    clock.start();
    r.Await(Room::Awaits::Writes, [this, actor, room, changed, reply, clock](const std::optional<std::string>& error) {
        const QString result = error ? "error: " + QString::fromStdString(*error) : "ok";
        for (const QJsonValue& c : *changed) {
            const QJsonObject o = c.toObject();
            if (o["oldStored"] != o["newStored"])
                Journal(actor, room, o["name"].toString(), o["old"].toString(), o["new"].toString(), result);
        }
        Q_EMIT WriteAnswered(room, !error, clock.elapsed());
        if (error)
            reply(Result::Error(503, "not_confirmed", *error));
        else
            reply(Result{200, QJsonObject{{"changed", *changed}}});
    });
}

void Venue::Mode(const Actor& actor, const QString& room, const QJsonObject& request, Reply reply) {
    if (auto refused = Refusal(actor, room, false)) {
        reply(*refused);
        return;
    }
    const auto mode = CheckMode(actor, room, request);
    if (const auto* refused = std::get_if<Result>(&mode))
        reply(*refused);
    else
        SendMode(actor, room, request, std::get<int>(mode), std::move(reply));
}

std::variant<int, Result> Venue::CheckMode(const Actor& actor, const QString& room, const QJsonObject& request) {
    const bool recall = request.contains("recall");
    const QJsonValue n = request.value(recall ? "recall" : "save");
    if (recall == request.contains("save") || !n.isDouble() || n.toDouble() != std::floor(n.toDouble()) ||
        n.toDouble() < 1 || n.toDouble() > StoredModeCount)
        return Result::Error(400, "bad_request", "give {\"recall\": N} or {\"save\": N, \"name\": TEXT} with N from 1 to 9");
    const int mode = n.toInt();
    if (recall ? !MayRecall(actor, room.toStdString()) : !MayAdminister(actor)) {
        Journal(actor, room, recall ? "recall" : "save", {}, QString::number(mode), "forbidden");
        return Result::Error(403, "forbidden", "this token may not " + std::string(recall ? "recall" : "save") +
                                                   " stored modes");
    }
    const QJsonValue name = request.value("name");
    if (!recall && (!name.isString() || name.toString().isEmpty()))
        return Result::Error(400, "bad_request", "a save needs a \"name\"");
    return mode;
}

void Venue::SendMode(const Actor& actor, const QString& room, const QJsonObject& request, int mode, Reply reply) {
    if (auto refused = Refusal(actor, room, true)) {
        reply(*refused);
        return;
    }
    const bool recall = request.contains("recall");
    const QJsonValue name = request.value("name");
    Room& r = *Find(room);
    const QString before = RoomJson(room).value("mode").isNull() ? QString() : QString::number(RoomJson(room)["mode"].toInt());
    const auto failure = recall ? r.Session().Recall(mode - 1)
                                : r.Session().Save(mode - 1, name.toString().toStdString());
    if (failure) {
        reply(Result::Error(503, "room_offline", std::string(ToString(failure->code))));
        return;
    }
    const QString what = recall ? "recall" : "save " + name.toString();
    r.Await(recall ? Room::Awaits::Recall : Room::Awaits::Save,
            [this, actor, room, what, before, mode, reply](const std::optional<std::string>& error) {
                Journal(actor, room, what, before, QString::number(mode),
                        error ? "error: " + QString::fromStdString(*error) : "ok");
                if (error)
                    reply(Result::Error(503, "not_confirmed", *error));
                else
                    reply(Result{200, RoomJson(room)});
            });
}

std::filesystem::path Venue::BackupFolder(const QString& room) const {
    return config_.backups / room.toStdString();
}

Result Venue::Backup(const Actor& actor, const QString& room) {
    if (auto refused = Refusal(actor, room, false))
        return *refused;
    if (!MayAdminister(actor))
        return Result::Error(403, "forbidden", "this token may not make backups");
    Room& r = *Find(room);
    std::filesystem::path written;
    if (const auto failure = r.Session().Backup(BackupFolder(room), &written)) {
        if (failure->code == FailureCode::NotOnline)
            return Result::Error(503, "room_offline", "the processor has not been read yet");
        Journal(actor, room, "backup", {}, {}, "error: " + QString::fromStdString(failure->reason));
        return Result::Error(500, "backup_failed", failure->reason);
    }
    const QString file = QString::fromStdString(written.filename().string());
    Journal(actor, room, "backup", {}, file, "ok");
    return Result{201, QJsonObject{{"file", file}}};
}

Result Venue::Backups(const QString& room) const {
    QJsonArray files;
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(BackupFolder(room), ec))
        if (entry.is_regular_file(ec) && entry.path().extension() == PresetExtension)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names)
        files.append(QString::fromStdString(n));
    return Result{200, QJsonObject{{"backups", files}}};
}

QString Venue::BackupPath(const QString& room, const QString& file) const {
    // Only a name the listing gives: no folder, no "..", nothing outside the room's folder.
    for (const QJsonValue& name : Backups(room).body["backups"].toArray())
        if (name.toString() == file)
            return QString::fromStdString((BackupFolder(room) / file.toStdString()).string());
    return {};
}

void Venue::Upload(const Actor& actor, const QString& room, const QByteArray& bytes, Reply reply) {
    if (auto refused = Refusal(actor, room, false)) {
        reply(*refused);
        return;
    }
    if (!MayAdminister(actor)) {
        reply(Result::Error(403, "forbidden", "this token may not upload presets"));
        return;
    }
    const PresetReadResult preset = ParsePreset(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!preset.Ok()) {
        reply(Result::Error(400, "bad_preset", std::string(PresetMessage(*preset.error, LanguageEnglish)) +
                                                   (preset.detail.empty() ? "" : ": " + preset.detail)));
        return;
    }
    if (auto refused = Refusal(actor, room, true)) {
        reply(*refused);
        return;
    }
    // What the processor holds is kept before anything overwrites it.
    Room& r = *Find(room);
    std::filesystem::path backup;
    if (const auto failure = r.Session().Backup(BackupFolder(room), &backup)) {
        Journal(actor, room, "upload", {}, {}, "error: backup failed, nothing sent");
        reply(Result::Error(500, "backup_failed", failure->reason + "; nothing was sent"));
        return;
    }
    const QString file = QString::fromStdString(backup.filename().string());
    changing_ = &actor;
    const auto failure = r.Session().Upload(preset, true);
    changing_ = nullptr;
    if (failure) {
        reply(Result::Error(503, "room_offline", std::string(ToString(failure->code)) + "; nothing was sent"));
        return;
    }
    r.Await(
        Room::Awaits::Upload,
        [this, actor, room, file, reply](const std::optional<std::string>& error) {
            Journal(actor, room, "upload", file, {}, error ? "error: " + QString::fromStdString(*error) : "ok");
            if (error)
                reply(Result::Error(502, "upload_failed",
                                    *error + "; the previous settings are in the backup " + file.toStdString()));
            else
                reply(Result{200, QJsonObject{{"backup", file}, {"verified", true}}});
        },
        UploadWithinMs);
}

void Venue::Attach(Room& room) {
    room.OnEvent = [this, &room](const SessionEvent& e) { OnRoomEvent(room, e); };
}

void Venue::OnRoomEvent(Room& room, const SessionEvent& event) {
    const QString name = QString::fromStdString(room.Name());
    if (!std::holds_alternative<ProgressReport>(event))
        std::cerr << "kdspd: " << room.Name() << ": " << LogLine(event, changing_) << "\n";
    if (const auto* v = std::get_if<ValueChanged>(&event)) {
        const ParamSpec& p = *v->param;
        QJsonObject m{{"type", "param"},
                      {"room", name},
                      {"name", Q(p.Name())},
                      {"shown", QString::fromStdString(p.Show(v->newValue))},
                      {"stored", v->newValue},
                      {"old", QString::fromStdString(p.Show(v->oldValue))},
                      {"origin", OriginText(v->origin, changing_)},
                      {"by", changing_ ? QJsonValue(QString::fromStdString(changing_->tokenName)) : QJsonValue()}};
        Q_EMIT ParamChanged(name, m);
        // A new sing/dance mode is the processor's once the write has gone out: the
        // room says so with the acknowledgement, not before with the old mode.
        if (p.Name() == "music.mode" && v->origin != ChangeOrigin::ProcessorRead)
            singDanceSent_.insert(name);
        else if (IsStoredMode(p.Named()) || p.Name() == "music.mode")
            Q_EMIT RoomChanged(name);
    } else if (const auto* p = std::get_if<ProgressReport>(&event)) {
        Q_EMIT Progress(name, p->step, p->of);
    } else if (std::holds_alternative<WritesAcknowledged>(event)) {
        if (singDanceSent_.erase(name))
            Q_EMIT RoomChanged(name);
        Q_EMIT Acknowledged(name);
    } else {
        if (const auto* s = std::get_if<StateChanged>(&event)) {
            if (s->from == SessionState::Online &&
                (s->to == SessionState::Lost || s->to == SessionState::Reconnecting))
                lost_.insert(name);
            else if (s->to == SessionState::Online && lost_.erase(name))
                Q_EMIT Reconnected(name);
        }
        Q_EMIT RoomChanged(name);
    }
}

}  // namespace kdsp::venue
