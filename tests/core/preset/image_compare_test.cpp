// The processor's memory against the words a preset upload writes: which pages
// differ and by how many words, and how that is said.
#include "core/preset/image_compare.h"

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

}  // namespace
}  // namespace kdsp
