// The preset folder and list of the system page.
#pragma once

namespace kdsp {

class TForm1;

void EnsurePresetFolders(TForm1& form);
void RefreshPresetList(TForm1& form);

}  // namespace kdsp
