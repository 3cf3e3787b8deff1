// A gesture is read off the input as it arrives at the window, before any control
// sees it: a press begins a step that lasts until the next gesture begins (the
// moves, the release, the click handled on release and a marker's deferred flush
// belong to it); wheel turns over one control, and the keys stepping one focused
// control, make one step as long as nothing else comes between; typing into a box
// makes one step that its Enter ends.
#include "app/editing/undo_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QWheelEvent>
#include <QWindow>

#include "app/editing/undo_history.h"
#include "app/state/app_context.h"

namespace kdsp {

namespace {

enum class Gesture { None, Pointer, Wheel, StepKeys, Typing };

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}

bool IsStepKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

class UndoInput : public QObject {
public:
    explicit UndoInput(AppContext& app) : QObject(&app.Window()), form_(app) { setObjectName("UndoInput"); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                Begin(Gesture::Pointer, nullptr);
                break;
            case QEvent::Wheel:
                Continue(Gesture::Wheel, form_.Window().childAt(static_cast<QWheelEvent*>(e)->position().toPoint()));
                break;
            case QEvent::KeyPress: {
                const int key = static_cast<QKeyEvent*>(e)->key();
                if (IsModifierKey(key)) break;
                Continue(IsStepKey(key) ? Gesture::StepKeys : Gesture::Typing, QApplication::focusWidget());
                // Enter confirms what was typed: the next key begins anew.
                if (key == Qt::Key_Return || key == Qt::Key_Enter) ended_ = true;
                break;
            }
            default:
                break;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    void Begin(Gesture gesture, const QObject* target) {
        form_.History().BeginStep();
        gesture_ = gesture;
        target_ = target;
        ended_ = false;
    }
    void Continue(Gesture gesture, const QObject* target) {
        if (gesture != gesture_ || target != target_ || ended_) Begin(gesture, target);
    }

    AppContext& form_;
    Gesture gesture_ = Gesture::None;
    const QObject* target_ = nullptr;  // compared only, never used
    bool ended_ = false;
};

}  // namespace

bool IsUndoKey(const QKeyEvent* key) {
    const QKeyCombination k = key->keyCombination();
    return k == (Qt::CTRL | Qt::Key_Z) || k == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) || k == (Qt::CTRL | Qt::Key_Y);
}

void AddUndoKeys(AppContext& app, QWidget* window, const std::function<void()>& after) {
    auto* undoKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), window);
    auto* redoKeys = new QShortcut(window);
    redoKeys->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QObject::connect(undoKeys, &QShortcut::activated, window, [&app, after] {
        app.History().Undo(app);
        if (after) after();
    });
    QObject::connect(redoKeys, &QShortcut::activated, window, [&app, after] {
        app.History().Redo(app);
        if (after) after();
    });
}

void WireUndo(AppContext& app) {
    const auto undo = [&app] { app.History().Undo(app); };
    const auto redo = [&app] { app.History().Redo(app); };
    AddUndoKeys(app, &app.Window(), {});
    auto* undoBtn = app.Ctl<QPushButton>("UndoBtn");
    auto* redoBtn = app.Ctl<QPushButton>("RedoBtn");
    if (!undoBtn || !redoBtn) return;
    QObject::connect(undoBtn, &QPushButton::clicked, &app.Window(), undo);
    QObject::connect(redoBtn, &QPushButton::clicked, &app.Window(), redo);
    app.History().Changed = [&app, undoBtn, redoBtn] {
        undoBtn->setEnabled(app.History().CanUndo());
        redoBtn->setEnabled(app.History().CanRedo());
    };
    app.History().Changed();
}

void WatchUndoInput(AppContext& app) {
    QWindow* window = app.Window().windowHandle();
    if (!window || app.Window().findChild<QObject*>("UndoInput", Qt::FindDirectChildrenOnly)) return;
    window->installEventFilter(new UndoInput(app));
}

}  // namespace kdsp
