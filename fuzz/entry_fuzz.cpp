// Fuzzes the numeric entry path of the edits: text filtering, conversion,
// TextToValue and FormatValue for every kind. Shown values stay in range and
// every table index is valid.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/model/codecs.h"
#include "core/preset/text_ops.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int kind = data[0] % (kdsp::ValueKindCount + 2);  // unknown kinds too
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string kept = kdsp::KeepNumericChars(std::string(text));
    for (char c : kept) Check((c >= '0' && c <= '9') || c == '-' || c == '.', "kept chars");
    char* end = nullptr;
    const double x = std::strtod(kept.c_str(), &end);
    if (kept.empty() || end == kept.c_str()) return 0;
    const double v = kdsp::TextToValue(kind, x);
    for (int qMax : {24, 100}) {
        const kdsp::Formatted f = kdsp::FormatValue(kind, v, qMax);
        const kdsp::KindRange range = kdsp::ValueKindRange(kind);
        if (range.hasRange && kind != 1 && kind != 4)
            Check(f.value >= 0 && f.value <= range.max, "shown value inside the kind's range");
        if (kind == 4) Check(f.value >= 0 && f.value <= qMax, "Q inside the band's limit");
        Check(f.text.size() < 64, "shown text is short");
    }
    return 0;
}
