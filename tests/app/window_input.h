// Input as a person gives it: pointer, wheel and key events sent to the top-level
// window (QWindow) at window coordinates, so Qt's own routing (implicit grab on
// press, focus changes, wheel target, the focused edit) decides who gets them.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <vector>

#include <gtest/gtest.h>

namespace kdsp {

struct Person {
    // The window a person's input for `w` arrives at, activated first as a click
    // on it would: focus changes and window shortcuts only work in the active window.
    // A window whose dialog is active counts as active to Qt, yet its keys go to the
    // dialog: it is activated too.
    static QWindow* WindowOf(QWidget* w) {
        QWindow* window = w->window()->windowHandle();
        if (window && QGuiApplication::focusWindow() != window) {
            window->requestActivate();
            [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window, 1000);
        }
        return window;
    }

    // The centre of a slider's handle, where a press neither pages nor jumps.
    static QPoint HandleCentre(QSlider* bar) {
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = bar->orientation();
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = bar->sliderPosition();
        opt.sliderValue = bar->value();
        opt.singleStep = bar->singleStep();
        opt.pageStep = bar->pageStep();
        opt.upsideDown = bar->orientation() == Qt::Horizontal ? bar->invertedAppearance()
                                                              : !bar->invertedAppearance();
        opt.tickPosition = bar->tickPosition();
        opt.tickInterval = bar->tickInterval();
        opt.subControls = QStyle::SC_All;
        return bar->style()
            ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, bar)
            .center();
    }

    // Where `local` (the centre when null) of `w` lies in its top-level window.
    // A control a person cannot reach there (hidden, outside the window or off its
    // screen, covered by another control) fails the test.
    static QPoint At(QWidget* w, QPoint local = {}) {
        if (local.isNull())
            local = qobject_cast<QSlider*>(w) ? HandleCentre(static_cast<QSlider*>(w))
                                              : w->rect().center();
        QWidget* top = w->window();
        const QPoint p = w->mapTo(top, local);
        if (!w->isVisible()) {
            ADD_FAILURE() << w->objectName().toStdString() << " is not on screen";
        } else if (!top->rect().contains(p)) {
            ADD_FAILURE() << w->objectName().toStdString() << " lies outside its window";
        } else if (const QScreen* s = top->screen(); s && !s->availableGeometry().contains(top->mapToGlobal(p))) {
            ADD_FAILURE() << w->objectName().toStdString() << " lies off the screen";
        } else if (QWidget* hit = top->childAt(p); hit != w && !w->isAncestorOf(hit)) {
            ADD_FAILURE() << w->objectName().toStdString() << " is covered by "
                          << (hit ? hit->metaObject()->className() + std::string(" ") +
                                        hit->objectName().toStdString()
                                  : std::string("nothing"));
        }
        return p;
    }

    // Scrolls the areas around `w` until it is in view, as a person does with
    // their scroll bars.
    static void ScrollTo(QWidget* w) {
        std::vector<QScrollArea*> areas;
        for (QWidget* a = w->parentWidget(); a; a = a->parentWidget())
            if (auto* area = qobject_cast<QScrollArea*>(a); area && area->widget() && area->widget()->isAncestorOf(w))
                areas.insert(areas.begin(), area);
        for (QScrollArea* area : areas) area->ensureWidgetVisible(w, 0, 0);
    }

    static void Press(QWidget* w, Qt::MouseButton button = Qt::LeftButton, QPoint local = {}) {
        QTest::mousePress(WindowOf(w), button, {}, At(w, local));
    }
    // The pointer to `local` of `w`, with whatever buttons are held.
    static void MoveTo(QWidget* w, QPoint local) {
        QTest::mouseMove(WindowOf(w), w->mapTo(w->window(), local));
    }
    static void Release(QWidget* w, Qt::MouseButton button = Qt::LeftButton, QPoint local = {}) {
        QTest::mouseRelease(WindowOf(w), button, {},
                            w->mapTo(w->window(), local.isNull() ? w->rect().center() : local));
    }
    static void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton, QPoint local = {}) {
        QTest::mouseClick(WindowOf(w), button, {}, At(w, local));
    }

    // The tab of a tab widget with this caption.
    static void ClickTab(QTabWidget* tabs, const QString& caption) {
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == caption)
                Click(tabs->tabBar(), Qt::LeftButton, tabs->tabBar()->tabRect(i).center());
    }

    // Presses `w` at its centre, moves by `by` in `steps` equal moves and releases
    // there. The positions are fixed in the window when the press happens, so a
    // control that follows the pointer does not move the target.
    static void Drag(QWidget* w, QPoint by, int steps = 4,
                     Qt::MouseButton button = Qt::LeftButton) {
        QWindow* window = WindowOf(w);
        const QPoint start = At(w);
        QTest::mousePress(window, button, {}, start);
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(window, start + by * i / steps);
        QTest::mouseRelease(window, button, {}, start + by);
    }

    // Keys go where the window sends them: to an open drop-down list, else to the
    // focused control of `w`'s window.
    static void Key(QWidget* w, Qt::Key key, int times = 1, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* popup = QApplication::activePopupWidget();
        QWindow* window = popup ? popup->windowHandle() : WindowOf(w);
        for (int i = 0; i < times; ++i)
            QTest::keyClick(window, key, modifiers);
    }
    // ASCII text, one key per character.
    static void Type(QWidget* w, const QString& text) {
        QWindow* window = WindowOf(w);
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1());
    }

    // Clicks into the edit, types over its text, and confirms with Enter.
    static void TypeOver(QLineEdit* e, const QString& text, bool enter = true) {
        Click(e);
        Key(e, Qt::Key_End);
        Key(e, Qt::Key_Backspace, static_cast<int>(e->text().size()));
        Type(e, text);
        if (enter)
            Key(e, Qt::Key_Return);
    }
    // Opens a drop-down list and picks an item of it with the keyboard.
    static void Pick(QComboBox* box, int index) {
        Click(box);
        Key(box, Qt::Key_Home);
        Key(box, Qt::Key_Down, index);
        Key(box, Qt::Key_Return);
    }

    // One notch is 120; positive turns away from the user. The turn arrives as the
    // platform's own does: at the control under the pointer, and passed on to its
    // parents when that control does not take it.
    static void Wheel(QWidget* w, int delta, QPoint local = {}) {
        QWindow* window = WindowOf(w);
        const QPoint p = At(w, local);
        QWheelEvent e(p, window->mapToGlobal(QPointF(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e);
        QCoreApplication::sendEvent(window, &e);
        QCoreApplication::processEvents();
    }
};

}  // namespace kdsp
