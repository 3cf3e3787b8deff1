// Where the EQ bands of each page sit, their default settings, and the band
// frame ids; shared by codecs, frames, curves and the window.
#pragma once

#include <array>

#include "core/model/model.h"

namespace kdsp {

inline constexpr int DynEqFirstMarker = 514;  // page 2 bands sit at 12*band + 2

// First EQ index per page (page 2 holds the marker, page 10 has no EQ).
inline constexpr std::array<int, PageCount> FirstEqIndex = {4, 6, DynEqFirstMarker, 6, 16, 16,
                                                            34, 31, 31, 34, 0};
// Ordinary bands per page.
inline constexpr std::array<int, PageCount> PageBandCount = {10, 15, 3, 9, 5, 5, 7, 7, 7, 7, 0};
// Bands per EQ graph 0..9.
inline constexpr std::array<int, 10> GraphBandCount = {10, 15, 5, 7, 7, 7, 7, 0, 3, 3};
// Id of the band frame of each page 0..9 (two below the first EQ index).
inline constexpr std::array<ParamId, 10> BandFrameIds = {0x0002, 0x0104, 0x0200, 0x0304, 0x040E,
                                                         0x050E, 0x0620, 0x071D, 0x081D, 0x0920};

inline constexpr int BandTypePEQ = 0;
inline constexpr int DefaultBandGain = 120;      // 0.0 dB
inline constexpr int DefaultPeakQ = 16;          // "1.00"
inline constexpr int DefaultShelfQ = 10;         // "0.71"

// Default FreqTable index of each band, pages 0..9.
inline constexpr std::array<std::array<int, 15>, 10> DefaultBandFreq = {{
    {25, 60, 95, 130, 170, 205, 245, 290, 333, 360},
    {2, 25, 49, 73, 96, 120, 144, 167, 187, 215, 238, 262, 287, 309, 333},
    {72, 203, 332},
    {25, 60, 95, 130, 170, 205, 245, 290, 333},
    {26, 103, 181, 260, 335},
    {26, 103, 181, 260, 335},
    {60, 95, 130, 170, 205, 245, 290},
    {60, 95, 130, 170, 205, 245, 290},
    {60, 95, 130, 170, 205, 245, 290},
    {60, 95, 130, 170, 205, 245, 290},
}};

}  // namespace kdsp
