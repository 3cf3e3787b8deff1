// The operating mode (music.mode): which of the music page's two copies, sing or
// dance, a mode word selects.
#pragma once

namespace kdsp {

// 0 sing, 1 dance. The processor keeps two copies only; any word but 0 is the dance
// copy, as the mode buttons show it, so a stray word never points outside the two.
inline constexpr int ModeCopyOf(int word) { return word != 0 ? 1 : 0; }

}  // namespace kdsp
