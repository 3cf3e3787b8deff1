// The wiring of the channel controls: each control connected to its one shared
// handler, and the window's keys, clicks, focus and wheel routed to the band edits.
#include "app/editing/channel_wiring.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

#include <cstdlib>

#include "app/editing/channel_handlers.h"
#include "app/editing/undo_history.h"
#include "app/editing/undo_input.h"
#include "app/pages/control_bindings.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

// Where a wheel turn over a widget of the window goes.
enum class WheelGoes { Nowhere, ToControl, ToCurrentEdit };

// A greyed control takes no turn and passes none on. A slider, a box or an area
// that scrolls that way takes the turn itself, also at its end where it has
// nothing left to do. Anything else (the window, a label, the graph, an edit)
// steps the current edit.
WheelGoes WhereWheelGoes(const QWidget* target, const QWidget* window, bool vertical) {
    if (!target) return WheelGoes::ToCurrentEdit;
    if (!target->isEnabled()) return WheelGoes::Nowhere;
    for (const QWidget* w = target; w && w != window; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QComboBox*>(w) ||
            qobject_cast<const QAbstractSpinBox*>(w))
            return WheelGoes::ToControl;
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(w)) {
            const QScrollBar* bar = vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
            if (bar && bar->maximum() > bar->minimum()) return WheelGoes::ToControl;
        }
    }
    return WheelGoes::ToCurrentEdit;
}

// Keys, clicks and focus of the band edits; the wheel of the whole window; and
// the window's input before any control gets it.
class EditEvents : public QObject {
public:
    explicit EditEvents(AppContext& app) : form_(app) {}

    void Watch(BoundEdit* edit) {
        edits_.insert(edit);
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == form_.Window().windowHandle()) return BeforeControls(e);
        if (watched == &form_.Window()) {
            // A turn nobody took on its way up from the control under the pointer.
            if (e->type() == QEvent::Wheel) {
                auto* wheel = static_cast<QWheelEvent*>(e);
                const int dy = wheel->angleDelta().y();
                if (WhereFrom(wheel) != WheelGoes::ToCurrentEdit) return true;
                if (form_.state().WheelStepping && dy != 0) {
                    FormMouseWheel(form_, dy);
                    return true;
                }
            }
            return false;
        }
        auto* edit = qobject_cast<BoundEdit*>(watched);
        if (!edit) return false;
        switch (e->type()) {
            case QEvent::MouseButtonPress:
                TakeEditFocus(form_, edit);
                return false;
            case QEvent::FocusIn: {
                // Reached with the Tab key, the edit is the one the keys and the wheel
                // act on, as if clicked. (A page switch that hides the focused control
                // moves the focus on "by Tab" as well; that is no choice of the user.)
                const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
                if (tabKey_ && (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason))
                    TakeEditFocus(form_, edit);
                return false;
            }
            case QEvent::FocusOut: {
                // Only a move to another control of this window is the user leaving
                // the edit; another program or a message box taking the focus is
                // not, and text left as it was has nothing to send.
                const QWidget* next = QApplication::focusWidget();
                if (next && next->window() == &form_.Window()) ApplyTyped(edit);
                return false;
            }
            case QEvent::ShortcutOverride:
                // Ctrl+Z and its kin undo the window's edits, not the text of the box.
                return IsUndoKey(static_cast<QKeyEvent*>(e));
            case QEvent::Wheel:
                if (form_.state().WheelStepping) {
                    const int dy = static_cast<QWheelEvent*>(e)->angleDelta().y();
                    if (dy != 0) FormMouseWheel(form_, dy);
                    return true;
                }
                return false;
            case QEvent::KeyPress: {
                auto* k = static_cast<QKeyEvent*>(e);
                switch (k->key()) {
                    case Qt::Key_Left:
                    case Qt::Key_Right:
                    case Qt::Key_Up:
                    case Qt::Key_Down:
                        // The keys step the edit they are typed into.
                        form_.state().CurrentEdit = edit;
                        StepEditByKey(form_, k->key());
                        return true;
                    case Qt::Key_Return:
                    case Qt::Key_Enter:
                        form_.state().CurrentEdit = edit;
                        CommitLeftEdit(form_, edit);
                        return true;
                    case Qt::Key_Backspace:
                        form_.state().CurrentEdit = edit;
                        return false;
                    default:
                        break;
                }
                const QString t = k->text();
                if (t.isEmpty() || !t.at(0).isPrint()) return false;  // Delete, Home, Tab...
                form_.state().CurrentEdit = edit;
                const QChar c = t.at(0);
                const bool accepted = t.size() == 1 && (c.isDigit() || c == '-' || c == '.');
                return !accepted;  // other characters are discarded
            }
            default:
                return false;
        }
    }

private:
    WheelGoes WhereFrom(const QWheelEvent* wheel) const {
        const QPoint at = wheel->position().toPoint();
        const QPoint d = wheel->angleDelta();
        return WhereWheelGoes(form_.Window().childAt(at), &form_.Window(), std::abs(d.y()) >= std::abs(d.x()));
    }

    // A press or a turn arrives at the window: a value typed into the focused box
    // is applied before another control acts, and a greyed control gets nothing.
    bool BeforeControls(QEvent* e) {
        switch (e->type()) {
            case QEvent::KeyPress: {
                const int key = static_cast<QKeyEvent*>(e)->key();
                tabKey_ = key == Qt::Key_Tab || key == Qt::Key_Backtab;
                return false;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                tabKey_ = false;
                ApplyTypedBefore(form_.Window().childAt(static_cast<QMouseEvent*>(e)->position().toPoint()));
                return false;
            case QEvent::Wheel: {
                tabKey_ = false;
                auto* wheel = static_cast<QWheelEvent*>(e);
                const WheelGoes goes = WhereFrom(wheel);
                if (goes == WheelGoes::Nowhere) return true;
                if (goes == WheelGoes::ToControl)
                    ApplyTypedBefore(form_.Window().childAt(wheel->position().toPoint()));
                return false;
            }
            default:
                return false;
        }
    }

    // The edit's own spin buttons step the typed text itself.
    void ApplyTypedBefore(const QWidget* target) {
        auto* edit = qobject_cast<BoundEdit*>(QApplication::focusWidget());
        if (!edit || !edits_.contains(edit)) return;  // a band edit, not the address or a password
        for (const QWidget* w = target; w; w = w->parentWidget()) {
            if (w == edit) return;
            if (auto* spin = qobject_cast<const BoundSpin*>(w); spin && spin->Tag() == edit->Tag()) return;
        }
        ApplyTyped(edit);
    }

    void ApplyTyped(BoundEdit* edit) {
        // The value typed is a step of its own, not part of what comes after it.
        if (edit->isModified()) form_.History().SeparateStep([this, edit] { CommitLeftEdit(form_, edit); });
    }

    AppContext& form_;
    QSet<const QObject*> edits_;  // the channel edits watched
    bool tabKey_ = false;         // the key being handled is Tab or Shift+Tab
};

void WireButton(AppContext& app, BoundButton* b, void (*handler)(AppContext&, BoundButton*)) {
    if (!b) return;
    QObject::connect(b, &QPushButton::clicked, &app.Window(), [&app, b, handler] { handler(app, b); });
}

}  // namespace

void WatchWindowInput(AppContext& app) {
    QWindow* window = app.Window().windowHandle();
    if (window && app.state().ChannelWiring)
        window->installEventFilter(static_cast<EditEvents*>(app.state().ChannelWiring.get()));
}

void WireChannelHandlers(AppContext& app) {
    auto* events = new EditEvents(app);
    app.state().ChannelWiring = std::shared_ptr<void>(events, [](void* p) { delete static_cast<EditEvents*>(p); });
    app.Window().installEventFilter(events);
    QSet<QObject*> wired;
    auto once = [&](QObject* o) {
        if (!o || wired.contains(o)) return false;
        wired.insert(o);
        return true;
    };
    for (const ParamBinding& b : ControlBindings()) {
        QWidget* editor = b.editor ? app.Control(QLatin1String(b.editor)) : nullptr;
        if (auto* edit = qobject_cast<BoundEdit*>(editor); edit && once(edit)) events->Watch(edit);
        if (auto* bar = qobject_cast<BoundSlider*>(editor); bar && once(bar)) {
            if (b.volumeLink >= 0)
                QObject::connect(bar, &QSlider::valueChanged, &app.Window(), [&app, bar] { VolumeSliderMoved(app, bar); });
            else if (b.paneClass == ControlClass::Pane)
                QObject::connect(bar, &QSlider::valueChanged, &app.Window(), [&app, bar] { PaneSliderMoved(app, bar); });
        }
        if (auto* spin = qobject_cast<BoundSpin*>(b.spin ? app.Control(QLatin1String(b.spin)) : nullptr);
            spin && once(spin)) {
            QObject::connect(spin->UpButton(), &QToolButton::clicked, &app.Window(),
                             [&app, spin] { SpinStepUp(app, spin); });
            QObject::connect(spin->DownButton(), &QToolButton::clicked, &app.Window(),
                             [&app, spin] { SpinStepDown(app, spin); });
        }
        if (b.typeClass == ControlClass::Slider) {
            if (auto* gain = app.Ctl<BoundSlider>(QLatin1String(b.typeControls[0])); gain && once(gain))
                QObject::connect(gain, &QSlider::valueChanged, &app.Window(), [&app, gain] { EditSliderMoved(app, gain); });
        }
        if (b.typeClass == ControlClass::Picture) {
            for (const char* name : b.typeControls)
                if (auto* pic = app.Ctl<TypePicture>(QLatin1String(name ? name : "")); pic && once(pic))
                    QObject::connect(pic, &QPushButton::clicked, &app.Window(), [&app, pic] { PickBandType(app, pic); });
            if (auto* box = qobject_cast<BoundCombo*>(editor); box && once(box))
                QObject::connect(box, &QComboBox::activated, &app.Window(), [&app, box] { BandTypeChanged(app, box); });
        }
        if (auto* button = qobject_cast<BoundButton*>(editor); button && once(button)) {
            switch (b.button) {
                case ButtonKind::Phase: WireButton(app, button, TogglePhase); break;
                case ButtonKind::Toggle: WireButton(app, button, ToggleMute); break;
                case ButtonKind::Choice: WireButton(app, button, ChooseGroupButton); break;
                case ButtonKind::Bypass:
                    if (PageOf(b.id) == PageDynEq)
                        QObject::connect(button, &QPushButton::clicked, &app.Window(),
                                         [&app, button] { ToggleDynEqBypass(app, button, true); });
                    break;
                default: break;
            }
        }
    }
    for (const ChoiceGroupDef& g : ChoiceGroups())
        for (int k = 0; k < g.count; ++k)
            if (auto* button = app.Ctl<BoundButton>(QLatin1String(g.buttons[k])); button && once(button))
                WireButton(app, button, ChooseGroupButton);
    for (const char* name : {"AutoModeBtn", "ManulModeBtn"}) WireButton(app, app.Ctl<BoundButton>(name), ToggleAutoMode);
    for (const char* name : {"SingModeBtn", "DiscoModeBtn"}) WireButton(app, app.Ctl<BoundButton>(name), ChooseSingOrDance);
    for (const char* name : {"EchoEQBtn", "RvbEQBtn"}) WireButton(app, app.Ctl<BoundButton>(name), ChooseEffectEq);
    for (const char* name : {"MicABtn", "MicBBtn"}) WireButton(app, app.Ctl<BoundButton>(name), ChooseMicBandGroup);
    for (int b = 0; b < 3; ++b)
        for (int l = 0; l < 3; ++l)
            WireButton(app, app.Ctl<BoundButton>(QString("AmpLBtn%1_%2").arg(b).arg(l)), SetDynEqLevels);
    WireButton(app, app.Ctl<BoundButton>("MusEQAllpassBtn"), ToggleEqPass);
    if (auto* reset = app.Ctl<BoundButton>("EQResetBtn"))
        QObject::connect(reset, &QPushButton::clicked, &app.Window(), [&app] { ResetEq(app); });
    if (auto* reset = app.Ctl<BoundButton>("RzBmpButton5"))
        QObject::connect(reset, &QPushButton::clicked, &app.Window(), [&app] { ResetDynEq(app); });
    for (const char* name : {"SysMusInputLevelBox", "MainHPTypeBox", "MainLPTypeBox", "SubMusHPType", "SubMusLPType"})
        if (auto* box = app.Ctl<BoundCombo>(name); box && once(box))
            QObject::connect(box, &QComboBox::activated, &app.Window(), [&app, box] { ChoiceBoxChanged(app, box); });
}

}  // namespace kdsp
