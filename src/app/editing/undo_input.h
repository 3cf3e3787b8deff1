// Where undo steps begin and end, taken from the window's own input, and the
// ways to undo and redo: Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y, and two title-bar buttons.
#pragma once

class QKeyEvent;

namespace kdsp {

class TForm1;

// The shortcuts and the title bar's buttons (UndoBtn, RedoBtn).
void WireUndo(TForm1& form);
// Watches the input arriving at the window once it has its platform window.
void WatchUndoInput(TForm1& form);
// Whether the key undoes or redoes: a text box must leave it to the window.
bool IsUndoKey(const QKeyEvent* key);

}  // namespace kdsp
