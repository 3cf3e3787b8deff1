// Channel handlers: connected once the change path exists.
#include "app/channel_handlers.h"

namespace kdsp {

void WireChannelHandlers(TForm1& form) { (void)form; }

}  // namespace kdsp
