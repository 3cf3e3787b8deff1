// Channel handlers: the few shared handlers behind every edit, spin, slider and
// switch of the pages. Each finds its parameter through the sender's Tag.
#include "app/editing/channel_handlers.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/editing/change_path.h"
#include "app/editing/control_actions.h"
#include "app/editing/control_tables.h"
#include "app/editing/page_refresh.h"
#include "app/i18n/language.h"
#include "app/pages/control_bindings.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

using Pic = BoundButton::Picture;

constexpr ParamId IdMusicInputLevel = 0x0A03;

bool Slot(int tag, int& p, int& i) {
    p = tag >> 8;
    i = tag & 0xFF;
    return tag >= 0 && p < TablePages && i < TableSlots;
}

QWidget* EditorOf(AppContext& app, int tag) {
    int p, i;
    return Slot(tag, p, i) ? app.state().Tables.Editor[p][i] : nullptr;
}

QWidget* PaneOf(AppContext& app, int tag) {
    int p, i;
    return Slot(tag, p, i) ? app.state().Tables.Pane[p][i] : nullptr;
}

int ShownPage(AppContext& app) { return app.state().EqGraphSelection >> 8; }

int ManualFlag(AppContext& app) { return app.model().ParamImage[PageMusic][0]; }

void RedrawSelectedBand(AppContext& app) {
    AppState& st = app.state();
    const int sheet = st.EqGraphSelection & 0xFF;
    if (sheet >= 0 && sheet < static_cast<int>(st.SelectedBand.size()))
        app.DrawChannelCurve(st.SelectedBand[sheet], ShownPage(app));
}

struct VolumeTrio {
    int normal, start, maximum;
};
constexpr VolumeTrio kTrios[3] = {{32, 6, 7}, {33, 8, 9}, {34, 10, 11}};

}  // namespace

// ---- edits and spins --------------------------------------------------------

void TakeEditFocus(AppContext& app, BoundEdit* edit) {
    if (!edit) return;
    AppState& st = app.state();
    auto* slotEdit = qobject_cast<BoundEdit*>(EditorOf(app, edit->Tag()));
    if (!slotEdit || slotEdit == st.Example) return;
    st.WheelStepping = true;
    edit->setFocus();
    st.CurrentEdit = edit;
    st.LastGoodText = edit->text();
    const bool before = st.SuppressSend;
    st.SuppressSend = true;
    CommitEditText(app, 0);
    st.SuppressSend = before;
}

void StepEditByKey(AppContext& app, int key) {
    AppState& st = app.state();
    if (!st.CurrentEdit || st.CurrentEdit == st.Example) return;
    if (key == Qt::Key_Left || key == Qt::Key_Down)
        CommitEditText(app, StepDown);
    else if (key == Qt::Key_Up || key == Qt::Key_Right)
        CommitEditText(app, StepUp);
}

void CommitLeftEdit(AppContext& app, BoundEdit* edit) {
    AppState& st = app.state();
    if (!edit || edit == st.Example) return;
    if (!edit->text().isEmpty())
        CommitEditText(app, 0, edit);  // the edit being left, whatever is current now
    else
        edit->setText(st.LastGoodText);
}

namespace {
void SpinStep(AppContext& app, BoundSpin* spin, int step) {
    if (!spin) return;
    QWidget* target = EditorOf(app, spin->Tag());
    AppState& st = app.state();
    if (auto* edit = qobject_cast<BoundEdit*>(target); edit && edit != st.Example) {
        // Focus first: the edit being left commits itself, not this one.
        edit->setFocus();
        st.CurrentEdit = edit;
        CommitEditText(app, step);
    } else if (auto* bar = qobject_cast<BoundSlider*>(target)) {
        bar->setValue(bar->value() + (step == StepUp ? 1 : -1));
    }
}
}  // namespace

void SpinStepDown(AppContext& app, BoundSpin* spin) { SpinStep(app, spin, StepDown); }
void SpinStepUp(AppContext& app, BoundSpin* spin) { SpinStep(app, spin, StepUp); }

void FormMouseWheel(AppContext& app, int delta) {
    if (!app.state().WheelStepping || delta == 0) return;
    CommitEditText(app, delta > 0 ? StepUp : StepDown);
}

// ---- sliders ----------------------------------------------------------------

void PaneSliderMoved(AppContext& app, BoundSlider* bar) {
    AppState& st = app.state();
    if (!bar || st.ProgrammaticMove) return;
    if (auto* pane = qobject_cast<BoundPane*>(PaneOf(app, bar->Tag())))
        ApplyControlValue(app, pane, 0, 0, bar->value());
    // Moved by the user, the slider takes the keys and the wheel from the edits;
    // a refresh showing its value leaves them where the user put them.
    if (!st.RefreshInProgress) st.CurrentEdit = st.Example;
}

void EditSliderMoved(AppContext& app, BoundSlider* bar) {
    AppState& st = app.state();
    if (!bar || st.ProgrammaticMove) return;
    auto* edit = qobject_cast<BoundEdit*>(EditorOf(app, bar->Tag()));
    if (!edit || edit == st.Example) return;
    st.CurrentEdit = edit;
    ApplyControlValue(app, edit, 0, 0, bar->value());
}

void VolumeSliderMoved(AppContext& app, BoundSlider* bar) {
    if (!bar || app.state().ProgrammaticMove) return;
    const int tag = bar->Tag();
    if ((tag >> 8) != PageSystem) return;
    const int index = tag & 0xFF;
    const VolumeTrio* trio = nullptr;
    for (const VolumeTrio& t : kTrios)
        if (t.normal == index || t.start == index || t.maximum == index) trio = &t;
    if (!trio) return;
    auto& row = app.state().Tables.Editor[PageSystem];
    auto* normal = qobject_cast<BoundSlider*>(row[trio->normal]);
    auto* start = qobject_cast<BoundSlider*>(row[trio->start]);
    auto* maximum = qobject_cast<BoundSlider*>(row[trio->maximum]);
    auto* pane = qobject_cast<BoundPane*>(PaneOf(app, tag));
    const int previous = pane ? pane->Hint().toInt() : 0;
    const int which = bar->Hint().toInt();
    // The normal volume rises one step per change, so a slip of the mouse
    // cannot blast the speakers.
    if (which == 0 && bar->value() > previous && !app.state().SuppressSend) {
        const QSignalBlocker block(bar);
        bar->setValue(previous + 1);
    }
    LinkVolumeBars(app, normal, start, maximum, which, pane);
    if (pane) pane->SetHint(QString::number(bar->value()));
    // Held past the maximum volume the slider is put back where it was: nothing to send.
    if (bar->value() != app.model().ParamImage[PageSystem][index])
        SendParam(app, static_cast<ParamId>(tag), bar->value());
}

void SliderMoved(AppContext& app, BoundSlider* bar) {
    if (!bar) return;
    const ParamBinding* b = FindBinding(static_cast<ParamId>(bar->Tag()));
    if (b && b->volumeLink >= 0 && b->editor && bar->objectName() == QLatin1String(b->editor)) {
        VolumeSliderMoved(app, bar);
        return;
    }
    if (b && b->typeControls[0] && bar->objectName() == QLatin1String(b->typeControls[0])) {
        EditSliderMoved(app, bar);
        return;
    }
    PaneSliderMoved(app, bar);
}

void MoveSlider(AppContext& app, BoundSlider* bar, int position) {
    if (!bar) return;
    {
        const QSignalBlocker block(bar);
        bar->setValue(position);
    }
    SliderMoved(app, bar);
}

// ---- two-state, mode and choice buttons ------------------------------------------

void TogglePhase(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int v = ControlAction(app, button, ControlAct::TogglePhase);
    SendParam(app, static_cast<ParamId>(button->Tag()), v);
}

void ToggleMute(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int v = ControlAction(app, button, ControlAct::Toggle);
    SendParam(app, static_cast<ParamId>(button->Tag()), v);
}

void ToggleAutoMode(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int v = ControlAction(app, button, ControlAct::AutoManual);
    SendParam(app, static_cast<ParamId>(button->Tag()), v);
    SetEnableRules(app, ManualFlag(app), 255);
    // The manual rule enables every output control; the crossover boxes then
    // take the user-Q sliders back where their type has no user Q.
    AppState& st = app.state();
    const bool refresh = st.RefreshInProgress, suppress = st.SuppressSend;
    st.RefreshInProgress = true;
    st.SuppressSend = true;
    for (const char* name : {"SubMusHPType", "SubMusLPType", "MainHPTypeBox", "MainLPTypeBox"})
        ChoiceBoxChanged(app, app.Ctl<BoundCombo>(name));
    st.RefreshInProgress = refresh;
    st.SuppressSend = suppress;
}

void ChooseSingOrDance(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int v = ControlAction(app, button, ControlAct::SingDance);
    SendParam(app, 0x0001, v);
    app.model().ModeFlag = v;
    RefreshPages(app, 20);
    RedrawSelectedBand(app);
}

void ChoiceBoxChanged(AppContext& app, BoundCombo* box) {
    if (!box) return;
    const int item = box->currentIndex();
    if (box->objectName() == QLatin1String("SysMusInputLevelBox")) {
        // The input gain box lists the music input levels: an item acts as the
        // level button it stands for, so both always show what was sent.
        const ChoiceGroupDef* levels = FindChoiceGroup(IdMusicInputLevel);
        if (levels && item >= 0 && item < levels->count)
            ChooseGroupButton(app, app.Ctl<BoundButton>(QLatin1String(levels->buttons[item])));
        return;
    }
    if (EditorOf(app, box->Tag()) == box) SendParam(app, static_cast<ParamId>(box->Tag()), item);
    static const struct {
        const char* box;
        const char* bar;
        const char* spin;
        int sheet, slot, page;
    } kBoxes[] = {{"SubMusHPType", "SubMusHPQBar", "SubMusHPuserQUpDownBtn", 5, 7, 7},
                  {"SubMusLPType", "SubMusLPQBar", "SubMusLPuserQUpDownBtn", 5, 8, 7},
                  {"MainHPTypeBox", "MainMusHPQBar", "MainHPQUpDownBtn", 3, 7, 6},
                  {"MainLPTypeBox", "MainMusLPQBar", "MainLPQUpDownBtn", 3, 8, 6}};
    for (const auto& b : kBoxes) {
        if (box->objectName() != QLatin1String(b.box)) continue;
        const bool user = item > 2;
        if (QWidget* w = app.Control(b.bar)) w->setEnabled(user);
        if (QWidget* w = app.Control(b.spin)) w->setEnabled(user);
        if (app.ActiveSheet() == b.sheet) app.DrawChannelCurve(b.slot, b.page);
    }
}

void ChooseGroupButton(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int v = button->Hint().toInt();
    // The group by tag; a button that sits in no table slot finds it by name.
    const ChoiceGroupDef* group = FindChoiceGroup(static_cast<ParamId>(button->Tag()));
    auto member = [&](const ChoiceGroupDef* g) {
        if (!g) return false;
        for (int k = 0; k < g->count; ++k)
            if (button->objectName() == QLatin1String(g->buttons[k])) return true;
        return false;
    };
    if (!member(group)) {
        group = nullptr;
        for (const ChoiceGroupDef& g : ChoiceGroups())
            if (member(&g)) group = &g;
    }
    if (!group) return;
    const int tag = group->id;
    auto& chosen = app.state().Tables.ChoiceGroup;
    chosen = {nullptr, nullptr, nullptr};
    for (int k = 0; k < group->count && k < 3; ++k) {
        auto* b = app.Ctl<BoundButton>(QLatin1String(group->buttons[k]));
        chosen[k] = b;
        if (!b) continue;
        b->SetTag(tag);
        b->SetHint(QString::number(k));
    }
    if (v >= 0 && v < group->count && chosen[v]) {
        ControlAction(app, chosen[v], ControlAct::Choice);
    } else {
        for (BoundButton* b : chosen)
            if (b) b->ShowPicture(Pic::Up);  // a stored value no button stands for
    }
    SendParam(app, static_cast<ParamId>(tag), v);
    if (tag == IdMusicInputLevel)
        if (auto* levelBox = app.Ctl<QComboBox>("SysMusInputLevelBox")) {
            const QSignalBlocker block(levelBox);
            levelBox->setCurrentIndex(v >= 0 && v < levelBox->count() ? v : -1);
        }
    EnableInputLevels(app);
    if (tag == 0x0A0C)
        if (QWidget* g = FindControl(app, "SysUserMangerGrop")) g->setEnabled(false);
    if (tag >= 0x0600 && tag <= 0x09FF) app.DrawChannelCurve(20, ShownPage(app));
}

void EnableInputLevels(AppContext& app) {
    const bool manager = app.model().ParamImage[PageSystem][12] != 0;
    for (const char* name : {"SignRzGroup", "SysMusInputLevelBox"})
        if (QWidget* w = FindControl(app, name)) w->setEnabled(manager);
}

void SetDynEqLevels(AppContext& app, BoundButton* button) {
    if (!button || ShownPage(app) != PageDynEq) return;
    const int b = button->Tag();
    const int l = button->Hint().toInt();
    if (b < 0 || b > 2 || l < 0 || l > 2) return;
    static const int kLevels[2][3][4] = {{{9, 4, 9, 5}, {9, 4, 12, 5}, {9, 4, 15, 5}},
                                         {{9, 4, 7, 5}, {9, 4, 10, 5}, {9, 4, 13, 5}}};
    const bool above = app.model().ParamImage[PageDynEq][12 * b + 7] == 2;
    for (int k = 0; k < 4; ++k)
        MoveSlider(app, qobject_cast<BoundSlider*>(app.state().Tables.Editor[PageDynEq][12 * b + 8 + k]),
                   kLevels[above ? 1 : 0][l][k]);
}

void ChooseEffectEq(AppContext& app, BoundButton* button) {
    if (!button) return;
    auto* echo = app.Ctl<BoundButton>("EchoEQBtn");
    auto* rvb = app.Ctl<BoundButton>("RvbEQBtn");
    const bool reverb = button->Hint() == "1";
    if (echo) echo->ShowPicture(reverb ? Pic::Up : Pic::On);
    if (rvb) rvb->ShowPicture(reverb ? Pic::On : Pic::Up);
    if (auto* label = app.Ctl<QLabel>("EchoLaber"))
        SetTr(label, "text",
              reverb ? QT_TRANSLATE_NOOP("kdsp", "5段混响EQ")
                     : QT_TRANSLATE_NOOP("kdsp", "5段回声EQ"));
    const int tag = button->Tag();
    if (tag == PageEcho || tag == PageReverb) app.model().EffectEqVariant = tag;
    app.SelectTab(app.Ctl<BoundButton>("FormTabBtn3"));
}

void ChooseMicBandGroup(AppContext& app, BoundButton* button) {
    if (!button) return;
    const int mode = ControlAction(app, button, ControlAct::MicBandGroup);
    app.model().MicBandMode = mode;
    const bool groupB = mode == 1;
    if (auto* label = app.Ctl<QLabel>("MicEQBandLabel"))
        SetTr(label, "text",
              groupB ? QT_TRANSLATE_NOOP("kdsp", "9段EQ") : QT_TRANSLATE_NOOP("kdsp", "15段EQ"));
    auto* pan = app.Ctl<BoundSlider>("MicPanScrollBar");
    auto* box = app.Ctl<QScrollArea>("MicScrollBox");
    if (groupB) {
        if (pan) pan->setValue(0);
        if (box) box->horizontalScrollBar()->setValue(0);
    }
    if (pan) pan->setVisible(!groupB);
    if (QWidget* caption = app.Control("MicPanCaption"))
        caption->setVisible(!groupB);
    // Every strip from the tenth (RzGroupBox81) on goes: hiding only the tenth
    // would let the next one slide into its place and edit a band group B lacks.
    for (int n = 10; n <= PageBandCount[PageMic]; ++n)
        if (QWidget* edit = app.Control(QString("MicFreEdit%1").arg(n)))
            edit->parentWidget()->setVisible(!groupB);  // the band's strip
    if (box) box->setHorizontalScrollBarPolicy(groupB ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    int& selected = app.state().SelectedBand[EqGraphOf(MakeId(PageMic, 0))];
    if (groupB && selected >= PageBandCount[PageMic9]) selected = 0;
    // Shown again as a tab selection does: the page, its curve and markers, the
    // selected band's value label, and the edit the wheel acts on.
    app.SelectTab(app.Ctl<BoundButton>("FormTabBtn2"));
}

void ToggleDynEqBypass(AppContext& app, BoundButton* button, bool fromUser) {
    if (!button) return;
    if (fromUser && app.ActiveSheet() == 8 && ManualFlag(app) == 0) return;
    const int tag = button->Tag();
    const int p = tag >> 8, i = tag & 0xFF;
    if (p != PageDynEq || i >= ParamImageSlots) return;
    const int b = ControlAction(app, button, ControlAct::Toggle);
    Model& m = app.model();
    m.ParamImage[p][i] = b;
    m.DeviceImage[p][i] = b;
    SendParam(app, static_cast<ParamId>(tag), b);
    if ((i == 1 || i == 13 || i == 25) && !app.CurveRedrawSuspended())
        app.DrawChannelCurve((i - 1) / 12, ShownPage(app));
    // The group's controls follow its bypass also while a refresh holds the drawing.
    SetEnableRules(app, ManualFlag(app), PageDynEq);
}

void ToggleEqPass(AppContext& app, BoundButton* button) {
    if (!button || !button->isEnabled()) return;
    if (app.ActiveSheet() == 0 && ManualFlag(app) == 0) return;
    const int tag = button->Tag();
    const int p = tag >> 8;
    if (p < 0 || p >= PageCount) return;
    AppState& st = app.state();
    const int b = ControlAction(app, button, ControlAct::Toggle);
    st.BypassState[p] = b;
    SendParam(app, static_cast<ParamId>(tag), b);
    app.ShowEqPass(st.BypassState[p] != 0);
    SetEnableRules(app, ManualFlag(app), ShownPage(app));
}

void ResetEq(AppContext& app) {
    const int sheet = app.ActiveSheet();
    if ((sheet == 0 || sheet == 8) && ManualFlag(app) == 0) return;
    Model& m = app.model();
    int q = ShownPage(app);
    if (q == PageEcho) q = m.EffectEqVariant;
    else if (q == PageMic && m.MicBandMode == 1) q = PageMic9;
    ResetEqBands(app, q);
    RedrawSelectedBand(app);
}

void ResetDynEq(AppContext& app) {
    AppState& st = app.state();
    Model& m = app.model();
    st.DynEqResetInProgress = true;
    for (const char* name : {"DEQTYpeBelowBtn1", "DEQTYpeBelowBtn2", "DEQTYpeAboveBtn3"})
        PickBandType(app, app.Ctl<TypePicture>(name));
    st.DynEqResetInProgress = false;
    static const int kDefaults[3][5] = {{0, 37, 138, 0, 0}, {0, 77, 127, 16, 0}, {2, 221, 83, 16, 16}};
    for (int b = 0; b < 3; ++b) {
        for (int k = 0; k < 5; ++k) {
            const int i = 12 * b + 2 + k;
            m.ParamImage[PageDynEq][i] = kDefaults[b][k];
            m.DeviceImage[PageDynEq][DeviceSlot(PageDynEq, i, m.ModeFlag)] = kDefaults[b][k];
        }
        SendBandParam(app, static_cast<ParamId>(0x0200 + 12 * b + 2), kDefaults[b][0]);
    }
    RefreshPages(app, PageDynEq);
    app.SelectTab(app.Ctl<BoundButton>("FormTabBtn9"));
}

// ---- band type boxes and pictures ---------------------------------------------------

void BandTypeChanged(AppContext& app, BoundCombo* box) {
    if (!box) return;
    AppState& st = app.state();
    Model& m = app.model();
    int id = box->Tag();
    int item = box->currentIndex();
    int p, i;
    if (!Slot(id, p, i)) return;
    if (item >= 0 && item < 3)
        if (auto* pic = qobject_cast<TypePicture*>(st.Tables.BandType[p][i][item]))
            ControlAction(app, pic, ControlAct::TypePicture);
    const bool dynamicType = box->objectName().startsWith(QLatin1String("DEQTypeBox"));
    if (dynamicType) {
        ControlAction(app, box, ControlAct::DynamicsType);
        if (st.SuppressSend) return;
        SendParam(app, static_cast<ParamId>(id), item);
        if (!st.DynEqResetInProgress && i >= 3) {
            // A new dynamics type starts from a flat gain.
            if (auto* gain = qobject_cast<BoundSlider*>(st.Tables.BandType[p][i - 3][0])) {
                MoveSlider(app, gain, 120);
                id = gain->Tag();
                item = 120;
            }
        }
    } else {
        if (st.SuppressSend) return;
        SendBandParam(app, static_cast<ParamId>(id), item);
        const int q = id + (item == 0 ? 3 : 4);
        int qp, qi;
        if (Slot(q, qp, qi)) {
            if (auto* edit = qobject_cast<BoundEdit*>(st.Tables.Editor[qp][qi]); edit && edit != st.Example) {
                st.CurrentEdit = edit;
                ApplyControlValue(app, edit, 0, 1, m.ParamImage[qp][qi]);
            }
        }
    }
    st.LastChange = {static_cast<std::uint16_t>(id), item};
}

void PickBandType(AppContext& app, TypePicture* picture) {
    if (!picture) return;
    auto* box = qobject_cast<BoundCombo*>(EditorOf(app, picture->Tag()));
    if (!box) return;
    const int item = picture->Hint().toInt();
    if (item < 0 || item >= box->count()) return;
    box->setCurrentIndex(item);
    BandTypeChanged(app, box);
}

}  // namespace kdsp
