// Band and crossover responses: every filter is a biquad designed at a quarter of
// the sample rate, sampled on a linear axis and laid onto the log grid around
// the band's frequency. Stored intermediates are single precision, the
// transcendental functions are evaluated in extended precision.
#include "core/eq/filter_response.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kdsp {
namespace {

using Samples = std::array<float, GridPoints>;
using Ext = long double;

constexpr Ext Pi = 3.141592653589793238462643383279502884L;
// pi/2 as a single value; its cosine is about -4.4e-8, not 0, and the curves keep that.
constexpr float DesignAngle = 1.5707964f;
constexpr int Centre = 231;  // round(GridSteps / 2): the sample that sits on the band

// Ties go to the even neighbour (the default rounding mode).
double RoundEven(double x) { return std::nearbyint(x); }

Ext SinW0() { return std::sin(static_cast<Ext>(DesignAngle)); }
Ext CosW0() { return std::cos(static_cast<Ext>(DesignAngle)); }

struct Biquad {
    float b0, b1, b2, a0, a1, a2;
};

// How the linear sample axis is stretched before it is laid onto the grid.
enum class Stretch { None = 0, Shelf = 1, Pass = 2 };

// Sample position c(j). Shelves and pass filters map the samples E..GridSteps-E onto
// the whole 0..pi range, which steepens their displayed slopes; the samples outside
// repeat positions 1 and GridSteps - 1.
Ext SamplePosition(Stretch stretch, int j) {
    if (stretch == Stretch::None) return j;
    const Ext h = GridSteps / 2.0L;
    const int e = static_cast<int>(
        RoundEven(GridSteps * (stretch == Stretch::Shelf ? 120.0 : 140.0) / 512.0));
    if (j <= h) {
        const bool inside = stretch == Stretch::Shelf ? j >= e : j > e;
        return inside ? h * (j - e) / (h - e) : 1.0L;
    }
    return j <= GridSteps - e ? h + h * (j - h) / (h - e) : static_cast<Ext>(GridSteps - 1);
}

// The squared sines (2 sin(w/2))^2 depend only on the stretch, never on the band,
// so they are computed once per stretch instead of once per band.
const Samples& SquaredSines(Stretch stretch) {
    static const std::array<Samples, 3> tables = [] {
        std::array<Samples, 3> t{};
        const float step = static_cast<float>(Pi / GridSteps);
        for (int kind = 0; kind < 3; ++kind) {
            for (int j = 0; j <= GridSteps; ++j) {
                const Ext w = SamplePosition(static_cast<Stretch>(kind), j) * step;
                const Ext twiceSine = 2.0L * std::sin(w / 2.0L);
                t[kind][j] = static_cast<float>(twiceSine * twiceSine);
            }
        }
        return t;
    }();
    return tables[static_cast<int>(stretch)];
}

// Samples the magnitude of the biquad. A low-pass reaches its zero where the stretch
// puts a sample at w = pi; there the previous sample is repeated (0 dB for the first
// one, which never happens with the stretches above).
Samples Evaluate(const Biquad& c, Stretch stretch, bool zeroGuard) {
    const float da = static_cast<float>(static_cast<Ext>(c.a0 + static_cast<Ext>(c.a1) + c.a2) *
                                        (c.a0 + static_cast<Ext>(c.a1) + c.a2));
    const float db = static_cast<float>(static_cast<Ext>(c.b0 + static_cast<Ext>(c.b1) + c.b2) *
                                        (c.b0 + static_cast<Ext>(c.b1) + c.b2));
    const float ca = static_cast<float>(static_cast<Ext>(c.a1) * (c.a0 + static_cast<Ext>(c.a2)) +
                                        4.0L * c.a0 * c.a2);
    const float cb = static_cast<float>(static_cast<Ext>(c.b1) * (c.b0 + static_cast<Ext>(c.b2)) +
                                        4.0L * c.b0 * c.b2);
    const Samples& squaredSines = SquaredSines(stretch);
    Samples out{};
    for (int j = 0; j <= GridSteps; ++j) {
        // Equal sample positions give equal values: the stretched shapes repeat their
        // edge samples over a hundred times.
        if (j > 0 && squaredSines[j] == squaredSines[j - 1]) {
            out[j] = out[j - 1];
            continue;
        }
        const Ext s = squaredSines[j];
        const Ext num = s * (s * c.b0 * c.b2 - cb) + db;
        const Ext den = s * (s * c.a0 * c.a2 - ca) + da;
        if (zeroGuard && (num == 0.0L || den == 0.0L)) {
            out[j] = j > 0 ? out[j - 1] : 0.0f;
            continue;
        }
        out[j] = SampleDb(num, den);
    }
    return out;
}

// Puts sample Centre on grid index m and extends the edges flat. Only grid indices
// 0..GridSteps that fit the buffer are written, whatever m is.
void LayOut(std::span<float> buffer, double m, const Samples& samples) {
    const std::size_t count = std::min<std::size_t>(buffer.size(), GridPoints);
    for (std::size_t g = 0; g < count; ++g) {
        const double index =
            std::clamp(Centre + static_cast<double>(g) - m, 0.0, static_cast<double>(GridSteps - 1));
        buffer[g] = samples[static_cast<std::size_t>(index)];
    }
}

// Frequencies of 10 Hz or less are drawn at 10 Hz.
double ClampFrequency(double f) { return f > 10.0 ? f : 10.0; }

double GridIndexOf(double f) { return RoundEven(FreqToGrid(ClampFrequency(f))); }

Samples PeakSamples(float q, float gainDb) {
    const float a = static_cast<float>(std::pow(10.0L, gainDb / 40.0L));
    const float qScaled = static_cast<float>((q + 0.01L) / 0.35714285714285715L);
    const float alpha = static_cast<float>(SinW0() / (2.0L * qScaled));
    const float cosTerm = static_cast<float>(-2.0L * CosW0());
    Biquad c{};
    c.a0 = static_cast<float>(1.0L + static_cast<Ext>(alpha) / a);
    c.a1 = cosTerm;
    c.a2 = static_cast<float>(1.0L - static_cast<Ext>(alpha) / a);
    c.b0 = static_cast<float>(1.0L + static_cast<Ext>(alpha) * a);
    c.b1 = cosTerm;
    c.b2 = static_cast<float>(1.0L - static_cast<Ext>(alpha) * a);
    return Evaluate(c, Stretch::None, false);
}

Samples ShelfSamples(bool high, float q, float gainDb) {
    const float slope = static_cast<float>(std::min(q, 4.0f) + 0.001L);
    const Ext a = static_cast<float>(std::pow(10.0L, gainDb / 40.0L));
    const Ext sn = SinW0();
    const Ext cs = CosW0();
    const Ext alpha = static_cast<float>(
        sn / 2.0L * std::sqrt(std::fabs((a + 1.0L / a) * (1.0L / slope - 1.0L) + 2.0L)));
    const Ext twoRootAAlpha = 2.0L * std::sqrt(a) * alpha;
    Biquad c{};
    if (!high) {
        c.a0 = static_cast<float>((a + 1) + (a - 1) * cs + twoRootAAlpha);
        c.a1 = static_cast<float>(-2.0L * ((a - 1) + (a + 1) * cs));
        c.a2 = static_cast<float>((a + 1) + (a - 1) * cs - twoRootAAlpha);
        c.b0 = static_cast<float>(a * ((a + 1) - (a - 1) * cs + twoRootAAlpha));
        c.b1 = static_cast<float>(2.0L * a * ((a - 1) - (a + 1) * cs));
        c.b2 = static_cast<float>(a * ((a + 1) - (a - 1) * cs - twoRootAAlpha));
    } else {
        c.a0 = static_cast<float>((a + 1) - (a - 1) * cs + twoRootAAlpha);
        c.a1 = static_cast<float>(2.0L * ((a - 1) - (a + 1) * cs));
        c.a2 = static_cast<float>((a + 1) - (a - 1) * cs - twoRootAAlpha);
        c.b0 = static_cast<float>(a * ((a + 1) + (a - 1) * cs + twoRootAAlpha));
        c.b1 = static_cast<float>(-2.0L * a * ((a - 1) + (a + 1) * cs));
        c.b2 = static_cast<float>(a * ((a + 1) + (a - 1) * cs - twoRootAAlpha));
    }
    return Evaluate(c, Stretch::Shelf, false);
}

// One pass section. Unknown designs, and design 7 without a valid order, are flat.
Samples PassSamples(bool high, int design, float q, int order, int section) {
    const Ext sn = SinW0();
    const Ext cs = CosW0();
    Biquad c{1, 0, 0, 1, 0, 0};
    if (design == 6) {
        c.a0 = static_cast<float>(sn + cs + 1.0L);
        c.a1 = static_cast<float>(sn - cs - 1.0L);
        c.a2 = 0;
        if (high) {
            c.b0 = static_cast<float>(1.0L + cs);
            c.b1 = static_cast<float>(-(1.0L + cs));
        } else {
            c.b0 = static_cast<float>(sn);
            c.b1 = static_cast<float>(sn);
        }
        c.b2 = 0;
    } else if (design == 1 || design == 2 || design == 4 || (design == 7 && order > 0)) {
        float d = 0;
        if (design == 1) {
            d = static_cast<float>(2.0L / std::sqrt(3.0L));
        } else if (design == 2) {
            d = static_cast<float>(2.0L / std::sqrt(2.0L));
        } else if (design == 4) {
            const float userQ = static_cast<float>(std::min(q, 4.0f) + 0.001L);
            d = static_cast<float>(2.0L * userQ);
        } else {
            const float sectionQ =
                static_cast<float>(1.0L / (2.0L * std::sin(Pi / order * (section + 0.5L))));
            d = static_cast<float>(2.0L * sectionQ);
        }
        const float alpha = static_cast<float>(sn / d);
        c.a0 = static_cast<float>(1.0L + alpha);
        c.a1 = static_cast<float>(-2.0L * cs);
        c.a2 = static_cast<float>(1.0L - alpha);
        if (high) {
            c.b0 = static_cast<float>((1.0L + cs) / 2.0L);
            c.b1 = static_cast<float>(-(1.0L + cs));
            c.b2 = static_cast<float>((1.0L + cs) / 2.0L);
        } else {
            c.b0 = static_cast<float>((1.0L - cs) / 2.0L);
            c.b1 = static_cast<float>(1.0L - cs);
            c.b2 = static_cast<float>((1.0L - cs) / 2.0L);
        }
    }
    return Evaluate(c, Stretch::Pass, !high);
}

struct Section {
    int design;
    int order;
    int section;
};

struct CrossoverKind {
    Section first;
    Section second;
    bool twoSections;
    bool doubled;  // the sum is multiplied by 2
};

// Kind x of the crossover codes 100 + x and 200 + x.
constexpr std::array<CrossoverKind, 10> CrossoverKinds = {{
    {{0, 0, 0}, {0, 0, 0}, false, false},
    {{1, 0, 0}, {0, 0, 0}, false, false},
    {{2, 0, 0}, {0, 0, 0}, false, false},
    {{6, 0, 0}, {6, 0, 0}, true, false},
    {{1, 0, 0}, {1, 0, 0}, true, false},
    {{7, 4, 0}, {7, 4, 1}, true, false},
    {{2, 0, 0}, {2, 0, 0}, true, false},
    {{4, 0, 0}, {0, 0, 0}, false, false},
    {{4, 0, 0}, {4, 0, 0}, true, false},
    {{7, 3, 0}, {6, 0, 0}, true, true},
}};

void Crossover(std::span<float> buffer, double frequency, bool high, int kind, float q) {
    const CrossoverKind& k = CrossoverKinds[static_cast<std::size_t>(kind)];
    const Samples first = PassSamples(high, k.first.design, q, k.first.order, k.first.section);
    const double m = GridIndexOf(frequency);
    if (!k.twoSections) {
        LayOut(buffer, m, first);
        return;
    }
    // Laying out is a pure index mapping, so adding the sections sample by sample and
    // laying out once gives the same grid values as laying out both and adding.
    const bool same = k.first.design == k.second.design && k.first.order == k.second.order &&
                      k.first.section == k.second.section;
    const Samples second =
        same ? first : PassSamples(high, k.second.design, q, k.second.order, k.second.section);
    Samples sum{};
    for (int j = 0; j <= GridSteps; ++j) {
        const Ext total = static_cast<Ext>(first[j]) + second[j];
        sum[j] = static_cast<float>(k.doubled ? total * 2.0L : total);
    }
    LayOut(buffer, m, sum);
}

// A few very large Q values are drawn with smaller ones.
float SubstituteQ(float q) {
    if (q == 102.0f) return 98.0f;
    if (q == 108.0f) return 100.0f;
    if (q == 114.0f) return 101.0f;
    if (q == 121.0f) return 102.0f;
    if (q == 128.0f) return 103.0f;
    return q;
}

}  // namespace

double FreqToGrid(double f) {
    if (!(f >= 1.0)) f = 1.0;
    return (std::log10(f) / std::log10(10.0) - 1.0) / GridDecades * GridSteps;
}

double GridToFreq(double g) { return std::pow(10.0, g * GridDecades / GridSteps + 1.0); }

float SampleDb(long double num, long double den) {
    if (num == den) return 0.0f;
    // Double logarithms are five times faster than extended ones. Their result, with
    // a generous error bound, is used only when every value inside the bound rounds to
    // the same single value, which is then also the single value of the extended result.
    const double n = static_cast<double>(num);
    const double d = static_cast<double>(den);
    const double ln = std::log10(n);
    const double ld = std::log10(d);
    const double r = 10.0 * ln - 10.0 * ld;
    if (std::isfinite(r)) {
        const double bound = 1e-13 * (1.0 + std::fabs(ln) + std::fabs(ld));
        const float low = static_cast<float>(r - bound);
        const float high = static_cast<float>(r + bound);
        if (low == high) return low;
    }
    return static_cast<float>(10.0L * std::log10(num) - 10.0L * std::log10(den));
}

void PeakShape(std::span<float> buffer, double frequency, float q, float gainDb) {
    LayOut(buffer, GridIndexOf(frequency), PeakSamples(q, gainDb));
}

void ShelfShape(std::span<float> buffer, double frequency, bool high, float q, float gainDb) {
    LayOut(buffer, GridIndexOf(frequency), ShelfSamples(high, q, gainDb));
}

void LowPassShape(std::span<float> buffer, double frequency, int design, float q, int order,
                  int section) {
    LayOut(buffer, GridIndexOf(frequency), PassSamples(false, design, q, order, section));
}

void HighPassShape(std::span<float> buffer, double frequency, int design, float q, int order,
                   int section) {
    LayOut(buffer, GridIndexOf(frequency), PassSamples(true, design, q, order, section));
}

void BandResponse(std::span<float> buffer, int frequency, CurveCode code, float q, float gainDb) {
    // Snap to the grid point nearest to the band's frequency, in whole Hz.
    const double f = RoundEven(GridToFreq(RoundEven(FreqToGrid(frequency))));
    q = SubstituteQ(q);
    if (code < 100) {
        switch (code) {
            case 0: PeakShape(buffer, f, q, gainDb); break;
            case 1: ShelfShape(buffer, f, false, q, gainDb); break;
            case 2: ShelfShape(buffer, f, true, q, gainDb); break;
            case 3: HighPassShape(buffer, f, 4, q); break;
            case 4: LowPassShape(buffer, f, 4, q); break;
            default: PeakShape(buffer, f, q, 0.0f); break;
        }
        return;
    }
    Crossover(buffer, f, code < 200, code % 10, q);
}

}  // namespace kdsp
