// The events WebSocket: every room change, parameter change (with who made it),
// upload progress and acknowledgement, pushed to the clients that may see the room
// and asked for it (?room=NAME, or every room). A client proves itself with the
// Authorization header or, where a browser cannot set one, with {"token": "..."} as
// its first message; it then gets one "room" message per room it may see.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QWebSocket>

#include <map>
#include <memory>
#include <optional>

#include "venue/access.h"

namespace kdsp::venue {

class Venue;

class EventHub : public QObject {
    Q_OBJECT
  public:
    explicit EventHub(Venue& venue, QObject* parent = nullptr);
    ~EventHub() override;

    // A socket upgraded on any path: kept if it asked for the events, closed otherwise.
    void Accept(std::unique_ptr<QWebSocket> socket);
    int Clients() const { return static_cast<int>(clients_.size()); }

  Q_SIGNALS:
    void ClientsChanged(int clients);

  private:
    struct Client {
        std::optional<Actor> actor;  // none until it has shown its token
        QString room;                // "" for every room
    };

    void Admit(QWebSocket* socket, Client& client, const std::string& token);
    void Send(const QString& room, const QJsonObject& message, bool guestOnly = false);
    void Drop(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& reason);

    Venue& venue_;
    std::map<QWebSocket*, Client> clients_;
};

}  // namespace kdsp::venue
