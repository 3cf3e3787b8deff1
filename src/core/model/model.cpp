// Storage rules shared by every editor of a parameter: selector redirection
// and the mode-dependent device slots.
#include "core/model/model.h"

#include <algorithm>

#include "core/model/operating_mode.h"

namespace kdsp {

ParamId StorageId(const Model& model, ParamId id) {
    const int p = PageOf(id);
    const int i = IndexOf(id);
    if (p == PageMic && model.MicBandMode == 1) {
        if (i >= 1 && i <= 3) return id;  // common to both microphone groups
        return MakeId(PageMic9, i);
    }
    if (p == PageMain) return MakeId(model.MainVariant, i);
    if (p == PageAux1) return MakeId(model.AuxVariant, i);
    if ((p == PageEcho || p == PageReverb) && i >= 14) return MakeId(model.EffectEqVariant, i);
    return id;
}

int DeviceSlot(int page, int index, int mode) {
    mode = ModeCopyOf(mode);
    if (page == PageMusic) return index < 2 ? index : index + 52 * mode;
    if (page >= PageMain && page <= PageRear) return index <= 15 ? index + mode : index;
    return index;
}

void LoadViewFromDevice(Model& m, int mode) {
    for (int p = 0; p < PageCount; ++p) {
        for (int i = 0; i < std::min(PageParamCount[p], ParamImageSlots); ++i) {
            int row = p;
            if (p == PageMic && m.MicBandMode == 1) {
                if (i >= 1 && i <= 3) continue;
                row = PageMic9;
            } else if (p == PageMain) {
                row = m.MainVariant;
            } else if (p == PageAux1) {
                row = m.AuxVariant;
            } else if (p == PageEcho && i >= 14) {
                row = m.EffectEqVariant;
            }
            const int slot = DeviceSlot(row, i, mode);
            if (row < 0 || row >= PageCount || slot < 0 || slot >= DeviceImageSlots) continue;
            m.ParamImage[p][i] = m.DeviceImage[row][slot];
        }
    }
}

ParamId StoreValue(Model& model, ParamId id, int value) {
    const int p = PageOf(id);
    const int i = IndexOf(id);
    if (p < PageCount && i < ParamImageSlots) model.ParamImage[p][i] = value;
    const ParamId s = StorageId(model, id);
    StoreAt(model, s, value);
    return s;
}

void StoreAt(Model& model, ParamId storageId, int value) {
    const int sp = PageOf(storageId);
    const int si = IndexOf(storageId);
    if (sp < PageCount && si < ParamImageSlots) model.ParamImage[sp][si] = value;
    const int slot = DeviceSlot(sp, si, model.ModeFlag);
    if (sp < PageCount && slot >= 0 && slot < DeviceImageSlots) model.DeviceImage[sp][slot] = value;
}

}  // namespace kdsp
