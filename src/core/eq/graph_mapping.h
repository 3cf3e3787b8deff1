// Coordinates of the EQ graph (log frequency across, dB up) and the grid drawn
// behind the curve, as data, so the window and the SVG export draw the same graph.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/eq/filter_response.h"

namespace kdsp {

inline constexpr int GraphDbMin = -24;  // dB at the bottom edge
inline constexpr int GraphDbMax = 12;   // dB at the top edge

// Size of the graph image in pixels; the defaults are the designed image.
struct GraphGeometry {
    double width = 1080;
    double height = 281;
};

double PixelsPerStep(const GraphGeometry& geometry = {});
// x of a frequency; no lower clamp, so frequencies below 10 Hz give negative x.
double FreqToX(double f, const GraphGeometry& geometry = {});
double XToFreq(double x, const GraphGeometry& geometry = {});
// y of a dB value: GraphDbMax at y = 0, GraphDbMin at y = height - 1.
double DbToY(double db, const GraphGeometry& geometry = {});
double YToDb(double y, const GraphGeometry& geometry = {});

struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class GridClass { Bold, Major, Minor };

inline constexpr Rgb GridBackgroundColour{5, 5, 5};
inline constexpr Rgb GridBoldColour{110, 110, 110};
inline constexpr Rgb GridMajorColour{64, 64, 64};
inline constexpr Rgb GridMinorColour{23, 23, 23};
Rgb GridColour(GridClass c);
int GridLineWidth(GridClass c);  // 2 for bold lines, 1 otherwise

// Curve colours: the start-up colour, then the one every page selection sets.
inline constexpr Rgb CurveStartColour{0, 204, 255};
inline constexpr Rgb CurveChannelColour{87, 142, 250};  // music and every other page
inline constexpr Rgb CurveEchoColour{253, 113, 61};     // effects page, echo EQ shown
inline constexpr Rgb CurveReverbColour{148, 199, 199};  // effects page, reverb EQ shown
inline constexpr double CurvePenWidth = 1.8;
inline constexpr double CurveTension = 0.4;

// Class of the horizontal line at a whole dB value: bold at the edges and at 0 dB,
// major at the other multiples of 3, minor elsewhere.
GridClass DbLineClass(int db);

// Frequencies of the vertical lines.
inline constexpr std::array<int, 3> BoldFrequencyLines = {100, 1000, 10000};
inline constexpr std::array<int, 25> MajorFrequencyLines = {
    20,   30,   40,   50,   60,   70,   80,   90,   200,  300,  400,  500,  600,
    700,  800,  900,  2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 20000};

// One straight grid line in image coordinates, already rounded to whole pixels
// (the grid is drawn with a plain, not anti-aliased, pen).
struct GridLine {
    int x1, y1, x2, y2;
    GridClass cls;
};

// Every grid line in drawing order: the dB lines, the left border and the bold
// decade lines, the major frequency lines and the right border, the top and
// bottom edges.
std::vector<GridLine> GraphGridLines(const GraphGeometry& geometry = {});

// Axis labels. dB labels are right-aligned, their right edge 2 pixels left of the
// image, vertically centred on round(DbToY(db)); the four above GraphDbMax lie
// above the image and are clipped there. Frequency labels are centred on
// round(FreqToX(f)) with their top at the bottom edge of the image.
inline constexpr int DbLabelCount = 11;   // slots 0..10, "EQLabelY" + slot
inline constexpr int FreqLabelCount = 10; // slots 11..20, "EQLabelX" + slot
inline constexpr int DbLabelWidth = 32, FreqLabelWidth = 36, AxisLabelHeight = 13;

struct DbLabel {
    int db;
    std::string_view text;
};
struct FreqLabel {
    int frequency;
    std::string_view text;
};
const std::array<DbLabel, DbLabelCount>& DbAxisLabels();
const std::array<FreqLabel, FreqLabelCount>& FreqAxisLabels();

struct Point {
    int x, y;
    friend bool operator==(const Point&, const Point&) = default;
};

// Pixel positions of a summed curve: point g = (round(g * step), round(DbToY(sum))),
// step = width / GridSteps in single precision. Values too far off the image (or
// not finite) are held a fixed distance outside it so nothing overflows.
std::array<Point, GridPoints> CurvePixels(std::span<const float> curve,
                                          const GraphGeometry& geometry = {});

// A cardinal spline through points as cubic Bezier segments: segment i runs from
// points[i] to points[i + 1] with the two control points given here. Tension 0 is
// a polyline; the end points repeat themselves as neighbours.
struct BezierSegment {
    double c1x, c1y, c2x, c2y, x, y;
};
std::vector<BezierSegment> CardinalSpline(std::span<const Point> points, double tension);

}  // namespace kdsp
