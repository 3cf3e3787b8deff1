// What both filter-list fuzz targets hold of a reader: any bytes are refused with a
// reason or give filters whose numbers are finite and inside the limits a fit can take.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/eq/eq_fit.h"
#include "core/eq/filter_list.h"
#include "fuzz_check.h"

inline int CheckFilterListReader(const std::uint8_t* data, std::size_t size,
                                 kdsp::FilterList (*read)(std::string_view)) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kdsp::FilterList list = read(bytes);
    Check(list.Ok() ? !list.filters.empty() : !list.error.empty(), "refused with a reason, or filters");
    for (const kdsp::ListedFilter& f : list.filters) {
        Check(std::isfinite(f.frequency) && f.frequency >= 1 && f.frequency <= 100000, "frequency in range");
        Check(std::isfinite(f.gainDb) && std::isfinite(f.q) && f.q > 0, "finite gain and Q");
        Check(f.line >= 1, "a line number");
    }
    if (list.Ok() && list.filters.size() <= 20) {
        const kdsp::EqFit fit = kdsp::FitToPage(list, kdsp::FlatPageEq(6, {}), true);
        Check(fit.Ok() && std::isfinite(fit.deviation.maxDb), "a fit of any good list");
    }
    return 0;
}
