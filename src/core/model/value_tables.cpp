// The text tables behind every shown frequency, Q, ratio, release and attack
// value. The frequency table is generated once from its 1/36-octave rule.
#include "core/model/value_tables.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kdsp {
namespace {

// Three significant digits of 1000 * 2^((i - 204) / 36), half away from zero,
// written with exactly one decimal. The text is built from the integer digits so
// no binary rounding can leak into it ("31.3", "1020.0", "20600.0").
std::string FreqText(int i) {
    // Whole octaves are exact through ldexp; only the remainder goes through exp2.
    const int offset = i - 204;
    const int octaves = offset >= 0 ? offset / 36 : -((-offset + 35) / 36);
    const int rest = offset - octaves * 36;
    const double f = std::ldexp(1000.0 * std::exp2(rest / 36.0), octaves);
    const int exponent = static_cast<int>(std::floor(std::log10(f)));
    const double scale = std::pow(10.0, exponent - 2);
    const long digits = static_cast<long>(std::floor(f / scale + 0.5));  // 100..999
    std::string text;
    if (exponent - 2 >= 0) {
        text = std::to_string(digits) + std::string(static_cast<size_t>(exponent - 2), '0') + ".0";
    } else {
        // Below 100 Hz the third digit is the decimal (19.7 .. 99.x).
        text = std::to_string(digits / 10) + "." + std::to_string(digits % 10);
    }
    return text;
}

struct FreqStore {
    std::array<std::string, FreqTableSize> text;
    std::array<std::string_view, FreqTableSize> view;
    FreqStore() {
        for (int i = 0; i < FreqTableSize; ++i)
            text[i] = FreqText(i);
        // The device's own steps near 100 Hz are rounder than the rule.
        text[81] = "94.0";
        text[82] = "95.0";
        text[83] = "97.0";
        text[84] = "99.0";
        for (int i = 0; i < FreqTableSize; ++i)
            view[i] = text[i];
    }
};

double ParseNumber(std::string_view s) {
    double v = 0.0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

}  // namespace

const std::array<std::string_view, FreqTableSize>& FreqTable() {
    static const FreqStore store;
    return store.view;
}

const std::array<std::string_view, QTableSize>& QTable() {
    static constexpr std::array<std::string_view, QTableSize> table = {
        "0.40",   "0.42",   "0.45",  "0.47",  "0.50",  "0.53",  "0.56",   "0.59",   "0.63",
        "0.67",   "0.71",   "0.75",  "0.79",  "0.84",  "0.89",  "0.94",   "1.00",   "1.06",
        "1.12",   "1.19",   "1.26",  "1.30",  "1.40",  "1.50",  "1.60",   "1.70",   "1.80",
        "1.90",   "2.00",   "2.10",  "2.20",  "2.40",  "2.50",  "2.70",   "2.80",   "3.00",
        "3.20",   "3.40",   "3.60",  "3.80",  "4.00",  "4.20",  "4.50",   "4.80",   "5.00",
        "5.30",   "5.70",   "6.00",  "6.30",  "6.70",  "7.10",  "7.60",   "8.00",   "8.50",
        "9.00",   "9.50",   "10.10", "10.70", "11.30", "12.00", "12.70",  "13.50",  "14.00",
        "15.00",  "16.00",  "17.00", "18.00", "19.00", "20.00", "21.00",  "23.00",  "24.00",
        "25.00",  "27.00",  "29.00", "30.00", "32.00", "34.00", "36.00",  "38.00",  "40.00",
        "43.00",  "45.00",  "48.00", "51.00", "54.00", "57.00", "60.00",  "64.00",  "68.00",
        "72.00",  "76.00",  "81.00", "85.00", "91.00", "96.00", "102.00", "108.00", "114.00",
        "121.00", "128.00",
    };
    return table;
}

const std::array<std::string_view, 41>& RatioTable() {
    static constexpr std::array<std::string_view, 41> table = {
        "1.0", "1.2", "1.4",  "1.6",  "1.8",  "2.0", "2.4", "2.8", "3.2", "3.6", "4.0",
        "4.4", "4.8", "5.2",  "5.6",  "6.0",  "6.4", "6.8", "7.2", "7.6", "8.0", "8.4",
        "9.0", "9.6", "10.2", "10.8", "11.4", "12",  "13",  "14",  "15",  "16",  "17",
        "18",  "19",  "20",   "22",   "24",   "26",  "30",  "100",
    };
    return table;
}

const std::array<std::string_view, 8>& ReleaseTable() {
    static constexpr std::array<std::string_view, 8> table = {"2",  "4",  "6",  "8",
                                                              "12", "16", "24", "32"};
    return table;
}

const std::array<std::string_view, 16>& AttackTable() {
    static constexpr std::array<std::string_view, 16> table = {
        "0.5", "0.7", "1.0", "1.4", "2.0", "2.8", "4.0", "5.7",
        "8.0", "11",  "16",  "23",  "32",  "45",  "64",  "90",
    };
    return table;
}

// from_chars, not strtod: the GUI runs under the user's locale, whose decimal
// separator may be a comma.
double FreqValue(int index) {
    if (index < 0)
        index = 0;
    if (index >= FreqTableSize)
        index = FreqTableSize - 1;
    static const auto values = [] {
        std::array<double, FreqTableSize> v{};
        for (int i = 0; i < FreqTableSize; ++i)
            v[i] = ParseNumber(FreqTable()[i]);
        return v;
    }();
    return values[index];
}

double QValue(int index) {
    if (index < 0)
        index = 0;
    if (index >= QTableSize)
        index = QTableSize - 1;
    static const auto values = [] {
        std::array<double, QTableSize> v{};
        for (int i = 0; i < QTableSize; ++i)
            v[i] = ParseNumber(QTable()[i]);
        return v;
    }();
    return values[index];
}

}  // namespace kdsp
