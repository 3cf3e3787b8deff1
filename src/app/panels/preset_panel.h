// The preset folder and list of the system page.
#pragma once

namespace kdsp {

class AppContext;

void EnsurePresetFolders(AppContext& app);
// The line that names the preset folder when it is not the usual one, in the
// current language.
void ShowPresetFolder(AppContext& app);
void RefreshPresetList(AppContext& app);

}  // namespace kdsp
