// Page refresh: rebuilds the shown view from the device image. Putting the
// values into the controls comes with the change path.
#include "app/page_refresh.h"

#include <algorithm>

#include "app/main_window.h"

namespace kdsp {

void LoadViewFromDevice(TForm1& form, int mode) {
    Model& m = form.model();
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

void RefreshPages(TForm1& form, int selector) {
    (void)selector;
    AppState& st = form.state();
    st.RefreshInProgress = true;
    st.SuppressSend = true;
    LoadViewFromDevice(form, form.model().ModeFlag);
    form.model().ModeFlag = form.model().ParamImage[PageMusic][1];
    st.RefreshInProgress = false;
    st.SuppressSend = false;
}

void ResetEqBands(TForm1& form, int selector) { RefreshPages(form, selector); }

}  // namespace kdsp
