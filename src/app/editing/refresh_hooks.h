// Steps of the page refresh that belong to the mode panel and the lock panels;
// those panels fill them in.
#pragma once

class QComboBox;

namespace kdsp {

class TForm1;

// The stored-mode box changed: its name part goes into PresetModeEdit.
void SysModeBoxChange(TForm1& form, QComboBox* box);
// After a refresh: takes the window for the unlock box when the processor's
// automatic panel lock is on.
void PanelLockAfterRefresh(TForm1& form);

}  // namespace kdsp
