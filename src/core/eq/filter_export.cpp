// Writing a page's EQ as REW or Equalizer APO text.
#include "core/eq/filter_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

struct OutFilter {
    std::string type;
    std::string fc;    // Hz, as the processor shows it
    std::string gain;  // empty for pass filters
    std::string q;
};

std::string Fixed(double v, int decimals) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

// Q of the sections of crossover type 0..4: Bessel, Butterworth and Linkwitz-Riley
// 24 dB are two fixed sections; the user types use the crossover's own Q.
std::vector<double> SectionQs(const StoredCrossover& c) {
    const double user = QValue(c.q);
    switch (c.type) {
        case 0: return {1 / std::sqrt(3.0), 1 / std::sqrt(3.0)};
        case 1: return {1 / (2 * std::sin(std::numbers::pi / 4 * 0.5)), 1 / (2 * std::sin(std::numbers::pi / 4 * 1.5))};
        case 2: return {1 / std::sqrt(2.0), 1 / std::sqrt(2.0)};
        case 3: return {user};
        default: return {user, user};
    }
}

std::vector<OutFilter> Filters(const PageEq& eq) {
    std::vector<OutFilter> out;
    for (const StoredBand& b : eq.bands) {
        const double gain = b.gain / 5.0 - 24.0;
        OutFilter f;
        f.fc = std::string(FreqTable()[static_cast<std::size_t>(std::clamp(b.freq, 0, FreqTableSize - 1))]);
        f.gain = Fixed(gain, 1);
        if (b.type == 1 || b.type == 2) {
            f.type = b.type == 1 ? "LS" : "HS";
            f.q = Fixed(ShelfQFromSlope(QValue(b.shelfQ), gain), 3);
        } else {
            f.type = "PK";
            f.q = std::string(QTable()[static_cast<std::size_t>(std::clamp(b.peakQ, 0, QTableSize - 1))]);
        }
        out.push_back(f);
    }
    if (eq.hasCrossovers) {
        for (const bool high : {true, false}) {
            const StoredCrossover& c = high ? eq.highPass : eq.lowPass;
            const auto shape = CrossoverOf(c, high);
            if (!shape) continue;
            const int index = high ? c.freq - 1 : c.freq;
            for (const double q : SectionQs(c)) {
                OutFilter f;
                f.type = high ? "HPQ" : "LPQ";
                f.fc = std::string(FreqTable()[static_cast<std::size_t>(index)]);
                f.q = c.type >= CrossoverUser12 ? std::string(QTable()[static_cast<std::size_t>(c.q)]) : Fixed(q, 3);
                out.push_back(f);
            }
        }
    }
    return out;
}

}  // namespace

std::string ExportFilterList(const PageEq& eq, FilterFormat format, std::string_view title) {
    std::string text;
    const std::vector<OutFilter> filters = Filters(eq);
    if (format == FilterFormat::Rew) {
        text += "Filter Settings file\r\n\r\n";
        text += "Notes: " + std::string(title) + "\r\n\r\n";
        text += "Equaliser: Generic\r\n";
        text += std::string(title) + "\r\n";
    } else {
        text += "# " + std::string(title) + "\r\n";
    }
    int n = 0;
    for (OutFilter f : filters) {
        // Equalizer APO names a shelf that takes a Q LSC/HSC.
        if (format == FilterFormat::Apo && (f.type == "LS" || f.type == "HS")) f.type += "C";
        char line[160];
        const char* pad = format == FilterFormat::Rew ? "  " : " ";
        std::snprintf(line, sizeof line, "Filter %d:%sON%s%s%sFc %s Hz", ++n, pad, pad, f.type.c_str(), pad,
                      f.fc.c_str());
        text += line;
        if (!f.gain.empty()) text += std::string(pad) + "Gain " + f.gain + " dB";
        text += std::string(pad) + "Q " + f.q + "\r\n";
    }
    return text;
}

}  // namespace kdsp
