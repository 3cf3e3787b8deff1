// Requests to answers.
#include "venue/http_api.h"

#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QUrlQuery>

#include "core/model/param_names.h"
#include "core/model/param_table.h"
#include "venue/connection_guard.h"
#include "venue/server_tls.h"
#include "venue/venue.h"

// The service's own resources live in this static library: they are registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(venue);
}

namespace kdsp::venue {

namespace {

constexpr qsizetype MaxBody = 64 * 1024;
constexpr qsizetype MaxUrl = 4096;
const QString Api = "/api/v1";

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponder::StatusCode;

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The parameters a pattern names: an exact name, "*" and "?" patterns, or words
// that each appear in the name ("echo level"); every one for none.
std::vector<const ParamSpec*> Match(const QString& pattern) {
    std::vector<const ParamSpec*> found;
    const std::string text = pattern.trimmed().toStdString();
    if (const ParamSpec* p = text.empty() ? nullptr : FindSpec(text))
        return {p};
    if (text.empty() || IsPattern(text)) {
        for (const NamedParam* n : MatchParams(text.empty() ? "*" : text))
            if (const ParamSpec* p = SpecAt(n->page, n->slot))
                found.push_back(p);
        return found;
    }
    const QStringList words = pattern.toLower().split(' ', Qt::SkipEmptyParts);
    for (const ParamSpec& p : ParamTable()) {
        const QString name = Q(p.Name());
        if (std::all_of(words.begin(), words.end(), [&](const QString& w) { return name.contains(w); }))
            found.push_back(&p);
    }
    return found;
}

}  // namespace

HttpApi::HttpApi(Venue& venue, QObject* parent)
    : QAbstractHttpServer(parent), venue_(venue), events_(venue, this), metrics_(venue) {
    InitResources();
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (hasPendingWebSocketConnections())
            events_.Accept(nextPendingWebSocketConnection());
    });
    connect(&events_, &EventHub::ClientsChanged, this, [this](int n) { metrics_.SetClients(n); });
    QJsonArray all;
    for (const ParamSpec& p : ParamTable()) {
        if (p.Reserved())
            continue;
        all.append(QJsonObject{{"name", Q(p.Name())},
                               {"page", p.Page()},
                               {"unit", Q(p.Unit())},
                               {"min", p.Min()},
                               {"max", p.Max()},
                               {"minShown", QString::fromStdString(p.Show(p.Min()))},
                               {"maxShown", QString::fromStdString(p.Show(p.Max()))},
                               {"writable", p.Writable()},
                               {"guest", IsGuestParam(p)}});
    }
    catalogue_ = QJsonDocument(QJsonObject{{"params", all}}).toJson(QJsonDocument::Compact);
}

HttpApi::~HttpApi() = default;

bool HttpApi::Start(const std::string& host, int port, std::string* error) {
    const VenueConfig& c = venue_.Config();
    ConnectionLimits limits;
    limits.timeoutMs = c.requestTimeoutMs;
    QTcpServer* server = nullptr;
    if (!c.tlsCert.empty()) {
        const auto tls = ServerTls(c, error);
        if (!tls)
            return false;
        auto* ssl = new GuardedServer<QSslServer>(limits);
        ssl->setSslConfiguration(*tls);
        server = ssl;
    } else {
        server = new GuardedServer<QTcpServer>(limits);
    }
    server->setParent(this);
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(host)) ||
        !server->listen(address, static_cast<quint16>(port))) {
        *error = "cannot listen on " + host + ":" + std::to_string(port) + ": " +
                 server->errorString().toStdString();
        delete server;
        return false;
    }
    port_ = server->serverPort();
    bind(server);
    return true;
}

void HttpApi::Answer(const Responder& responder, const Result& result) {
    metrics_.Request(result.status);
    const auto status = static_cast<Status>(result.status);
    const QByteArray body = QJsonDocument(result.body).toJson(QJsonDocument::Compact);
    if (result.status == 401)
        responder->write(body, {{"Content-Type", "application/json"}, {"WWW-Authenticate", "Bearer"}}, status);
    else if (result.status == 429)
        responder->write(body, {{"Content-Type", "application/json"}, {"Retry-After", "1"}}, status);
    else
        responder->write(body, "application/json", status);
}

std::function<void(const Result&)> HttpApi::Later(const Responder& responder, QTcpSocket* socket) {
    return [this, responder, alive = QPointer<QTcpSocket>(socket)](const Result& result) {
        if (alive && alive->state() == QAbstractSocket::ConnectedState)
            Answer(responder, result);
    };
}

std::optional<Actor> HttpApi::Admit(const QHttpServerRequest& request, const Responder& responder) {
    const std::string token = BearerToken(request.value("Authorization").toStdString());
    const auto actor = token.empty() ? std::nullopt : Authenticate(venue_.Config(), token);
    if (!actor) {
        Answer(responder, Result::Error(401, "unauthorized",
                                        token.empty() ? "a bearer token is needed" : "unknown token"));
        return std::nullopt;
    }
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != second_) {
        second_ = second;
        rate_.clear();
    }
    if (++rate_[actor->tokenName] > venue_.Config().rate) {
        Answer(responder, Result::Error(429, "too_many_requests", "too many requests for this token; wait a second"));
        return std::nullopt;
    }
    return actor;
}

bool HttpApi::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // Taken without an answer, an upgrade goes to the server's WebSocket side.
    if (request.url().path() == Api + "/events" && request.value("Upgrade").toLower() == "websocket")
        return true;
    Route(request, socket);
    return true;
}

void HttpApi::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    Answer(responder, Result::Error(404, "not_found", "no such path"));
}

void HttpApi::Route(const QHttpServerRequest& request, QTcpSocket* socket) {
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    if (request.url().toEncoded().size() > MaxUrl) {
        Answer(responder, Result::Error(414, "uri_too_long", "the URL is longer than 4096 bytes"));
        return;
    }
    if (request.body().size() > MaxBody) {
        Answer(responder, Result::Error(413, "too_large", "the request is larger than 64 KiB"));
        return;
    }
    const QString path = request.url().path();
    const Method method = request.method();
    const auto notAllowed = [&] {
        Answer(responder, Result::Error(405, "method_not_allowed", "this path does not take that method"));
    };
    if (path == Api + "/health") {
        if (method != Method::Get)
            return notAllowed();
        Answer(responder, Result{200, QJsonObject{{"ok", true},
                                                  {"rooms", static_cast<int>(venue_.RoomNames().size())},
                                                  {"online", venue_.OnlineCount()}}});
        return;
    }
    if (!path.startsWith(Api + "/") && path != "/metrics") {
        QByteArray body, type;
        if (method == Method::Get && pages_ && pages_(path, body, type)) {
            metrics_.Request(200);
            responder->write(body, type);
            return;
        }
        Answer(responder, Result::Error(404, "not_found", "no such path"));
        return;
    }
    const auto actor = Admit(request, responder);
    if (!actor)
        return;
    if (path == "/metrics") {
        if (method != Method::Get)
            return notAllowed();
        if (actor->role == Role::Room) {
            Answer(responder, Result::Error(403, "forbidden", "this token may not read the metrics"));
            return;
        }
        metrics_.Request(200);
        responder->write(metrics_.Text(), "text/plain; version=0.0.4");
        return;
    }
    const QStringList parts = path.mid(Api.size() + 1).split('/');
    if (parts == QStringList{"params"}) {
        if (method != Method::Get)
            return notAllowed();
        metrics_.Request(200);
        responder->write(catalogue_, "application/json");
        return;
    }
    if (parts == QStringList{"openapi.json"}) {
        if (method != Method::Get)
            return notAllowed();
        QFile file(":/kdspd/openapi.json");
        file.open(QIODevice::ReadOnly);
        metrics_.Request(200);
        responder->write(file.readAll(), "application/json");
        return;
    }
    if (parts == QStringList{"events"}) {
        Answer(responder, Result::Error(400, "websocket_only", "the events come over a WebSocket"));
        return;
    }
    if (parts.value(0) == "rooms") {
        Rooms(*actor, parts.mid(1), request, responder, socket);
        return;
    }
    Answer(responder, Result::Error(404, "not_found", "no such path"));
}

void HttpApi::Rooms(const Actor& actor, const QStringList& path, const QHttpServerRequest& request,
                    const Responder& responder, QTcpSocket* socket) {
    const Method method = request.method();
    const auto notAllowed = [&] {
        Answer(responder, Result::Error(405, "method_not_allowed", "this path does not take that method"));
    };
    if (path.isEmpty()) {
        if (method != Method::Get)
            return notAllowed();
        QJsonArray rooms;
        for (const QString& room : venue_.RoomNames())
            if (MaySee(actor, room.toStdString()))
                rooms.append(venue_.RoomJson(room));
        Answer(responder, Result{200, QJsonObject{{"rooms", rooms}}});
        return;
    }
    const auto body = [&]() -> std::optional<QJsonObject> {
        RequestError e;
        auto o = ParseJsonObject(request.body(), &e);
        if (!o)
            Answer(responder, Result::Error(e));
        return o;
    };
    const QString strict = QUrlQuery(request.url()).queryItemValue("strict");
    const bool isStrict = strict == "1" || strict == "true";
    // Every room at once: a room takes only GET at /rooms/ROOM, so a room may even be
    // named "params", "mode" or "backups".
    if (path.size() == 1 && method != Method::Get) {
        if (path[0] == "params" && method == Method::Patch) {
            if (const auto values = body())
                venue_.SetParamsEverywhere(actor, *values, isStrict, Later(responder, socket));
            return;
        }
        if (path[0] == "mode" && method == Method::Post) {
            if (const auto values = body())
                venue_.ModeEverywhere(actor, *values, Later(responder, socket));
            return;
        }
        if (path[0] == "backups" && method == Method::Post) {
            if (const auto values = request.body().trimmed().isEmpty() ? QJsonObject() : body())
                Answer(responder, venue_.BackupEverywhere(actor, *values));
            return;
        }
    }
    const QString room = path[0];
    if (!MaySee(actor, room.toStdString())) {
        Answer(responder, Result::Error(403, "forbidden", "this token belongs to another room"));
        return;
    }
    if (!venue_.HasRoom(room)) {
        Answer(responder, Result::Error(404, "no_room", "no room named '" + room.toStdString() + "'"));
        return;
    }
    const QString what = path.value(1);
    if (path.size() == 1) {
        if (method != Method::Get)
            return notAllowed();
        Answer(responder, Result{200, venue_.RoomJson(room)});
    } else if (path.size() == 2 && what == "params") {
        if (method == Method::Get) {
            QJsonArray params;
            for (const ParamSpec* p : Match(QUrlQuery(request.url()).queryItemValue("match", QUrl::FullyDecoded)))
                if (!p->Reserved() && (actor.role != Role::Room || IsGuestParam(*p)))
                    params.append(venue_.ParamJson(room, *p));
            Answer(responder, Result{200, QJsonObject{{"params", params}}});
        } else if (method == Method::Patch) {
            const auto values = body();
            if (!values)
                return;
            venue_.SetParams(actor, room, *values, isStrict, Later(responder, socket));
        } else {
            notAllowed();
        }
    } else if (path.size() == 2 && what == "mode") {
        if (method != Method::Post)
            return notAllowed();
        const auto values = body();
        if (values)
            venue_.Mode(actor, room, *values, Later(responder, socket));
    } else if (path.size() == 2 && what == "backups") {
        if (method == Method::Post)
            Answer(responder, venue_.Backup(actor, room));
        else if (method != Method::Get)
            notAllowed();
        else if (actor.role == Role::Room)
            Answer(responder, Result::Error(403, "forbidden", "this token may not see backups"));
        else
            Answer(responder, venue_.Backups(room));
    } else if (path.size() == 3 && what == "backups") {
        if (method != Method::Get)
            return notAllowed();
        if (actor.role == Role::Room) {
            Answer(responder, Result::Error(403, "forbidden", "this token may not see backups"));
            return;
        }
        const QString file = venue_.BackupPath(room, path[2]);
        QFile f(file);
        if (file.isEmpty() || !f.open(QIODevice::ReadOnly)) {
            Answer(responder, Result::Error(404, "no_backup", "no such backup"));
            return;
        }
        metrics_.Request(200);
        responder->write(f.readAll(), "application/octet-stream");
    } else if (path.size() == 2 && what == "upload") {
        if (method != Method::Post)
            return notAllowed();
        venue_.Upload(actor, room, request.body(), Later(responder, socket));
    } else {
        Answer(responder, Result::Error(404, "not_found", "no such path"));
    }
}

}  // namespace kdsp::venue
