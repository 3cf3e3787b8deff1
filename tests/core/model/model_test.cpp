// Selector redirection and the mode-dependent device slots of stored values.
#include "core/model/model.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

TEST(StoreValue, RearOutputThroughMainControls) {
    Model m;
    m.MainVariant = 9;
    EXPECT_EQ(StoreValue(m, 0x0605, 7), 0x0905);
    EXPECT_EQ(m.ParamImage[6][5], 7);
    EXPECT_EQ(m.ParamImage[9][5], 7);
    EXPECT_EQ(m.DeviceImage[9][5], 7);
    EXPECT_EQ(m.DeviceImage[6][5], 0) << "the main output's own memory is untouched";
}

TEST(StorageId, SelectorRedirection) {
    Model m;
    m.MicBandMode = 1;
    EXPECT_EQ(StorageId(m, 0x0102), 0x0102) << "indices 1..3 are common to both groups";
    EXPECT_EQ(StorageId(m, 0x0100), 0x0300);
    EXPECT_EQ(StorageId(m, 0x0110), 0x0310);
    m.MicBandMode = 0;
    EXPECT_EQ(StorageId(m, 0x0100), 0x0100);

    m.EffectEqVariant = 4;
    EXPECT_EQ(StorageId(m, 0x0510), 0x0410);
    EXPECT_EQ(StorageId(m, 0x050D), 0x050D) << "reverb's own settings below 14 stay";
    m.AuxVariant = 8;
    EXPECT_EQ(StorageId(m, 0x0720), 0x0820);
}

TEST(DeviceSlot, OperatingModeCopies) {
    EXPECT_EQ(DeviceSlot(0, 2, 1), 54);
    EXPECT_EQ(DeviceSlot(0, 1, 1), 1);
    EXPECT_EQ(DeviceSlot(0, 53, 1), 105);
    EXPECT_EQ(DeviceSlot(6, 15, 1), 16) << "shares the slot of index 16";
    EXPECT_EQ(DeviceSlot(6, 16, 1), 16);
    EXPECT_EQ(DeviceSlot(6, 15, 0), 15);
    EXPECT_EQ(DeviceSlot(9, 0, 1), 1);
    EXPECT_EQ(DeviceSlot(1, 2, 1), 2);
}

TEST(StoreValue, DanceCopyOfMusicPage) {
    Model m;
    m.ModeFlag = 1;
    StoreValue(m, 0x0002, 11);
    EXPECT_EQ(m.DeviceImage[0][54], 11);
    EXPECT_EQ(m.DeviceImage[0][2], 0);
    StoreValue(m, 0x0001, 1);
    EXPECT_EQ(m.DeviceImage[0][1], 1);
}

TEST(StoreValue, OutOfRangeIdsWriteNothing) {
    Model m;
    const Model before = m;
    StoreValue(m, 0x0BFF, 5);
    StoreValue(m, 0xFF00, 5);
    m.ModeFlag = 1;
    StoreValue(m, 0x0060, 5);  // index 96 of page 0: its dance slot would be 148
    StoreValue(m, 0x00FF, 5);
    EXPECT_EQ(m.DeviceImage, before.DeviceImage);
    EXPECT_EQ(m.ParamImage[0][96], 5) << "the view slot itself exists";
}

TEST(LoadViewFromDevice, SelectedCopiesAndModes) {
    Model m;
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s < DeviceImageSlots; ++s) m.DeviceImage[p][s] = p * 1000 + s;
    m.MainVariant = PageRear;
    m.AuxVariant = PageAux2;
    m.EffectEqVariant = PageReverb;
    m.MicBandMode = 1;
    m.ParamImage[PageMic][2] = -7;
    LoadViewFromDevice(m, 1);
    EXPECT_EQ(m.ParamImage[PageMusic][1], 1) << "the operating mode itself has one slot";
    EXPECT_EQ(m.ParamImage[PageMusic][10], 10 + 52) << "dance copy of the music EQ";
    EXPECT_EQ(m.ParamImage[PageMain][3], PageRear * 1000 + 3 + 1) << "rear output, dance slot";
    EXPECT_EQ(m.ParamImage[PageMain][20], PageRear * 1000 + 20);
    EXPECT_EQ(m.ParamImage[PageAux1][5], PageAux2 * 1000 + 5 + 1);
    EXPECT_EQ(m.ParamImage[PageEcho][13], PageEcho * 1000 + 13) << "effect settings below the EQ";
    EXPECT_EQ(m.ParamImage[PageEcho][14], PageReverb * 1000 + 14) << "the reverb EQ is shown";
    EXPECT_EQ(m.ParamImage[PageMic][5], PageMic9 * 1000 + 5) << "group B bands";
    EXPECT_EQ(m.ParamImage[PageMic][2], -7) << "the common slots are left alone";
    EXPECT_EQ(m.ParamImage[PageSystem][4], PageSystem * 1000 + 4);
}

}  // namespace
}  // namespace kdsp
