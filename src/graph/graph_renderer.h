// Draws the EQ graph onto a QImage: the cached grid background, the axis label
// geometry and the summed response curve as an anti-aliased cardinal spline.
// Shared by the main window's graph view and `kdsp curve --png`.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

#include "graph/graph_scale.h"

namespace kdsp {

inline constexpr int GraphDesignWidth = 1080;
inline constexpr int GraphDesignHeight = 281;
inline constexpr int CurvePointCount = GraphGridSteps + 1;  // 463 summed values

inline constexpr QRgb GraphBackgroundColour = qRgb(5, 5, 5);
inline constexpr QRgb GridBoldColour = qRgb(110, 110, 110);
inline constexpr QRgb GridMajorColour = qRgb(64, 64, 64);
inline constexpr QRgb GridMinorColour = qRgb(23, 23, 23);

// Curve colours: the one the window starts with, then the page-dependent ones.
inline constexpr QRgb CurveColourStart = qRgba(0, 204, 255, 255);
inline constexpr QRgb CurveColourEcho = qRgba(253, 113, 61, 255);
inline constexpr QRgb CurveColourReverb = qRgba(148, 199, 199, 255);
inline constexpr QRgb CurveColourDefault = qRgba(87, 142, 250, 255);

inline constexpr double CurvePenWidth = 1.8;
inline constexpr double CurveTension = 0.4;

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

// Label geometry for an image of `scale` whose panel's top-left is `imagePanelPos`
// in the label parent's coordinates; the designed sizes are 32x13 (dB) and 36x13 (Hz).
std::vector<AxisLabel> AxisLabelLayout(const GraphScale& scale, QPoint imagePanelPos,
                                       QSize dbLabelSize = {32, 13},
                                       QSize freqLabelSize = {36, 13});

// The 462 integer points the curve passes through (grid indices 0..461):
// x = round(g * width/462 as a float), y = round(DbToY(sum[g])), ties to even.
std::vector<QPoint> CurvePoints(const GraphScale& scale, std::span<const float> sumDb);

// The cardinal spline through `points` as cubic Beziers. For the segment
// P[i]..P[i+1] the controls are P[i] + t/3*(P[i+1]-P[i-1]) and
// P[i+1] - t/3*(P[i+2]-P[i]); the end points stand in for their missing neighbour.
QPainterPath CardinalSplinePath(std::span<const QPoint> points, double tension);

class GraphRenderer {
public:
    explicit GraphRenderer(int width = GraphDesignWidth, int height = GraphDesignHeight);

    // A fresh blank picture of the given size; the grid is not drawn yet.
    void SetImageSize(int width, int height);

    // 0 (create) and 1 (after a resize): recompute the scale, draw the grid and
    // keep it as the background; 2: only put the background back.
    void BuildGraphGrid(int mode);

    // Restores the background and draws the summed curve (at least 462 values).
    void DrawCurve(std::span<const float> sumDb);

    const QImage& Image() const { return image_; }
    const QImage& Background() const { return background_; }
    const GraphScale& Scale() const { return scale_; }

    QRgb CurveColour() const { return curveColour_; }
    void SetCurveColour(QRgb argb) { curveColour_ = argb; }

private:
    void DrawGrid();

    GraphScale scale_;
    QImage image_;
    QImage background_;
    QRgb curveColour_ = CurveColourStart;
};

}  // namespace kdsp
