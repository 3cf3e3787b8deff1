// The diff view: every parameter two sets of settings hold differently (the
// settings now, a preset file, slot A, slot B, the last backup), by name, page and
// both shown values, filtered by page and text; the values of the second set can be
// taken into the settings now, one row or all rows shown, as one undo step.
#pragma once

class QDialog;

namespace kdsp {

class AppContext;

// The "对比…" button in the title bar, beside the A/B buttons.
void BuildDiffButton(AppContext& app);
// The sets the dialog compares, in the order its lists offer them.
enum DiffSide { DiffNow, DiffFile, DiffSlotA, DiffSlotB, DiffLastBackup };

// Opens the dialog (or brings it to the front) and returns it; `second`, when
// given, is chosen as the set compared with the settings now.
QDialog* ShowDiffDialog(AppContext& app, int second = -1);

}  // namespace kdsp
