// Serves the pages under src/venue/web, embedded with web.qrc.

#include "venue/web_pages.h"

#include <QFile>
#include <QRegularExpression>

// Resources of a static library are registered by the code that uses them.
static void RegisterWebResources() {
    Q_INIT_RESOURCE(web);
}

namespace kdsp::venue {
namespace {

QByteArray TypeOf(const QString& name) {
    if (name.endsWith(QLatin1String(".html"))) return "text/html; charset=utf-8";
    if (name.endsWith(QLatin1String(".css"))) return "text/css; charset=utf-8";
    return "text/javascript; charset=utf-8";
}

}  // namespace

bool WebPage(const QString& path, QByteArray& body, QByteArray& type) {
    static const bool registered = (RegisterWebResources(), true);
    (void)registered;
    // A room's name is one path segment; a static file a plain name, so nothing
    // reaches another resource folder.
    static const QRegularExpression room(QStringLiteral("^/room/[^/]+$"));
    static const QRegularExpression file(QStringLiteral("^/static/([a-z0-9_-]+\\.(css|js))$"));
    QString name;
    if (path == QLatin1String("/staff") || path == QLatin1String("/"))
        name = QStringLiteral("staff.html");
    else if (room.match(path).hasMatch())
        name = QStringLiteral("room.html");
    else if (const auto m = file.match(path); m.hasMatch())
        name = m.captured(1);
    QFile f(QStringLiteral(":/web/") + name);
    if (name.isEmpty() || !f.open(QIODevice::ReadOnly)) return false;
    body = f.readAll();
    type = TypeOf(name);
    return true;
}

}  // namespace kdsp::venue
