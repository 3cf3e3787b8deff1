// The EQ graph of the shared area: grid and response curves.
#pragma once

namespace kdsp {

class TForm1;

// Draws the graph background and grid into Image1 (creating: first time).
void BuildGraphGrid(TForm1& form, bool creating);
// Draws the curve of one band (0..19) or, with 20, the whole curve of a page.
void DrawChannelCurve(TForm1& form, int band, int page);

}  // namespace kdsp
