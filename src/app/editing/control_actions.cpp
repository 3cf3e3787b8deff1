// ControlAction: the one place where button states, tab looks and the band
// highlight change. The caller stores and sends the returned state.
#include "app/editing/control_actions.h"

#include <QScrollArea>

#include "app/i18n/language.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

using Pic = BoundButton::Picture;

int HintValue(const Bound* b) { return b->Hint().toInt(); }

struct TabRow {
    int page;        // -1: unchanged
    int mainVariant; // 0: not set
    int auxVariant;
    int selection;
};
constexpr TabRow kTabs[10] = {
    {0, 0, 0, 0x0000},   {1, 0, 0, 0x0101},  {4, 0, 0, 0x0402}, {6, 6, 0, 0x0603},
    {7, 0, 7, 0x0705},   {8, 0, 8, 0x0705},  {9, 9, 0, 0x0603}, {10, 0, 0, 0x0A07},
    {2, 0, 0, 0x0208},   {-1, 0, 0, 0x0000},
};

int TabAction(AppContext& app, BoundButton* sender) {
    const int tag = sender->Tag();
    AppState& st = app.state();
    for (BoundButton* tab : st.Tables.TabButtons) {
        if (!tab) continue;
        const bool chosen = tab->Tag() == tag;
        tab->ShowPicture(chosen ? Pic::On : Pic::Up);
    }
    if (tag < 0 || tag > 9) return 0;
    const TabRow& row = kTabs[tag];
    if (row.page >= 0) st.CurrentPage = row.page;
    if (row.mainVariant) app.model().MainVariant = row.mainVariant;
    if (row.auxVariant) app.model().AuxVariant = row.auxVariant;
    return row.selection;
}

int Toggle(BoundButton* b) {
    if (b->Hint() == "1") {
        b->SetHint("0");
        b->ShowPicture(Pic::Off);
    } else {
        b->SetHint("1");
        b->ShowPicture(Pic::On);
    }
    return HintValue(b);
}

// The pair buttons: the sender shows `chosen`, its partner `other`.
int PairAction(AppContext& app, BoundButton* sender, const char* first, const char* second, Pic chosen,
               Pic other) {
    auto* a = app.Ctl<BoundButton>(first);
    auto* b = app.Ctl<BoundButton>(second);
    if (sender != a && sender != b) return 0;
    BoundButton* partner = sender == a ? b : a;
    sender->ShowPicture(chosen);
    if (partner) partner->ShowPicture(other);
    return sender == a ? 0 : 1;
}

int ChoiceAction(AppContext& app, BoundButton* sender) {
    const int tag = sender->Tag();
    const int page = tag >> 8;
    const int index = tag & 0xFF;
    const bool three = tag == 0x0A03 || tag == 0x0A0E || page == PageDynEq || page == PageAux1 ||
                       (page == PageMain && index != 31);
    const int used = three ? 3 : 2;
    const int chosen = HintValue(sender);
    auto& group = app.state().Tables.ChoiceGroup;
    for (int k = 0; k < used; ++k)
        if (BoundButton* b = group[k]) b->ShowPicture(k == chosen ? Pic::On : Pic::Up);
    return chosen;
}

int LinkAction(AppContext& app, BoundButton* sender) {
    auto* link = app.Ctl<BoundButton>("LinkBtn");
    auto* unlink = app.Ctl<BoundButton>("UnLinkBtn");
    if (!link || !unlink || (sender != link && sender != unlink)) return 0;
    if (sender == link) {
        link->ShowPicture(Pic::On);
        SetTr(link, "text", QT_TRANSLATE_NOOP("kdsp", "断开"));
        SetLook(link, "caption", "white");
        unlink->ShowPicture(Pic::Off);
        return 0;
    }
    link->ShowPicture(Pic::Off);
    SetTr(link, "text", QT_TRANSLATE_NOOP("kdsp", "联机"));
    SetLook(link, "caption", "black");
    unlink->ShowPicture(Pic::On);
    return 1;
}

int TypePictureAction(AppContext& app, TypePicture* sender) {
    const int tag = sender->Tag();
    const int p = tag >> 8;
    const int i = tag & 0xFF;
    if (p >= TablePages || i >= TableSlots) return 0;
    const int chosen = HintValue(sender);
    const auto& slot = app.state().Tables.BandType[p][i];
    for (int k = 0; k < 3; ++k)
        if (auto* pic = qobject_cast<TypePicture*>(slot[k])) pic->ShowOn(k == chosen);
    return 0;
}

int DynTypeAction(AppContext& app, BoundCombo* box) {
    const int tag = box->Tag();
    const int p = tag >> 8;
    const int i = tag & 0xFF;
    const bool active = box->currentIndex() != 0;
    if (p < TablePages) {
        for (int k = 1; k <= 4 && i + k < TableSlots; ++k)
            if (auto* bar = qobject_cast<BoundSlider*>(app.state().Tables.Editor[p][i + k]))
                SetLook(bar, "state", active ? "on" : "off");
    }
    for (int g = 0; g < 3; ++g) {
        if (box->objectName() != QString("DEQTypeBox%1").arg(g + 1)) continue;
        for (int l = 0; l < 3; ++l)
            if (QWidget* amp = app.Control(QString("AmpLBtn%1_%2").arg(g).arg(l))) amp->setEnabled(active);
    }
    return 0;
}

void ScrollBandIntoView(AppContext& app, int band) {
    struct {
        int sheet;
        const char* bar;
        int span;
        int back;
    } const kStrips[] = {{1, "MicPanScrollBar", 10, 9}, {3, "MainPanScrollBar", 5, 4}, {5, "SubPanScrollBar", 5, 4}};
    const int sheet = app.ActiveSheet();
    for (const auto& s : kStrips) {
        if (s.sheet != sheet) continue;
        auto* bar = app.Ctl<BoundSlider>(s.bar);
        if (!bar) return;
        const int pos = bar->value();
        if (pos + s.span < band)
            bar->setValue(band - s.back);
        else if (band < pos)
            bar->setValue(band);
    }
}

int SelectBand(AppContext& app, QWidget* control, int graph) {
    AppState& st = app.state();
    if (st.RefreshInProgress) return 0;
    auto* edit = qobject_cast<BoundEdit*>(control);
    if (!edit) return 0;
    const int band = BandOf(DecodeBand(app.model(), static_cast<ParamId>(edit->Tag())));
    st.SelectedBand[graph] = band;
    if (st.HighlightedEdit != st.CurrentEdit) {
        if (graph < 8) {
            for (int n = 0; n < GraphBandCount[graph] && n < LabelsPerGraph; ++n)
                if (BoundLabel* l = st.Tables.BandLabel[graph][n]) l->SetOpaque(n == band);
        }
        if (BoundEdit* cur = st.CurrentEdit) {
            const int p = cur->Tag() >> 8;
            const int i = cur->Tag() & 0xFF;
            if (p < TablePages && i < TableSlots && qobject_cast<BoundEdit*>(st.Tables.Editor[p][i]))
                SetLook(cur, "highlight", "hot");
        }
        if (st.HighlightedEdit && st.HighlightedEdit != st.CurrentEdit) SetLook(st.HighlightedEdit, "highlight", "cold");
        st.HighlightedEdit = st.CurrentEdit;
    }
    ScrollBandIntoView(app, band);
    return band;
}

}  // namespace

int ControlAction(AppContext& app, QWidget* control, int action) {
    if (!control) return 0;
    if (action >= 0 && action <= 9) return SelectBand(app, control, action);
    auto* button = qobject_cast<BoundButton*>(control);
    switch (action) {
        case 10:
            return button ? TabAction(app, button) : 0;
        case 11:
            return button ? Toggle(button) : 0;
        case 12:
            if (!button) return 0;
            button->ShowPicture(button->Hint() == "1" ? Pic::On : Pic::Off);
            return HintValue(button);
        case 13: {
            if (!button) return 0;
            const int next = (HintValue(button) + 1) % 3;
            static const char* const kCaptions[3] = {QT_TRANSLATE_NOOP("kdsp", "频率"),
                                                     QT_TRANSLATE_NOOP("kdsp", "增益"),
                                                     QT_TRANSLATE_NOOP("kdsp", "Q值")};
            button->SetHint(QString::number(next));
            SetTr(button, "text", QString::fromUtf8(kCaptions[next]));
            return next;
        }
        case 14: {
            if (!button) return 0;
            const int v = Toggle(button);
            // State 0 shows the swapped pair of pictures with no caption.
            button->setText(v == 1 ? "+" : "");
            button->ShowPicture(v == 1 ? Pic::On : Pic::Off);
            return v;
        }
        case 15:
            if (!button) return 0;
            button->setText(button->Hint() == "1" ? "-" : "+");
            return HintValue(button);
        case 16:
            return button ? PairAction(app, button, "AutoModeBtn", "ManulModeBtn", Pic::On, Pic::Off) : 0;
        case 17:
            return button ? PairAction(app, button, "SingModeBtn", "DiscoModeBtn", Pic::On, Pic::Stay) : 0;
        case 18:
            return button ? ChoiceAction(app, button) : 0;
        case 20:
            return button ? LinkAction(app, button) : 0;
        case 21:
            if (auto* pic = qobject_cast<TypePicture*>(control)) return TypePictureAction(app, pic);
            return 0;
        case 22:
            if (auto* box = qobject_cast<BoundCombo*>(control)) return DynTypeAction(app, box);
            return 0;
        case 25:
            return button ? PairAction(app, button, "MicABtn", "MicBBtn", Pic::On, Pic::Off) : 0;
        default:
            return 0;
    }
}

void PrepareBypassButton(AppContext& app, int page) {
    if (page < 0 || page >= PageCount || page == PageSystem) return;
    AppState& st = app.state();
    Model& m = app.model();
    auto* button = app.Ctl<BoundButton>("MusEQAllpassBtn");
    if (!button) return;
    if (page == PageDynEq) {
        // The dynamic EQ has no page-wide bypass (its groups have their own
        // switches); the id computed from its first-index marker would be an
        // echo parameter, so the button is parked instead of editing that.
        button->SetTag(page * 256 + FirstEqIndex[page] - 1);
        button->SetHint("0");
        button->ShowPicture(Pic::Off);
        button->setEnabled(false);
        st.BypassState[PageDynEq] = 0;
        app.ShowEqPass(false);
        return;
    }
    button->setEnabled(true);
    const int t = page * 256 + FirstEqIndex[page] - 1;
    const int ti = t & 0xFF;
    button->SetTag(t);
    button->SetHint(m.ParamImage[page][ti] != 0 ? "0" : "1");
    st.BypassState[page] = ControlAction(app, button, 11);
    app.ShowEqPass(st.BypassState[page] != 0);
}

}  // namespace kdsp
