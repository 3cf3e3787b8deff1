// What the graph needs from the EQ mathematics for one draw: the loaded band
// slots of a page and the summed response on the 463-point grid.
#pragma once

#include <span>

namespace kdsp {

struct CurveSlot {
    int code = 0;             // curve code: <100 band, 100..199 high-pass, 200..299 low-pass
    double frequency = 1000;  // Hz
    double gain = 0;          // dB
    double q = 1;             // Q, or shelf slope
};

class CurveSource {
public:
    virtual ~CurveSource() = default;
    // Loads the page's bands (every slot for pointSel 20, else that slot and the
    // crossovers), recomputes the selected responses and the sum; returns the
    // channel code c + 100*b.
    virtual int LoadAndCompute(int pointSel, int page) = 0;
    virtual CurveSlot Slot(int slot) const = 0;
    // The summed response of the slots of the last load, one value per grid point.
    virtual std::span<const float> Sum() const = 0;
};

}  // namespace kdsp
