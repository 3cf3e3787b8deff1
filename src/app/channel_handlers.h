// Wiring of the shared handlers of the channel controls (sliders, edits,
// spins, phase/mute/choice buttons, type boxes).
#pragma once

namespace kdsp {

class TForm1;

void WireChannelHandlers(TForm1& form);

}  // namespace kdsp
