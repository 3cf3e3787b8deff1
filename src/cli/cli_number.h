// Numbers typed on the command line: ids, pages, stored values.
#pragma once

#include <cstdint>
#include <string>

namespace kdsp::cli {

// Parses "0x0A02" or "2562"; throws Refused outside 0..max (a page outside the
// memory with exit status 2, as a usage error).
std::uint32_t ParseNumber(const std::string& text, std::uint32_t max, const char* what);

}  // namespace kdsp::cli
