// Pixel checks on the rendered graph: grid lines where the axes put them, the
// curve where its dB values put it, and the label geometry around the image.
#include "graph/graph_renderer.h"

#include "core/eq/filter_response.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace kdsp {
namespace {

QRgb Px(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

TEST(GraphGrid, LinesAtTheirColoursAndPositions) {
    GraphRenderer r;  // designed 1080 x 281
    const QImage& img = r.Image();
    ASSERT_EQ(img.size(), QSize(1080, 281));
    // A column between the vertical lines and a row between the horizontal ones.
    const int freeX = std::lround(FreqToX(150, r.Geometry()));
    const int freeY = std::lround(DbToY(-10.5, r.Geometry()));
    EXPECT_EQ(Px(img, freeX, freeY), ToQRgb(GridBackgroundColour));

    // Bold vertical lines at 100, 1000 and 10000 Hz, two pixels wide.
    for (double f : {100.0, 1000.0, 10000.0}) {
        const int x = static_cast<int>(std::nearbyint(FreqToX(f, r.Geometry())));
        EXPECT_EQ(Px(img, x, freeY), ToQRgb(GridBoldColour)) << f << " Hz at x " << x;
        EXPECT_EQ(Px(img, x - 1, freeY), ToQRgb(GridBoldColour)) << f << " Hz is two pixels wide";
        EXPECT_EQ(Px(img, x + 1, freeY), ToQRgb(GridBackgroundColour)) << f << " Hz not three";
    }
    EXPECT_EQ(std::lround(FreqToX(1000, r.Geometry())), 639);
    // Major vertical lines one pixel wide.
    for (double f : {20.0, 50.0, 200.0, 900.0, 2000.0, 9000.0, 20000.0}) {
        const int x = static_cast<int>(std::nearbyint(FreqToX(f, r.Geometry())));
        EXPECT_EQ(Px(img, x, freeY), ToQRgb(GridMajorColour)) << f << " Hz";
    }
    EXPECT_EQ(Px(img, 1079, freeY), ToQRgb(GridMajorColour)) << "right border";
    EXPECT_EQ(Px(img, 0, freeY), ToQRgb(GridBoldColour)) << "left border";

    // Horizontal lines: 0 dB bold and two pixels wide, -3 dB major, -1 dB minor.
    EXPECT_EQ(Px(img, freeX, 93), ToQRgb(GridBoldColour));
    EXPECT_EQ(Px(img, freeX, 92), ToQRgb(GridBoldColour));
    EXPECT_EQ(Px(img, freeX, 94), ToQRgb(GridBackgroundColour));
    EXPECT_EQ(Px(img, freeX, std::lround(DbToY(-3, r.Geometry()))), ToQRgb(GridMajorColour));
    EXPECT_EQ(Px(img, freeX, std::lround(DbToY(-1, r.Geometry()))), ToQRgb(GridMinorColour));
    EXPECT_EQ(Px(img, freeX, 1), ToQRgb(GridBoldColour)) << "top edge";
    EXPECT_EQ(Px(img, freeX, 280), ToQRgb(GridBoldColour)) << "bottom edge";
}

TEST(GraphGrid, RebuildFollowsTheNewSizeAndRestoreKeepsScale) {
    GraphRenderer r;
    r.SetImageSize(600, 200);
    r.BuildGraphGrid(1);
    EXPECT_NEAR(PixelsPerStep(r.Geometry()), 600.0 / 462, 1e-12);
    const int x = static_cast<int>(std::nearbyint(FreqToX(1000, r.Geometry())));
    EXPECT_EQ(Px(r.Image(), x, 150), ToQRgb(GridBoldColour));
    const std::vector<float> flat(463, 0.0f);
    r.DrawCurve(flat);
    r.BuildGraphGrid(2);
    EXPECT_EQ(r.Image(), r.Background()) << "mode 2 erases the curve";
    EXPECT_NEAR(PixelsPerStep(r.Geometry()), 600.0 / 462, 1e-12);
}

TEST(GraphCurve, FlatPageRunsAlongZeroDb) {
    GraphRenderer r;
    r.SetCurveColour(ToQRgb(CurveChannelColour));
    const std::vector<float> flat(463, 0.0f);
    r.DrawCurve(flat);
    const int y = static_cast<int>(std::nearbyint(DbToY(0, r.Geometry())));  // 93
    for (int x : {30, 200, 500, 900}) {
        // The anti-aliased pen blends into the grid: take the bluest row of the column.
        int bestY = -1;
        int best = 0;
        for (int row = 0; row < 281; ++row) {
            const QColor c = QColor::fromRgb(r.Image().pixel(x, row));
            const int blueness = c.blue() - c.red();
            if (blueness > best) {
                best = blueness;
                bestY = row;
            }
        }
        EXPECT_NEAR(bestY, y, 1) << "column " << x;
        EXPECT_GT(best, 100) << "column " << x << " carries the curve colour";
    }
}

TEST(GraphCurve, BumpPeaksAtItsGridIndex) {
    GraphRenderer r;
    std::vector<float> sum(463, 0.0f);
    const int centre = 273;  // 994 Hz
    for (int g = 0; g < 463; ++g) {
        sum[g] = static_cast<float>(12.0 * std::exp(-std::pow((g - centre) / 25.0, 2)));
    }
    r.DrawCurve(sum);
    const int x = static_cast<int>(std::nearbyint(centre * (1080.0f / 462.0f)));
    int top = -1;
    for (int row = 0; row < 281 && top < 0; ++row) {
        const QColor c = QColor::fromRgb(r.Image().pixel(x, row));
        if (c.blue() > 150 && c.green() > 150) top = row;
    }
    EXPECT_LE(top, 1) << "+12 dB reaches the top edge";
    EXPECT_GE(top, 0);
}

// The row of the column's strongest curve colour (blue over the grey grid).
int CurveRow(const QImage& img, int x) {
    int bestY = -1;
    int best = 0;
    for (int row = 0; row < img.height(); ++row) {
        const QColor c = QColor::fromRgb(img.pixel(x, row));
        if (c.blue() - c.red() > best) {
            best = c.blue() - c.red();
            bestY = row;
        }
    }
    return bestY;
}

TEST(GraphCurve, RealBandPeaksAtItsCentre) {
    // A -6 dB peaking band at 1000 Hz snaps to grid index 273: the curve's
    // lowest point is at that column, at DbToY(-6) = 140.
    std::vector<float> band(ResponseBufferSize, 0.0f);
    BandResponse(band, 1000, 0, 1.0f, -6.0f);
    GraphRenderer r;
    r.SetCurveColour(ToQRgb(CurveChannelColour));
    r.DrawCurve(band);
    const int x = static_cast<int>(std::nearbyint(273 * static_cast<float>(1080.0 / GridSteps)));
    EXPECT_NEAR(CurveRow(r.Image(), x), 140, 1);
    EXPECT_NEAR(CurveRow(r.Image(), x - 60), CurveRow(r.Image(), x + 60), 1) << "symmetric";
    EXPECT_LT(CurveRow(r.Image(), x - 60), 135);
    EXPECT_NEAR(CurveRow(r.Image(), 20), 93, 1) << "flat far from the band";
}

TEST(GraphCurve, PiecesMeetEndToEndAndStopBeforeTheLastGridPoint) {
    std::vector<float> sum(463, 0.0f);
    sum[462] = -24.0f;  // only the last point is low: it must not be drawn
    const auto paths = CurvePaths(sum, GraphGeometry{}, 32);
    ASSERT_EQ(paths.size(), 15u);  // 461 segments
    int elements = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        elements += paths[i].elementCount() - 1;
        if (i > 0) {
            EXPECT_EQ(QPointF(paths[i].elementAt(0)), paths[i - 1].currentPosition()) << i;
        }
        for (int e = 0; e < paths[i].elementCount(); ++e) EXPECT_EQ(paths[i].elementAt(e).y, 93);
    }
    EXPECT_EQ(elements, 3 * 461);
    EXPECT_EQ(paths.back().currentPosition().x(), 1078);
}

TEST(GraphCurve, UnusableSumsDoNotCrash) {
    GraphRenderer r;
    std::vector<float> sum(463, -1e30f);
    sum[100] = std::nanf("");
    sum[101] = INFINITY;
    r.DrawCurve(sum);
    r.DrawCurve(std::span<const float>());  // too short: only the grid
    EXPECT_EQ(r.Image(), r.Background());
}

TEST(GraphColours, PageSelection) {
    EXPECT_EQ(CurveColourFor(4, 4), qRgb(253, 113, 61));
    EXPECT_EQ(CurveColourFor(4, 5), qRgb(148, 199, 199));
    EXPECT_EQ(CurveColourFor(0, 5), qRgb(87, 142, 250));
    EXPECT_EQ(CurveColourFor(6, 4), qRgb(87, 142, 250));
    EXPECT_EQ(GraphRenderer().CurveColour(), qRgb(0, 204, 255));
}

TEST(AxisLabels, CaptionsAndCentres) {
    const QPoint panel(40, 10);
    const auto labels = AxisLabelLayout(GraphGeometry{}, panel);
    ASSERT_EQ(labels.size(), 21u);
    EXPECT_EQ(labels[0].name, "EQLabelY0");
    EXPECT_EQ(labels[0].caption, "-24dB");
    EXPECT_EQ(labels[10].caption, "36dB");
    EXPECT_EQ(labels[11].name, "EQLabelX11");
    EXPECT_EQ(labels[16].caption, "1KHz");
    EXPECT_EQ(labels[20].caption, "20KHz");
    // "0dB" is centred on the 0 dB line, right-aligned just left of the image.
    const QRect zero = labels[4].rect;
    EXPECT_EQ(labels[4].caption, "0dB");
    EXPECT_EQ(zero.left(), 40 - 32 - 2);
    EXPECT_EQ(zero.top(), 93 + 10 - 6);
    // "1KHz" is centred on the 1000 Hz line, just below the image.
    const QRect k = labels[16].rect;
    EXPECT_EQ(k.left(), 639 + 40 - 18);
    EXPECT_EQ(k.top(), 10 + 281);
}

}  // namespace
}  // namespace kdsp
