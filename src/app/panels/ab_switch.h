// A/B in the title bar: "A" and "B" take the settings as they are (the first press)
// and later switch to them; "A/B" (and F9) switches to the other one. A switch sends
// only the words that differ, through the change path, as edits are sent.
#pragma once

#include <QString>

namespace kdsp {

class AppContext;
class AbSlots;

// Puts the A/B buttons into the title bar, before the undo button, with their key.
void BuildAbSwitch(AppContext& app);
// The window's slots (none before BuildAbSwitch).
AbSlots* AbSlotsOf(AppContext& app);
// For a picture of A/B: the settings now as slot A (held), the preset `path` as slot
// B, nothing sent; false when the file cannot be read.
bool TakeAbSlotsForPicture(AppContext& app, const QString& path);

}  // namespace kdsp
