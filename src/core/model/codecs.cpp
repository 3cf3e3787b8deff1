// Stored integer <-> shown text <-> typed number, for every value kind, and the
// decoding of parameter ids into EQ bands.
#include "core/model/codecs.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {

BandRef DecodeBand(const Model& model, ParamId id) {
    const int page = PageOf(id);
    const int i = IndexOf(id);
    if (page >= PageSystem)
        return NotEq;
    auto ref = [](int band, int k) { return static_cast<BandRef>(band << 8 | k); };

    if (page == PageDynEq) {
        for (int band = 0; band < 3; ++band) {
            const int base = 12 * band + 2;
            if (i >= base && i <= base + 4)
                return ref(band, i - base);
        }
        return NotEq;
    }
    // Filter pseudo-bands: the high/low-pass controls drawn on the same graph.
    if (page == PageMic && i == 0)
        return ref(model.MicBandMode == 1 ? 9 : 15, 0);
    if (page == PageMic9 && i == 0)
        return ref(15, 0);
    if (page == PageEcho && (i == 4 || i == 5))
        return ref(i + 1, 0);
    if (page == PageReverb && (i == 6 || i == 7))
        return ref(i - 1, 0);
    if (page >= PageMain && page <= PageRear) {
        if (i >= 16 && i <= 18)
            return ref(7, 0);
        if (i >= 19 && i <= 21)
            return ref(8, 0);
    }

    const int first = FirstEqIndex[page];
    if (i < first)
        return NotEq;
    if ((page == PageMic || page == PageMic9) && i >= 81)
        return NotEq;
    return ref((i - first) / 5, (i - first) % 5);
}

int BandParamIndex(int firstIndex, int band, int k) {
    if (firstIndex == DynEqFirstMarker)
        return 12 * band + 2 + k;
    return firstIndex + 5 * band + k;
}

ParamId ActiveQParam(const Model& model, ParamId id) {
    const BandRef r = DecodeBand(model, id);
    if (r == NotEq)
        return id;
    const int k = FieldOf(r);
    if (k != 3 && k != 4)
        return id;
    const int page = PageOf(id);
    const int typeIndex = IndexOf(id) - k;
    if (typeIndex < 0 || typeIndex >= ParamImageSlots)
        return id;
    const int type = model.ParamImage[page][typeIndex];
    return static_cast<ParamId>(id - k + (type == BandTypePEQ ? 3 : 4));
}

int EqGraphOf(ParamId id) {
    switch (PageOf(id)) {
        case PageMusic:
            return 0;
        case PageMic:
            return 1;
        case PageEcho:
        case PageReverb:
            return 2;
        case PageMain:
        case PageRear:
            return 3;
        case PageAux1:
        case PageAux2:
            return 5;
        case PageDynEq:
            return 8;
        case PageMic9:
            return 9;
        default:
            return 0;
    }
}

KindRange ValueKindRange(int kind) {
    const std::optional<ValueKind> k = KindFromNumber(kind);
    if (!k || !SpecOf(*k).ranged)
        return {0, false};
    return {SpecOf(*k).max, true};
}

namespace {

std::string Int(long v) {
    return std::to_string(v);
}

// A value given in tenths, written as "#0.0" ("-0.2", "12.0", "50.0").
std::string Tenths(long t) {
    const bool negative = t < 0;
    const long a = negative ? -t : t;
    return (negative ? "-" : "") + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

std::string Hz(std::string_view freq) {
    return std::string(freq) + "Hz";
}

}  // namespace

Formatted FormatValue(int kind, double v, int qMax) {
    // NaN and huge values must not reach the integer conversion.
    if (std::isnan(v))
        v = 0.0;
    constexpr double limit = 1e9;
    if (v > limit)
        v = limit;
    if (v < -limit)
        v = -limit;

    const KindRange range = ValueKindRange(kind);
    if (range.hasRange) {
        int top = range.max;
        if (kind == 4)
            top = qMax < 0 ? 0 : (qMax > top ? top : qMax);
        if (v > top)
            v = top;
        if (v < 0 && kind != 1)
            v = 0;
    }
    const int n = static_cast<int>(v);  // truncation toward zero
    const auto& freq = FreqTable();
    std::string text;
    switch (range.hasRange ? kind : 0) {
        case 1:
            text = Int(n);
            break;
        case 2:
            text = freq[n];
            break;
        case 3:
            text = Tenths(2L * n - 240);
            break;  // n / 5 - 24 dB
        case 4:
        case 19:
            text = QTable()[n];
            break;
        case 5:
            text = n == 362 ? "Off" : Hz(freq[n]);
            break;
        case 6:
        case 13:
            text = n == 0 ? "Off" : Hz(freq[n - 1]);
            break;
        case 7:
            text = n == 64 ? "Off" : Hz(freq[n + 297]);
            break;
        case 8:
            text = Int(n);
            break;
        case 9:
        case 11:
            text = Int(2L * n);
            break;
        case 10:
            text = Int(n - 50L);
            break;
        case 12:
            text = Int((125L * n + 1) / 2);
            break;  // 62.5 * n, half away from zero
        case 14:
            text = Int(n - 20L);
            break;
        case 15:
            text = RatioTable()[n];
            break;
        case 16:
            text = ReleaseTable()[n];
            break;
        case 17:
            text = AttackTable()[n];
            break;
        case 18:
            text = Tenths(n);
            break;
        case 20:
            text = Int(n - 36L);
            break;
        case 21:
            text = n == 0 ? "Off" : Int(n + 1L) + "Hz";
            break;
        case 22:
            text = n == 0 ? "Off" : Int(n);
            break;
        default:
            text = Int(n);
            break;  // kind 0 (or unknown): shown as it is
    }
    return {text, n};
}

double RoundHalfEven(double x) {
    if (!std::isfinite(x))
        return x;
    const double lower = std::floor(x);
    const double diff = x - lower;
    if (diff > 0.5)
        return lower + 1.0;
    if (diff < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

namespace {

// Typed numbers are decimals; their binary images miss exact ties and table
// entries by a few ulps, so comparisons allow for that much.
constexpr double Slack = 1e-9;

double FreqToIndex(double x) {
    for (int i = 0; i < FreqTableSize; ++i) {
        const double entry = FreqValue(i);
        if (x <= entry + Slack * entry) {
            if (i == 0)
                return 0;
            if (i == FreqTableSize - 1)
                return i;
            const double below = x - FreqValue(i - 1);
            const double above = entry - x;
            // A tie goes to the lower index.
            return below - above > Slack * entry ? i : i - 1;
        }
    }
    return FreqTableSize - 1;
}

double GainToStep(double x) {
    double y = (x + 24.0) * 5.0;
    // Snap near-halves to exact halves so "0.1" (120.5 steps) goes to the even step.
    const double twice = std::round(y * 2.0);
    if (std::fabs(y * 2.0 - twice) < Slack * (1.0 + std::fabs(y)))
        y = twice / 2.0;
    return RoundHalfEven(y);
}

double QToIndex(double x) {
    for (int i = 0; i < QTableSize; ++i) {
        const double entry = QValue(i);
        if (x <= entry + Slack * entry)
            return i;
    }
    return QTableSize;  // 101: the caller clamps to the band's Q maximum
}

}  // namespace

double TextToValue(int kind, double x) {
    if (std::isnan(x))
        return 0.0;
    constexpr double limit = 1e9;  // keeps the callers' truncation defined
    if (x > limit)
        x = limit;
    if (x < -limit)
        x = -limit;
    switch (kind) {
        case 2:
            return FreqToIndex(x);
        case 3:
            return GainToStep(x);
        case 4:
            return QToIndex(x);
        default:
            return x;
    }
}

}  // namespace kdsp
