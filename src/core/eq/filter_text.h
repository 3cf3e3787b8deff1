// The text of a filter-list file: UTF-8 or UTF-16 bytes turned into checked lines,
// and the numbers in them (a decimal point or a decimal comma).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdsp {

struct TextLines {
    std::vector<std::string> lines;  // UTF-8, without line ends
    std::string error;               // "line 3: binary data"; empty when good
    int errorLine = 0;
};

inline constexpr std::size_t MaxFilterLineBytes = 1000;
inline constexpr std::size_t MaxFilterLines = 10000;

// Decodes (UTF-8 with or without a byte-order mark, UTF-16 LE/BE told by its mark or
// by its zero bytes) and splits at CR LF, LF or CR. Refuses files above `maxBytes`,
// text that is neither encoding, control characters and overlong lines.
TextLines SplitFilterText(std::string_view bytes, std::size_t maxBytes);

// Whitespace-separated words of a line (spaces and tabs).
std::vector<std::string_view> Words(std::string_view line);

// "45.80", "-3", "45,80", "+1.5": a plain decimal number; nothing else (no
// exponents, no thousands separators, no "inf").
std::optional<double> ParseDecimal(std::string_view word);

bool SameWord(std::string_view a, std::string_view b);  // letter case ignored

}  // namespace kdsp
