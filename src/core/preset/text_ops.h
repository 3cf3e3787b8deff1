// Small text operations shared by the preset files, the preset list and the
// numeric entry of the window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kdsp {

// Cuts `text` at every occurrence of `separator`; empty parts (two separators in
// a row, or one at either end) are kept, so the part count is always
// occurrences + 1. An empty separator yields the whole text as one part.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// Drops the trailing extension of exactly four characters after a dot
// ("a.b.Nddt" -> "a.b"); a name without such an ending comes back whole.
// Characters are counted as UTF-8 code points, so Chinese names work too.
std::string StripPresetExtension(std::string_view fileName);

// Offending input as a message shows it: at most 80 characters (then "..."), control
// characters escaped ("\t", "\x1B"), so a line of binary or a huge value cannot
// flood or garble a terminal. Cut only between UTF-8 characters.
std::string InputExcerpt(std::string_view text);

// Keeps only '0'..'9', '-' and '.', in their order.
std::string KeepNumericChars(std::string_view text);

}  // namespace kdsp
