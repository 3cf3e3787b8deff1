// Fleet-wide operations: one request for many rooms, checked in every room before
// anything is sent, then each room's own operation, gathered into one answer.
#include <QJsonArray>

#include "venue/venue.h"

namespace kdsp::venue {

namespace {

// The rooms' answers, in the order of the rooms, answered once the last has come
// (at once for refusals, or when a processor confirms).
class Gathered {
  public:
    static std::shared_ptr<Gathered> Make(const QStringList& rooms, Venue::Reply reply) {
        auto g = std::make_shared<Gathered>();
        g->rooms_ = rooms;
        g->answers_.resize(static_cast<std::size_t>(rooms.size()));
        g->left_ = rooms.size();
        g->reply_ = std::move(reply);
        if (rooms.isEmpty())  // a venue of no rooms: nobody else would answer
            g->reply_(g->Whole());
        return g;
    }
    // The reply of the room at `index`.
    static Venue::Reply For(const std::shared_ptr<Gathered>& g, qsizetype index) {
        return [g, index](const Result& r) {
            QJsonObject answer = r.body;
            answer["room"] = g->rooms_[index];
            answer["status"] = r.status;
            g->answers_[static_cast<std::size_t>(index)] = answer;
            if (--g->left_ == 0)
                g->reply_(g->Whole());
        };
    }

  private:
    Result Whole() const {
        QJsonArray rooms;
        for (const QJsonObject& a : answers_)
            rooms.append(a);
        return Result{200, QJsonObject{{"rooms", rooms}}};
    }

    QStringList rooms_;
    std::vector<QJsonObject> answers_;
    qsizetype left_ = 0;
    Venue::Reply reply_;
};

// The first refusal among the rooms', saying whose it is.
Result RefusedIn(const QString& room, Result refusal) {
    refusal.body["room"] = room;
    return refusal;
}

}  // namespace

std::variant<QStringList, Result> Venue::FleetRooms(const Actor& actor, const QJsonObject& request) const {
    if (auto refused = Stopping())
        return *refused;
    if (actor.role == Role::Room)
        return Result::Error(403, "forbidden", "a room's token acts on its own room only");
    if (!request.contains("rooms"))
        return RoomNames();
    const QJsonArray named = request.value("rooms").toArray();
    if (!request.value("rooms").isArray() || named.isEmpty())
        return Result::Error(400, "bad_request", "\"rooms\" is a list of room names");
    QStringList rooms;
    for (const QJsonValue& v : named) {
        if (!v.isString())
            return Result::Error(400, "bad_request", "\"rooms\" is a list of room names");
        if (!HasRoom(v.toString()))
            return Result::Error(404, "no_room", "no room named '" + v.toString().toStdString() + "'");
        if (!rooms.contains(v.toString()))
            rooms << v.toString();
    }
    return rooms;
}

void Venue::SetParamsEverywhere(const Actor& actor, const QJsonObject& request, bool strict, Reply reply) {
    const auto targets = FleetRooms(actor, request);
    if (const auto* refused = std::get_if<Result>(&targets))
        return reply(*refused);
    const QStringList& rooms = std::get<QStringList>(targets);
    for (const QString& key : request.keys())
        if (key != "rooms" && key != "params")
            return reply(Result::Error(400, "bad_request", "unknown key \"" + key.toStdString() +
                                                               "\": give {\"params\": {\"NAME\": VALUE, ...}}"));
    const QJsonObject values = request.value("params").toObject();
    // Every room decides before any is written to: a name, value or range one room
    // refuses refuses the request everywhere (each refusal journaled by its room).
    std::vector<std::vector<ParamWrite>> writes;
    std::optional<Result> refusal;
    for (const QString& room : rooms) {
        DecodedSet decoded = Decode(actor, room, values, strict);
        if (decoded.error && !refusal)
            refusal = RefusedIn(room, Result::Error(*decoded.error));
        writes.push_back(std::move(decoded.writes));
    }
    if (refusal)
        return reply(*refusal);
    const auto gathered = Gathered::Make(rooms, std::move(reply));
    for (qsizetype i = 0; i < rooms.size(); ++i)
        Write(actor, rooms[i], values, writes[static_cast<std::size_t>(i)], Gathered::For(gathered, i));
}

void Venue::ModeEverywhere(const Actor& actor, const QJsonObject& request, Reply reply) {
    const auto targets = FleetRooms(actor, request);
    if (const auto* refused = std::get_if<Result>(&targets))
        return reply(*refused);
    const QStringList& rooms = std::get<QStringList>(targets);
    QJsonObject asked = request;
    asked.remove("rooms");
    std::vector<int> modes;
    std::optional<Result> refusal;
    for (const QString& room : rooms) {
        const auto mode = CheckMode(actor, room, asked);
        if (const auto* refused = std::get_if<Result>(&mode)) {
            if (!refusal)
                refusal = RefusedIn(room, *refused);
        } else {
            modes.push_back(std::get<int>(mode));
        }
    }
    if (refusal)
        return reply(*refusal);
    const auto gathered = Gathered::Make(rooms, std::move(reply));
    for (qsizetype i = 0; i < rooms.size(); ++i)
        SendMode(actor, rooms[i], asked, modes[static_cast<std::size_t>(i)], Gathered::For(gathered, i));
}

Result Venue::BackupEverywhere(const Actor& actor, const QJsonObject& request) {
    const auto targets = FleetRooms(actor, request);
    if (const auto* refused = std::get_if<Result>(&targets))
        return *refused;
    if (!MayAdminister(actor))
        return Result::Error(403, "forbidden", "this token may not make backups");
    const QStringList& rooms = std::get<QStringList>(targets);
    Result whole;
    const auto gathered = Gathered::Make(rooms, [&whole](const Result& r) { whole = r; });
    for (qsizetype i = 0; i < rooms.size(); ++i)
        Gathered::For(gathered, i)(Backup(actor, rooms[i]));
    return whole;
}

}  // namespace kdsp::venue
