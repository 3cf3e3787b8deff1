// The application's link against the simulated processor, bytes both ways on the
// manual clock: reads with split and merged answers, an upload read back, edits,
// a recall, and a processor that falls silent.
#include <gtest/gtest.h>

#include "link_sim_rig.h"

namespace kdsp::test {
namespace {

TEST(LinkWithSimulator, AFullReadRebuildsTheProcessorsMemory) {
    SimRig r;
    r.device.SetModeName(4, "Stage");
    r.device.SetIdentity({0x01, 0xAB, 0x00, 0xFF});
    r.device.Memory()[10][7] = 4242;
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_FALSE(r.HasEvent(EventConnectFailed));
    r.ExpectImageMatchesDevice();
    EXPECT_EQ(r.model.ModeNames[4], "Stage");
    EXPECT_EQ(r.model.DeviceImage[10][7], 4242);
    EXPECT_EQ(r.model.DeviceIdentity, "01AB00FF");
    EXPECT_EQ(r.model.SystemPassword, r.device.SystemPassword());
    EXPECT_EQ(r.model.PanelPassword, r.device.PanelPassword());
}

TEST(LinkWithSimulator, AReadCompletesWithSplitAndMergedAnswers) {
    for (bool split : {true, false}) {
        FaultOptions o;
        o.split = split;
        o.merge = !split;
        o.seed = 11;
        SimRig r(o);
        r.link.LinkBtnClick(true);
        ASSERT_TRUE(r.RunUntilEvent(EventOnline)) << (split ? "split" : "merged");
        r.ExpectImageMatchesDevice();
    }
}

TEST(LinkWithSimulator, AProcessorThatFallsSilentMidReadEndsInConnectFailed) {
    FaultOptions o;
    o.silentAfter = 12;
    SimRig r(o);
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed, 60000));
    EXPECT_FALSE(r.HasEvent(EventOnline));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::ConnectFailed);
}

TEST(LinkWithSimulator, AnUploadedImageIsWhatTheNextReadBringsBack) {
    SimRig r;
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    DeviceImageRows sent = r.model.DeviceImage;
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s) sent[p][s] = (7 * p + 3 * s + 1) & 0xFF;
    for (int s = 6; s <= 11; ++s) sent[10][s] = s;
    r.model.DeviceImage = sent;
    r.events.clear();
    r.link.RaiseLinkEvent(EventUpload);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s)
            ASSERT_EQ(r.device.Memory()[p][s], sent[p][s]) << "page " << p << " slot " << s;

    // Read it back through a fresh link.
    r.link.LinkBtnClick(false);
    r.model = Model{};
    r.events.clear();
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s)
            ASSERT_EQ(r.model.DeviceImage[p][s], sent[p][s]) << "page " << p << " slot " << s;
    for (int s = 6; s <= 11; ++s) EXPECT_EQ(r.model.DeviceImage[10][s], s);
}

TEST(LinkWithSimulator, EditsReachTheProcessorAndARecallReloadsTheStoredMode) {
    SimRig r;
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    for (int v = 100; v <= 140; v += 4) r.link.SendParam(0x0103, v);  // a slider drag
    r.link.SendParam(0x0104, 7);
    r.Advance(2000);
    EXPECT_EQ(r.device.Memory()[1][3], 140);
    EXPECT_EQ(r.device.Memory()[1][4], 7);

    r.device.Mode(2).memory[1][3] = 55;
    r.events.clear();
    r.link.SendParam(IdRecallMode, 2);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(r.events[0].second, EventReload);
    EXPECT_EQ(r.model.DeviceImage[1][3], 55) << "the reload brought the stored mode";
    r.Advance(5000);
    EXPECT_FALSE(r.HasEvent(EventLinkLost)) << "keep-alives are answered";
}

}  // namespace
}  // namespace kdsp::test
