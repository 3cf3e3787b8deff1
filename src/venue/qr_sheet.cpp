// Room cards drawn once for paper (PDF through Qt's PDF writer, PNG) and written as
// text for SVG, from one layout so the three look alike.

#include "venue/qr_sheet.h"

#include <qrencode.h>

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextOption>
#include <QUrl>

#include <memory>

namespace kdsp::venue {
namespace {

// A card is 100 units wide and 130 high; everything on it is placed in units.
constexpr double CardW = 100, CardH = 130;
constexpr double QrTop = 20, QrSide = 78, UrlTop = 101;
constexpr int QuietModules = 4;  // the white border readers need around a code
// Pictures (SVG, PNG): cards three abreast, 4 px a unit.
constexpr int PictureColumns = 3, PictureUnit = 4, PictureGap = 40;
// QImage's side must stay below 32768 px: this many rows fit.
constexpr int PictureMaxRows = 32000 / (static_cast<int>(CardH) * PictureUnit + PictureGap);

const char* const Hint = "扫码调节本房间 · Scan to adjust this room";

struct QrDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

// Draws one card with its top left corner at `origin`, `unit` device pixels a unit.
void DrawCard(QPainter& p, QPointF origin, double unit, const RoomCard& card, const QrCode& qr) {
    auto at = [&](double x, double y, double w, double h) {
        return QRectF(origin.x() + x * unit, origin.y() + y * unit, w * unit, h * unit);
    };
    p.setPen(QPen(QColor(0, 51, 153), 0.6 * unit));
    p.setBrush(Qt::white);
    p.drawRoundedRect(at(0, 0, CardW, CardH), 4 * unit, 4 * unit);

    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(1, qRound(8 * unit)));
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(at(5, 4, CardW - 10, 13), Qt::AlignCenter | Qt::TextSingleLine,
               p.fontMetrics().elidedText(card.name, Qt::ElideMiddle, qRound((CardW - 10) * unit)));

    const int modules = qr.size + 2 * QuietModules;
    const double module = QrSide * unit / modules;
    const QRectF box = at((CardW - QrSide) / 2, QrTop, QrSide, QrSide);
    QPainterPath dark;
    for (int y = 0; y < qr.size; ++y)
        for (int x = 0; x < qr.size; ++x)
            if (qr.Dark(x, y))
                dark.addRect(box.left() + (x + QuietModules) * module, box.top() + (y + QuietModules) * module,
                             module, module);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(dark);

    font.setBold(false);
    font.setPixelSize(std::max(1, qRound(3.6 * unit)));
    p.setFont(font);
    p.setPen(QColor(0, 30, 95));
    p.drawText(at(5, UrlTop - 2, CardW - 10, 6), Qt::AlignCenter, QString::fromUtf8(Hint));
    font.setPixelSize(std::max(1, qRound(3.2 * unit)));
    p.setFont(font);
    p.setPen(Qt::black);
    QTextOption wrap(Qt::AlignHCenter | Qt::AlignTop);
    wrap.setWrapMode(QTextOption::WrapAnywhere);
    p.drawText(at(5, UrlTop + 5, CardW - 10, CardH - UrlTop - 8), card.url, wrap);
}

QByteArray Pdf(const std::vector<RoomCard>& cards, const std::vector<QrCode>& codes) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("kdsp room cards"));
        pdf.setCreator(QStringLiteral("kdspd"));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&pdf);
        p.setRenderHint(QPainter::Antialiasing, false);
        // Two cards abreast, three down, on A4 (2480 × 3508 px at 300 dpi).
        const double unit = 10.4, left = 120, top = 110, gapX = 160, gapY = 95;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            const int slot = static_cast<int>(i % 6);
            if (i > 0 && slot == 0) pdf.newPage();
            const QPointF origin(left + (slot % 2) * (CardW * unit + gapX), top + (slot / 2) * (CardH * unit + gapY));
            DrawCard(p, origin, unit, cards[i], codes[i]);
        }
    }
    return bytes;
}

QSize PictureSize(std::size_t count) {
    const int columns = std::min<int>(PictureColumns, static_cast<int>(count));
    const int rows = static_cast<int>((count + PictureColumns - 1) / PictureColumns);
    return {PictureGap + columns * (static_cast<int>(CardW) * PictureUnit + PictureGap),
            PictureGap + rows * (static_cast<int>(CardH) * PictureUnit + PictureGap)};
}

QPointF PictureOrigin(std::size_t i) {
    const int col = static_cast<int>(i % PictureColumns), row = static_cast<int>(i / PictureColumns);
    return {PictureGap + col * (CardW * PictureUnit + PictureGap), PictureGap + row * (CardH * PictureUnit + PictureGap)};
}

QByteArray Png(const std::vector<RoomCard>& cards, const std::vector<QrCode>& codes) {
    QImage image(PictureSize(cards.size()), QImage::Format_RGB32);
    image.fill(QColor(235, 240, 250));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        for (std::size_t i = 0; i < cards.size(); ++i) DrawCard(p, PictureOrigin(i), PictureUnit, cards[i], codes[i]);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString Xml(const QString& text) {
    return text.toHtmlEscaped();
}

QByteArray Svg(const std::vector<RoomCard>& cards, const std::vector<QrCode>& codes) {
    const QSize size = PictureSize(cards.size());
    const int u = PictureUnit;
    QString out = QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                      "font-family=\"WenQuanYi Micro Hei, sans-serif\" text-anchor=\"middle\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#ebf0fa\"/>\n")
                      .arg(size.width())
                      .arg(size.height());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const QPointF o = PictureOrigin(i);
        const QrCode& qr = codes[i];
        const int modules = qr.size + 2 * QuietModules;
        // Whole pixels a module, so the code stays sharp at its own size.
        const int module = static_cast<int>(QrSide * u) / modules;
        const double qrLeft = o.x() + (CardW * u - module * modules) / 2.0 + QuietModules * module;
        const double qrTop = o.y() + QrTop * u + QuietModules * module;
        // The card is a link too, for a sheet looked at on a screen.
        out += QStringLiteral("<a href=\"%1\">\n").arg(Xml(cards[i].url));
        out += QStringLiteral("<g>\n<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"#fff\" "
                              "stroke=\"#003399\" stroke-width=\"%6\"/>\n")
                   .arg(o.x())
                   .arg(o.y())
                   .arg(CardW * u)
                   .arg(CardH * u)
                   .arg(4 * u)
                   .arg(0.6 * u);
        out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" font-weight=\"bold\">%4</text>\n")
                   .arg(o.x() + CardW * u / 2)
                   .arg(o.y() + 14 * u)
                   .arg(8 * u)
                   .arg(Xml(cards[i].name));
        out += QStringLiteral("<path fill=\"#000\" shape-rendering=\"crispEdges\" d=\"");
        for (int y = 0; y < qr.size; ++y)
            for (int x = 0; x < qr.size; ++x)
                if (qr.Dark(x, y))
                    out += QStringLiteral("M%1 %2h%3v%3h-%3z")
                               .arg(qrLeft + x * module)
                               .arg(qrTop + y * module)
                               .arg(module);
        out += QStringLiteral("\"/>\n");
        out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" fill=\"#001e5f\">%4</text>\n")
                   .arg(o.x() + CardW * u / 2)
                   .arg(o.y() + (UrlTop + 2) * u)
                   .arg(3.6 * u)
                   .arg(Xml(QString::fromUtf8(Hint)));
        // SVG text does not wrap: the address goes in lines of a fixed length.
        const QString& url = cards[i].url;
        constexpr int PerLine = 44;
        for (int line = 0; line * PerLine < url.size(); ++line)
            out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" font-family=\"monospace\">%4</text>\n")
                       .arg(o.x() + CardW * u / 2)
                       .arg(o.y() + (UrlTop + 9 + line * 4.2) * u)
                       .arg(3.2 * u)
                       .arg(Xml(url.mid(line * PerLine, PerLine)));
        out += QStringLiteral("</g>\n</a>\n");
    }
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}

}  // namespace

QrCode EncodeQr(const QByteArray& text) {
    QrCode out;
    const std::unique_ptr<QRcode, QrDeleter> code(
        QRcode_encodeData(static_cast<int>(text.size()), reinterpret_cast<const unsigned char*>(text.constData()), 0,
                          QR_ECLEVEL_M));
    if (!code) return out;
    out.size = code->width;
    out.dark.resize(static_cast<std::size_t>(out.size) * static_cast<std::size_t>(out.size));
    for (std::size_t i = 0; i < out.dark.size(); ++i) out.dark[i] = (code->data[i] & 1) != 0;
    return out;
}

bool SheetFormatOf(const QString& path, SheetFormat& format) {
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".pdf"))) format = SheetFormat::Pdf;
    else if (lower.endsWith(QLatin1String(".svg"))) format = SheetFormat::Svg;
    else if (lower.endsWith(QLatin1String(".png"))) format = SheetFormat::Png;
    else return false;
    return true;
}

QByteArray RenderSheet(const std::vector<RoomCard>& cards, SheetFormat format, QString& why) {
    if (cards.empty()) {
        why = QStringLiteral("the venue has no rooms");
        return {};
    }
    if (format != SheetFormat::Pdf && cards.size() > static_cast<std::size_t>(PictureMaxRows * PictureColumns)) {
        why = QStringLiteral("%1 rooms do not fit one picture (at most %2): write a .pdf")
                  .arg(cards.size())
                  .arg(PictureMaxRows * PictureColumns);
        return {};
    }
    std::vector<QrCode> codes;
    for (const RoomCard& card : cards) {
        codes.push_back(EncodeQr(card.url.toUtf8()));
        if (codes.back().size == 0) {
            why = QStringLiteral("the address of room %1 is too long for a QR code").arg(card.name);
            return {};
        }
    }
    switch (format) {
    case SheetFormat::Pdf: return Pdf(cards, codes);
    case SheetFormat::Svg: return Svg(cards, codes);
    case SheetFormat::Png: return Png(cards, codes);
    }
    return {};
}

QString RoomUrl(const QString& base, const QString& room, const QString& token) {
    QString url = base;
    while (url.endsWith(QLatin1Char('/'))) url.chop(1);
    return url + QStringLiteral("/room/") + QString::fromLatin1(QUrl::toPercentEncoding(room)) +
           QStringLiteral("#token=") + QString::fromLatin1(QUrl::toPercentEncoding(token));
}

}  // namespace kdsp::venue
