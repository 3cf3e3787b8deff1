// Fuzzes the Equalizer APO configuration reader (see filter_list_fuzz.h for what must hold).
#include "filter_list_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return CheckFilterListReader(data, size, kdsp::ReadApoConfig);
}
