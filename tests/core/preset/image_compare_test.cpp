// The processor's memory against the words a preset upload writes: which pages
// differ and by how many words, and how that is said.
#include "core/preset/image_compare.h"

#include "core/preset/ab_slots.h"
#include "core/preset/param_diff.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

DeviceImageRows Memory() {
    DeviceImageRows m{};
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s < DeviceImageSlots; ++s)
            m[p][s] = (p * 131 + s * 7) % 600;
    return m;
}

// A whole file as this program writes it from `image`.
PresetReadResult FileOf(DeviceImageRows image) {
    MirrorSystemWordsForSave(image);
    return ParsePreset(FormatPresetFile(image));
}

TEST(ImageCompare, CountsOnlyTheWordsTheUploadWritesAsSixteenBitWords) {
    const DeviceImageRows device = Memory();
    EXPECT_TRUE(CompareWithPreset(device, FileOf(device)).empty());

    DeviceImageRows file = device;
    file[6][0] += 1;
    file[6][115] += 1;                  // the last word of page 6's block
    file[10][7] += 1;                   // a system word the upload sends
    file[1][83] += 1;                   // past page 1's block: in the file, never sent
    file[10][17] += 1;                  // the remote switch: never taken from a file
    file[2][3] = device[2][3] - 65536;  // the same 16-bit word
    const ImageDifference d = CompareWithPreset(device, FileOf(file));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].page, 6);
    EXPECT_EQ(d[0].words, 2);
    EXPECT_EQ(d[1].page, 10);
    EXPECT_EQ(d[1].words, 1);
    EXPECT_EQ(DescribeDifference(d),
              "page 6 (main output): 2 words differ; page 10 (system): 1 word differs");
    EXPECT_EQ(DescribeDifference(d, LanguageChinese, "\n"),
              "第 6 页（主输出）：2 个字不同\n第 10 页（系统）：1 个字不同");
    EXPECT_TRUE(
        CompareWithPreset(device, PresetReadResult{PresetError::Corrupted, "", {}}).empty());
}

TEST(ImageCompare, APartialFileCountsOnlyWhatItSetsAndSystemWordsComeFromTheirCopies) {
    const DeviceImageRows device = Memory();
    PresetReadResult partial;
    partial.records = {
        {6, 20, device[6][20] + 5},                  // differs
        {7, 3, device[7][3]},                        // same
        {PageSystem, 8, device[PageSystem][8] + 1},  // overridden by its copy below
        {PageMusic, MirrorFirstPageSlot + 2, device[PageSystem][8]},      // system word 8: same
        {PageMusic, MirrorFirstPageSlot + 3, device[PageSystem][9] + 1},  // system word 9: differs
    };
    const ImageDifference d = CompareWithPreset(device, partial);
    EXPECT_EQ(DescribeDifference(d),
              "page 6 (main output): 1 word differs; page 10 (system): 1 word differs");
}

// The writes of an A/B switch: what differs and a single write can reach, the
// sing/dance word first because it decides which copy the writes after it reach.
TEST(AbSwitch, SendsReachableDifferencesModeWordFirstAndFollowsEdits) {
    const DeviceImageRows sing = [] {
        DeviceImageRows m = Memory();
        m[0][1] = 0;
        return m;
    }();
    DeviceImageRows dance = sing;
    dance[0][1] = 1;
    dance[0][6] += 1;   // the sing copy of a music band's gain: out of reach in dance
    dance[0][58] += 1;  // the dance copy of the same gain
    dance[10][2] += 1;  // the stored-mode number: a recall, never part of a setting
    dance[6][40] += 1;
    const AbSwitch toDance = PlanSwitch(sing, dance);
    ASSERT_EQ(toDance.writes.size(), 3u);
    EXPECT_EQ(toDance.writes[0]->Slot(), 1) << "the mode word goes first";
    EXPECT_EQ(toDance.writes[1]->Slot(), 58);
    EXPECT_EQ(toDance.writes[2]->Page(), 6);
    EXPECT_EQ(toDance.unreachable, 1);

    AbSlots ab;
    ab.Take(AbSlot::A, sing, true);
    ab.Take(AbSlot::B, dance, true);
    EXPECT_EQ(ab.Active(), AbSlot::B);
    EXPECT_TRUE(ab.SwitchTo(AbSlot::B, dance).writes.empty()) << "already there";
    DeviceImageRows edited = dance;
    edited[7][40] += 3;  // an edit while B is active belongs to B
    EXPECT_EQ(ab.SwitchTo(AbSlot::A, edited).writes.size(), 4u) << "the sing copy is in reach again";
    EXPECT_EQ(ab.Image(AbSlot::B)[7][40], dance[7][40] + 3);
    const AbSwitch back = ab.SwitchTo(AbSlot::B, sing);
    EXPECT_EQ(back.writes.size(), 4u);
    ab.Take(AbSlot::A, dance, false);
    EXPECT_EQ(ab.Active(), AbSlot::B) << "a file taken into the other slot is not held";
    ab.Take(AbSlot::B, dance, false);
    EXPECT_FALSE(ab.Active().has_value()) << "the processor no longer holds slot B's settings";
}

TEST(ParamDiff, NamesEverySlotThatDiffersWithShownValues) {
    DeviceImageRows a{};
    DeviceImageRows b{};
    EXPECT_TRUE(DiffImages(a, b).empty());
    b[6][0x14] = 362;  // main low-pass: "Off"
    b[8][144] = 7;     // a slot no parameter names
    const std::vector<ParamDifference> d = DiffImages(a, b);
    ASSERT_EQ(d.size(), 2u);
    ASSERT_NE(d[0].param, nullptr);
    EXPECT_EQ(d[0].name, d[0].param->Name());
    EXPECT_EQ(d[0].shownB, d[0].param->Show(362));
    EXPECT_EQ(d[1].name, "page 8 slot 144");
    EXPECT_EQ(d[1].shownB, "7");
}

}  // namespace
}  // namespace kdsp
