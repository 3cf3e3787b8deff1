// Draws the EQ graph onto a QImage: the cached grid background, the axis label
// geometry and the summed response curve as an anti-aliased cardinal spline.
// Shared by the main window's graph view and `kdsp curve --png`; the numbers
// (mappings, grid lines, colours, spline) come from core/eq/graph_mapping.h.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <span>
#include <vector>

#include "core/eq/graph_mapping.h"

namespace kdsp {

inline constexpr int GraphDesignWidth = 1080;
inline constexpr int GraphDesignHeight = 281;

inline QRgb ToQRgb(Rgb c) { return qRgb(c.r, c.g, c.b); }

// The nearest whole pixel of a mapped coordinate, bounded so that a wild value
// (a frequency far off the axis, not a number) still gives a usable int.
int RoundPixel(double v);

// The colour a page selection gives the curve: the effects page (4) follows the
// echo/reverb EQ shown (effectEqVariant 4 or 5), every other page is blue.
QRgb CurveColourFor(int page, int effectEqVariant);

// One axis label around the image; `rect` is in the coordinates of the panel
// that holds the image's panel (so it can sit left of and below the image).
struct AxisLabel {
    QString name;     // "EQLabelY0".."EQLabelY10", "EQLabelX11".."EQLabelX20"
    QString caption;  // "-24dB".."36dB", "20Hz".."20KHz"
    QRect rect;
    Qt::Alignment alignment;
};

// The width a label takes for its caption.
using CaptionWidth = std::function<int(const QString& caption)>;

// Label geometry for an image of `geometry` whose panel's top-left is
// `imagePanelPos` in the label parent's coordinates. Each label is as wide as
// `widthOf` says for its caption (unset: the designed 32 and 36).
std::vector<AxisLabel> AxisLabelLayout(const GraphGeometry& geometry, QPoint imagePanelPos,
                                       const CaptionWidth& widthOf = {});

// The curve through the first GridSteps pixel points (grid indices 0..461), as
// consecutive pieces of `piece` spline segments each. Qt's anti-aliasing
// rasteriser slows down far more than linearly with the length of one stroke,
// so the curve is stroked in short pieces that meet end to end.
inline constexpr int CurvePieceSegments = 32;
std::vector<QPainterPath> CurvePaths(std::span<const float> sumDb, const GraphGeometry& geometry,
                                     int piece = CurvePieceSegments);

class GraphRenderer {
public:
    explicit GraphRenderer(int width = GraphDesignWidth, int height = GraphDesignHeight);

    // A fresh blank picture of the given size; the grid is not drawn yet.
    void SetImageSize(int width, int height);

    // 0 (create) and 1 (after a resize): take the picture's size, draw the grid
    // and keep it as the background; 2: only put the background back.
    void BuildGraphGrid(int mode);

    // Restores the background and draws the summed curve (at least 462 values).
    void DrawCurve(std::span<const float> sumDb);

    const QImage& Image() const { return image_; }
    const QImage& Background() const { return background_; }
    const GraphGeometry& Geometry() const { return geometry_; }

    QRgb CurveColour() const { return curveColour_; }
    void SetCurveColour(QRgb argb) { curveColour_ = argb; }

private:
    GraphGeometry geometry_;
    QImage image_;
    QImage background_;
    QRgb curveColour_ = ToQRgb(CurveStartColour);
};

}  // namespace kdsp
