// Showing stored values: the view rebuild from the device image, the page
// refresh and the EQ band reset.
#pragma once

namespace kdsp {

class TForm1;

void LoadViewFromDevice(TForm1& form, int mode);
void RefreshPages(TForm1& form, int selector);  // 0..10 one page, 20 all
void ResetEqBands(TForm1& form, int selector);  // 0..9 one page, 20 all

}  // namespace kdsp
