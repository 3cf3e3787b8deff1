// Grid background, axis label layout and the summed-curve drawing of the EQ graph.
#include "graph/graph_renderer.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cmath>

namespace kdsp {
namespace {

// Pixel positions round to nearest with halves to even, like every graph position.
int RoundPixel(double v) {
    if (!std::isfinite(v)) return v < 0 ? -100000 : 100000;
    v = std::clamp(v, -100000.0, 100000.0);
    return static_cast<int>(std::nearbyint(v));
}

void Line(QPainter& p, QRgb colour, int width, double x1, double y1, double x2, double y2) {
    QPen pen{QColor::fromRgb(colour)};
    pen.setWidth(width);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPoint(RoundPixel(x1), RoundPixel(y1)), QPoint(RoundPixel(x2), RoundPixel(y2)));
}

}  // namespace

QRgb CurveColourFor(int page, int effectEqVariant) {
    if (page == 4) return effectEqVariant == 5 ? CurveColourReverb : CurveColourEcho;
    return CurveColourDefault;
}

std::vector<AxisLabel> AxisLabelLayout(const GraphScale& scale, QPoint imagePanelPos,
                                       QSize dbLabelSize, QSize freqLabelSize) {
    std::vector<AxisLabel> labels;
    labels.reserve(21);
    for (int n = 0; n <= 10; ++n) {
        const int db = -24 + 6 * n;
        const int left = imagePanelPos.x() - dbLabelSize.width() - 2;
        const int top = RoundPixel(scale.DbToY(db)) + imagePanelPos.y() - dbLabelSize.height() / 2;
        labels.push_back({QStringLiteral("EQLabelY%1").arg(n), QStringLiteral("%1dB").arg(db),
                          QRect(QPoint(left, top), dbLabelSize), Qt::AlignRight | Qt::AlignVCenter});
    }
    struct FreqMark {
        int hz;
        const char* caption;
    };
    static constexpr std::array<FreqMark, 10> marks = {{{20, "20Hz"},
                                                        {50, "50Hz"},
                                                        {100, "100Hz"},
                                                        {200, "200Hz"},
                                                        {500, "500Hz"},
                                                        {1000, "1KHz"},
                                                        {2000, "2KHz"},
                                                        {5000, "5KHz"},
                                                        {10000, "10KHz"},
                                                        {20000, "20KHz"}}};
    for (int i = 0; i < 10; ++i) {
        const int left =
            RoundPixel(scale.FreqToX(marks[i].hz)) + imagePanelPos.x() - freqLabelSize.width() / 2;
        const int top = imagePanelPos.y() + scale.height;
        labels.push_back({QStringLiteral("EQLabelX%1").arg(11 + i),
                          QString::fromLatin1(marks[i].caption),
                          QRect(QPoint(left, top), freqLabelSize), Qt::AlignHCenter | Qt::AlignVCenter});
    }
    return labels;
}

std::vector<QPoint> CurvePoints(const GraphScale& scale, std::span<const float> sumDb) {
    const std::size_t n = std::min<std::size_t>(sumDb.size(), GraphGridSteps);
    std::vector<QPoint> points(n);
    const float step = static_cast<float>(scale.width) / static_cast<float>(GraphGridSteps);
    for (std::size_t g = 0; g < n; ++g) {
        const float x = static_cast<float>(g) * step;
        points[g] = QPoint(RoundPixel(x), RoundPixel(scale.DbToY(sumDb[g])));
    }
    return points;
}

QPainterPath CardinalSplinePath(std::span<const QPoint> points, double tension) {
    QPainterPath path;
    if (points.empty()) return path;
    path.moveTo(points[0]);
    const std::size_t n = points.size();
    if (n == 1) return path;
    const double k = tension / 3.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF p0 = points[i == 0 ? 0 : i - 1];
        const QPointF p1 = points[i];
        const QPointF p2 = points[i + 1];
        const QPointF p3 = points[i + 2 < n ? i + 2 : n - 1];
        path.cubicTo(p1 + k * (p2 - p0), p2 - k * (p3 - p1), p2);
    }
    return path;
}

GraphRenderer::GraphRenderer(int width, int height) {
    SetImageSize(width, height);
    BuildGraphGrid(0);
}

void GraphRenderer::SetImageSize(int width, int height) {
    // A picture needs at least two rows for the dB mapping and one column.
    width = std::max(width, 1);
    height = std::max(height, 2);
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(GraphBackgroundColour);
}

void GraphRenderer::BuildGraphGrid(int mode) {
    if (mode == 0 || mode == 1) {
        scale_ = GraphScale::ForImage(image_.width(), image_.height());
        image_.fill(GraphBackgroundColour);
        DrawGrid();
        background_ = image_.copy();
    }
    if (!background_.isNull()) image_ = background_;
}

void GraphRenderer::DrawGrid() {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double w = scale_.width;
    const double h = scale_.height;
    for (int d = GraphDbMin; d <= GraphDbMax; ++d) {
        const double y = scale_.DbToY(d);
        if (d % 3 != 0) {
            Line(p, GridMinorColour, 1, 0, y, w, y);
        } else if (d == GraphDbMin || d == 0 || d == GraphDbMax) {
            Line(p, GridBoldColour, 2, 0, y, w, y);
        } else {
            Line(p, GridMajorColour, 1, 0, y, w, y);
        }
    }
    Line(p, GridBoldColour, 2, 0, 0, 0, h);
    for (double f : {100.0, 1000.0, 10000.0}) {
        const double x = scale_.FreqToX(f);
        Line(p, GridBoldColour, 2, x, 0, x, h);
    }
    for (int decade : {10, 100, 1000}) {
        for (int m = 2; m <= 9; ++m) {
            const double x = scale_.FreqToX(double(decade) * m);
            Line(p, GridMajorColour, 1, x, 0, x, h);
        }
    }
    const double x20k = scale_.FreqToX(20000.0);
    Line(p, GridMajorColour, 1, x20k, 0, x20k, h);
    const double right = GraphGridSteps * scale_.pixelsPerStep - 1;
    Line(p, GridMajorColour, 1, right, 0, right, h);
    Line(p, GridBoldColour, 2, 0, scale_.DbToY(GraphDbMax) + 1, w, scale_.DbToY(GraphDbMax) + 1);
    Line(p, GridBoldColour, 2, 0, scale_.DbToY(GraphDbMin), w, scale_.DbToY(GraphDbMin));
}

void GraphRenderer::DrawCurve(std::span<const float> sumDb) {
    BuildGraphGrid(2);
    if (sumDb.size() < static_cast<std::size_t>(GraphGridSteps)) return;
    const std::vector<QPoint> points = CurvePoints(scale_, sumDb);
    const QPainterPath path = CardinalSplinePath(points, CurveTension);
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen{QColor::fromRgba(curveColour_)};
    pen.setWidthF(CurvePenWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

}  // namespace kdsp
