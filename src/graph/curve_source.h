// What the graph needs from the EQ mathematics for one draw: the loaded band
// slots of a page and the summed response on the 463-point grid. The window and
// the CLI use ChannelCurveSource; tests can stand in their own.
#pragma once

#include <span>

#include "core/eq/channel_curve.h"
#include "core/model/model.h"

namespace kdsp {

class CurveSource {
public:
    virtual ~CurveSource() = default;
    // Loads the page's bands (every slot for AllSlots, else that slot and the
    // crossovers), recomputes the selected responses and the sum; returns the
    // channel code c + 100*b.
    virtual int LoadAndCompute(int pointSel, int page) = 0;
    virtual BandSlot Slot(int slot) const = 0;
    // The summed response of the slots of the last load, one value per grid point.
    virtual std::span<const float> Sum() const = 0;
};

// The cached channel curve of the EQ core over a model's parameter image.
class ChannelCurveSource : public CurveSource {
public:
    explicit ChannelCurveSource(const Model& model) : model_(model) {}
    int LoadAndCompute(int pointSel, int page) override {
        return curve_.Update(model_, pointSel, page);
    }
    BandSlot Slot(int slot) const override {
        return slot >= 0 && slot < BandSlotCount ? curve_.Slots()[slot] : BandSlot{};
    }
    std::span<const float> Sum() const override { return curve_.Curve(); }
    const ChannelCurve& Curve() const { return curve_; }

private:
    const Model& model_;
    ChannelCurve curve_;
};

}  // namespace kdsp
