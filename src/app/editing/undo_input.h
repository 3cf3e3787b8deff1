// Where undo steps begin and end, taken from the window's own input, and the
// ways to undo and redo: Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y, and two title-bar buttons.
#pragma once

#include <functional>

class QKeyEvent;
class QWidget;

namespace kdsp {

class AppContext;

// The shortcuts and the title bar's buttons (UndoBtn, RedoBtn).
void WireUndo(AppContext& app);
// The undo and redo keys in another window of the program (a dialog that edits, whose
// keys the window's own shortcuts never see while it is the active one); `after`
// runs once a step has been undone or redone.
void AddUndoKeys(AppContext& app, QWidget* window, const std::function<void()>& after);
// Watches the input arriving at the window once it has its platform window.
void WatchUndoInput(AppContext& app);
// Whether the key undoes or redoes: a text box must leave it to the window.
bool IsUndoKey(const QKeyEvent* key);

}  // namespace kdsp
