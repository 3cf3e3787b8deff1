// Band and crossover responses on the frequency grid: the reference readings of
// each design, the code table, the Q substitutions and the safe lay-out.
#include "core/eq/filter_response.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

namespace kdsp {
namespace {

constexpr float Tolerance = 0.01f;
constexpr int M1000 = 273;  // grid index of a band at 1000 Hz (snapped to 994 Hz)

using Buffer = std::vector<float>;

Buffer Response(int frequency, int code, float q, float gain) {
    Buffer b(ResponseBufferSize, 0.0f);
    BandResponse(b, frequency, static_cast<CurveCode>(code), q, gain);
    return b;
}

void ExpectSameGrid(const Buffer& a, const Buffer& b, const char* what) {
    for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(a[g], b[g]) << what << " at grid index " << g;
}

TEST(FrequencyGrid, EndsAndSnapping) {
    EXPECT_DOUBLE_EQ(FreqToGrid(10), 0.0);
    EXPECT_NEAR(FreqToGrid(24000), GridSteps, 1e-9);
    EXPECT_DOUBLE_EQ(GridToFreq(0), 10.0);
    EXPECT_NEAR(GridToFreq(GridSteps), 24000.0, 1e-8);
    EXPECT_EQ(std::nearbyint(FreqToGrid(1000)), M1000);
    EXPECT_EQ(std::nearbyint(GridToFreq(M1000)), 994);
    // Below 1 Hz (and nonsense) counts as 1 Hz instead of producing -inf or NaN.
    EXPECT_DOUBLE_EQ(FreqToGrid(0), FreqToGrid(1));
    EXPECT_DOUBLE_EQ(FreqToGrid(-5), FreqToGrid(1));
    EXPECT_DOUBLE_EQ(FreqToGrid(std::nan("")), FreqToGrid(1));
    // The lowest and highest table frequencies.
    EXPECT_EQ(std::nearbyint(FreqToGrid(20)), 41);
    EXPECT_EQ(std::nearbyint(FreqToGrid(20600)), 453);
}

TEST(PeakBand, ZeroGainIsFlatEverywhere) {
    for (float q : {0.4f, 1.0f, 128.0f}) {
        const Buffer b = Response(1000, 0, q, 0.0f);
        for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(b[g], 0.0f) << "q " << q << " index " << g;
    }
}

TEST(PeakBand, PlusTwelveReferenceReadings) {
    const Buffer b = Response(1000, 0, 1.0f, 12.0f);
    EXPECT_NEAR(b[M1000], 12.00f, Tolerance);
    EXPECT_NEAR(b[M1000 - 20], 7.31f, Tolerance);
    EXPECT_NEAR(b[M1000 + 20], 7.31f, Tolerance);
    EXPECT_NEAR(b[M1000 - 60], 2.04f, Tolerance);
    EXPECT_NEAR(b[M1000 + 60], 2.04f, Tolerance);
    // The centre sample (w = pi/2) lands on the band's grid index and is the maximum.
    for (int g = 0; g < GridPoints; ++g) ASSERT_LE(b[g], b[M1000]) << "index " << g;
    // Only grid indices are written; the rest of the renderer's buffer is untouched.
    for (int i = GridPoints; i < ResponseBufferSize; ++i) ASSERT_EQ(b[i], 0.0f);
}

TEST(Crossover, ReadingAtItsFrequency) {
    struct Case {
        int kind;
        float db;
    };
    const Case cases[] = {{2, -3.01f}, {3, -6.02f}, {4, -9.54f},
                          {5, -3.01f}, {6, -6.02f}, {9, -6.02f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(Response(1000, 100 + c.kind, 1.0f, 0)[M1000], c.db, Tolerance)
            << "high-pass kind " << c.kind;
        EXPECT_NEAR(Response(1000, 200 + c.kind, 1.0f, 0)[M1000], c.db, Tolerance)
            << "low-pass kind " << c.kind;
    }
}

TEST(Crossover, LowPassFallsToItsZeroWithoutBreaking) {
    const Buffer b = Response(1000, 202, 1.0f, 0);
    EXPECT_NEAR(b[GridSteps], -98.7f, 0.05f);
    EXPECT_NEAR(b[0], 0.0f, Tolerance);
    // The stretch puts one sample exactly on the zero at w = pi (sample 336, grid
    // index 273 + 105); it repeats its neighbour instead of becoming -inf.
    EXPECT_EQ(b[M1000 + 105], b[M1000 + 104]);
    for (int code = 200; code <= 255; ++code) {
        const Buffer lp = Response(1000, code, 2.0f, 0);
        for (int g = 0; g < GridPoints; ++g)
            ASSERT_TRUE(std::isfinite(lp[g])) << "code " << code << " index " << g;
    }
}

TEST(Shelf, PlusSixReadsHalfFullAndNone) {
    const Buffer low = Response(1000, 1, 0.71f, 6.0f);
    EXPECT_NEAR(low[M1000], 3.00f, Tolerance);
    EXPECT_NEAR(low[0], 6.00f, Tolerance);
    EXPECT_NEAR(low[GridSteps], 0.00f, Tolerance);
    const Buffer high = Response(1000, 2, 0.71f, 6.0f);
    EXPECT_NEAR(high[M1000], 3.00f, Tolerance);
    EXPECT_NEAR(high[0], 0.00f, Tolerance);
    EXPECT_NEAR(high[GridSteps], 6.00f, Tolerance);
}

TEST(CurveCodes, OffAndUnknownCodesAreFlat) {
    for (int code : {100, 200, 250}) {
        const Buffer b = Response(1000, code, 1.0f, 6.0f);
        for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(b[g], 0.0f) << "code " << code;
    }
    // 5..99 are a peaking band at 0 dB, whatever gain is given.
    const Buffer flatPeak = Response(1000, 0, 1.0f, 0.0f);
    for (int code : {5, 7, 99}) ExpectSameGrid(Response(1000, code, 1.0f, 9.0f), flatPeak, "code");
}

TEST(CurveCodes, SimplePassBandsUseTheBandsQ) {
    Buffer expected(ResponseBufferSize, 0.0f);
    HighPassShape(expected, 994, 4, 2.0f);
    ExpectSameGrid(Response(1000, 3, 2.0f, 0), expected, "code 3");
    LowPassShape(expected, 994, 4, 2.0f);
    ExpectSameGrid(Response(1000, 4, 2.0f, 0), expected, "code 4");
    ExpectSameGrid(Response(1000, 207, 2.0f, 0), expected, "code 207");
}

TEST(QSubstitution, LargeQValuesAreDrawnSmaller) {
    const std::pair<float, float> swaps[] = {
        {102.0f, 98.0f}, {108.0f, 100.0f}, {114.0f, 101.0f}, {121.0f, 102.0f}, {128.0f, 103.0f}};
    // Compared with the design itself: 121 becomes 102, which is not swapped again.
    for (auto [given, drawn] : swaps) {
        Buffer expected(ResponseBufferSize, 0.0f);
        PeakShape(expected, 994, drawn, 12.0f);
        ExpectSameGrid(Response(1000, 0, given, 12.0f), expected, "q swap");
    }
    // The comparison is exact: 127.9 is drawn as it is.
    Buffer unchanged(ResponseBufferSize, 0.0f);
    PeakShape(unchanged, 994, 127.9f, 12.0f);
    ExpectSameGrid(Response(1000, 0, 127.9f, 12.0f), unchanged, "q 127.9");
    EXPECT_NE(Response(1000, 0, 127.9f, 12.0f)[M1000 + 1],
              Response(1000, 0, 103.0f, 12.0f)[M1000 + 1]);
}

TEST(QSubstitution, ShelvesAndPassFiltersStopAtFour) {
    ExpectSameGrid(Response(1000, 1, 10.0f, 6.0f), Response(1000, 1, 4.0f, 6.0f), "low shelf");
    ExpectSameGrid(Response(1000, 2, 10.0f, -6.0f), Response(1000, 2, 4.0f, -6.0f), "high shelf");
    ExpectSameGrid(Response(1000, 4, 10.0f, 0), Response(1000, 4, 4.0f, 0), "low-pass");
    ExpectSameGrid(Response(1000, 108, 10.0f, 0), Response(1000, 108, 4.0f, 0), "user crossover");
}

TEST(Crossover, TwoSectionKindsAddTheirSections) {
    struct Case {
        int kind;
        int design1, order1, section1, design2, order2, section2;
        float factor;
    };
    const Case cases[] = {{3, 6, 0, 0, 6, 0, 0, 1},   {4, 1, 0, 0, 1, 0, 0, 1},
                          {5, 7, 4, 0, 7, 4, 1, 1},   {6, 2, 0, 0, 2, 0, 0, 1},
                          {8, 4, 0, 0, 4, 0, 0, 1},   {9, 7, 3, 0, 6, 0, 0, 2}};
    for (bool high : {false, true}) {
        for (const Case& c : cases) {
            Buffer first(ResponseBufferSize), second(ResponseBufferSize);
            auto shape = high ? HighPassShape : LowPassShape;
            shape(first, 994, c.design1, 1.5f, c.order1, c.section1);
            shape(second, 994, c.design2, 1.5f, c.order2, c.section2);
            const Buffer b = Response(1000, (high ? 100 : 200) + c.kind, 1.5f, 0);
            for (int g = 0; g < GridPoints; ++g)
                ASSERT_FLOAT_EQ(b[g], (first[g] + second[g]) * c.factor)
                    << (high ? "high" : "low") << "-pass kind " << c.kind << " index " << g;
        }
    }
}

TEST(LayOut, CentreFollowsTheFrequencyAndEdgesExtendFlat) {
    const Buffer at1000 = Response(1000, 0, 1.0f, 12.0f);
    const Buffer at20 = Response(20, 0, 1.0f, 12.0f);  // lowest table frequency, M = 41
    // Same samples, centred on index 41 instead of 273.
    for (int g = 0; g + (M1000 - 41) <= GridSteps; ++g)
        ASSERT_EQ(at20[g], at1000[g + M1000 - 41]) << "index " << g;
    // M = 273 > 231: indices 0..42 repeat the first sample; at M = 41 nothing repeats
    // at the bottom (index 0 holds sample 190) but the top repeats the last sample.
    for (int g = 0; g <= M1000 - 231; ++g) ASSERT_EQ(at1000[g], at1000[0]);
    EXPECT_NE(at1000[M1000 - 231 + 1], at1000[0]);
    EXPECT_NE(at20[0], at20[1]);
    for (int g = 41 + 230; g <= GridSteps; ++g) ASSERT_EQ(at20[g], at20[41 + 230]);
}

TEST(LayOut, LowFrequenciesAreDrawnAtTenHertz) {
    const Buffer ten = Response(10, 0, 1.0f, 6.0f);
    ExpectSameGrid(Response(3, 0, 1.0f, 6.0f), ten, "3 Hz");
    ExpectSameGrid(Response(0, 0, 1.0f, 6.0f), ten, "0 Hz");
    ExpectSameGrid(Response(-100, 0, 1.0f, 6.0f), ten, "-100 Hz");
    EXPECT_NEAR(ten[0], 6.0f, Tolerance);
}

TEST(LayOut, NeverWritesOutsideTheGridOrTheBuffer) {
    constexpr float Sentinel = 1234.5f;
    for (int frequency : {24000, 30000, 100000, 1000000, INT_MAX}) {
        for (int code : {0, 1, 204, 109}) {
            Buffer b(ResponseBufferSize, Sentinel);
            BandResponse(b, frequency, static_cast<CurveCode>(code), 1.0f, 6.0f);
            for (int g = 0; g < GridPoints; ++g)
                ASSERT_TRUE(std::isfinite(b[g]) && b[g] != Sentinel) << frequency << " Hz";
            for (int i = GridPoints; i < ResponseBufferSize; ++i)
                ASSERT_EQ(b[i], Sentinel) << frequency << " Hz wrote index " << i;
        }
    }
    // Above the grid the band's low flank is still drawn where it belongs.
    const Buffer above = Response(30000, 0, 1.0f, 12.0f);
    EXPECT_GT(above[GridSteps], above[GridSteps - 40]);
    // A buffer shorter than the grid gets only what fits.
    std::array<float, 110> shortBuffer{};
    shortBuffer.fill(Sentinel);
    BandResponse(std::span<float>(shortBuffer.data(), 100), 1000, 0, 1.0f, 12.0f);
    for (int i = 100; i < 110; ++i) EXPECT_EQ(shortBuffer[i], Sentinel);
}

TEST(SampleDb, FastPathRoundsLikeTheExtendedFormula) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mantissa(0.5, 8.0);
    std::uniform_real_distribution<double> nearOne(-1e-6, 1e-6);
    std::uniform_int_distribution<int> exponent(-40, 40);
    for (int i = 0; i < 300000; ++i) {
        const long double num = std::ldexp(static_cast<long double>(mantissa(rng)), exponent(rng));
        // Every third pair is nearly equal: results close to 0 dB are the hard ones.
        const long double den = i % 3 == 0 ? num * (1.0L + nearOne(rng))
                                           : std::ldexp(static_cast<long double>(mantissa(rng)),
                                                        exponent(rng));
        const float expected =
            static_cast<float>(10.0L * std::log10(num) - 10.0L * std::log10(den));
        ASSERT_EQ(SampleDb(num, den), expected) << static_cast<double>(num) << " / "
                                                << static_cast<double>(den);
    }
    EXPECT_EQ(SampleDb(2.0L, 2.0L), 0.0f);
}

}  // namespace
}  // namespace kdsp
