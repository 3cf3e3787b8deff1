// Grid background, axis label layout and the summed-curve drawing of the EQ graph.
#include "graph/graph_renderer.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kdsp {

int RoundPixel(double v) {
    if (!std::isfinite(v)) return v < 0 ? -100000 : 100000;
    return static_cast<int>(std::nearbyint(std::clamp(v, -100000.0, 100000.0)));
}

QRgb CurveColourFor(int page, int effectEqVariant) {
    if (page == 4) return ToQRgb(effectEqVariant == 5 ? CurveReverbColour : CurveEchoColour);
    return ToQRgb(CurveChannelColour);
}

std::vector<AxisLabel> AxisLabelLayout(const GraphGeometry& geometry, QPoint imagePanelPos,
                                       const CaptionWidth& widthOf) {
    std::vector<AxisLabel> labels;
    labels.reserve(DbLabelCount + FreqLabelCount);
    int slot = 0;
    for (const DbLabel& l : DbAxisLabels()) {
        const QString caption = QString::fromLatin1(l.text.data(), qsizetype(l.text.size()));
        const int width = widthOf ? widthOf(caption) : DbLabelWidth;
        const int left = imagePanelPos.x() - width - 2;
        const int top =
            RoundPixel(DbToY(l.db, geometry)) + imagePanelPos.y() - AxisLabelHeight / 2;
        labels.push_back({QStringLiteral("EQLabelY%1").arg(slot++), caption,
                          QRect(left, top, width, AxisLabelHeight),
                          Qt::AlignRight | Qt::AlignVCenter});
    }
    for (const FreqLabel& l : FreqAxisLabels()) {
        const QString caption = QString::fromLatin1(l.text.data(), qsizetype(l.text.size()));
        const int width = widthOf ? widthOf(caption) : FreqLabelWidth;
        const int left =
            RoundPixel(FreqToX(l.frequency, geometry)) + imagePanelPos.x() - width / 2;
        const int top = imagePanelPos.y() + RoundPixel(geometry.height);
        labels.push_back({QStringLiteral("EQLabelX%1").arg(slot++), caption,
                          QRect(left, top, width, AxisLabelHeight),
                          Qt::AlignHCenter | Qt::AlignVCenter});
    }
    return labels;
}

std::vector<QPainterPath> CurvePaths(std::span<const float> sumDb, const GraphGeometry& geometry,
                                     int piece) {
    const auto pixels = CurvePixels(sumDb, geometry);
    const std::span<const Point> drawn(pixels.data(), GridSteps);  // the last point is not drawn
    const std::vector<BezierSegment> segments = CardinalSpline(drawn, CurveTension);
    piece = std::max(piece, 1);
    std::vector<QPainterPath> paths;
    for (std::size_t i = 0; i < segments.size(); i += piece) {
        QPainterPath path;
        path.moveTo(drawn[i].x, drawn[i].y);
        const std::size_t end = std::min(segments.size(), i + piece);
        for (std::size_t j = i; j < end; ++j) {
            const BezierSegment& s = segments[j];
            path.cubicTo(s.c1x, s.c1y, s.c2x, s.c2y, s.x, s.y);
        }
        paths.push_back(std::move(path));
    }
    return paths;
}

GraphRenderer::GraphRenderer(int width, int height) {
    SetImageSize(width, height);
    BuildGraphGrid(0);
}

void GraphRenderer::SetImageSize(int width, int height) {
    // The dB mapping needs at least two rows.
    image_ = QImage(std::max(width, 1), std::max(height, 2), QImage::Format_RGB32);
    image_.fill(ToQRgb(GridBackgroundColour));
}

void GraphRenderer::BuildGraphGrid(int mode) {
    if (mode == 0 || mode == 1) {
        geometry_ = GraphGeometry{double(image_.width()), double(image_.height())};
        image_.fill(ToQRgb(GridBackgroundColour));
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (const GridLine& l : GraphGridLines(geometry_)) {
            QPen pen{QColor::fromRgb(ToQRgb(GridColour(l.cls)))};
            pen.setWidth(GridLineWidth(l.cls));
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(pen);
            p.drawLine(l.x1, l.y1, l.x2, l.y2);
        }
        p.end();
        background_ = image_.copy();
    }
    if (!background_.isNull()) image_ = background_;
}

void GraphRenderer::DrawCurve(std::span<const float> sumDb) {
    BuildGraphGrid(2);
    if (sumDb.size() < static_cast<std::size_t>(GridSteps)) return;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen{QColor::fromRgba(curveColour_)};
    pen.setWidthF(CurvePenWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const QPainterPath& path : CurvePaths(sumDb, geometry_)) p.drawPath(path);
}

}  // namespace kdsp
