// Loading the band slots of each page from the parameter image, and the cached
// channel sum that recomputes only the slot that changed.
#include "core/eq/channel_curve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

// Every band at its default (0 dB) and every crossover switched off.
Model DefaultModel() {
    Model m;
    for (int p = 0; p < 10; ++p) {
        auto& row = m.ParamImage[p];
        for (int b = 0; b < PageBandCount[p] || (p == 3 && b < 15); ++b) {
            const int first = p == PageDynEq ? 2 + 12 * b : FirstEqIndex[p] + 5 * b;
            row[first] = BandTypePEQ;
            row[first + 1] = DefaultBandFreq[p][std::min(b, 8)];
            row[first + 2] = DefaultBandGain;
            row[first + 3] = DefaultPeakQ;
            row[first + 4] = DefaultShelfQ;
        }
    }
    m.ParamImage[4][5] = m.ParamImage[5][7] = 64;  // effect low-pass off
    m.ParamImage[6][20] = m.ParamImage[7][20] = FreqTableSize;
    return m;
}

int Load(const Model& m, int page, BandSlots& slots) {
    return LoadChannelBands(m, slots, AllSlots, page);
}

TEST(LoadChannelBands, ChannelCodeOfEveryPage) {
    Model m = DefaultModel();
    BandSlots s{};
    const int expected[] = {9, 114, 2, 114, 204, 204, 206, 206, 106, 106};
    for (int page = 0; page < 10; ++page) EXPECT_EQ(Load(m, page, s), expected[page]) << page;
    m.MicBandMode = 1;
    EXPECT_EQ(Load(m, PageMic, s), 108);
    EXPECT_EQ(Load(m, PageMic9, s), 108);
    s[0].code = 42;
    for (int page : {10, 11, -1, 200}) EXPECT_EQ(Load(m, page, s), 0) << page;
    EXPECT_EQ(s[0].code, 42) << "nothing is loaded for a page without EQ";
}

TEST(LoadChannelBands, OrdinaryBandFields) {
    Model m = DefaultModel();
    auto& row = m.ParamImage[PageMusic];
    const int first = 4 + 5 * 3;  // music band 3
    row[first] = 1;               // low shelf
    row[first + 1] = 204;         // 1000 Hz
    row[first + 2] = 150;         // +6 dB
    row[first + 3] = 40;          // peaking Q index, unused by a shelf
    row[first + 4] = 12;          // shelf Q index
    BandSlots s{};
    Load(m, PageMusic, s);
    EXPECT_EQ(s[3].code, 1);
    EXPECT_FLOAT_EQ(s[3].frequency, 1000.0f);
    EXPECT_FLOAT_EQ(s[3].gain, 6.0f);
    EXPECT_FLOAT_EQ(s[3].q, static_cast<float>(QValue(12)));
    EXPECT_EQ(s[3].frequencyControl, MakeId(0, first + 1));
    EXPECT_EQ(s[3].gainControl, MakeId(0, first + 2));
    EXPECT_EQ(s[3].qControl, MakeId(0, first + 3));
    row[first] = 0;  // a peaking band takes the peaking Q
    Load(m, PageMusic, s);
    EXPECT_FLOAT_EQ(s[3].q, static_cast<float>(QValue(40)));
    // Only the selected band is reloaded.
    row[first + 2] = 0;
    row[4 + 2] = 0;
    LoadChannelBands(m, s, 3, PageMusic);
    EXPECT_FLOAT_EQ(s[3].gain, -24.0f);
    EXPECT_FLOAT_EQ(s[0].gain, 0.0f);
}

TEST(LoadChannelBands, ValuesOutsideTheTablesStayInside) {
    Model m = DefaultModel();
    m.ParamImage[0][5] = 5000;
    m.ParamImage[0][7] = -7;
    m.ParamImage[6][17] = 9999;
    m.ParamImage[6][18] = 1000;
    m.ParamImage[4][5] = 1000;
    BandSlots s{};
    Load(m, PageMusic, s);
    EXPECT_FLOAT_EQ(s[0].frequency, 20600.0f);
    EXPECT_FLOAT_EQ(s[0].q, 0.40f);
    Load(m, PageMain, s);
    EXPECT_FLOAT_EQ(s[7].frequency, 20600.0f);
    EXPECT_FLOAT_EQ(s[7].q, 128.0f);
    Load(m, PageEcho, s);
    EXPECT_FLOAT_EQ(s[6].frequency, 20600.0f);
}

TEST(LoadChannelBands, MicrophoneHighPassAndGroupB) {
    Model m = DefaultModel();
    BandSlots s{};
    Load(m, PageMic, s);
    EXPECT_EQ(s[15].code, 100);
    EXPECT_FLOAT_EQ(s[15].frequency, 19.0f);
    EXPECT_FLOAT_EQ(s[15].gain, 0.0f);
    EXPECT_EQ(s[15].frequencyControl, MakeId(1, 0));
    m.ParamImage[PageMic][0] = 50;
    Load(m, PageMic, s);
    EXPECT_EQ(s[15].code, 102);
    EXPECT_FLOAT_EQ(s[15].frequency, static_cast<float>(FreqValue(49)));
    // Group B: nine bands, the high-pass in slot 9, its pane also in entry 15.
    m.MicBandMode = 1;
    m.ParamImage[PageMic9][0] = 80;
    Load(m, PageMic9, s);
    EXPECT_EQ(s[9].code, 102);
    EXPECT_FLOAT_EQ(s[9].frequency, static_cast<float>(FreqValue(79)));
    EXPECT_EQ(s[9].frequencyControl, MakeId(1, 0));
    EXPECT_EQ(s[9].gainControl, NoControl);
    EXPECT_EQ(s[15].frequencyControl, MakeId(1, 0));
}

TEST(LoadChannelBands, DynamicEqBandsAndGroupBypass) {
    Model m = DefaultModel();
    auto& row = m.ParamImage[PageDynEq];
    for (int b = 0; b < 3; ++b) row[12 * b + 2 + 2] = 170;  // +10 dB each
    row[13] = 1;                                            // bypass of band 1
    BandSlots s{};
    EXPECT_EQ(Load(m, PageDynEq, s), 2);
    EXPECT_FLOAT_EQ(s[0].gain, 10.0f);
    EXPECT_FLOAT_EQ(s[1].gain, 0.0f);
    EXPECT_FLOAT_EQ(s[2].gain, 10.0f);
    EXPECT_EQ(s[2].frequencyControl, MakeId(2, 12 * 2 + 2 + 1));
    EXPECT_FLOAT_EQ(s[2].frequency, static_cast<float>(FreqValue(332)));
}

TEST(LoadChannelBands, EffectCrossoversFollowTheShownEq) {
    Model m = DefaultModel();
    m.ParamImage[PageEcho][4] = 30;
    m.ParamImage[PageEcho][5] = 10;
    m.ParamImage[PageEcho][16 + 2] = 150;  // echo band 0 at +6 dB
    BandSlots s{};
    Load(m, PageEcho, s);
    EXPECT_EQ(s[5].code, 102);
    EXPECT_FLOAT_EQ(s[5].frequency, static_cast<float>(FreqValue(29)));
    EXPECT_EQ(s[6].code, 202);
    EXPECT_FLOAT_EQ(s[6].frequency, static_cast<float>(FreqValue(307)));
    EXPECT_EQ(s[15].frequencyControl, MakeId(4, 4));
    EXPECT_EQ(s[16].frequencyControl, MakeId(4, 5));
    // Reverb EQ shown: crossovers from page 5 indices 6 and 7, bands still from page 4.
    m.EffectEqVariant = 5;
    Load(m, PageReverb, s);
    EXPECT_EQ(s[5].code, 100);
    EXPECT_FLOAT_EQ(s[5].frequency, 19.0f);
    EXPECT_EQ(s[6].code, 200);
    EXPECT_FLOAT_EQ(s[6].frequency, 20600.0f);
    EXPECT_EQ(s[6].frequencyControl, MakeId(5, 7));
    EXPECT_FLOAT_EQ(s[0].gain, 6.0f);
    EXPECT_EQ(s[0].gainControl, MakeId(4, 18));
}

TEST(LoadChannelBands, OutputTypeBoxCrossovers) {
    Model m = DefaultModel();
    auto& row = m.ParamImage[PageMain];
    row[16] = 2;    // "Link Riley 24dB"
    row[17] = 100;  // FreqTable[99]
    row[18] = 30;
    row[19] = 4;    // "USER 24dB"
    row[20] = 250;
    row[21] = 20;
    BandSlots s{};
    EXPECT_EQ(Load(m, PageMain, s), 206);
    EXPECT_EQ(s[7].code, 106);
    EXPECT_FLOAT_EQ(s[7].frequency, static_cast<float>(FreqValue(99)));
    EXPECT_FLOAT_EQ(s[7].q, static_cast<float>(QValue(30)));
    EXPECT_EQ(s[8].code, 208);
    EXPECT_FLOAT_EQ(s[8].frequency, static_cast<float>(FreqValue(250)));
    EXPECT_FLOAT_EQ(s[8].q, static_cast<float>(QValue(20)));
    EXPECT_EQ(s[7].frequencyControl, MakeId(6, 17));
    EXPECT_EQ(s[16].frequencyControl, MakeId(6, 20));
    row[17] = 0;
    row[20] = FreqTableSize;
    Load(m, PageMain, s);
    EXPECT_EQ(s[7].code, 100);
    EXPECT_FLOAT_EQ(s[7].frequency, 19.0f);
    EXPECT_EQ(s[8].code, 200);
    EXPECT_FLOAT_EQ(s[8].frequency, 20600.0f);
    // Aux 1 has its bands from index 31.
    m.ParamImage[PageAux1][31 + 2] = 100;
    Load(m, PageAux1, s);
    EXPECT_FLOAT_EQ(s[0].gain, -4.0f);
}

TEST(LoadChannelBands, FixedCrossoversOfAux2AndRear) {
    Model m = DefaultModel();
    m.ParamImage[PageAux2][16] = 60;
    m.ParamImage[PageRear][16] = 61;
    BandSlots s{};
    Load(m, PageAux2, s);
    EXPECT_EQ(s[7].code, 105);
    EXPECT_FLOAT_EQ(s[7].frequency, static_cast<float>(FreqValue(59)));
    EXPECT_EQ(s[15].frequencyControl, MakeId(8, 16));
    Load(m, PageRear, s);
    EXPECT_EQ(s[7].code, 102);
    EXPECT_FLOAT_EQ(s[7].frequency, static_cast<float>(FreqValue(60)));
    m.ParamImage[PageRear][16] = 0;
    Load(m, PageRear, s);
    EXPECT_EQ(s[7].code, 100);
}

TEST(ChannelCurve, DefaultPagesAreFlat) {
    const Model m = DefaultModel();
    ChannelCurve curve;
    for (int page = 0; page < 10; ++page) {
        curve.Update(m, AllSlots, page);
        for (int g = 0; g < GridPoints; ++g)
            ASSERT_EQ(curve.Curve()[g], 0.0f) << "page " << page << " index " << g;
    }
}

TEST(ChannelCurve, OneSlotUpdateRecomputesOnlyThatSlot) {
    Model m = DefaultModel();
    ChannelCurve curve;
    EXPECT_EQ(curve.Update(m, AllSlots, PageMain), 206);
    EXPECT_EQ(curve.SlotsInUse(), 9);
    m.ParamImage[PageMain][34 + 5 * 3 + 2] = 160;  // band 3: +8 dB
    m.ParamImage[PageMain][34 + 5 * 5 + 2] = 80;   // band 5: -8 dB, not selected
    m.ParamImage[PageMain][17] = 100;              // high-pass on, not selected
    curve.Update(m, 3, PageMain);
    const int m3 = static_cast<int>(std::nearbyint(FreqToGrid(curve.Slots()[3].frequency)));
    EXPECT_NEAR(curve.SlotResponse(3)[m3], 8.0f, 0.01f);
    EXPECT_EQ(curve.SlotResponse(5)[0], 0.0f) << "band 5 keeps its cached response";
    EXPECT_FLOAT_EQ(curve.Slots()[5].gain, 0.0f);
    // Crossovers are reloaded every time but recomputed only when selected.
    EXPECT_EQ(curve.Slots()[7].code, 104);
    for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(curve.SlotResponse(7)[g], 0.0f);
    for (int g = 0; g < GridPoints; ++g) ASSERT_EQ(curve.Curve()[g], curve.SlotResponse(3)[g]);
    curve.Update(m, AllSlots, PageMain);
    EXPECT_LT(curve.SlotResponse(7)[0], -20.0f);
    for (int g = 0; g < GridPoints; ++g) {
        float sum = 0;
        for (int i = 0; i < 9; ++i) sum += curve.SlotResponse(i)[g];
        ASSERT_EQ(curve.Curve()[g], sum) << g;
    }
}

TEST(ChannelCurve, ReverbPageDrawsTheEffectEq) {
    Model m = DefaultModel();
    m.EffectEqVariant = 5;
    m.ParamImage[PageEcho][16 + 5 + 2] = 170;
    m.ParamImage[PageReverb][6] = 40;
    ChannelCurve echo, reverb;
    echo.Update(m, AllSlots, PageEcho);
    reverb.Update(m, AllSlots, PageReverb);
    EXPECT_EQ(reverb.ChannelCode(), 204);
    EXPECT_EQ(echo.Curve(), reverb.Curve());
    EXPECT_LT(echo.Curve()[0], -20.0f);
    // A page without EQ leaves the curve as it was.
    const auto before = echo.Curve();
    EXPECT_EQ(echo.Update(m, AllSlots, PageSystem), 204);
    EXPECT_EQ(echo.Curve(), before);
}

TEST(ChannelCurve, ExplicitBands) {
    ChannelCurve curve;
    const BandSlot bands[] = {{0, 1000, 12, 1}, {0, 1000, -12, 1}};
    curve.SetBands(bands);
    EXPECT_EQ(curve.SlotsInUse(), 2);
    for (int g = 0; g < GridPoints; ++g) ASSERT_NEAR(curve.Curve()[g], 0.0f, 1e-4f);
    curve.SetBands({});
    EXPECT_EQ(curve.Curve()[100], 0.0f);
}

}  // namespace
}  // namespace kdsp
