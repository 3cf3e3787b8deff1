// Showing stored values: the page refresh (which rebuilds the view from the
// device image) and the EQ band reset.
#pragma once

namespace kdsp {

class AppContext;

void RefreshPages(AppContext& app, int selector);  // 0..10 one page, 20 all
void ResetEqBands(AppContext& app, int selector);  // 0..9 one page, 20 all

}  // namespace kdsp
