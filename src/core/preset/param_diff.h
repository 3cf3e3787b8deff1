// The parameters two whole memory images set differently, by name, page and both
// shown values: what `kdsp preset diff` prints and the window's diff view lists.
#pragma once

#include <string>
#include <vector>

#include "core/model/model.h"
#include "core/model/param_table.h"

namespace kdsp {

struct ParamDifference {
    int page = 0;
    int slot = 0;
    const ParamSpec* param = nullptr;  // nullptr: a slot no parameter names (files from elsewhere)
    std::string name;                 // "main.lowpass.frequency", or "page 3 slot 120"
    int a = 0;                        // the stored words
    int b = 0;
    std::string shownA;  // as the window shows them, with their units: "1000.0Hz"
    std::string shownB;
};

// The name of a slot; a file from elsewhere may hold slots no name reaches.
std::string SlotName(int page, int slot);
// A stored word as the window shows it, with its unit; the bare number where no
// parameter names the slot.
std::string SlotShown(int page, int slot, int value);

// Every slot of the two images that differs, in page and slot order (the order of a
// preset file).
std::vector<ParamDifference> DiffImages(const DeviceImageRows& a, const DeviceImageRows& b);

}  // namespace kdsp
