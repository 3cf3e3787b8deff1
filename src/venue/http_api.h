// The HTTP API under /api/v1 (and /metrics) on Qt HTTP Server: bearer tokens, the
// per-token request rate, the size limits, the routes, and the upgrade of
// /api/v1/events to the events WebSocket.
#pragma once

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "venue/access.h"
#include "venue/event_hub.h"
#include "venue/metrics.h"

namespace kdsp::venue {

class Venue;
struct Result;

class HttpApi : public QAbstractHttpServer {
    Q_OBJECT
  public:
    explicit HttpApi(Venue& venue, QObject* parent = nullptr);
    ~HttpApi() override;

    // On the venue's address (with TLS when it names a certificate); false with the
    // reason when it cannot.
    bool Start(const std::string& host, int port, std::string* error);
    quint16 Port() const { return port_; }

    // Pages served without a token at paths outside /api (GET only): true with the
    // body and its type when `path` is one of them.
    using Pages = std::function<bool(const QString& path, QByteArray& body, QByteArray& type)>;
    void SetPages(Pages pages) { pages_ = std::move(pages); }

    EventHub& Events() { return events_; }
    Metrics& Counters() { return metrics_; }

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

  private:
    using Responder = std::shared_ptr<QHttpServerResponder>;
    void Route(const QHttpServerRequest& request, QTcpSocket* socket);
    // The token's holder, or the refusal already answered.
    std::optional<Actor> Admit(const QHttpServerRequest& request, const Responder& responder);
    void Answer(const Responder& responder, const Result& result);
    // An answer that may come later: nothing is written to a connection that is gone.
    std::function<void(const Result&)> Later(const Responder& responder, QTcpSocket* socket);
    void Rooms(const Actor& actor, const QStringList& path, const QHttpServerRequest& request,
               const Responder& responder, QTcpSocket* socket);

    Venue& venue_;
    EventHub events_;
    Metrics metrics_;
    Pages pages_;
    quint16 port_ = 0;
    // Requests per token in the current second.
    qint64 second_ = 0;
    std::map<std::string, int> rate_;
    QByteArray catalogue_;  // GET /params, made once
};

}  // namespace kdsp::venue
