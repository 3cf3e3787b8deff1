// EQ graph coordinates, grid and curve geometry on the designed 1080 x 281 image
// and on other sizes.
#include "core/eq/graph_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kdsp {
namespace {

TEST(GraphMapping, DesignedImageReadings) {
    EXPECT_NEAR(PixelsPerStep(), 2.3376623376623376, 1e-12);
    EXPECT_NEAR(FreqToX(1000), 639.01, 0.01);
    EXPECT_NEAR(DbToY(0), 93.3333333333, 1e-9);
    EXPECT_DOUBLE_EQ(DbToY(-24), 280.0);
    EXPECT_DOUBLE_EQ(DbToY(12), 0.0);
    EXPECT_DOUBLE_EQ(FreqToX(10), 0.0);
    EXPECT_NEAR(FreqToX(24000), 1080.0, 1e-9);
    // No lower clamp: below 10 Hz lies left of the image.
    EXPECT_LT(FreqToX(5), 0.0);
}

TEST(GraphMapping, OtherSizesScale) {
    const GraphGeometry small{500, 101};
    EXPECT_NEAR(FreqToX(24000, small), 500.0, 1e-9);
    EXPECT_DOUBLE_EQ(DbToY(-24, small), 100.0);
    EXPECT_NEAR(XToFreq(250, small), std::sqrt(10.0 * 24000.0), 1e-6);
    EXPECT_NEAR(YToDb(50, small), -6.0, 1e-12);
}

TEST(GraphMapping, InverseMappingsRoundTrip) {
    for (const GraphGeometry& geometry : {GraphGeometry{}, GraphGeometry{1920, 500}}) {
        for (double f = 10.0; f <= 24000.0; f *= 1.01)
            ASSERT_NEAR(XToFreq(FreqToX(f, geometry), geometry), f, 1e-9) << f << " Hz";
        for (double db = GraphDbMin; db <= GraphDbMax; db += 0.037)
            ASSERT_NEAR(YToDb(DbToY(db, geometry), geometry), db, 1e-9) << db << " dB";
        for (double x = 0; x <= geometry.width; x += 0.5)
            ASSERT_NEAR(FreqToX(XToFreq(x, geometry), geometry), x, 1e-9) << "x " << x;
    }
}

TEST(GraphGrid, LineClassesAndPlaces) {
    EXPECT_EQ(DbLineClass(0), GridClass::Bold);
    EXPECT_EQ(DbLineClass(GraphDbMin), GridClass::Bold);
    EXPECT_EQ(DbLineClass(GraphDbMax), GridClass::Bold);
    EXPECT_EQ(DbLineClass(-3), GridClass::Major);
    EXPECT_EQ(DbLineClass(9), GridClass::Major);
    EXPECT_EQ(DbLineClass(-1), GridClass::Minor);
    EXPECT_EQ(DbLineClass(-23), GridClass::Minor);
    EXPECT_EQ(GridLineWidth(GridClass::Bold), 2);
    EXPECT_EQ(GridLineWidth(GridClass::Minor), 1);
    EXPECT_EQ(GridColour(GridClass::Bold), (Rgb{110, 110, 110}));
    EXPECT_EQ(GridColour(GridClass::Major), (Rgb{64, 64, 64}));
    EXPECT_EQ(GridColour(GridClass::Minor), (Rgb{23, 23, 23}));

    const std::vector<GridLine> lines = GraphGridLines();
    // 37 dB lines, left border, 3 bold and 25 major frequency lines, right border,
    // top and bottom edges.
    ASSERT_EQ(lines.size(), 37u + 1 + 3 + 25 + 1 + 2);
    const GridLine& zero = lines[24];  // -24 .. 0
    EXPECT_EQ(zero.y1, 93);
    EXPECT_EQ(zero.cls, GridClass::Bold);
    EXPECT_EQ(zero.x2, 1080);
    const GridLine& decade1000 = lines[37 + 2];
    EXPECT_EQ(decade1000.x1, 639);
    EXPECT_EQ(decade1000.cls, GridClass::Bold);
    EXPECT_EQ(decade1000.y2, 281);
    const GridLine& rightBorder = lines[37 + 1 + 3 + 25];
    EXPECT_EQ(rightBorder.x1, 1079);
    EXPECT_EQ(rightBorder.cls, GridClass::Major);
    EXPECT_EQ(lines[lines.size() - 2].y1, 1);
    EXPECT_EQ(lines.back().y1, 280);
}

TEST(GraphGrid, AxisLabels) {
    const auto& db = DbAxisLabels();
    EXPECT_EQ(db[0].text, "-24dB");
    EXPECT_EQ(db[4].text, "0dB");
    EXPECT_EQ(db[10].text, "36dB");
    for (int n = 0; n < DbLabelCount; ++n) EXPECT_EQ(db[n].db, -24 + 6 * n);
    const auto& freq = FreqAxisLabels();
    EXPECT_EQ(freq[5].text, "1KHz");
    EXPECT_EQ(freq[5].frequency, 1000);
    EXPECT_EQ(freq[9].text, "20KHz");
}

TEST(CurveGeometry, FlatCurveIsTheZeroLine) {
    std::vector<float> flat(ResponseBufferSize, 0.0f);
    const auto points = CurvePixels(flat);
    for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(points[g].y, 93) << g;
    EXPECT_EQ(points[0].x, 0);
    EXPECT_EQ(points[GridSteps].x, 1080);
    EXPECT_EQ(points[231].x, 540);
}

TEST(CurveGeometry, BrokenValuesStayDrawable) {
    std::vector<float> curve(GridPoints, 0.0f);
    curve[10] = std::numeric_limits<float>::infinity();
    curve[11] = -std::numeric_limits<float>::infinity();
    curve[12] = std::numeric_limits<float>::quiet_NaN();
    curve[13] = -1e30f;
    const auto points = CurvePixels(curve);
    EXPECT_EQ(points[10].y, -2810);
    EXPECT_EQ(points[11].y, 11 * 281);
    EXPECT_EQ(points[12].y, 11 * 281);
    EXPECT_EQ(points[13].y, 11 * 281);
}

TEST(CurveGeometry, CardinalSplineControlPoints) {
    const std::vector<Point> line = {{0, 0}, {10, 10}, {20, 20}, {30, 30}};
    const auto straight = CardinalSpline(line, 0.4);
    ASSERT_EQ(straight.size(), 3u);
    // Collinear points give control points on the line, at tension/3 of the chord.
    for (const auto& s : straight) {
        EXPECT_DOUBLE_EQ(s.c1x, s.c1y);
        EXPECT_DOUBLE_EQ(s.c2x, s.c2y);
    }
    EXPECT_NEAR(straight[1].c1x, 10 + 0.4 / 3 * 20, 1e-12);
    EXPECT_NEAR(straight[0].c1x, 0 + 0.4 / 3 * 10, 1e-12);  // end repeats itself
    const auto polyline = CardinalSpline(line, 0.0);
    EXPECT_DOUBLE_EQ(polyline[1].c1x, 10);
    EXPECT_DOUBLE_EQ(polyline[1].c2x, 20);
    EXPECT_TRUE(CardinalSpline(std::vector<Point>{{1, 1}}, 0.4).empty());
}

}  // namespace
}  // namespace kdsp
