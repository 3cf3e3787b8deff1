// Page refresh: rebuilds the shown view from the device image and puts every
// stored value into its controls without sending; the EQ band reset.
#include "app/editing/page_refresh.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "app/editing/change_path.h"
#include "app/editing/channel_handlers.h"
#include "app/editing/control_actions.h"
#include "app/i18n/language.h"
#include "app/pages/control_bindings.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/operating_mode.h"

namespace kdsp {

namespace {

// The refresh calls handlers that must not start another refresh meanwhile.
bool refreshing = false;

void ShowButton(AppContext& app, BoundButton* c, int p, int i, int v) {
    if (p == PageMusic && i == 0) return;  // the manual/automatic step does it
    if (p == PageMusic && i == 1) {
        // The buttons say which copy is edited.
        ControlAction(app, app.Control(ModeCopyOf(v) == 1 ? "DiscoModeBtn" : "SingModeBtn"),
                      ControlAct::SingDance);
        return;
    }
    const ParamBinding* b = FindBinding(MakeId(p, i));
    const ButtonKind kind = b ? b->button : ButtonKind::Toggle;
    if (kind == ButtonKind::Choice) {
        c->SetHint(QString::number(v));
        ChooseGroupButton(app, c);
        return;
    }
    // The handlers toggle, so they are handed the opposite of the stored state.
    c->SetHint(v == 0 ? "1" : "0");
    switch (kind) {
        case ButtonKind::Phase: TogglePhase(app, c); break;
        case ButtonKind::Bypass:
            if (p == PageDynEq) ToggleDynEqBypass(app, c, false);
            break;  // the page bypass button is prepared by its own step
        default: ToggleMute(app, c); break;
    }
}

void RefreshPage(AppContext& app, int p) {
    AppState& st = app.state();
    Model& m = app.model();
    const int count = std::min(PageParamCount[p], 85);
    for (int i = 0; i < count && i < TableSlots; ++i) {
        QWidget* c = st.Tables.Editor[p][i];
        if (!c || c == st.Example) continue;
        const int v = m.ParamImage[p][i];
        if (auto* bar = qobject_cast<BoundSlider*>(c)) {
            // A slider with a value pane shows the stored word through the pane: a word
            // beyond the slider's reach (mix levels to 200 on a slider to 100...) stands
            // as the exact number in the pane, the slider waits at its end, and the
            // memory keeps the word for presets, backups and undo. No pause here.
            auto* pane = qobject_cast<BoundPane*>(st.Tables.Pane[p][i]);
            if (pane && pane->Kind() && ShownAsText(*pane->Kind()))
                ApplyControlValue(app, pane, 0, 1, v);
            else
                MoveSlider(app, bar, v);
        } else if (auto* button = qobject_cast<BoundButton*>(c)) {
            ShowButton(app, button, p, i, v);
        } else if (auto* box = qobject_cast<BoundCombo*>(c)) {
            // The stored-mode box keeps its start-up selection until the processor says.
            if (p == PageSystem && i == 2 && !st.DeviceMemoryRead) continue;
            {
                const QSignalBlocker block(box);
                box->setCurrentIndex(((v % 10) + 10) % 10);
            }
            if (qobject_cast<TypePicture*>(st.Tables.BandType[p][i][0])) BandTypeChanged(app, box);
        } else if (qobject_cast<BoundEdit*>(c)) {
            ApplyControlValue(app, c, 0, 1, v);
        }
    }
}

void RebuildModeList(AppContext& app, int s) {
    auto* box = app.Ctl<QComboBox>("SysModeBox");
    if (!box) return;
    {
        const QSignalBlocker block(box);
        box->clear();
        for (int k = 0; k < 9; ++k)
            box->addItem(QString::number(k + 1) + "-" +
                         QString::fromStdString(app.model().ModeNames[static_cast<std::size_t>(k)]));
        box->setCurrentIndex(s >= 0 && s < 9 ? s : -1);
    }
    app.ShowStoredModeName(box);
}

}  // namespace

void RefreshPages(AppContext& app, int selector) {
    if (refreshing) return;
    refreshing = true;
    AppState& st = app.state();
    Model& m = app.model();
    st.RefreshInProgress = true;
    st.SuppressSend = true;
    // The handlers run below would each redraw; the curve is drawn once at the end.
    const bool redrawWasSuspended = app.SetCurveRedrawSuspended(true);

    // The mode word picks the copy shown, also when it came with a preset or a
    // stored edit rather than with a read.
    m.ModeFlag = ModeCopyOf(m.DeviceImage[PageMusic][1]);
    LoadViewFromDevice(m, m.ModeFlag);

    if (selector == PageReverb) selector = PageEcho;  // both shown by the effect page
    for (int p = 0; p < PageCount; ++p)
        if (selector == 20 || selector == p) RefreshPage(app, p);

    if (auto* autoBtn = app.Ctl<BoundButton>("AutoModeBtn"), *manual = app.Ctl<BoundButton>("ManulModeBtn");
        autoBtn && manual)
        ToggleAutoMode(app, m.ParamImage[PageMusic][0] == 0 ? autoBtn : manual);

    const int q = st.EqGraphSelection >> 8;
    PrepareBypassButton(app, q);

    EnableInputLevels(app);
    if (QWidget* user = FindControl(app, "SysUserMangerGrop")) user->setEnabled(false);

    const int s = m.DeviceImage[PageSystem][2];
    if (st.DeviceMemoryRead) RebuildModeList(app, s);

    st.RefreshInProgress = false;
    app.SetCurveRedrawSuspended(redrawWasSuspended);
    app.DrawChannelCurve(20, q);
    // The value label shows the selected band as it is now, not as it was.
    const int sheet = st.EqGraphSelection & 0xFF;
    if (sheet < static_cast<int>(st.SelectedBand.size())) app.DrawChannelCurve(st.SelectedBand[sheet], q);
    st.SuppressSend = false;

    if (auto* label = app.Ctl<QLabel>("CurrentModeLabel"); label && st.DeviceMemoryRead)
        SetTr(label, "text", QT_TRANSLATE_NOOP("kdsp", "（当前模式：%1 ）"), {QString::number(s + 1)});
    refreshing = false;
    app.PanelLockAfterRefresh();
}

void ResetEqBands(AppContext& app, int selector) {
    Model& m = app.model();
    const bool all = selector == 20;
    if (!all && (selector < 0 || selector > PageRear)) return;
    for (int p = 0; p <= PageRear; ++p) {
        if (!all && p != selector) continue;
        const int t = all ? p : PageOf(StorageId(m, MakeId(p, 0)));
        if (t < 0 || t >= PageCount) continue;
        for (int b = 0; b < PageBandCount[p] && b < 15; ++b) {
            for (int k = 0; k < 5; ++k) {
                const int i = BandParamIndex(FirstEqIndex[p], b, k);
                if (i < 0 || i >= ParamImageSlots) continue;
                int val = BandTypePEQ;
                if (k == 1) val = DefaultBandFreq[p][b];
                if (k == 2) val = DefaultBandGain;
                if (k == 3) val = DefaultPeakQ;
                if (k == 4) val = DefaultShelfQ;
                if (all && p == PageMusic) {
                    // The music EQ exists once per sing/dance mode.
                    m.DeviceImage[0][DeviceSlot(0, i, 0)] = val;
                    m.DeviceImage[0][DeviceSlot(0, i, 1)] = val;
                } else {
                    const int slot = DeviceSlot(t, i, m.ModeFlag);
                    if (slot >= 0 && slot < DeviceImageSlots) m.DeviceImage[t][slot] = val;
                    m.ParamImage[t][i] = val;
                }
            }
            if (!all) {
                const int i4 = BandParamIndex(FirstEqIndex[p], b, 4);
                SendBandParam(app, MakeId(p, i4), m.ParamImage[t][i4]);
            }
        }
    }
    RefreshPages(app, selector);
    // Group B of the microphone is shown through page 1's controls.
    if (selector == PageMic9) RefreshPages(app, PageMic);
}

}  // namespace kdsp
