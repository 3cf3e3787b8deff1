// Fitting a filter list onto a page, and the deviation of the result.
#include "core/eq/eq_fit.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

constexpr double DeviationLowHz = 20, DeviationHighHz = 20000;
constexpr int GainStepMax = 180;

bool IsPass(const ListedFilter& f) {
    return f.type == FilterType::LowPass || f.type == FilterType::HighPass;
}

int CodeOf(FilterType t) {
    switch (t) {
        case FilterType::Peak: return 0;
        case FilterType::LowShelf: return 1;
        case FilterType::HighShelf: return 2;
        case FilterType::HighPass: return 3;  // one section with the filter's Q
        case FilterType::LowPass: return 4;
    }
    return 0;
}

template <class Each>
void EachGridPointInRange(Each each) {
    for (int g = 0; g < GridPoints; ++g) {
        const double f = GridToFreq(g);
        if (f >= DeviationLowHz && f <= DeviationHighHz) each(g, f);
    }
}

std::string PageText(int page) { return std::string(FilterPageName(page)); }

bool Near(double a, double b) { return std::abs(a - b) < 0.01; }

// Two pass sections at one frequency are one 24 dB crossover, as export writes it:
// Bessel (both Q 0.577), Butterworth (1.307 and 0.541), Linkwitz-Riley (both 0.707), or
// the user type with both sections at one Q of the table. The fixed types leave the
// crossover's own Q as it is (`keptQ`).
std::optional<StoredCrossover> CrossoverPair(const std::vector<ListedFilter>& p, bool high, int keptQ) {
    if (p.size() != 2 || SnapFrequency(p[0].frequency) != SnapFrequency(p[1].frequency)) return std::nullopt;
    const double a = std::min(p[0].q, p[1].q), b = std::max(p[0].q, p[1].q);
    const int freq = SnapFrequency(p[0].frequency) + (high ? 1 : 0);
    const int q = SnapQ(a, CrossoverQMax);
    if (Near(a, b) && Near(a, 1 / std::sqrt(3.0))) return StoredCrossover{0, freq, keptQ};
    if (Near(a, 0.5412) && Near(b, 1.3066)) return StoredCrossover{1, freq, keptQ};
    if (Near(a, b) && Near(a, 1 / std::sqrt(2.0))) return StoredCrossover{2, freq, keptQ};
    if (Near(a, b) && Near(QValue(q), a)) return StoredCrossover{4, freq, q};
    return std::nullopt;
}

}  // namespace

int SnapFrequency(double hz) {
    return std::clamp(static_cast<int>(TextToValue(2, hz)), 0, FreqTableSize - 1);
}

int SnapGain(double db) {
    return std::clamp(static_cast<int>(TextToValue(3, db)), 0, GainStepMax);
}

int SnapQ(double q, int maxIndex) {
    int best = 0;
    for (int i = 1; i <= maxIndex && i < QTableSize; ++i)
        if (std::abs(QValue(i) - q) < std::abs(QValue(best) - q)) best = i;
    return best;
}

std::array<float, GridPoints> ListResponse(const std::vector<ListedFilter>& filters) {
    std::array<float, GridPoints> sum{};
    std::array<float, GridPoints> one{};
    for (const ListedFilter& f : filters) {
        const int hz = static_cast<int>(std::nearbyint(std::clamp(f.frequency, 1.0, 1e6)));
        BandResponse(one, hz, static_cast<CurveCode>(CodeOf(f.type)), static_cast<float>(f.q),
                     static_cast<float>(f.gainDb));
        for (int g = 0; g < GridPoints; ++g) sum[g] += one[g];
    }
    return sum;
}

Deviation CompareResponses(const std::array<float, GridPoints>& wanted,
                           const std::array<float, GridPoints>& got) {
    Deviation d;
    double total = 0;
    int n = 0;
    EachGridPointInRange([&](int g, double f) {
        const double diff = std::abs(static_cast<double>(wanted[g]) - static_cast<double>(got[g]));
        total += diff;
        ++n;
        if (diff > d.maxDb) {
            d.maxDb = diff;
            d.atHz = f;
        }
    });
    d.meanDb = n ? total / n : 0;
    return d;
}

double FilterEffect(const ListedFilter& f) {
    const auto r = ListResponse({f});
    double total = 0;
    int n = 0;
    EachGridPointInRange([&](int g, double) {
        total += std::abs(r[g]);
        ++n;
    });
    return n ? total / n : 0;
}

EqFit FitToPage(const FilterList& list, const PageEq& current, bool fit) {
    EqFit out;
    out.before = current;
    out.preampDb = list.preampDb;
    out.ignored = list.ignored;
    const int page = current.page;
    if (!TakesFilterList(page)) {
        out.error = "the " + PageText(page) + " page takes no filter list";
        return out;
    }
    const std::size_t bandCount = current.bands.size();

    // Peaks and shelves go to the bands in file order; pass filters to the crossovers.
    std::vector<ListedFilter> bandFilters, highPasses, lowPasses;
    for (const ListedFilter& f : list.filters) {
        if (!IsPass(f)) {
            bandFilters.push_back(f);
        } else if (!current.hasCrossovers) {
            out.ignored.push_back({f.line, f.type == FilterType::HighPass ? "high-pass" : "low-pass",
                                   "the " + PageText(page) + " page has no crossover"});
        } else {
            (f.type == FilterType::HighPass ? highPasses : lowPasses).push_back(f);
        }
    }
    if (!fit) {
        if (bandFilters.size() > bandCount) {
            out.error = "the file has " + std::to_string(bandFilters.size()) +
                        " peaking and shelving filters; the " + PageText(page) + " page has " +
                        std::to_string(bandCount) + " bands (fitting keeps the " +
                        std::to_string(bandCount) + " that matter most)";
            return out;
        }
        const bool highPair = CrossoverPair(highPasses, true, current.highPass.q).has_value();
        const bool lowPair = CrossoverPair(lowPasses, false, current.lowPass.q).has_value();
        if ((highPasses.size() > 1 && !highPair) || (lowPasses.size() > 1 && !lowPair)) {
            out.error = "the file has more than one " +
                        std::string(highPasses.size() > 1 ? "high-pass" : "low-pass") + " filter; the " +
                        PageText(page) + " page has one (two sections at one frequency make a 24 dB "
                        "crossover; fitting keeps the first)";
            return out;
        }
    }
    // Fitting: the bands that change the response most stay; ties keep file order.
    if (bandFilters.size() > bandCount) {
        std::vector<std::size_t> order(bandFilters.size());
        std::iota(order.begin(), order.end(), 0);
        std::vector<double> effect;
        for (const ListedFilter& f : bandFilters) effect.push_back(FilterEffect(f));
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return effect[a] > effect[b]; });
        std::vector<bool> keep(bandFilters.size(), false);
        for (std::size_t i = 0; i < bandCount; ++i) keep[order[i]] = true;
        std::vector<ListedFilter> kept;
        for (std::size_t i = 0; i < bandFilters.size(); ++i)
            (keep[i] ? kept : out.dropped).push_back(bandFilters[i]);
        bandFilters = std::move(kept);
    }
    const auto highPair = CrossoverPair(highPasses, true, current.highPass.q);
    const auto lowPair = CrossoverPair(lowPasses, false, current.lowPass.q);
    for (auto* passes : {&highPasses, &lowPasses}) {
        const bool pair = passes == &highPasses ? highPair.has_value() : lowPair.has_value();
        while (passes->size() > (pair ? 2u : 1u)) {
            out.dropped.push_back(passes->back());
            passes->pop_back();
        }
    }
    std::sort(out.dropped.begin(), out.dropped.end(),
              [](const ListedFilter& a, const ListedFilter& b) { return a.line < b.line; });

    out.after = FlatPageEq(page, current);
    out.bandLines.assign(bandCount, 0);
    for (std::size_t b = 0; b < bandFilters.size(); ++b) {
        const ListedFilter& f = bandFilters[b];
        StoredBand& s = out.after.bands[b];
        s.type = f.type == FilterType::Peak ? BandTypePEQ : f.type == FilterType::LowShelf ? 1 : 2;
        s.freq = SnapFrequency(f.frequency);
        s.gain = SnapGain(f.gainDb);
        if (s.type == BandTypePEQ)
            s.peakQ = SnapQ(f.q, QTableSize - 1);
        else
            s.shelfQ = SnapQ(f.q, ShelfQMax);
        out.bandLines[b] = f.line;
    }
    if (!highPasses.empty()) {
        const ListedFilter& f = highPasses.front();
        out.after.highPass = highPair.value_or(
            StoredCrossover{CrossoverUser12, SnapFrequency(f.frequency) + 1, SnapQ(f.q, CrossoverQMax)});
        out.highPassLine = f.line;
    }
    if (!lowPasses.empty()) {
        const ListedFilter& f = lowPasses.front();
        out.after.lowPass = lowPair.value_or(
            StoredCrossover{CrossoverUser12, SnapFrequency(f.frequency), SnapQ(f.q, CrossoverQMax)});
        out.lowPassLine = f.line;
    }

    // What the file asks for, filters left out included, against what the page will
    // do; crossovers the file does not name are in neither.
    out.deviation = CompareResponses(ListResponse(list.filters),
                                     PageResponse(out.after, out.highPassLine != 0, out.lowPassLine != 0));
    return out;
}

}  // namespace kdsp
