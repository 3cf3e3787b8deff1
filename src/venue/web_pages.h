// The room and staff pages for phones and their files, served from the program's
// own resources (nothing from the disk, nothing from elsewhere).
#pragma once

#include <QByteArray>
#include <QString>

class QHttpServer;
class QHttpServerResponse;

namespace kdsp::venue {

// Routes GET /room/NAME, /staff and /static/FILE on `server`.
void AddWebPages(QHttpServer& server);

// The answer for one of the page files by its name ("room.html", "kdsp.css"...):
// the file with its type and the headers that keep the page to its own origin, or
// 404 for a name that is not one of them.
QHttpServerResponse WebFile(const QString& name);

}  // namespace kdsp::venue
