// Preset panel: the folder and list handling lands with the preset library.
#include "app/preset_panel.h"

namespace kdsp {

void EnsurePresetFolders(TForm1& form) { (void)form; }
void RefreshPresetList(TForm1& form) { (void)form; }

}  // namespace kdsp
