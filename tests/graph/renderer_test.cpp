// Pixel checks on the rendered graph: grid lines where the axes put them, the
// curve where its dB values put it, and the label geometry around the image.
#include "graph/graph_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace kdsp {
namespace {

QRgb Px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }
QRgb Rgb(QRgb c) { return c & 0xFFFFFF; }

TEST(GraphScale, DesignedImageMapping) {
    const GraphScale s = GraphScale::ForImage(1080, 281);
    EXPECT_NEAR(s.pixelsPerStep, 2.3376623, 1e-6);
    EXPECT_NEAR(s.FreqToX(1000), 639.01, 0.01);
    EXPECT_NEAR(s.DbToY(0), 93.333, 0.001);
    EXPECT_DOUBLE_EQ(s.DbToY(-24), 280);
    EXPECT_DOUBLE_EQ(s.DbToY(12), 0);
    for (double f : {19.5, 100.0, 1000.0, 20600.0}) EXPECT_NEAR(s.XToFreq(s.FreqToX(f)), f, 1e-9);
    for (double d : {-24.0, -3.2, 0.0, 12.0}) EXPECT_NEAR(s.YToDb(s.DbToY(d)), d, 1e-12);
}

TEST(GraphGrid, LinesAtTheirColoursAndPositions) {
    GraphRenderer r;  // designed 1080 x 281
    const QImage& img = r.Image();
    ASSERT_EQ(img.size(), QSize(1080, 281));
    // A column between the vertical lines and a row between the horizontal ones.
    const int freeX = std::lround(r.Scale().FreqToX(150));
    const int freeY = std::lround(r.Scale().DbToY(-10.5));
    EXPECT_EQ(Px(img, freeX, freeY), Rgb(GraphBackgroundColour));

    // Bold vertical lines at 100, 1000 and 10000 Hz, two pixels wide.
    for (double f : {100.0, 1000.0, 10000.0}) {
        const int x = static_cast<int>(std::nearbyint(r.Scale().FreqToX(f)));
        EXPECT_EQ(Px(img, x, freeY), Rgb(GridBoldColour)) << f << " Hz at x " << x;
        EXPECT_EQ(Px(img, x - 1, freeY), Rgb(GridBoldColour)) << f << " Hz is two pixels wide";
        EXPECT_EQ(Px(img, x + 1, freeY), Rgb(GraphBackgroundColour)) << f << " Hz not three";
    }
    EXPECT_EQ(std::lround(r.Scale().FreqToX(1000)), 639);
    // Major vertical lines one pixel wide.
    for (double f : {20.0, 50.0, 200.0, 900.0, 2000.0, 9000.0, 20000.0}) {
        const int x = static_cast<int>(std::nearbyint(r.Scale().FreqToX(f)));
        EXPECT_EQ(Px(img, x, freeY), Rgb(GridMajorColour)) << f << " Hz";
    }
    EXPECT_EQ(Px(img, 1079, freeY), Rgb(GridMajorColour)) << "right border";
    EXPECT_EQ(Px(img, 0, freeY), Rgb(GridBoldColour)) << "left border";

    // Horizontal lines: 0 dB bold and two pixels wide, -3 dB major, -1 dB minor.
    EXPECT_EQ(Px(img, freeX, 93), Rgb(GridBoldColour));
    EXPECT_EQ(Px(img, freeX, 92), Rgb(GridBoldColour));
    EXPECT_EQ(Px(img, freeX, 94), Rgb(GraphBackgroundColour));
    EXPECT_EQ(Px(img, freeX, std::lround(r.Scale().DbToY(-3))), Rgb(GridMajorColour));
    EXPECT_EQ(Px(img, freeX, std::lround(r.Scale().DbToY(-1))), Rgb(GridMinorColour));
    EXPECT_EQ(Px(img, freeX, 1), Rgb(GridBoldColour)) << "top edge";
    EXPECT_EQ(Px(img, freeX, 280), Rgb(GridBoldColour)) << "bottom edge";
}

TEST(GraphGrid, RebuildFollowsTheNewSizeAndRestoreKeepsScale) {
    GraphRenderer r;
    r.SetImageSize(600, 200);
    r.BuildGraphGrid(1);
    EXPECT_NEAR(r.Scale().pixelsPerStep, 600.0 / 462, 1e-12);
    const int x = static_cast<int>(std::nearbyint(r.Scale().FreqToX(1000)));
    EXPECT_EQ(Px(r.Image(), x, 150), Rgb(GridBoldColour));
    const std::vector<float> flat(463, 0.0f);
    r.DrawCurve(flat);
    r.BuildGraphGrid(2);
    EXPECT_EQ(r.Image(), r.Background()) << "mode 2 erases the curve";
    EXPECT_NEAR(r.Scale().pixelsPerStep, 600.0 / 462, 1e-12);
}

TEST(GraphCurve, FlatPageRunsAlongZeroDb) {
    GraphRenderer r;
    r.SetCurveColour(CurveColourDefault);
    const std::vector<float> flat(463, 0.0f);
    r.DrawCurve(flat);
    const int y = static_cast<int>(std::nearbyint(r.Scale().DbToY(0)));  // 93
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

TEST(GraphCurve, PointsRoundLikeThePainter) {
    const GraphScale s = GraphScale::ForImage(1080, 281);
    std::vector<float> sum(463, 0.0f);
    sum[0] = -24.0f;
    const std::vector<QPoint> pts = CurvePoints(s, sum);
    ASSERT_EQ(pts.size(), 462u) << "the last grid point is not drawn";
    EXPECT_EQ(pts[0], QPoint(0, 280));
    EXPECT_EQ(pts[1], QPoint(2, 93));
    EXPECT_EQ(pts[461].x(), 1078);
}

TEST(GraphCurve, CardinalSplinePassesThroughItsPoints) {
    const std::array<QPoint, 4> pts = {QPoint(0, 0), QPoint(10, 20), QPoint(20, 0), QPoint(30, 20)};
    const QPainterPath path = CardinalSplinePath(pts, 0.4);
    ASSERT_EQ(path.elementCount(), 1 + 3 * 3);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(0, 0));
    EXPECT_EQ(QPointF(path.elementAt(3)), QPointF(10, 20));
    EXPECT_EQ(QPointF(path.elementAt(9)), QPointF(30, 20));
    // Second segment P1..P2: controls P1 + t/3 (P2 - P0) and P2 - t/3 (P3 - P1).
    const double k = 0.4 / 3;
    EXPECT_NEAR(path.elementAt(4).x, 10 + k * 20, 1e-9);
    EXPECT_NEAR(path.elementAt(4).y, 20 + k * 0, 1e-9);
    EXPECT_NEAR(path.elementAt(5).x, 20 - k * 20, 1e-9);
    EXPECT_NEAR(path.elementAt(5).y, 0 - k * 0, 1e-9);
    // First segment: the end point stands in for its missing neighbour.
    EXPECT_NEAR(path.elementAt(1).x, 0 + k * 10, 1e-9);
    EXPECT_NEAR(path.elementAt(1).y, 0 + k * 20, 1e-9);
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
    EXPECT_EQ(CurveColourFor(4, 4), qRgba(253, 113, 61, 255));
    EXPECT_EQ(CurveColourFor(4, 5), qRgba(148, 199, 199, 255));
    EXPECT_EQ(CurveColourFor(0, 5), qRgba(87, 142, 250, 255));
    EXPECT_EQ(GraphRenderer().CurveColour(), qRgba(0, 204, 255, 255));
}

TEST(AxisLabels, CaptionsAndCentres) {
    const GraphScale s = GraphScale::ForImage(1080, 281);
    const QPoint panel(40, 10);
    const auto labels = AxisLabelLayout(s, panel);
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
