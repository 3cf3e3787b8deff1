// Control tables: which control shows which parameter, built from the
// control bindings (pages/control_bindings), and the enable rules that walk them.
#include "app/editing/control_tables.h"

#include <QScrollArea>

#include "app/pages/control_bindings.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

QWidget* Lookup(AppContext& app, const char* name) {
    return name ? app.Control(QString::fromLatin1(name)) : nullptr;
}

// Slots that hold the placeholder edit: the holes between bound parameters.
bool IsPlaceholder(int page, int index) {
    switch (page) {
        case PageMusic: return index == 2;
        case PageMic: return index == 1 || index == 4 || index == 5;
        case PageEcho: return index >= 12 && index <= 15;
        case PageMain: return (index < 16 && index % 2 == 1) || index == 32 || index == 33;
        case PageAux1: return (index < 16 && index % 2 == 1) || index == 29 || index == 30;
        case PageSystem:
            return index == 0 || index == 1 || index == 4 || index == 5 || index == 15 || index == 16;
        default: return false;
    }
}

template <class... T>
bool IsOneOf(QObject* o) {
    return o && ((qobject_cast<T*>(o) != nullptr) || ...);
}

void FillTables(AppContext& app) {
    AppState& st = app.state();
    ControlTables& t = st.Tables;
    t = ControlTables{};
    for (int p = 0; p < TablePages; ++p)
        for (int i = 0; i < TableSlots; ++i)
            if (IsPlaceholder(p, i)) t.Editor[p][i] = st.Example;
    for (const ParamBinding& b : ControlBindings()) {
        const int p = PageOf(b.id);
        const int i = IndexOf(b.id);
        if (p >= TablePages || i >= TableSlots) continue;  // no control beyond slot 85
        if (QWidget* w = Lookup(app, b.editor)) t.Editor[p][i] = w;
        if (QWidget* w = Lookup(app, b.pane)) t.Pane[p][i] = w;
        if (QWidget* w = Lookup(app, b.spin)) t.Spin[p][i] = w;
        for (int k = 0; k < 3; ++k)
            if (QWidget* w = Lookup(app, b.typeControls[k])) t.BandType[p][i][k] = w;
    }
    struct Row {
        int graph;
        const char* prefix;
        int count;
    };
    static const Row kLabels[] = {{0, "MusEQPointLabel", 10}, {1, "MicEQPointLabel", 15},
                                  {2, "EffEQPointLabel", 5},  {3, "MainEQPointLabel", 8},
                                  {5, "SubEQPointLabel", 8},  {8, "DEQPointLabel", 3}};
    for (const Row& r : kLabels)
        for (int n = 0; n < r.count; ++n)
            t.BandLabel[r.graph][n] =
                app.Ctl<BoundLabel>(QString::fromLatin1(r.prefix) + QString::number(n + 1));
    for (int k = 0; k < 10; ++k) t.TabButtons[k] = app.Ctl<BoundButton>(QString("FormTabBtn%1").arg(k + 1));
    t.ChoiceGroup = {app.Ctl<BoundButton>("SysMusInputLevel"), app.Ctl<BoundButton>("SysMusInputLevel2"),
                     app.Ctl<BoundButton>("SysMusInputLevel3")};
    st.CurrentEdit = app.Ctl<BoundEdit>("MusFreEdit1");
    st.HighlightedEdit = st.Example;
}

void StampTags(AppContext& app) {
    AppState& st = app.state();
    ControlTables& t = st.Tables;
    // The point labels carry the page of their graph; rows 4 and 6 keep their own tags.
    static const int kLabelTag[7] = {0, 1, 4, 6, -1, 7, -1};
    for (int g = 0; g < 7; ++g) {
        if (kLabelTag[g] < 0) continue;
        for (int n = 0; n < GraphBandCount[g] && n < LabelsPerGraph; ++n)
            if (BoundLabel* l = t.BandLabel[g][n]) l->SetTag(kLabelTag[g]);
    }
    auto* gainLook = app.Ctl<BoundSlider>("MusEQGainBar1");
    for (int p = 0; p < TablePages; ++p) {
        const int count = std::min(PageParamCount[p], TableSlots);
        for (int i = 0; i < count; ++i) {
            const int tag = p * 256 + i;
            QWidget* e = t.Editor[p][i];
            if (e && e != st.Example && IsOneOf<BoundCombo, BoundSlider, BoundButton, BoundEdit>(e))
                AsBound(e)->SetTag(tag);
            QWidget* pane = t.Pane[p][i];
            if (IsOneOf<BoundCombo, BoundPane, BoundButton>(pane)) AsBound(pane)->SetTag(tag);
            QWidget* spin = t.Spin[p][i];
            if (IsOneOf<BoundButton, BoundSpin>(spin)) AsBound(spin)->SetTag(tag);
            auto& types = t.BandType[p][i];
            if (qobject_cast<TypePicture*>(types[0])) {
                for (int k = 0; k < 3; ++k)
                    if (auto* pic = qobject_cast<TypePicture*>(types[k])) {
                        pic->SetTag(tag);
                        pic->SetHint(QString::number(k));
                    }
            } else if (auto* bar = qobject_cast<BoundSlider*>(types[0])) {
                bar->SetTag(tag);
                // Band gain sliders outside the dynamic EQ share the music page's look.
                if (p != PageDynEq && gainLook && bar != gainLook) bar->setFixedWidth(gainLook->width());
            }
        }
    }
}

void StartupDefaults(Model& m) {
    m.DeviceImage[PageSystem][17] = 0;
    m.DeviceImage[PageMusic][0] = 1;  // manual mode
    for (int p = PageMain; p <= PageRear; ++p) m.DeviceImage[p][20] = 362;  // low-pass "Off"
    m.DeviceImage[PageMic][1] = 64;
}

void Enable(QWidget* w, bool on) {
    if (w) w->setEnabled(on);
}

}  // namespace

void BuildControlTables(AppContext& app) {
    FillTables(app);
    AppState& st = app.state();
    st.RefreshInProgress = true;
    StampTags(app);
    StartupDefaults(app.model());
    st.RefreshInProgress = false;
}

void SetEnableRules(AppContext& app, int manualFlag, int selector) {
    AppState& st = app.state();
    ControlTables& t = st.Tables;
    Model& m = app.model();
    const bool manual = manualFlag != 0;
    if (selector == 255) {
        const bool musicEqOn = m.ParamImage[PageMusic][3] == 0;
        if (musicEqOn) Enable(app.Control("MusScrollBox"), manual);
        for (int i = 1; i <= 48; ++i) {
            if (!qobject_cast<BoundSpin*>(t.Spin[PageMusic][i]) || !musicEqOn) continue;
            Enable(t.Spin[PageMusic][i], manual);
            if (auto* e = qobject_cast<BoundEdit*>(t.Editor[PageMusic][i]); e && e != st.Example)
                Enable(e, manual);
        }
        for (int p = PageMain; p <= PageRear; ++p)
            for (int i = 0; i <= 15; ++i) {
                QWidget* e = t.Editor[p][i];
                if (e != st.Example && IsOneOf<BoundSlider, BoundButton, BoundCombo, BoundEdit>(e))
                    Enable(e, manual);
                if (qobject_cast<BoundSpin*>(t.Spin[p][i])) Enable(t.Spin[p][i], manual);
                if (qobject_cast<BoundButton*>(t.Pane[p][i])) Enable(t.Pane[p][i], manual);
            }
        Enable(app.Control("SingModeBtn"), manual);
        Enable(app.Control("DiscoModeBtn"), manual);
        return;
    }
    if (selector < 0 || selector >= PageCount) return;
    const int p = selector;
    auto* allpass = app.Ctl<BoundButton>("MusEQAllpassBtn");
    const bool eqOn = !(allpass && allpass->Hint() == "1");
    switch (p) {
        case PageMusic:
            if (!manual) return;
            Enable(app.Control("MusScrollBox"), eqOn);
            break;
        case PageMic: Enable(app.Control("MicScrollBox"), eqOn); break;
        case PageEcho: Enable(app.Control("EffScrollBar"), eqOn); break;
        case PageMain: Enable(app.Control("MainPanScrollBox"), eqOn); break;
        case PageAux1: Enable(app.Control("SubScrollPaneBox"), eqOn); break;
        case PageDynEq:
            for (int g = 0; g < 3; ++g) {
                const bool on = m.ParamImage[PageDynEq][12 * g + 1] == 0;
                for (int i = 12 * g + 3; i <= 12 * g + 5; ++i) {
                    if (auto* e = qobject_cast<BoundEdit*>(t.Editor[p][i]); e && e != st.Example) Enable(e, on);
                    if (qobject_cast<BoundSpin*>(t.Spin[p][i])) Enable(t.Spin[p][i], on);
                }
                Enable(app.Control(QString("DEQ%1Grop").arg(g + 1)), on);
            }
            return;
        case PageMic9: return;
        case PageSystem: return;
        default: break;
    }
    const int first = FirstEqIndex[p];
    const int last = std::min(first + 5 * PageBandCount[p], TableSlots - 1);
    for (int i = first; i <= last; ++i) {
        if (auto* e = qobject_cast<BoundEdit*>(t.Editor[p][i]); e && e != st.Example) Enable(e, eqOn);
        if (qobject_cast<BoundSpin*>(t.Spin[p][i])) Enable(t.Spin[p][i], eqOn);
    }
}

}  // namespace kdsp
