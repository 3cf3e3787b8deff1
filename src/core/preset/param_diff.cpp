// Differences of two memory images, named through the parameter table.
#include "core/preset/param_diff.h"

#include <cstddef>

namespace kdsp {

std::string SlotName(int page, int slot) {
    const ParamSpec* p = SpecAt(page, slot);
    return p ? std::string(p->Name()) : "page " + std::to_string(page) + " slot " + std::to_string(slot);
}

std::string SlotShown(int page, int slot, int value) {
    const ParamSpec* p = SpecAt(page, slot);
    return p ? p->Show(value) : std::to_string(value);
}

std::vector<ParamDifference> DiffImages(const DeviceImageRows& a, const DeviceImageRows& b) {
    std::vector<ParamDifference> out;
    for (int page = 0; page < PageCount; ++page) {
        for (int slot = 0; slot < DeviceImageSlots; ++slot) {
            const int va = a[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)];
            const int vb = b[static_cast<std::size_t>(page)][static_cast<std::size_t>(slot)];
            if (va == vb)
                continue;
            out.push_back({page, slot, SpecAt(page, slot), SlotName(page, slot), va, vb,
                           SlotShown(page, slot, va), SlotShown(page, slot, vb)});
        }
    }
    return out;
}

}  // namespace kdsp
