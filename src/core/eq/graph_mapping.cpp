// EQ graph coordinates, grid lines, axis labels and curve geometry.
#include "core/eq/graph_mapping.h"

#include <algorithm>
#include <cmath>

namespace kdsp {
namespace {

// Pixel positions round to nearest, ties to even (the default rounding mode).
int Pixel(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1e9, 1e9)));
}

}  // namespace

double PixelsPerStep(const GraphGeometry& geometry) { return geometry.width / GridSteps; }

double FreqToX(double f, const GraphGeometry& geometry) {
    return (std::log10(f) / std::log10(10.0) - 1.0) / GridDecades * GridSteps *
           PixelsPerStep(geometry);
}

double XToFreq(double x, const GraphGeometry& geometry) {
    return std::pow(10.0, x * GridDecades / (GridSteps * PixelsPerStep(geometry)) + 1.0);
}

double DbToY(double db, const GraphGeometry& geometry) {
    return (GraphDbMax - db) / (GraphDbMax - GraphDbMin) * (geometry.height - 1.0);
}

double YToDb(double y, const GraphGeometry& geometry) {
    return GraphDbMax - y / (geometry.height - 1.0) * (GraphDbMax - GraphDbMin);
}

Rgb GridColour(GridClass c) {
    switch (c) {
        case GridClass::Bold: return GridBoldColour;
        case GridClass::Major: return GridMajorColour;
        case GridClass::Minor: break;
    }
    return GridMinorColour;
}

int GridLineWidth(GridClass c) { return c == GridClass::Bold ? 2 : 1; }

GridClass DbLineClass(int db) {
    if (db % 3 != 0) return GridClass::Minor;
    if (db == GraphDbMin || db == 0 || db == GraphDbMax) return GridClass::Bold;
    return GridClass::Major;
}

std::vector<GridLine> GraphGridLines(const GraphGeometry& geometry) {
    std::vector<GridLine> lines;
    const int right = Pixel(geometry.width);
    const int bottom = Pixel(geometry.height);
    for (int db = GraphDbMin; db <= GraphDbMax; ++db) {
        const int y = Pixel(DbToY(db, geometry));
        lines.push_back({0, y, right, y, DbLineClass(db)});
    }
    auto vertical = [&](double x, GridClass cls) {
        const int px = Pixel(x);
        lines.push_back({px, 0, px, bottom, cls});
    };
    vertical(0, GridClass::Bold);
    for (int f : BoldFrequencyLines) vertical(FreqToX(f, geometry), GridClass::Bold);
    for (int f : MajorFrequencyLines) vertical(FreqToX(f, geometry), GridClass::Major);
    vertical(GridSteps * PixelsPerStep(geometry) - 1.0, GridClass::Major);
    const int top = Pixel(DbToY(GraphDbMax, geometry) + 1.0);
    const int floor = Pixel(DbToY(GraphDbMin, geometry));
    lines.push_back({0, top, right, top, GridClass::Bold});
    lines.push_back({0, floor, right, floor, GridClass::Bold});
    return lines;
}

const std::array<DbLabel, DbLabelCount>& DbAxisLabels() {
    static const std::array<DbLabel, DbLabelCount> labels = {{
        {-24, "-24dB"},
        {-18, "-18dB"},
        {-12, "-12dB"},
        {-6, "-6dB"},
        {0, "0dB"},
        {6, "6dB"},
        {12, "12dB"},
        {18, "18dB"},
        {24, "24dB"},
        {30, "30dB"},
        {36, "36dB"},
    }};
    return labels;
}

const std::array<FreqLabel, FreqLabelCount>& FreqAxisLabels() {
    static const std::array<FreqLabel, FreqLabelCount> labels = {{
        {20, "20Hz"},
        {50, "50Hz"},
        {100, "100Hz"},
        {200, "200Hz"},
        {500, "500Hz"},
        {1000, "1KHz"},
        {2000, "2KHz"},
        {5000, "5KHz"},
        {10000, "10KHz"},
        {20000, "20KHz"},
    }};
    return labels;
}

std::array<Point, GridPoints> CurvePixels(std::span<const float> curve,
                                          const GraphGeometry& geometry) {
    std::array<Point, GridPoints> points{};
    const float step = static_cast<float>(geometry.width / GridSteps);
    // A deep notch or a broken value stays drawable: it is held this far outside.
    const double above = -10.0 * geometry.height;
    const double below = 11.0 * geometry.height;
    for (int g = 0; g < GridPoints; ++g) {
        const double sum = static_cast<std::size_t>(g) < curve.size() ? curve[g] : 0.0;
        double y = DbToY(sum, geometry);
        if (std::isnan(y)) y = below;
        points[g] = {Pixel(static_cast<double>(g) * step), Pixel(std::clamp(y, above, below))};
    }
    return points;
}

std::vector<BezierSegment> CardinalSpline(std::span<const Point> points, double tension) {
    std::vector<BezierSegment> segments;
    if (points.size() < 2) return segments;
    const double k = tension / 3.0;
    const std::size_t last = points.size() - 1;
    segments.reserve(last);
    for (std::size_t i = 0; i < last; ++i) {
        const Point& before = points[i == 0 ? 0 : i - 1];
        const Point& from = points[i];
        const Point& to = points[i + 1];
        const Point& after = points[i + 1 == last ? last : i + 2];
        segments.push_back({from.x + k * (to.x - before.x), from.y + k * (to.y - before.y),
                            to.x - k * (after.x - from.x), to.y - k * (after.y - from.y),
                            static_cast<double>(to.x), static_cast<double>(to.y)});
    }
    return segments;
}

}  // namespace kdsp
