// The press/drag/release rules of the EQ graph's band points, and how a dragged
// point's frequency and gain reach the window's controls.
#include "graph/eq_graph_view.h"

#include <QMouseEvent>

#include <algorithm>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {

// ---- mouse ---------------------------------------------------------------

bool EqGraphView::ActiveEditingAllowed() const {
    const int sheet = delegate_->ActiveSheet();
    return (sheet != 0 && sheet != 8) || delegate_->ManualMode();
}

int EqGraphView::CrossoverSlotFor(int marker) const {
    const int q = delegate_->GraphPage();
    switch (q) {
        case PageMic:
            return (model_ != nullptr && model_->MicBandMode == 1) ? 9 : 15;
        case PageEcho:
            return marker - 10;
        case PageMain:
        case PageAux1:
            return PageBandCount[q] + marker - 15;
        case PageAux2:
        case PageRear:
            return 7;
        default:
            return -1;
    }
}

void EqGraphView::MarkerPressed(int marker, Qt::MouseButton button, QPoint pos) {
    markers_.at(marker)->setCursor(Qt::CrossCursor);
    drag_.PressPoint = pos;
    drag_.Dragging = true;
    drag_.DraggedPoint = marker;
    if (drag_.DraggedPoint == -1 || !windowShown_ || delegate_ == nullptr) return;
    drag_.QAdjustMode = false;
    const int p = drag_.DraggedPoint;
    // Start from the codes of the point where it is grabbed: a move applies what
    // it changes, not what another band was last dragged to, and a move straight
    // up leaves the frequency alone.
    const QWidget* m = markers_.at(p);
    const auto [freq, gain] = PointValues(m->x() + m->height() / 2, m->y() + m->height() / 2);
    drag_.PendingFreqCode = drag_.SentFreqCode = static_cast<float>(TextToValue(2, freq));
    drag_.PendingGainCode = drag_.SentGainCode = static_cast<float>(TextToValue(3, gain));
    if (button == Qt::LeftButton) {
        if (p >= HpfMarker) {
            const int slot = CrossoverSlotFor(p);
            if (slot >= 0) DrawChannelCurve(slot, delegate_->GraphPage());
        } else if (ActiveEditingAllowed()) {
            delegate_->ClickBandEdit(p, 2);
        }
    } else if (button == Qt::RightButton && p < HpfMarker && ActiveEditingAllowed()) {
        if (delegate_->ClickBandEdit(p, 3)) drag_.QAdjustMode = true;
    }
}

void EqGraphView::MarkerDragged(int /*marker*/, QPoint pos) {
    if (!drag_.Dragging || !windowShown_ || drag_.DraggedPoint < 0 || delegate_ == nullptr) return;
    const int p = drag_.DraggedPoint;
    QWidget* m = markers_.at(p);
    const int h = m->height() / 2;
    const int x = pos.x();
    const int y = pos.y();

    if (drag_.QAdjustMode) {
        if (p >= HpfMarker || eqPassShown_) return;
        // On the marker every move steps (sideways one up or down); once the
        // pointer has left it, a step takes 3 pixels of travel, as over the image.
        const int travel = x - drag_.PressPoint.x();
        const bool onMarker = m->rect().contains(pos);
        if (!onMarker && travel < 3 && travel > -3) return;
        delegate_->CommitEditText(travel > 0 ? 1 : travel < 0 ? 11 : 0);
        drag_.PressPoint = pos;
        drag_.PendingPoint = p;
        RedrawAfterChange();  // the curve and the value label follow each step
        return;
    }

    const GraphGeometry& geo = renderer_.Geometry();
    int dx = x - drag_.PressPoint.x();
    int dy = y - drag_.PressPoint.y();
    int left = m->x();
    int top = m->y();
    const int t = static_cast<int>(TextToValue(2, XToFreq(left + dx + h, geo)));
    auto pinAt = [&](double f) {
        left = RoundPixel(FreqToX(f, geo) - h);
        dx = 0;
        dy = 0;
    };

    switch (delegate_->ActiveSheet()) {
        case 0:
            if (p < HpfMarker && (!delegate_->ManualMode() || eqPassShown_)) return;
            break;
        case 1:
            if (p < HpfMarker) {
                if (eqPassShown_) return;
            } else {
                dy = 0;
                if (p == HpfMarker && t >= 143) pinAt(309);
                if (p == LpfMarker && t <= 299) pinAt(5990);
            }
            break;
        case 2:
            if (p < 5) {
                if (eqPassShown_) return;
            } else {
                dy = 0;
                if (p == HpfMarker && t >= 206) pinAt(1015);
                if (p == LpfMarker && t <= 299) pinAt(5990);
            }
            break;
        case 3:
        case 5:
            if (p <= 7) {
                if (eqPassShown_) return;
            } else {
                dy = 0;
            }
            break;
        case 8:
            if (p <= 2 && delegate_->DynEqGroupBypassed(p)) return;
            break;
        default:
            break;
    }

    left += dx;
    top += dy;
    // Keep the marker's centre on the image and its frequency at 19.5 Hz or more.
    const int imageTop = image_->y();
    top = std::clamp(top, imageTop - h, imageTop + image_->height() - h);
    left = std::max(left, RoundPixel(FreqToX(19.5, geo)) - h);

    const auto [freq, gain] = PointValues(left + h, top + h);
    if (freq >= 20600.0f) left = std::min(left, RoundPixel(FreqToX(20600, geo) - h));
    m->move(left, top);

    drag_.PendingFreq = freq;
    drag_.PendingGain = gain;
    drag_.PendingPoint = p;
    drag_.PendingFreqCode = static_cast<float>(TextToValue(2, freq));
    drag_.PendingGainCode = static_cast<float>(TextToValue(3, gain));
    if (drag_.PendingFreqCode != drag_.SentFreqCode || drag_.PendingGainCode != drag_.SentGainCode) {
        FlushDraggedPoint();
    }
}

std::pair<float, float> EqGraphView::PointValues(int x, int y) const {
    const GraphGeometry& geo = renderer_.Geometry();
    const float freq = std::min(static_cast<float>(std::nearbyint(XToFreq(x, geo))), 20600.0f);
    const float gain = std::clamp(static_cast<float>(YToDb(y, geo)), float(GraphDbMin), float(GraphDbMax));
    return {freq, gain};
}

void EqGraphView::MarkerReleased(int marker, Qt::MouseButton /*button*/) {
    drag_.QAdjustMode = false;
    if (!drag_.Dragging) return;
    drag_.Dragging = false;
    markers_.at(marker)->unsetCursor();
    if (delegate_ == nullptr || marker >= HpfMarker) return;
    const int sheet = delegate_->ActiveSheet();
    if (sheet != 0 || delegate_->ManualMode()) delegate_->ClickBandEdit(marker, sheet == 8 ? 1 : 2);
}

void EqGraphView::GraphMouseMoved(Qt::MouseButtons buttons, QPoint pos) {
    if (!(buttons & Qt::RightButton) || !drag_.QAdjustMode || drag_.DraggedPoint >= HpfMarker ||
        delegate_ == nullptr) {
        return;
    }
    const int x = pos.x();
    if (x - drag_.PressPoint.x() >= 3) {
        delegate_->CommitEditText(1);
    } else if (drag_.PressPoint.x() - x >= 3) {
        delegate_->CommitEditText(11);
    } else {
        return;
    }
    drag_.Dragging = false;
    drag_.PressPoint = pos;
    drag_.PendingPoint = drag_.DraggedPoint;
}

void EqGraphView::GraphReleased(Qt::MouseButton button) {
    if (button != Qt::RightButton || !drag_.QAdjustMode || delegate_ == nullptr) return;
    if (!ActiveEditingAllowed()) return;
    drag_.Dragging = false;
    drag_.QAdjustMode = false;
    const int p = drag_.DraggedPoint;
    if (p >= 0 && p < HpfMarker) delegate_->ClickBandEdit(p, delegate_->ActiveSheet() == 8 ? 2 : 1);
}

void EqGraphView::ValueLabelReleased() {
    drag_.QAdjustMode = false;
    drag_.Dragging = false;
}

// ---- applying dragged values ---------------------------------------------

SlotControlRef EqGraphView::ControlOf(int slot, SlotField field) const {
    SlotControlRef ref;
    ref.slot = slot;
    ref.field = field;
    ref.id = NoControl;
    if (source_ == nullptr) return ref;
    const BandSlot s = source_->Slot(slot);
    ref.pane = slot >= HpfMarker || s.code >= 100;
    ref.id = field == SlotField::Frequency ? s.frequencyControl : s.gainControl;
    return ref;
}

int EqGraphView::FrequencyValueFor(int slot, int code) const {
    if (slot == HpfMarker) return code > 1 ? code : 0;  // the two lowest entries mean off
    if (slot == LpfMarker) {
        const int page = loadedPage_;
        if (page == PageEcho || page == PageReverb) {
            // The effect low-pass pane counts from 5990 Hz; its top position is off.
            return code == 361 ? 194 : std::max(code - 298, 0);
        }
        return code == 361 ? 362 : code;
    }
    return code;
}

void EqGraphView::Apply(const SlotControlRef& control, bool displayOnly, int value) {
    // A slot field without a control (a crossover's gain) takes nothing.
    if (control.id != NoControl) delegate_->ApplySlotControl(control, displayOnly, value);
}

void EqGraphView::FlushDraggedPoint() {
    if (delegate_ == nullptr) return;
    const int k = drag_.PendingPoint;
    const bool freqChanged = drag_.PendingFreqCode != drag_.SentFreqCode;
    const bool gainChanged = drag_.PendingGainCode != drag_.SentGainCode;
    if (k >= 0 && k < HpfMarker && freqChanged && gainChanged) {
        drag_.SentFreqCode = drag_.PendingFreqCode;
        drag_.SentGainCode = drag_.PendingGainCode;
        Apply(ControlOf(k, SlotField::Frequency), true, static_cast<int>(drag_.PendingFreqCode));
        Apply(ControlOf(k, SlotField::Gain), false, static_cast<int>(drag_.PendingGainCode));
    } else if (freqChanged && k >= 0 && k < MarkerCount) {
        const int v = FrequencyValueFor(k, static_cast<int>(drag_.PendingFreqCode));
        Apply(ControlOf(k, SlotField::Frequency), false, v);
        drag_.SentFreqCode = drag_.PendingFreqCode;
    } else if (gainChanged) {
        drag_.SentGainCode = drag_.PendingGainCode;
        // Crossover points have no gain control: only band points apply one.
        if (k >= 0 && k < HpfMarker) {
            Apply(ControlOf(k, SlotField::Gain), false, static_cast<int>(drag_.PendingGainCode));
        }
    }

    RedrawAfterChange();
}

void EqGraphView::RedrawAfterChange() {
    const auto change = delegate_->LastChange();
    if (change == drag_.LastDrawnChange) return;
    drag_.LastDrawnChange = change;
    if (model_ == nullptr) return;
    // Only a change of the page on the graph is drawn: loading a band of another
    // page would hand that page's controls to this page's markers, and the next
    // drag would edit a page that is not shown. Another page is drawn afresh when
    // it is shown.
    int page = PageOf(change.first);
    if (page == PageReverb) page = PageEcho;
    if (page == PageMic9) page = PageMic;
    if (page != delegate_->GraphPage()) return;
    const BandRef band = DecodeBand(*model_, change.first);
    DrawChannelCurve(BandOf(band), PageOf(change.first));
}

void EqGraphView::ApplyDragWhenIdle() {
    if (!drag_.Dragging) FlushDraggedPoint();
}

}  // namespace kdsp
