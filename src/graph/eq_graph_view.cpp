// The EQ graph widget: shows the rendered curve and keeps the markers and labels
// in place; eq_graph_drag.cpp holds the rules of dragging the band points.
#include "graph/eq_graph_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

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
        view_->GraphMouseMoved(e->buttons(), e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override { view_->GraphReleased(e->button()); }
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
    view_->MarkerPressed(tag_, e->button(), e->position().toPoint());
    e->accept();
}
void EqMarker::mouseMoveEvent(QMouseEvent* e) {
    view_->MarkerDragged(tag_, e->position().toPoint());
    e->accept();
}
void EqMarker::mouseReleaseEvent(QMouseEvent* e) {
    view_->MarkerReleased(tag_, e->button());
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

    dragFlushTimer_.setInterval(15);
    connect(&dragFlushTimer_, &QTimer::timeout, this, &EqGraphView::ApplyDragWhenIdle);
}

EqGraphView::~EqGraphView() = default;

void EqGraphView::SetWindowShown(bool shown) {
    windowShown_ = shown;
    if (shown && !dragFlushTimer_.isActive()) dragFlushTimer_.start();
}

void EqGraphView::SetEqPassVisible(bool visible) {
    eqPassShown_ = visible;
    PlaceEqPass();
    eqPassLabel_->setVisible(visible);
    if (visible) eqPassLabel_->raise();
}

// "EQ PASS" stays clear of the points and the value label it would otherwise hide.
void EqGraphView::PlaceEqPass() {
    if (!eqPassShown_)
        return;
    std::vector<QRect> taken;
    for (QWidget* m : markers_)
        if (!m->isHidden())
            taken.push_back(m->geometry());
    if (!eqLabel_->isHidden())
        taken.push_back(eqLabel_->geometry());
    eqPassLabel_->move(FreeSpot(size(), eqPassLabel_->size(), taken));
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
        ValueLabelReleased();
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
    PlaceEqPass();
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
    const QPoint pos =
        ValueLabelPos(s.code, s.gain, markers_[m]->geometry(), eqLabel_->size(), size());
    if (eqLabel_->pos() != pos) eqLabel_->move(pos);
    eqLabel_->show();
    eqLabel_->raise();
}

}  // namespace kdsp
