// Serves the pages under src/venue/web, embedded with web.qrc.

#include "venue/web_pages.h"

#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QRegularExpression>

// Resources of a static library are registered by the program that uses them.
static void RegisterWebResources() {
    Q_INIT_RESOURCE(web);
}

namespace kdsp::venue {
namespace {

QByteArray TypeOf(const QString& name) {
    if (name.endsWith(QLatin1String(".html"))) return "text/html; charset=utf-8";
    if (name.endsWith(QLatin1String(".css"))) return "text/css; charset=utf-8";
    if (name.endsWith(QLatin1String(".js"))) return "text/javascript; charset=utf-8";
    return "application/octet-stream";
}

}  // namespace

QHttpServerResponse WebFile(const QString& name) {
    // Plain file names only: nothing reaches another resource folder or the disk.
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9_-]+\\.(html|css|js)$"));
    QFile file(QStringLiteral(":/web/") + name);
    if (!plain.match(name).hasMatch() || !file.open(QIODevice::ReadOnly))
        return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
    QHttpServerResponse response(TypeOf(name), file.readAll());
    // Scripts, styles and the socket from this service only; no framing, no referrer
    // (the access code travels in the fragment, which a referrer never carries, but
    // the room's name is not for other sites either).
    response.setHeader("Content-Security-Policy",
                       "default-src 'self'; connect-src 'self'; img-src 'self' data:; base-uri 'none'; "
                       "form-action 'self'; frame-ancestors 'none'");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("Referrer-Policy", "no-referrer");
    // Asked again each time, so a phone never keeps the pages of an older service.
    response.setHeader("Cache-Control", "no-cache");
    return response;
}

void AddWebPages(QHttpServer& server) {
    RegisterWebResources();
    server.route(QStringLiteral("/room/<arg>"), QHttpServerRequest::Method::Get,
                 [](const QString&) { return WebFile(QStringLiteral("room.html")); });
    server.route(QStringLiteral("/staff"), QHttpServerRequest::Method::Get,
                 [] { return WebFile(QStringLiteral("staff.html")); });
    server.route(QStringLiteral("/static/<arg>"), QHttpServerRequest::Method::Get,
                 [](const QString& name) { return WebFile(name); });
}

}  // namespace kdsp::venue
