// Dragging the EQ points of the graph and the deferred flush of a drag.
#pragma once

namespace kdsp {

class TForm1;

bool Dragging(const TForm1& form);
void FlushDraggedPoint(TForm1& form);

}  // namespace kdsp
