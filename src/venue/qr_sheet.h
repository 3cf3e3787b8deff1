// The sheet of room cards to print and put on the walls: each room's name, a QR code
// of its page's address with its access code, and the address in text.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace kdsp::venue {

// A QR code: `size` × `size` modules, row by row, true for a dark one.
struct QrCode {
    int size = 0;
    std::vector<bool> dark;
    bool Dark(int x, int y) const { return dark[static_cast<std::size_t>(y * size + x)]; }
};

// The code of `text` (error correction level M); size 0 if it does not fit one.
QrCode EncodeQr(const QByteArray& text);

struct RoomCard {
    QString name;
    QString url;  // the room page's address with its token
};

enum class SheetFormat { Pdf, Svg, Png };

// The format a file name asks for by its extension (.pdf, .svg, .png, any case).
bool SheetFormatOf(const QString& path, SheetFormat& format);

// The sheet as the bytes of a file: a PDF of A4 pages with six cards each, or one
// SVG or PNG picture with the cards three abreast. Empty with `why` set when it
// cannot be made (an address too long for a code, too many cards for one picture).
QByteArray RenderSheet(const std::vector<RoomCard>& cards, SheetFormat format, QString& why);

// The address of a room's page on the service at `base` ("http://HOST:PORT"), with
// its token after "#" (a fragment never reaches the service or its logs).
QString RoomUrl(const QString& base, const QString& room, const QString& token);

}  // namespace kdsp::venue
