// The preset folder and list of the system page.
#pragma once

namespace kdsp {

class TForm1;

void EnsurePresetFolders(TForm1& form);
// The line that names the preset folder when it is not the usual one, in the
// current language.
void ShowPresetFolder(TForm1& form);
void RefreshPresetList(TForm1& form);

}  // namespace kdsp
