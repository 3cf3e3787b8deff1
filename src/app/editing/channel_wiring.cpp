// The wiring of the channel controls: each control connected to its one shared
// handler, and the window's keys, clicks, focus and wheel routed to the band edits.
#include "app/editing/channel_wiring.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QSet>
#include <QToolButton>
#include <QWheelEvent>

#include "app/editing/channel_handlers.h"
#include "app/editing/undo_history.h"
#include "app/editing/undo_input.h"
#include "app/state/app_context.h"
#include "app/widgets/widgets.h"
#include "core/model/catalogue.h"
#include "core/model/eq_layout.h"

namespace kdsp {

namespace {

// Keys, clicks and focus of the band edits; the wheel of the whole window.
class EditEvents : public QObject {
public:
    explicit EditEvents(AppContext& form) : form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == &form_.Window()) {
            if (e->type() == QEvent::Wheel) {
                const int dy = static_cast<QWheelEvent*>(e)->angleDelta().y();
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
                MusFreEdit1Click(form_, edit);
                return false;
            case QEvent::FocusOut: {
                // Only a move to another control of this window is the user leaving
                // the edit; another program or a message box taking the focus is
                // not, and text left as it was has nothing to send.
                const QWidget* next = QApplication::focusWidget();
                // The value typed is a step of its own, not part of the click that left it.
                if (edit->isModified() && next && next->window() == &form_.Window())
                    form_.History().SeparateStep([this, edit] { MusFreEdit1Exit(form_, edit); });
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
                        MusFreEdit1KeyDown(form_, k->key());
                        return true;
                    case Qt::Key_Return:
                    case Qt::Key_Enter:
                        form_.state().CurrentEdit = edit;
                        MusFreEdit1Exit(form_, edit);
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
    AppContext& form_;
};

void WireButton(AppContext& form, BoundButton* b, void (*handler)(AppContext&, BoundButton*)) {
    if (!b) return;
    QObject::connect(b, &QPushButton::clicked, &form.Window(), [&form, b, handler] { handler(form, b); });
}

}  // namespace

void WireChannelHandlers(AppContext& form) {
    auto* events = new EditEvents(form);
    form.state().ChannelWiring = std::shared_ptr<void>(events, [](void* p) { delete static_cast<EditEvents*>(p); });
    form.Window().installEventFilter(events);
    QSet<QObject*> wired;
    auto once = [&](QObject* o) {
        if (!o || wired.contains(o)) return false;
        wired.insert(o);
        return true;
    };
    for (const ParamBinding& b : Catalogue()) {
        QWidget* editor = b.editor ? form.Control(QLatin1String(b.editor)) : nullptr;
        if (auto* edit = qobject_cast<BoundEdit*>(editor); edit && once(edit)) edit->installEventFilter(events);
        if (auto* bar = qobject_cast<BoundSlider*>(editor); bar && once(bar)) {
            if (b.volumeLink >= 0)
                QObject::connect(bar, &QSlider::valueChanged, &form.Window(), [&form, bar] { SysMusNormalVolBarChange(form, bar); });
            else if (b.paneClass == ControlClass::Pane)
                QObject::connect(bar, &QSlider::valueChanged, &form.Window(), [&form, bar] { MicHPFreBarChange(form, bar); });
        }
        if (auto* spin = qobject_cast<BoundSpin*>(b.spin ? form.Control(QLatin1String(b.spin)) : nullptr);
            spin && once(spin)) {
            QObject::connect(spin->UpButton(), &QToolButton::clicked, &form.Window(),
                             [&form, spin] { MusFreUpDownBtn1UpRightClick(form, spin); });
            QObject::connect(spin->DownButton(), &QToolButton::clicked, &form.Window(),
                             [&form, spin] { MusFreUpDownBtn1DownLeftClick(form, spin); });
        }
        if (b.typeClass == ControlClass::Slider) {
            if (auto* gain = form.Ctl<BoundSlider>(QLatin1String(b.typeControls[0])); gain && once(gain))
                QObject::connect(gain, &QSlider::valueChanged, &form.Window(), [&form, gain] { MusEQGainBar1Change(form, gain); });
        }
        if (b.typeClass == ControlClass::Picture) {
            for (const char* name : b.typeControls)
                if (auto* pic = form.Ctl<TypePicture>(QLatin1String(name ? name : "")); pic && once(pic))
                    QObject::connect(pic, &QPushButton::clicked, &form.Window(), [&form, pic] { MusPEQBtn1Click(form, pic); });
            if (auto* box = qobject_cast<BoundCombo*>(editor); box && once(box))
                QObject::connect(box, &QComboBox::activated, &form.Window(), [&form, box] { MusModeBox1Change(form, box); });
        }
        if (auto* button = qobject_cast<BoundButton*>(editor); button && once(button)) {
            switch (b.button) {
                case ButtonKind::Phase: WireButton(form, button, EchoEffPhaseBtnClick); break;
                case ButtonKind::Toggle: WireButton(form, button, MainLmuteBtnClick); break;
                case ButtonKind::Choice: WireButton(form, button, SysMusInputLevelClick); break;
                case ButtonKind::Bypass:
                    if (PageOf(b.id) == PageDynEq)
                        QObject::connect(button, &QPushButton::clicked, &form.Window(),
                                         [&form, button] { DEQALLPASSBtn1Click(form, button, true); });
                    break;
                default: break;
            }
        }
    }
    for (const ChoiceGroupDef& g : ChoiceGroups())
        for (int k = 0; k < g.count; ++k)
            if (auto* button = form.Ctl<BoundButton>(QLatin1String(g.buttons[k])); button && once(button))
                WireButton(form, button, SysMusInputLevelClick);
    for (const char* name : {"AutoModeBtn", "ManulModeBtn"}) WireButton(form, form.Ctl<BoundButton>(name), AutoModeBtnClick);
    for (const char* name : {"SingModeBtn", "DiscoModeBtn"}) WireButton(form, form.Ctl<BoundButton>(name), SingModeBtnClick);
    for (const char* name : {"EchoEQBtn", "RvbEQBtn"}) WireButton(form, form.Ctl<BoundButton>(name), EchoEQBtnClick);
    for (const char* name : {"MicABtn", "MicBBtn"}) WireButton(form, form.Ctl<BoundButton>(name), MicABtnClick);
    for (int b = 0; b < 3; ++b)
        for (int l = 0; l < 3; ++l)
            WireButton(form, form.Ctl<BoundButton>(QString("AmpLBtn%1_%2").arg(b).arg(l)), AmpLBtn0_0Click);
    WireButton(form, form.Ctl<BoundButton>("MusEQAllpassBtn"), MusEQAllpassBtnClick);
    if (auto* reset = form.Ctl<BoundButton>("EQResetBtn"))
        QObject::connect(reset, &QPushButton::clicked, &form.Window(), [&form] { EQResetBtnClick(form); });
    if (auto* reset = form.Ctl<BoundButton>("RzBmpButton5"))
        QObject::connect(reset, &QPushButton::clicked, &form.Window(), [&form] { RzBmpButton5Click(form); });
    for (const char* name : {"SysMusInputLevelBox", "MainHPTypeBox", "MainLPTypeBox", "SubMusHPType", "SubMusLPType"})
        if (auto* box = form.Ctl<BoundCombo>(name); box && once(box))
            QObject::connect(box, &QComboBox::activated, &form.Window(), [&form, box] { SubMusHPTypeChange(form, box); });
}

}  // namespace kdsp
