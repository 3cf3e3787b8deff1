// Connects the channel controls of the window to their shared handlers and routes
// the window's keys, clicks, focus and wheel to the band edits.
#pragma once

namespace kdsp {

class AppContext;

// Once, from the window's constructor; the event filter lives in AppState's
// ChannelWiring and goes first when the window is destroyed.
void WireChannelHandlers(AppContext& app);

// Once the window is shown (it has its platform window then): presses and wheel
// turns are looked at before any control gets them.
void WatchWindowInput(AppContext& app);

}  // namespace kdsp
