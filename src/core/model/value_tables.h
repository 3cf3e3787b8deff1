// The fixed text tables that every shown value comes from.
#pragma once

#include <array>
#include <string_view>

namespace kdsp {

inline constexpr int FreqTableSize = 362;  // "19.7" .. "20600.0", 1/36 octave
inline constexpr int QTableSize = 101;     // "0.40" .. "128.00"

const std::array<std::string_view, FreqTableSize>& FreqTable();
const std::array<std::string_view, QTableSize>& QTable();
const std::array<std::string_view, 41>& RatioTable();
const std::array<std::string_view, 8>& ReleaseTable();
const std::array<std::string_view, 16>& AttackTable();

// Numeric value of a table entry ("1000.0" -> 1000.0); an index outside the
// table is clamped to its nearest end.
double FreqValue(int index);
double QValue(int index);

}  // namespace kdsp
