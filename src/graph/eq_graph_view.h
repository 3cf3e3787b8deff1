// The interactive EQ graph: the rendered image ("Image1"), the 17 draggable
// point markers, the value label and the "EQ PASS" label, and the mouse rules
// that turn marker drags into band frequency, gain and Q edits. The window
// around it answers through EqGraphDelegate.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <utility>

#include "core/model/model.h"
#include "graph/curve_source.h"
#include "graph/graph_markers.h"
#include "graph/graph_renderer.h"

namespace kdsp {

// Which control of a slot a drag applies a value to.
enum class SlotField { Frequency = 1, Gain = 2 };

// The control a dragged value goes to: the slot (0..14 bands, 15/16 the
// crossovers' frequency panes), the field, and the parameter the control is
// bound to as the slot was loaded (an editor for a band, a value pane for a
// crossover; NoControl when the slot has none).
struct SlotControlRef {
    int slot = 0;
    SlotField field = SlotField::Frequency;
    ParamId id = 0;
    bool pane = false;
};

class EqGraphDelegate {
public:
    virtual ~EqGraphDelegate() = default;
    // Active sheet of the page control: 0 music, 1 microphone, 2 effects,
    // 3 main/rear, 5 auxiliary, 7 system, 8 dynamic EQ.
    virtual int ActiveSheet() const = 0;
    // Stored value of parameter 0x0000 is non-zero.
    virtual bool ManualMode() const = 0;
    // Group k (0..2) of the dynamic EQ is bypassed (page 2, index 12k+1 is 1).
    virtual bool DynEqGroupBypassed(int group) const = 0;
    // Page shown on the graph (high byte of the graph selection).
    virtual int GraphPage() const = 0;
    // "Click" field `field` (1 frequency, 2 gain, 3 Q) of the band of marker
    // 0..14 when that control is an edit that can take the focus; returns
    // whether it was such an edit.
    virtual bool ClickBandEdit(int marker, int field) = 0;
    // Steps (1 up, 11 down, 0 none) and applies the current edit's text.
    virtual void CommitEditText(int step) = 0;
    // Shows/stores (and unless displayOnly sends) a value through the control.
    virtual void ApplySlotControl(const SlotControlRef& control, bool displayOnly, int value) = 0;
    // The last parameter changed anywhere and its value.
    virtual std::pair<ParamId, int> LastChange() const = 0;
};

// Drag state of the graph; names follow the window's own vocabulary.
struct EqDragState {
    int DraggedPoint = 0;
    bool Dragging = false;
    bool QAdjustMode = false;
    QPoint PressPoint;
    int PendingPoint = 0;
    float PendingFreq = 0;
    float PendingGain = 0;
    float PendingFreqCode = 0;
    float PendingGainCode = 0;
    float SentFreqCode = 0;
    float SentGainCode = 0;
    std::pair<ParamId, int> LastDrawnChange{0, 0};
};

// One draggable point: EP1..EP15 (14x14, numbered) or HPF/LPF (24x24).
class EqMarker : public QWidget {
public:
    EqMarker(int tag, class EqGraphView* view, QWidget* parent);
    int Tag() const { return tag_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int tag_;
    class EqGraphView* view_;
};

class EqGraphView : public QWidget {
    Q_OBJECT
public:
    explicit EqGraphView(QWidget* parent = nullptr);
    ~EqGraphView() override;

    void SetDelegate(EqGraphDelegate* delegate) { delegate_ = delegate; }
    void SetModel(const Model* model) { model_ = model; }
    void SetCurveSource(CurveSource* source) { source_ = source; }

    // Markers ignore the mouse until the window has shown itself; showing also
    // starts the 15 ms check that flushes pending values and redraws.
    void SetWindowShown(bool shown);
    bool WindowShown() const { return windowShown_; }

    void SetCurveRedrawSuspended(bool suspended) { curveRedrawSuspended_ = suspended; }
    bool CurveRedrawSuspended() const { return curveRedrawSuspended_; }
    void SetCurveColour(QRgb argb) { renderer_.SetCurveColour(argb); }
    QRgb CurveColour() const { return renderer_.CurveColour(); }
    void SetEqPassVisible(bool visible);
    bool EqPassVisible() const { return eqPassShown_; }

    // Draws the page's summed curve; pointSel 20 reloads every band and
    // re-shows the markers, any other value recomputes that slot only and
    // puts the value label on it.
    void DrawChannelCurve(int pointSel, int page);
    // Applies the values a drag left pending, then RedrawAfterChange.
    void FlushDraggedPoint();
    // Redraws the band of the last change made anywhere, once per change, when
    // its page is the one on the graph.
    void RedrawAfterChange();
    void ApplyDragWhenIdle();

    // Axis label geometry for this image placed at `imagePanelPos`.
    std::vector<AxisLabel> AxisLabels(QPoint imagePanelPos, const CaptionWidth& widthOf = {}) const;

    // A slot as the last drawing loaded it.
    BandSlot LoadedSlot(int slot) const { return source_ ? source_->Slot(slot) : BandSlot{}; }
    const GraphRenderer& Renderer() const { return renderer_; }
    const EqDragState& DragState() const { return drag_; }
    QWidget* Marker(int i) const { return markers_.at(i); }
    QLabel* ValueLabel() const { return eqLabel_; }
    QLabel* EqPassLabel() const { return eqPassLabel_; }
    QWidget* ImageWidget() const { return image_; }
    int LoadedPage() const { return loadedPage_; }

    // Mouse handlers, called by the marker and image widgets.
    void MarkerPressed(int marker, Qt::MouseButton button, QPoint pos);
    void MarkerDragged(int marker, QPoint pos);
    void MarkerReleased(int marker, Qt::MouseButton button);
    void GraphMouseMoved(Qt::MouseButtons buttons, QPoint pos);
    void GraphReleased(Qt::MouseButton button);
    void ValueLabelReleased();

Q_SIGNALS:
    // The grid was rebuilt for a new size: move the axis labels.
    void GridRebuilt();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SlotControlRef ControlOf(int slot, SlotField field) const;
    void Apply(const SlotControlRef& control, bool displayOnly, int value);
    int FrequencyValueFor(int slot, int code) const;
    void PlaceValueLabel(int slot);
    void PlaceEqPass();
    int CrossoverSlotFor(int marker) const;
    // Frequency (whole Hz, at most 20600) and gain (-24..12 dB) of a point
    // centred at (x, y) on the image.
    std::pair<float, float> PointValues(int x, int y) const;
    bool ActiveEditingAllowed() const;

    EqGraphDelegate* delegate_ = nullptr;
    const Model* model_ = nullptr;
    CurveSource* source_ = nullptr;
    GraphRenderer renderer_;
    QWidget* image_ = nullptr;
    std::array<QWidget*, MarkerCount> markers_{};
    QLabel* eqLabel_ = nullptr;
    QLabel* eqPassLabel_ = nullptr;
    QTimer dragFlushTimer_;
    EqDragState drag_;
    bool windowShown_ = false;
    bool curveRedrawSuspended_ = false;
    bool eqPassShown_ = false;
    int loadedPage_ = -1;
};

}  // namespace kdsp
