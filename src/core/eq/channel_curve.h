// The band slots of one channel page, loaded from the parameter image, and the
// channel's summed response with one cached response per slot, so that editing
// one band recomputes only that band.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/eq/filter_response.h"
#include "core/model/model.h"

namespace kdsp {

inline constexpr int BandSlotCount = 17;
inline constexpr int AllSlots = 20;          // pointSel: load and recompute every slot
inline constexpr ParamId NoControl = 0xFFFF; // a slot field without a control

struct BandSlot {
    std::int32_t code = 0;  // CurveCode in the low byte
    float frequency = 0;    // Hz
    float gain = 0;         // dB
    float q = 0;            // Q, or the shelf slope for codes 1 and 2
    // Parameters whose controls edit this slot; the window maps them to widgets.
    // Ordinary bands: the editors of fields 1, 2 and 3. Crossovers: the value pane of
    // the frequency parameter, and no gain or Q control.
    ParamId frequencyControl = NoControl;
    ParamId gainControl = NoControl;
    ParamId qControl = NoControl;
};
using BandSlots = std::array<BandSlot, BandSlotCount>;

// ChannelCode = c + 100 * b: c the slot of the last ordinary band, b the number of
// crossovers (in slots c + 1 and c + 2). The slots in use are 0..c + b.
inline constexpr int LastSlotOf(int channelCode) { return channelCode % 100 + channelCode / 100; }

// Fills the slots of `page` (0..9) from the model's parameter image: ordinary band i
// only when pointSel is AllSlots or i, the crossovers always. The frequency controls
// of the high-pass and low-pass crossovers are also put into slots 15 and 16, which
// belong to the crossover markers. Pages outside 0..9 load nothing and give 0.
int LoadChannelBands(const Model& model, BandSlots& slots, int pointSel, int page);

class ChannelCurve {
public:
    // One redraw of a page: reloads the slots, recomputes slot pointSel (every slot
    // for AllSlots) and sums the slots in use. Page 5 is drawn as page 4; pages 10 and
    // above change nothing. Returns the channel code of the slots now held.
    int Update(const Model& model, int pointSel, int page);

    // Replaces the slots with the given bands (at most BandSlotCount, the rest are
    // ignored) as ordinary slots 0..n-1 and recomputes everything.
    void SetBands(std::span<const BandSlot> bands);

    int ChannelCode() const { return code_; }
    int SlotsInUse() const { return LastSlotOf(code_) + 1; }
    const BandSlots& Slots() const { return slots_; }
    std::span<const float> SlotResponse(int slot) const;
    // Summed response of the slots in use, one dB value per grid index.
    const std::array<float, GridPoints>& Curve() const { return curve_; }

private:
    void ComputeSlot(int slot);
    void Sum();

    BandSlots slots_{};
    std::array<std::array<float, GridPoints>, BandSlotCount> responses_{};
    std::array<float, GridPoints> curve_{};
    int code_ = 0;
};

}  // namespace kdsp
