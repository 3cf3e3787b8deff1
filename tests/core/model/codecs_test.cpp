// Shown texts, typed-number parsing and band decoding of every value kind.
#include "core/model/codecs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

std::string Text(int kind, double v, int qMax = 100) {
    return FormatValue(kind, v, qMax).text;
}
int Clamped(int kind, double v, int qMax = 100) {
    return FormatValue(kind, v, qMax).value;
}

TEST(TextToValue, FrequencyEntryPicksNearestWithLowerTies) {
    EXPECT_EQ(TextToValue(2, 25000), 361);
    EXPECT_EQ(TextToValue(2, 20300), 361) << "above 20200.0 is always the last entry";
    EXPECT_EQ(TextToValue(2, 20200), 360);
    EXPECT_EQ(TextToValue(2, 20.2), 1);
    EXPECT_EQ(TextToValue(2, 20.4), 2);
    EXPECT_EQ(TextToValue(2, 20.3), 1) << "halfway between 20.1 and 20.5 goes down";
    EXPECT_EQ(TextToValue(2, 1010), 204) << "halfway between 1000.0 and 1020.0 goes down";
    EXPECT_EQ(TextToValue(2, 1010.01), 205);
    EXPECT_EQ(TextToValue(2, 1000), 204);
    EXPECT_EQ(TextToValue(2, 5), 0);
    EXPECT_EQ(TextToValue(2, -40), 0);
    EXPECT_EQ(TextToValue(2, 19.9), 0);
    EXPECT_EQ(TextToValue(2, 95.0), 82) << "the round steps near 100 Hz are found by their text";
}

TEST(TextToValue, QEntryRoundsUpToTheNextTableValue) {
    EXPECT_EQ(TextToValue(4, 1.05), 17);
    EXPECT_EQ(TextToValue(4, 1.06), 17);
    EXPECT_EQ(TextToValue(4, 1.0), 16);
    EXPECT_EQ(TextToValue(4, 0.1), 0);
    EXPECT_EQ(TextToValue(4, 128), 100);
    EXPECT_EQ(TextToValue(4, 500), 101);
    EXPECT_EQ(Clamped(4, TextToValue(4, 500)), 100);
    EXPECT_EQ(Clamped(4, TextToValue(4, 500), 24), 24) << "a shelving band stops at 24";
    EXPECT_EQ(Text(4, 101, 24), "1.60");
}

TEST(TextToValue, GainStepsRoundHalfToEven) {
    EXPECT_EQ(TextToValue(3, 3.35), 137);
    EXPECT_EQ(Text(3, 137), "3.4");
    EXPECT_EQ(TextToValue(3, 0), 120);
    EXPECT_EQ(Text(3, 120), "0.0");
    EXPECT_EQ(TextToValue(3, -30), -30);
    EXPECT_EQ(Clamped(3, -30), 0);
    EXPECT_EQ(Text(3, -30), "-24.0");
    EXPECT_EQ(TextToValue(3, 0.1), 120) << "120.5 steps go to the even neighbour";
    EXPECT_EQ(TextToValue(3, 0.3), 122) << "121.5 steps go to the even neighbour";
    EXPECT_EQ(TextToValue(3, -0.1), 120) << "119.5 steps go to the even neighbour";
}

TEST(TextToValue, OtherKindsAndBadNumbers) {
    EXPECT_EQ(TextToValue(8, 42.7), 42.7);
    EXPECT_EQ(TextToValue(0, -3), -3);
    EXPECT_EQ(TextToValue(3, std::nan("")), 0);
    EXPECT_EQ(TextToValue(2, std::numeric_limits<double>::infinity()), 361);
    EXPECT_LE(TextToValue(8, 1e300), 1e9) << "the result must stay truncatable";
}

TEST(RoundHalfEven, ExactHalves) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4), 2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
}

TEST(FormatValue, FrequencyPanesAndOff) {
    EXPECT_EQ(Text(5, 362), "Off");
    EXPECT_EQ(Text(5, 361), "20600.0Hz");
    EXPECT_EQ(Text(5, 400), "Off") << "above the top becomes the top";
    EXPECT_EQ(Text(6, 0), "Off");
    EXPECT_EQ(Text(6, 1), "19.7Hz");
    EXPECT_EQ(Text(6, 362), "20600.0Hz");
    EXPECT_EQ(Text(6, -4), "Off") << "negatives become 0";
    EXPECT_EQ(Text(7, 63), "20200.0Hz");
    EXPECT_EQ(Text(7, 64), "Off");
    EXPECT_EQ(Text(7, 0), "5990.0Hz");
    EXPECT_EQ(Text(13, 0), "Off");
    EXPECT_EQ(Text(13, 205), "1000.0Hz");
    EXPECT_EQ(Text(13, 300), "1000.0Hz");
    EXPECT_EQ(Text(2, 204), "1000.0");
    EXPECT_EQ(Text(2, 999), "20600.0");
}

TEST(FormatValue, NumericPanes) {
    EXPECT_EQ(Text(8, 100), "100");
    EXPECT_EQ(Text(8, 150), "100");
    EXPECT_EQ(Text(9, 100), "200");
    EXPECT_EQ(Text(9, 250), "400");
    EXPECT_EQ(Text(10, 0), "-50");
    EXPECT_EQ(Text(10, 100), "50");
    EXPECT_EQ(Text(11, 250), "500");
    EXPECT_EQ(Text(12, 1), "63") << "62.5 rounds away from zero";
    EXPECT_EQ(Text(12, 3), "188");
    EXPECT_EQ(Text(12, 80), "5000");
    EXPECT_EQ(Text(14, 0), "-20");
    EXPECT_EQ(Text(14, 34), "14");
    EXPECT_EQ(Text(18, 0), "0.0");
    EXPECT_EQ(Text(18, 123), "12.3");
    EXPECT_EQ(Text(18, 500), "50.0");
    EXPECT_EQ(Text(20, 0), "-36");
    EXPECT_EQ(Text(20, 50), "14");
    EXPECT_EQ(Text(21, 0), "Off");
    EXPECT_EQ(Text(21, 1), "2Hz");
    EXPECT_EQ(Text(21, 7), "8Hz");
    EXPECT_EQ(Text(21, 143), "8Hz");
    EXPECT_EQ(Text(22, 0), "Off");
    EXPECT_EQ(Text(22, 10), "10");
    EXPECT_EQ(Text(22, 143), "10");
}

TEST(FormatValue, TablePanes) {
    EXPECT_EQ(Text(15, 27), "12");
    EXPECT_EQ(Text(15, 99), "100");
    EXPECT_EQ(Text(16, 7), "32");
    EXPECT_EQ(Text(17, 15), "90");
    EXPECT_EQ(Text(19, 0), "0.40");
    EXPECT_EQ(Text(19, 23), "1.50");
    EXPECT_EQ(Text(19, 60), "1.50");
    EXPECT_EQ(Text(4, 100), "128.00");
    EXPECT_EQ(Text(4, 30, 24), "1.60") << "non-peaking band limit";
}

TEST(FormatValue, TruncatesAfterClamping) {
    EXPECT_EQ(Clamped(2, 204.9), 204);
    EXPECT_EQ(Text(3, 137.9), "3.4");
    EXPECT_EQ(Clamped(8, -0.5), 0);
    EXPECT_EQ(Clamped(8, 99.99), 99);
    EXPECT_EQ(Text(3, 0), "-24.0");
    EXPECT_EQ(Text(3, 119), "-0.2");
    EXPECT_EQ(Text(3, 180), "12.0");
}

TEST(FormatValue, KindOneClampsOnlyTheTop) {
    EXPECT_EQ(Clamped(1, 5), 2);
    EXPECT_EQ(Clamped(1, -1), -1);
    EXPECT_EQ(Text(1, 1), "1");
}

TEST(FormatValue, KindZeroAndUnknownKindsPassThrough) {
    EXPECT_EQ(Clamped(0, 84), 84);
    EXPECT_EQ(Text(0, 300), "300");
    EXPECT_EQ(Clamped(0, -3), -3);
    EXPECT_EQ(Text(23, 12), "12");
    EXPECT_EQ(Text(-1, 7), "7");
    EXPECT_EQ(Clamped(0, std::nan("")), 0);
    EXPECT_EQ(Clamped(2, std::numeric_limits<double>::infinity()), 361);
    EXPECT_EQ(Clamped(6, -std::numeric_limits<double>::infinity()), 0);
}

TEST(ValueKindRange, Tops) {
    EXPECT_FALSE(ValueKindRange(0).hasRange);
    EXPECT_EQ(ValueKindRange(1).max, 2);
    EXPECT_EQ(ValueKindRange(2).max, 361);
    EXPECT_EQ(ValueKindRange(4).max, 100);
    EXPECT_EQ(ValueKindRange(5).max, 362);
    EXPECT_EQ(ValueKindRange(12).max, 80);
    EXPECT_EQ(ValueKindRange(18).max, 500);
    EXPECT_EQ(ValueKindRange(22).max, 10);
    EXPECT_FALSE(ValueKindRange(23).hasRange);
    EXPECT_FALSE(ValueKindRange(-2).hasRange);
}

BandRef Ref(int band, int k) {
    return static_cast<BandRef>(band << 8 | k);
}

TEST(DecodeBand, BandsAndFilters) {
    Model m;
    EXPECT_EQ(DecodeBand(m, 0x0207), NotEq) << "dynamic-EQ type box";
    EXPECT_EQ(DecodeBand(m, 0x0611), Ref(7, 0)) << "main high-pass frequency";
    EXPECT_EQ(DecodeBand(m, 0x0615), Ref(8, 0)) << "main low-pass Q";
    EXPECT_EQ(DecodeBand(m, 0x0100), Ref(15, 0));
    m.MicBandMode = 1;
    EXPECT_EQ(DecodeBand(m, 0x0100), Ref(9, 0));
    EXPECT_EQ(DecodeBand(m, 0x0300), Ref(15, 0));
    m.MicBandMode = 0;

    EXPECT_EQ(DecodeBand(m, 0x0005), Ref(0, 1));
    EXPECT_EQ(DecodeBand(m, 0x0003), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0035), Ref(9, 4));
    EXPECT_EQ(DecodeBand(m, 0x0150), Ref(14, 4));
    EXPECT_EQ(DecodeBand(m, 0x0151), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0351), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0102), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0404), Ref(5, 0));
    EXPECT_EQ(DecodeBand(m, 0x0405), Ref(6, 0));
    EXPECT_EQ(DecodeBand(m, 0x0406), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0506), Ref(5, 0));
    EXPECT_EQ(DecodeBand(m, 0x0507), Ref(6, 0));
    EXPECT_EQ(DecodeBand(m, 0x0504), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0412), Ref(0, 2));
    EXPECT_EQ(DecodeBand(m, 0x0622), Ref(0, 0));
    EXPECT_EQ(DecodeBand(m, 0x0645), Ref(7, 0)) << "hidden eighth group shares band 7";
    EXPECT_EQ(DecodeBand(m, 0x0742), Ref(7, 0));
    EXPECT_EQ(DecodeBand(m, 0x0716), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0A03), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0B10), NotEq);
    EXPECT_EQ(DecodeBand(m, 0xFF10), NotEq);
}

TEST(DecodeBand, DynamicEqGroups) {
    Model m;
    EXPECT_EQ(DecodeBand(m, 0x0201), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0202), Ref(0, 0));
    EXPECT_EQ(DecodeBand(m, 0x0206), Ref(0, 4));
    EXPECT_EQ(DecodeBand(m, 0x020E), Ref(1, 0));
    EXPECT_EQ(DecodeBand(m, 0x021E), Ref(2, 4));
    EXPECT_EQ(DecodeBand(m, 0x021F), NotEq);
    EXPECT_EQ(DecodeBand(m, 0x0224), NotEq);
}

TEST(BandParamIndex, RoundTripsWithDecodeBand) {
    Model m;
    EXPECT_EQ(BandParamIndex(514, 2, 4), 30);
    EXPECT_EQ(BandParamIndex(514, 1, 0), 14);
    EXPECT_EQ(BandParamIndex(34, 6, 4), 68);
    for (int page = 0; page < 10; ++page) {
        for (int b = 0; b < PageBandCount[page]; ++b) {
            for (int k = 0; k < 5; ++k) {
                const ParamId id = MakeId(page, BandParamIndex(FirstEqIndex[page], b, k));
                EXPECT_EQ(DecodeBand(m, id), Ref(b, k)) << "page " << page << " band " << b;
            }
        }
    }
}

TEST(ActiveQParam, FollowsTheBandType) {
    Model m;
    // Music band 1: type at 4, peaking Q at 7, shelving Q at 8.
    EXPECT_EQ(ActiveQParam(m, 0x0008), 0x0007);
    EXPECT_EQ(ActiveQParam(m, 0x0007), 0x0007);
    m.ParamImage[0][4] = 2;
    EXPECT_EQ(ActiveQParam(m, 0x0007), 0x0008);
    EXPECT_EQ(ActiveQParam(m, 0x0008), 0x0008);
    EXPECT_EQ(ActiveQParam(m, 0x0005), 0x0005) << "not a Q field";
    EXPECT_EQ(ActiveQParam(m, 0x0611), 0x0611) << "crossover filters are not bands";
    m.ParamImage[2][14] = 1;
    EXPECT_EQ(ActiveQParam(m, 0x0211), 0x0212);
    EXPECT_EQ(ActiveQParam(m, 0x0A03), 0x0A03);
    EXPECT_EQ(ActiveQParam(m, 0x00FF), 0x00FF) << "past the image: unchanged, no read";
}

TEST(EqGraphOf, Pages) {
    const int expected[] = {0, 1, 8, 9, 2, 2, 3, 5, 5, 3, 0};
    for (int p = 0; p < 11; ++p)
        EXPECT_EQ(EqGraphOf(MakeId(p, 5)), expected[p]) << "page " << p;
    EXPECT_EQ(EqGraphOf(0x0C00), 0);
}

}  // namespace
}  // namespace kdsp
