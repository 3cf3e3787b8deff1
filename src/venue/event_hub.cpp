// The events WebSocket's clients and what each one is sent.
#include "venue/event_hub.h"

#include <QJsonDocument>
#include <QNetworkRequest>
#include <QUrlQuery>

#include "core/model/param_table.h"
#include "venue/venue.h"

namespace kdsp::venue {

namespace {

constexpr qint64 LargestMessage = 4096;  // a client only ever sends its token

QString Text(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

}  // namespace

EventHub::EventHub(Venue& venue, QObject* parent) : QObject(parent), venue_(venue) {
    connect(&venue, &Venue::RoomChanged, this, [this](const QString& room) {
        Send(room, QJsonObject{{"type", "room"}, {"room", venue_.RoomJson(room)}});
    });
    connect(&venue, &Venue::ParamChanged, this,
            [this](const QString& room, const QJsonObject& message) { Send(room, message, true); });
    connect(&venue, &Venue::Progress, this, [this](const QString& room, int step, int of) {
        Send(room, QJsonObject{{"type", "progress"}, {"room", room}, {"step", step}, {"of", of}});
    });
    connect(&venue, &Venue::Acknowledged, this,
            [this](const QString& room) { Send(room, QJsonObject{{"type", "ack"}, {"room", room}}); });
}

EventHub::~EventHub() {
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
        socket->deleteLater();
    }
}

void EventHub::Accept(std::unique_ptr<QWebSocket> owned) {
    QWebSocket* socket = owned.release();
    socket->setParent(this);
    if (socket->requestUrl().path() != "/api/v1/events") {
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "no such WebSocket");
        socket->deleteLater();
        return;
    }
    socket->setMaxAllowedIncomingMessageSize(LargestMessage);
    socket->setMaxAllowedIncomingFrameSize(LargestMessage);
    Client& client = clients_[socket];
    client.room = QUrlQuery(socket->requestUrl()).queryItemValue("room");
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        clients_.erase(socket);
        socket->deleteLater();
        Q_EMIT ClientsChanged(Clients());
    });
    connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString& text) {
        const auto it = clients_.find(socket);
        if (it == clients_.end() || it->second.actor)
            return;
        const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
        Admit(socket, it->second, o.value("token").toString().toStdString());
    });
    Q_EMIT ClientsChanged(Clients());
    const std::string token = BearerToken(socket->request().rawHeader("Authorization").toStdString());
    if (!token.empty())
        Admit(socket, client, token);
}

void EventHub::Admit(QWebSocket* socket, Client& client, const std::string& token) {
    const auto actor = Authenticate(venue_.Config(), token);
    if (!actor) {
        Drop(socket, QWebSocketProtocol::CloseCodePolicyViolated, "unknown token");
        return;
    }
    if (!client.room.isEmpty() && !venue_.HasRoom(client.room)) {
        Drop(socket, QWebSocketProtocol::CloseCodePolicyViolated, "no such room");
        return;
    }
    if (!client.room.isEmpty() && !MaySee(*actor, client.room.toStdString())) {
        Drop(socket, QWebSocketProtocol::CloseCodePolicyViolated, "this token belongs to another room");
        return;
    }
    int same = 0;
    for (const auto& [s, c] : clients_)
        same += c.actor && c.actor->tokenName == actor->tokenName ? 1 : 0;
    if (same >= venue_.Config().wsPerToken) {
        Drop(socket, QWebSocketProtocol::CloseCodePolicyViolated, "too many clients for this token");
        return;
    }
    client.actor = actor;
    for (const QString& room : venue_.RoomNames())
        if ((client.room.isEmpty() || client.room == room) && MaySee(*actor, room.toStdString()))
            socket->sendTextMessage(Text(QJsonObject{{"type", "room"}, {"room", venue_.RoomJson(room)}}));
}

void EventHub::Drop(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& reason) {
    socket->close(code, reason);
}

void EventHub::Send(const QString& room, const QJsonObject& message, bool guestOnly) {
    QString text;  // made once, for the first client that gets it
    bool guest = true;
    if (guestOnly) {
        const ParamSpec* p = FindSpec(message.value("name").toString().toStdString());
        guest = p && IsGuestParam(*p);
    }
    for (auto& [socket, client] : clients_) {
        if (!client.actor || (!client.room.isEmpty() && client.room != room) ||
            !MaySee(*client.actor, room.toStdString()))
            continue;
        // A room's guests hear of their own controls only.
        if (!guest && client.actor->role == Role::Room)
            continue;
        if (text.isEmpty())
            text = Text(message);
        socket->sendTextMessage(text);
    }
}

}  // namespace kdsp::venue
