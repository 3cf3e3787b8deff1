// EQ graph drawing: for now the empty logarithmic grid; curves come later.
#include "app/eq_graph.h"

#include <cmath>

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "app/main_window.h"

namespace kdsp {

void BuildGraphGrid(TForm1& form, bool creating) {
    (void)creating;
    auto* image = form.Ctl<QLabel>("Image1");
    if (!image) return;
    const QSize size = image->size().expandedTo(QSize(16, 16));
    QPixmap pix(size);
    pix.fill(QColor(10, 24, 64));
    QPainter g(&pix);
    const double lo = std::log10(10.0), hi = std::log10(24000.0);
    auto x = [&](double f) { return (std::log10(f) - lo) / (hi - lo) * (size.width() - 1); };
    g.setPen(QColor(40, 70, 130));
    for (double decade = 10; decade < 24000; decade *= 10)
        for (int k = 1; k < 10; ++k) {
            const double f = decade * k;
            if (f > 24000) break;
            const int px = static_cast<int>(x(f));
            g.drawLine(px, 0, px, size.height());
        }
    // -24 .. +12 dB in 6 dB steps.
    for (int db = -24; db <= 12; db += 6) {
        const int py = static_cast<int>((12.0 - db) / 36.0 * (size.height() - 1));
        g.setPen(db == 0 ? QColor(90, 130, 200) : QColor(40, 70, 130));
        g.drawLine(0, py, size.width(), py);
    }
    g.setPen(QColor(150, 175, 220));
    QFont f = g.font();
    f.setPixelSize(10);
    g.setFont(f);
    static const struct {
        double f;
        const char* text;
    } kMarks[] = {{20, "20"}, {100, "100"}, {1000, "1k"}, {10000, "10k"}, {20000, "20k"}};
    for (const auto& m : kMarks) g.drawText(static_cast<int>(x(m.f)) + 2, size.height() - 3, m.text);
    for (int db = -18; db <= 6; db += 6)
        g.drawText(3, static_cast<int>((12.0 - db) / 36.0 * (size.height() - 1)) - 2, QString::number(db) + "dB");
    g.end();
    image->setPixmap(pix);
}

void DrawChannelCurve(TForm1& form, int band, int page) {
    (void)form;
    (void)band;
    (void)page;
}

}  // namespace kdsp
