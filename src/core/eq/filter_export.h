// A page's EQ written as a filter list the measurement software reads back (REW's
// filter settings text or Equalizer APO configuration), so the processor's EQ can be
// checked against the measurement.
#pragma once

#include <string>
#include <string_view>

#include "core/eq/filter_list.h"
#include "core/eq/page_eq.h"

namespace kdsp {

// Every band in order with the processor's own texts (frequency, gain to 0.1 dB,
// Q), shelves with the Q that draws the processor's slope, then the crossovers
// that are on (a 24 dB crossover as its two 12 dB sections). `title` names the
// page and where it came from; it goes into a comment or REW's notes.
std::string ExportFilterList(const PageEq& eq, FilterFormat format, std::string_view title);

}  // namespace kdsp
