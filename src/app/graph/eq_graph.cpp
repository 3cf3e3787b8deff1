// The window side of the EQ graph: answers the view's questions from the
// window's state and sends dragged values down the change path.
#include "app/graph/eq_graph.h"

#include <algorithm>
#include <array>

#include <QEvent>
#include <QLabel>
#include <QLayout>

#include "app/editing/change_path.h"
#include "app/editing/channel_handlers.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "graph/eq_graph_view.h"

namespace kdsp {

inline constexpr int AxisLabelCount = 21;

class EqGraphBinding : public QObject, public EqGraphDelegate {
public:
    EqGraphBinding(AppContext& app, EqGraphView& view) : form_(app), view_(view), curve_(app.model()) {
        view_.SetModel(&form_.model());
        view_.SetCurveSource(&curve_);
        view_.SetDelegate(this);
        view_.SetCurveColour(form_.state().CurveColour);
        CreateAxisLabels();
        QObject::connect(&view_, &EqGraphView::GridRebuilt, this, [this] { GridRebuilt(); });
        view_.installEventFilter(this);
    }

    void Detach() {
        view_.removeEventFilter(this);
        view_.SetDelegate(nullptr);
        view_.SetCurveSource(nullptr);
        view_.SetModel(nullptr);
    }

    int ActiveSheet() const override { return form_.ActiveSheet(); }
    bool ManualMode() const override { return form_.model().ParamImage[PageMusic][0] != 0; }
    bool DynEqGroupBypassed(int group) const override {
        return group >= 0 && group < 3 && form_.model().ParamImage[PageDynEq][12 * group + 1] == 1;
    }
    int GraphPage() const override { return form_.state().EqGraphSelection >> 8; }

    bool ClickBandEdit(int marker, int field) override {
        AppState& st = form_.state();
        const int q = st.EqGraphSelection >> 8;
        const int graph = st.EqGraphSelection & 0xFF;
        int page = 0;
        int index = 0;
        if (q == PageDynEq) {
            page = PageDynEq;
            index = 12 * marker + 2 + field;
        } else {
            // The numbered band label says which band of which page the point is.
            if (graph < 0 || graph >= LabelGraphs || marker < 0 || marker >= LabelsPerGraph) return false;
            if (q < 0 || q >= PageCount) return false;
            const BoundLabel* label = st.Tables.BandLabel[graph][marker];
            if (!label) return false;
            bool ok = false;
            const int n = label->text().toInt(&ok);
            if (!ok || n < 1) return false;
            page = label->Tag();
            index = BandParamIndex(FirstEqIndex[q], n - 1, field);
        }
        if (page < 0 || page >= TablePages || index < 0 || index >= TableSlots) return false;
        auto* edit = qobject_cast<BoundEdit*>(st.Tables.Editor[page][index]);
        if (!edit || edit == st.Example || !edit->isEnabled() || !edit->isVisible()) return false;
        TakeEditFocus(form_, edit);
        return true;
    }

    void CommitEditText(int step) override { kdsp::CommitEditText(form_, step); }

    void ApplySlotControl(const SlotControlRef& control, bool displayOnly, int value) override {
        const int p = PageOf(control.id);
        const int i = control.id & 0xFF;
        if (p >= TablePages || i >= TableSlots) return;
        AppState& st = form_.state();
        QWidget* w = control.pane ? st.Tables.Pane[p][i] : st.Tables.Editor[p][i];
        if (!w || w == st.Example) return;
        ApplyControlValue(form_, w, 0, displayOnly ? 1 : 0, value);
    }

    std::pair<ParamId, int> LastChange() const override {
        const LastChangeRecord& c = form_.state().LastChange;
        return {static_cast<ParamId>(c.id), c.value};
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == &view_ && e->type() == QEvent::Move) PlaceAxisLabels();
        return QObject::eventFilter(watched, e);
    }

private:
    // A new size: the labels follow the grid, and the selected band keeps its value label.
    void GridRebuilt() {
        PlaceAxisLabels();
        const AppState& st = form_.state();
        if (!st.WindowShown) return;
        const int sheet = st.EqGraphSelection & 0xFF;
        if (sheet < static_cast<int>(st.SelectedBand.size()))
            form_.DrawChannelCurve(st.SelectedBand[sheet], st.EqGraphSelection >> 8);
    }

    // The dB labels left of the image and the frequency labels below it, in
    // the panel that holds the graph.
    void CreateAxisLabels() {
        QWidget* holder = view_.parentWidget();
        if (!holder) return;
        const std::vector<AxisLabel> layout = view_.AxisLabels(view_.pos());
        for (std::size_t k = 0; k < layout.size() && k < labels_.size(); ++k) {
            auto* l = new QLabel(layout[k].caption, holder);
            l->setObjectName(layout[k].name);
            l->setProperty("role", "axis");
            QFont bold = l->font();
            bold.setBold(true);
            l->setFont(bold);
            l->setAlignment(layout[k].alignment);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            form_.Registry().insert(layout[k].name, l);
            labels_[k] = l;
        }
        // The panel's left margin holds the widest dB label.
        if (QLayout* panel = holder->layout()) {
            int widest = 0;
            for (std::size_t k = 0; k < DbLabelCount && k < layout.size(); ++k)
                widest = std::max(widest, LabelWidth(layout[k].caption));
            QMargins margins = panel->contentsMargins();
            margins.setLeft(std::max(margins.left(), widest + 4));
            panel->setContentsMargins(margins);
        }
        PlaceAxisLabels();
    }

    // A label is as wide as its caption in its bold font, so none is clipped.
    int LabelWidth(const QString& caption) const {
        QLabel* sample = labels_[0];
        if (!sample) return DbLabelWidth;
        sample->ensurePolished();
        return QFontMetrics(sample->font()).horizontalAdvance(caption) + 2;
    }

    void PlaceAxisLabels() {
        const std::vector<AxisLabel> layout =
            view_.AxisLabels(view_.pos(), [this](const QString& caption) { return LabelWidth(caption); });
        for (std::size_t k = 0; k < layout.size() && k < labels_.size(); ++k)
            if (labels_[k]) labels_[k]->setGeometry(layout[k].rect);
    }

    AppContext& form_;
    EqGraphView& view_;
    ChannelCurveSource curve_;
    std::array<QLabel*, AxisLabelCount> labels_{};
};

namespace {

EqGraphView* GraphView(AppContext& app) { return app.Ctl<EqGraphView>("AdvPanel2"); }

}  // namespace

void EqGraphBindingDeleter::operator()(EqGraphBinding* binding) const {
    binding->Detach();
    delete binding;
}

EqGraphHandle AttachEqGraph(AppContext& app) {
    EqGraphView* view = GraphView(app);
    if (!view) return nullptr;
    return EqGraphHandle(new EqGraphBinding(app, *view));
}

void DrawChannelCurve(AppContext& app, int band, int page) {
    EqGraphView* view = GraphView(app);
    if (!view) return;
    view->SetCurveColour(app.state().CurveColour);
    view->DrawChannelCurve(band, page);
}

QWidget* SlotFrequencyControl(AppContext& app, int slot) {
    EqGraphView* view = GraphView(app);
    if (!view || slot < 0 || slot >= BandSlotCount) return nullptr;
    const BandSlot s = view->LoadedSlot(slot);
    const int p = PageOf(s.frequencyControl), i = IndexOf(s.frequencyControl);
    if (s.code >= 100 || s.frequencyControl == NoControl || p >= TablePages || i >= TableSlots) return nullptr;
    return app.state().Tables.Editor[p][i];
}

void ShowEqPass(AppContext& app, bool visible) {
    if (EqGraphView* view = GraphView(app)) view->SetEqPassVisible(visible);
}

bool SetCurveRedrawSuspended(AppContext& app, bool suspended) {
    EqGraphView* view = GraphView(app);
    if (!view) return false;
    const bool before = view->CurveRedrawSuspended();
    view->SetCurveRedrawSuspended(suspended);
    return before;
}

bool CurveRedrawSuspended(AppContext& app) {
    EqGraphView* view = GraphView(app);
    return view && view->CurveRedrawSuspended();
}

void SetGraphWindowShown(AppContext& app) {
    if (EqGraphView* view = GraphView(app)) view->SetWindowShown(true);
}

}  // namespace kdsp
