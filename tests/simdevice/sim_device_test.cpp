// The simulated processor's memory and its answers to the application's frames.
#include "simdevice/sim_device.h"

#include <gtest/gtest.h>

#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

const Bytes AckBytes = {0xFE, 0xBB};

Bytes Payload(const Bytes& frame) { return Bytes(frame.begin() + 6, frame.end() - 1); }

TEST(SimDeviceFactory, BandsManualModeAndOutputsLowPassOff) {
    SimDevice d;
    const auto& m = d.Memory();
    EXPECT_EQ(m[PageMusic][0], 1) << "manual mode";
    EXPECT_EQ(m[PageMusic][1], 0) << "sing";
    for (int page : {6, 7, 8, 9}) EXPECT_EQ(m[page][20], 362) << "low-pass off on page " << page;
    // Music band 1 in both operating-mode copies.
    for (int slot : {4, 4 + 52}) {
        EXPECT_EQ(m[PageMusic][slot], BandTypePEQ);
        EXPECT_EQ(m[PageMusic][slot + 1], DefaultBandFreq[0][0]);
        EXPECT_EQ(m[PageMusic][slot + 2], DefaultBandGain);
        EXPECT_EQ(m[PageMusic][slot + 3], DefaultPeakQ);
        EXPECT_EQ(m[PageMusic][slot + 4], DefaultShelfQ);
    }
    // Last microphone band (15th) and last main-output band (7th).
    EXPECT_EQ(m[PageMic][6 + 5 * 14 + 1], DefaultBandFreq[1][14]);
    EXPECT_EQ(m[PageMain][34 + 5 * 6 + 1], DefaultBandFreq[6][6]);
    EXPECT_EQ(d.SystemPassword(), "123456");
    EXPECT_EQ(d.PanelPassword(), "1234");
    for (int i = 0; i < StoredModeCount; ++i) EXPECT_FALSE(d.Mode(i).name.empty());
}

TEST(SimDeviceWrites, ParameterWriteIsAcknowledgedAndStoredInTheModesSlot) {
    SimDevice d;
    auto a = d.Handle(BuildValueFrame(CmdWrite, 0x0103, 300));
    EXPECT_EQ(a.kind, AnswerKind::Ack);
    EXPECT_EQ(a.bytes, AckBytes);
    EXPECT_EQ(d.Memory()[1][3], 300);

    // In the dance mode the music page's second copy and the outputs' shifted slots are used.
    d.Handle(BuildValueFrame(CmdWrite, 0x0001, 1));
    EXPECT_EQ(d.OperatingMode(), 1);
    d.Handle(BuildValueFrame(CmdWrite, 0x0002, 7));
    EXPECT_EQ(d.Memory()[0][54], 7);
    EXPECT_EQ(d.Memory()[0][2], 0);
    d.Handle(BuildValueFrame(CmdWrite, 0x0605, 9));
    EXPECT_EQ(d.Memory()[6][6], 9);
}

TEST(SimDeviceWrites, GroupedDynamicEqWriteLandsOnTheUngroupedIndex) {
    SimDevice d;
    const Bytes f = BuildValueFrame(CmdWrite, 0x0211, 5);
    ASSERT_EQ(f, (Bytes{0xFC, 0xBA, 0x08, 0xA7, 0x02, 0x05, 0x01, 0x00, 0x05, 0x00, 0x0A}));
    EXPECT_EQ(d.Handle(f).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory()[2][17], 5);
    EXPECT_NE(d.Memory()[2][5], 5) << "index' alone is not the slot";
    d.Handle(BuildValueFrame(CmdWrite, 0x0224, 77));  // index 36, group 2, index' 12
    EXPECT_EQ(d.Memory()[2][36], 77);
}

TEST(SimDeviceWrites, BandFrameFillsTheBandsFiveSlots) {
    SimDevice d;
    const Bytes f = {0xFC, 0xBA, 0x10, 0xA7, 0x01, 0x04, 0x02, 0x00, 0x01, 0x00, 0x64,
                     0x00, 0x78, 0x00, 0x10, 0x00, 0x0A, 0x00, 0x1B};
    EXPECT_EQ(d.Handle(f).kind, AnswerKind::Ack);
    const int first = 6 + 5 * 2;
    EXPECT_EQ(d.Memory()[1][first], 1);
    EXPECT_EQ(d.Memory()[1][first + 1], 100);
    EXPECT_EQ(d.Memory()[1][first + 2], 120);
    EXPECT_EQ(d.Memory()[1][first + 3], 16);
    EXPECT_EQ(d.Memory()[1][first + 4], 10);

    // The dynamic-EQ band frame (an ordinary 12-byte payload on id 0x0200) uses 12 per band.
    Model model;
    for (int k = 0; k < 5; ++k) model.ParamImage[2][2 + 12 * 1 + k] = 40 + k;
    EXPECT_EQ(d.Handle(BuildBandFrame(model, 0x0200, 1)).kind, AnswerKind::Ack);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(d.Memory()[2][14 + k], 40 + k);
}

TEST(SimDeviceWrites, BandNumberOutsideThePageChangesNothing) {
    SimDevice d;
    const auto before = d.Memory();
    Model model;
    EXPECT_EQ(d.Handle(BuildBandFrame(model, 0x0920, 200)).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory(), before);
}

TEST(SimDeviceReads, PageReplyCarriesThePageBlockOfWords) {
    SimDevice d;
    d.Memory()[3][6] = 1;
    d.Memory()[3][7] = 2;
    for (int page = 0; page < 10; ++page) {
        const auto a = d.Handle(BuildPageReadRequest(page));
        ASSERT_EQ(a.kind, AnswerKind::Reply);
        const Bytes& f = a.bytes;
        EXPECT_TRUE(FrameChecksumOk(f));
        EXPECT_EQ(f[3], CmdWrite);
        EXPECT_EQ(f[4], page);
        EXPECT_EQ(f[5], 0);
        EXPECT_EQ(static_cast<int>(f.size()), 7 + 2 * PageBlockWords(page)) << "page " << page;
    }
    const Bytes p3 = d.Handle(BuildPageReadRequest(3)).bytes;
    EXPECT_EQ(p3[6 + 12], 1);
    EXPECT_EQ(p3[6 + 14], 2);
    // Page 0 carries both mode copies: 106 words.
    EXPECT_EQ(d.Handle(BuildPageReadRequest(0)).bytes.size(), 7u + 2 * 106);
}

TEST(SimDeviceReads, ItemModeNamePasswordAndIdentityReplies) {
    SimDevice d;
    d.Memory()[10][7] = 0x1234;
    auto a = d.Handle(BuildItemReadRequest(0x0A07));
    ASSERT_EQ(a.kind, AnswerKind::Reply);
    EXPECT_EQ(a.bytes, BuildValueFrame(CmdWrite, 0x0A07, 0x1234));

    d.SetModeName(2, "Stage");
    a = d.Handle(BuildModeNameRequest(2));
    ASSERT_EQ(a.kind, AnswerKind::Reply);
    EXPECT_EQ(a.bytes[5], 0) << "mode names come back on page 10 index 0";
    EXPECT_EQ(Payload(a.bytes), (Bytes{'S' - 32, 't' - 32, 'a' - 32, 'g' - 32, 'e' - 32}));

    a = d.Handle(BuildItemReadRequest(IdSystemPassword));
    EXPECT_EQ(Payload(a.bytes), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(a.bytes[5], 4);
    a = d.Handle(BuildItemReadRequest(IdPanelPassword));
    EXPECT_EQ(Payload(a.bytes), (Bytes{1, 2, 3, 4}));

    d.SetIdentity({0xDE, 0xAD, 0x01, 0x02});
    a = d.Handle(BuildItemReadRequest(IdDeviceIdentity));
    EXPECT_EQ(a.bytes[5], 64);
    EXPECT_EQ(Payload(a.bytes), (Bytes{0xDE, 0xAD, 0x01, 0x02}));

    // The system items the read asks for one by one all answer with one frame.
    for (ParamId id : {0x0A01, 0x0A02, 0x0A03, 0x0A06, 0x0A0C, 0x0A0D, 0x0A0E, 0x0A11, 0x0A20,
                       0x0A21, 0x0A22}) {
        a = d.Handle(BuildItemReadRequest(id));
        EXPECT_EQ(a.kind, AnswerKind::Reply) << std::hex << id;
        EXPECT_EQ(a.bytes.size(), 9u) << std::hex << id;
    }
}

TEST(SimDeviceSystem, SaveAndRecallStoredModes) {
    SimDevice d;
    d.Handle(BuildValueFrame(CmdWrite, 0x0614, 200));
    const Bytes save = BuildSaveMode(4, "ABC");
    EXPECT_EQ(d.Handle(save).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Mode(4).name, "ABC");
    EXPECT_EQ(d.Mode(4).memory[6][20], 200);
    EXPECT_EQ(d.Memory()[10][SysIndexCurrentMode], 4);

    d.Handle(BuildValueFrame(CmdWrite, 0x0614, 10));
    EXPECT_EQ(d.Handle(BuildValueFrame(CmdWrite, IdRecallMode, 0)).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory()[6][20], 362) << "mode 0 still holds the factory setting";
    d.Handle(BuildValueFrame(CmdWrite, IdRecallMode, 4));
    EXPECT_EQ(d.Memory()[6][20], 200);
    EXPECT_EQ(d.Memory()[10][SysIndexCurrentMode], 4);

    // A mode number past the ninth is acknowledged and ignored.
    const auto before = d.Memory();
    EXPECT_EQ(d.Handle(BuildValueFrame(CmdWrite, IdRecallMode, 9)).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Handle(BuildSaveMode(12, "X")).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory(), before);
}

TEST(SimDeviceSystem, PasswordsUploadBlocksClosingWordAndLinkCommands) {
    SimDevice d;
    EXPECT_EQ(d.Handle(BuildPasswordFrame(IdSystemPassword, "654321")).kind, AnswerKind::Ack);
    EXPECT_EQ(d.SystemPassword(), "654321");
    EXPECT_EQ(d.Handle(BuildPasswordFrame(IdPanelPassword, "9876")).kind, AnswerKind::Ack);
    EXPECT_EQ(d.PanelPassword(), "9876");

    Model model;
    for (int s = 0; s < PageBlockWords(6); ++s) model.DeviceImage[6][s] = 1000 + s;
    EXPECT_EQ(d.Handle(BuildPageBlock(model, 6)).kind, AnswerKind::Ack);
    for (int s = 0; s < PageBlockWords(6); ++s) ASSERT_EQ(d.Memory()[6][s], 1000 + s);

    EXPECT_EQ(d.Handle(BuildValueFrame(CmdWrite, 0x0A06, 33)).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory()[10][6], 33);
    // The closing word of an upload is a read command carrying a value: acknowledged.
    const auto close = d.Handle(BuildValueFrame(CmdRead, IdRemote, 1));
    EXPECT_EQ(close.kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory()[10][17], 1);
    for (auto code : {LinkConnect, LinkKeepAlive, LinkDisconnect})
        EXPECT_EQ(d.Handle(BuildLinkCommand(code)).bytes, AckBytes);
}

TEST(SimDeviceSystem, OptionsValidateTheirInput) {
    SimDevice d;
    EXPECT_FALSE(d.SetSystemPassword("12a456"));
    EXPECT_FALSE(d.SetPanelPassword(""));
    EXPECT_EQ(d.SystemPassword(), "123456");
    d.SetModeName(0, "A name that is much longer than twenty");
    EXPECT_EQ(d.Mode(0).name.size(), 20u);
    d.SetModeName(1, "tab\there");
    EXPECT_EQ(d.Mode(1).name, "tab?here");
    d.SetModeName(9, "nowhere");  // ignored
    d.SetPanelLock(true);
    EXPECT_EQ(d.Memory()[10][SysIndexPanelLock], 1);
}

TEST(SimDeviceRobustness, MalformedFramesAreIgnoredWithoutHarm) {
    SimDevice d;
    EXPECT_EQ(d.Handle(Bytes{}).kind, AnswerKind::None);
    EXPECT_EQ(d.Handle(Bytes{0xFC, 0xBA, 0x06, 0xA7}).kind, AnswerKind::None);
    Bytes wrongLength = BuildValueFrame(CmdWrite, 0x0103, 1);
    wrongLength[2] = 0x20;
    EXPECT_EQ(d.Handle(wrongLength).kind, AnswerKind::None);
    // A run of words that would pass the page's end stops at slot 144.
    Bytes run(2 * 40, 0x11);
    EXPECT_EQ(d.Handle(BuildFrame(CmdWrite, MakeId(4, 130), run)).kind, AnswerKind::Ack);
    EXPECT_EQ(d.Memory()[4][144], 0x1111);
    // Unknown pages are acknowledged so the sender is not held up.
    EXPECT_EQ(d.Handle(BuildValueFrame(CmdWrite, 0x0C01, 5)).kind, AnswerKind::Ack);
    // Reads of slots beyond the memory answer zero.
    const auto far = d.Handle(BuildItemReadRequest(0x0AFF));
    EXPECT_EQ(far.kind, AnswerKind::Reply);
    EXPECT_EQ(far.bytes[6], 0);
}

}  // namespace
}  // namespace kdsp
