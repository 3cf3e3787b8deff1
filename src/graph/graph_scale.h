// The EQ graph's coordinate mappings for one image size: log frequency to x
// over the 463-point grid, dB (-24..+12) to y, and back.
#pragma once

#include <cmath>

namespace kdsp {

inline constexpr int GraphGridSteps = 462;
inline constexpr double GraphGridDecades = 3.380211241711606;
inline constexpr int GraphDbMin = -24;
inline constexpr int GraphDbMax = 12;

struct GraphScale {
    int width = 1080;
    int height = 281;
    double pixelsPerStep = 1.0;

    static GraphScale ForImage(int w, int h) {
        return GraphScale{w, h, static_cast<double>(w) / GraphGridSteps};
    }
    double FreqToX(double f) const {
        return (std::log10(f) - 1.0) / GraphGridDecades * GraphGridSteps * pixelsPerStep;
    }
    double XToFreq(double x) const {
        return std::pow(10.0, x * GraphGridDecades / (GraphGridSteps * pixelsPerStep) + 1.0);
    }
    double DbToY(double db) const {
        return (GraphDbMax - db) / double(GraphDbMax - GraphDbMin) * (height - 1);
    }
    double YToDb(double y) const {
        return GraphDbMax - y / double(height - 1) * (GraphDbMax - GraphDbMin);
    }
};

}  // namespace kdsp
