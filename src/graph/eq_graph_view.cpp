// The EQ graph widget: shows the rendered curve, keeps the markers and labels
// in place and runs the press/drag/release rules of the band points.
#include "graph/eq_graph_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

int RoundPixel(double v) {
    if (!std::isfinite(v)) return v < 0 ? -100000 : 100000;
    return static_cast<int>(std::nearbyint(std::clamp(v, -100000.0, 100000.0)));
}

// The image area: paints the renderer's picture and hands mouse moves and
// releases to the graph's handlers.
class GraphImage : public QWidget {
public:
    GraphImage(EqGraphView* view, const GraphRenderer* renderer)
        : QWidget(view), view_(view), renderer_(renderer) {
        setObjectName(QStringLiteral("Image1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, renderer_->Image());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        view_->Image1MouseMove(e->buttons(), e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override { view_->Image1MouseUp(e->button()); }
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }

private:
    EqGraphView* view_;
    const GraphRenderer* renderer_;
};

}  // namespace

EqMarker::EqMarker(int tag, EqGraphView* view, QWidget* parent)
    : QWidget(parent), tag_(tag), view_(view) {
    setObjectName(MarkerName(tag));
    setFixedSize(MarkerSize(tag));
    setAttribute(Qt::WA_TranslucentBackground);
    setProperty("Tag", tag);
}

void EqMarker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    QFont f = font();
    f.setBold(true);
    if (tag_ < HpfMarker) {
        // Numbered band dot: amber disc, dark number.
        p.setPen(QPen(QColor(255, 255, 255, 220), 1.2));
        p.setBrush(QColor(255, 170, 0, 230));
        p.drawEllipse(r);
        f.setPixelSize(tag_ >= 9 ? 7 : 9);
        p.setFont(f);
        p.setPen(QColor(20, 20, 20));
        p.drawText(rect(), Qt::AlignCenter, QString::number(tag_ + 1));
        return;
    }
    // Crossover points: a ring with a slope mark, green for high-pass, red for low-pass.
    const QColor c = tag_ == HpfMarker ? QColor(80, 220, 120) : QColor(255, 90, 90);
    p.setPen(QPen(c, 1.6));
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawEllipse(r.adjusted(1, 1, -1, -1));
    f.setPixelSize(8);
    p.setFont(f);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignCenter, tag_ == HpfMarker ? QStringLiteral("HP") : QStringLiteral("LP"));
}

void EqMarker::mousePressEvent(QMouseEvent* e) {
    view_->EP1MouseDown(tag_, e->button(), e->position().toPoint());
    e->accept();
}
void EqMarker::mouseMoveEvent(QMouseEvent* e) {
    view_->EP1MouseMove(tag_, e->position().toPoint());
    e->accept();
}
void EqMarker::mouseReleaseEvent(QMouseEvent* e) {
    view_->EP1MouseUp(tag_, e->button());
    e->accept();
}

EqGraphView::EqGraphView(QWidget* parent)
    : QWidget(parent), renderer_(GraphDesignWidth, GraphDesignHeight) {
    setObjectName(QStringLiteral("AdvPanel2"));
    resize(GraphDesignWidth, GraphDesignHeight);
    image_ = new GraphImage(this, &renderer_);
    image_->setGeometry(0, 0, GraphDesignWidth, GraphDesignHeight);
    for (int i = 0; i < MarkerCount; ++i) {
        markers_[i] = new EqMarker(i, this, this);
        markers_[i]->hide();
    }
    eqLabel_ = new QLabel(this);
    eqLabel_->setObjectName(QStringLiteral("EQlabel"));
    eqLabel_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    QFont lf = eqLabel_->font();
    lf.setPixelSize(11);
    eqLabel_->setFont(lf);
    eqLabel_->hide();
    eqLabel_->installEventFilter(this);

    eqPassLabel_ = new QLabel(QStringLiteral("EQ PASS"), this);
    eqPassLabel_->setObjectName(QStringLiteral("EQPassLabel"));
    eqPassLabel_->setStyleSheet(
        QStringLiteral("color: rgb(255, 80, 80); background: transparent; font-weight: bold;"));
    QFont pf = eqPassLabel_->font();
    pf.setPixelSize(28);
    eqPassLabel_->setFont(pf);
    eqPassLabel_->adjustSize();
    eqPassLabel_->hide();
    eqPassLabel_->installEventFilter(this);

    timer1_.setInterval(15);
    connect(&timer1_, &QTimer::timeout, this, &EqGraphView::Timer1Timer);
}

EqGraphView::~EqGraphView() = default;

void EqGraphView::SetWindowShown(bool shown) {
    windowShown_ = shown;
    if (shown && !timer1_.isActive()) timer1_.start();
}

void EqGraphView::SetEqPassVisible(bool visible) {
    eqPassShown_ = visible;
    eqPassLabel_->move((width() - eqPassLabel_->width()) / 2, (height() - eqPassLabel_->height()) / 2);
    eqPassLabel_->setVisible(visible);
    if (visible) eqPassLabel_->raise();
}

std::vector<AxisLabel> EqGraphView::AxisLabels(QPoint imagePanelPos, const CaptionWidth& widthOf) const {
    return AxisLabelLayout(renderer_.Geometry(), imagePanelPos, widthOf);
}

void EqGraphView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize s = event->size();
    if (s == renderer_.Image().size()) return;
    renderer_.SetImageSize(s.width(), s.height());
    renderer_.BuildGraphGrid(1);
    image_->setGeometry(0, 0, renderer_.Image().width(), renderer_.Image().height());
    if (eqPassShown_) SetEqPassVisible(true);
    Q_EMIT GridRebuilt();
    if (loadedPage_ >= 0) DrawChannelCurve(AllSlots, loadedPage_);
    image_->update();
}

bool EqGraphView::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == eqLabel_ || watched == eqPassLabel_) &&
        event->type() == QEvent::MouseButtonRelease) {
        EQlabelMouseUp();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- drawing -------------------------------------------------------------

void EqGraphView::DrawChannelCurve(int pointSel, int page) {
    if (curveRedrawSuspended_ || page >= PageSystem || page < 0 || source_ == nullptr) return;
    if (page == PageReverb) page = PageEcho;  // the reverb EQ shares the echo bands
    const int code = source_->LoadAndCompute(pointSel, page);
    loadedPage_ = page;
    if (pointSel == AllSlots) {
        const auto shown = MarkerVisibility(code);
        for (int i = 0; i < MarkerCount; ++i) markers_[i]->setVisible(shown[i]);
    }
    const int last = std::clamp(code % 100 + code / 100, 0, MarkerCount - 1);
    for (int i = 0; i <= last; ++i) {
        if (pointSel != AllSlots && pointSel != i) continue;
        if (drag_.Dragging) continue;  // the dragged marker stays under the mouse
        const BandSlot s = source_->Slot(i);
        const int m = MarkerOfSlot(i, s.code);
        if (m < 0) continue;
        markers_[m]->move(MarkerTopLeft(renderer_.Geometry(), markers_[m]->size(), s.frequency, s.gain));
    }
    if (pointSel != AllSlots && pointSel >= 0 && pointSel < MarkerCount) PlaceValueLabel(pointSel);
    renderer_.DrawCurve(source_->Sum());
    image_->update();
}

void EqGraphView::PlaceValueLabel(int slot) {
    const BandSlot s = source_->Slot(slot);
    const int m = MarkerOfSlot(slot, s.code);
    if (m < 0) return;
    QString text = ValueLabelText(s.code, s.gain, s.q, s.frequency);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    eqLabel_->setText(text);
    eqLabel_->adjustSize();
    const QPoint pos = ValueLabelPos(s.code, s.gain, markers_[m]->geometry(), eqLabel_->size());
    if (eqLabel_->pos() != pos) eqLabel_->move(pos);
    eqLabel_->show();
    eqLabel_->raise();
}

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

void EqGraphView::EP1MouseDown(int marker, Qt::MouseButton button, QPoint pos) {
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

void EqGraphView::EP1MouseMove(int /*marker*/, QPoint pos) {
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

void EqGraphView::EP1MouseUp(int marker, Qt::MouseButton /*button*/) {
    drag_.QAdjustMode = false;
    if (!drag_.Dragging) return;
    drag_.Dragging = false;
    markers_.at(marker)->unsetCursor();
    if (delegate_ == nullptr || marker >= HpfMarker) return;
    const int sheet = delegate_->ActiveSheet();
    if (sheet != 0 || delegate_->ManualMode()) delegate_->ClickBandEdit(marker, sheet == 8 ? 1 : 2);
}

void EqGraphView::Image1MouseMove(Qt::MouseButtons buttons, QPoint pos) {
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

void EqGraphView::Image1MouseUp(Qt::MouseButton button) {
    if (button != Qt::RightButton || !drag_.QAdjustMode || delegate_ == nullptr) return;
    if (!ActiveEditingAllowed()) return;
    drag_.Dragging = false;
    drag_.QAdjustMode = false;
    const int p = drag_.DraggedPoint;
    if (p >= 0 && p < HpfMarker) delegate_->ClickBandEdit(p, delegate_->ActiveSheet() == 8 ? 2 : 1);
}

void EqGraphView::EQlabelMouseUp() {
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
        Apply(ControlOf(k, SlotField::Frequency), true,
                                    static_cast<int>(drag_.PendingFreqCode));
        Apply(ControlOf(k, SlotField::Gain), false,
                                    static_cast<int>(drag_.PendingGainCode));
    } else if (freqChanged && k >= 0 && k < MarkerCount) {
        const int v = FrequencyValueFor(k, static_cast<int>(drag_.PendingFreqCode));
        Apply(ControlOf(k, SlotField::Frequency), false, v);
        drag_.SentFreqCode = drag_.PendingFreqCode;
    } else if (gainChanged) {
        drag_.SentGainCode = drag_.PendingGainCode;
        // Crossover points have no gain control: only band points apply one.
        if (k >= 0 && k < HpfMarker) {
            Apply(ControlOf(k, SlotField::Gain), false,
                                        static_cast<int>(drag_.PendingGainCode));
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

void EqGraphView::Timer1Timer() {
    if (!drag_.Dragging) FlushDraggedPoint();
}

}  // namespace kdsp
