// The room and staff pages for phones and their files, served from the program's
// own resources (nothing from the disk, nothing from elsewhere).
#pragma once

#include <QByteArray>
#include <QString>

namespace kdsp::venue {

// The page or file at `path`: "/room/NAME" the room page, "/staff" and "/" the staff
// page, "/static/FILE" the styles and scripts. False for any other path.
bool WebPage(const QString& path, QByteArray& body, QByteArray& type);

}  // namespace kdsp::venue
