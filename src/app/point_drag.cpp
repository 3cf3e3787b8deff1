// EQ point dragging: nothing is dragged until the graph points exist.
#include "app/point_drag.h"

namespace kdsp {

bool Dragging(const TForm1& form) {
    (void)form;
    return false;
}

void FlushDraggedPoint(TForm1& form) { (void)form; }

}  // namespace kdsp
