// The worked frame examples, byte for byte.
#include "core/protocol/frames.h"

#include <gtest/gtest.h>

#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

std::string Hex(const Bytes& b) { return HexBytes(b); }

TEST(Frames, WorkedExamples) {
    EXPECT_EQ(Hex(BuildValueFrame(CmdWrite, 0x0103, 300)), "FC BA 06 A7 01 03 2C 01 6E");
    EXPECT_EQ(Hex(BuildLinkCommand(LinkConnect)), "FC BA 06 A7 0A 30 11 00 54");
    EXPECT_EQ(Hex(BuildLinkCommand(LinkKeepAlive)), "FC BA 06 A7 0A 30 66 00 F9");
    EXPECT_EQ(Hex(BuildLinkCommand(LinkDisconnect)), "FC BA 06 A7 0A 30 AA 00 3D");
    EXPECT_EQ(Hex(BuildPageReadRequest(3)), "FC BA 06 A0 0A 10 03 00 03");
    EXPECT_EQ(Hex(BuildValueFrame(CmdWrite, 0x0211, 5)), "FC BA 08 A7 02 05 01 00 05 00 0A");
    EXPECT_EQ(Hex(BuildItemReadRequest(IdDeviceIdentity)), "FC BA 04 A0 0A 40 5C");
    EXPECT_EQ(Hex(BuildModeNameRequest(2)), "FC BA 06 A0 0A 00 02 00 12");
    EXPECT_EQ(Hex(BuildValueFrame(CmdWrite, IdRecallMode, 4)), "FC BA 06 A7 0A 02 04 00 09");
    EXPECT_EQ(Hex(BuildValueFrame(CmdWrite, IdRecallMode, 3)), "FC BA 06 A7 0A 02 03 00 08");
}

TEST(Frames, MicrophoneBandFromParamImage) {
    Model m;
    const int values[5] = {1, 100, 120, 16, 10};
    for (int k = 0; k < 5; ++k) m.ParamImage[1][6 + 5 * 2 + k] = values[k];
    EXPECT_EQ(Hex(BuildBandFrame(m, BandFrameId(1), 2)),
              "FC BA 10 A7 01 04 02 00 01 00 64 00 78 00 10 00 0A 00 1B");
}

TEST(Frames, SaveModeAbc) {
    Bytes f = BuildSaveMode(0, "ABC");
    ASSERT_EQ(f.size(), 29u);
    EXPECT_EQ(Hex(f), "FC BA 1A A7 0A 01 00 00 21 22 23 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                      "00 00 00 00 AE");
    // A name longer than 20 characters is cut to 20.
    EXPECT_EQ(BuildSaveMode(1, std::string(30, 'x')).size(), 29u);
}

TEST(Frames, ReplyExampleChecksum) {
    const Bytes reply = {0xFC, 0xBA, 0x08, 0xA7, 0x03, 0x06, 0x01, 0x00, 0x02, 0x00, 0x15};
    EXPECT_TRUE(FrameChecksumOk(reply));
    Bytes other = reply;
    other[2] = 0x30;  // the length byte is not summed
    EXPECT_TRUE(FrameChecksumOk(other));
    other.back() ^= 1;
    EXPECT_FALSE(FrameChecksumOk(other));
}

TEST(Frames, EmptyPayloadChecksum) {
    const Bytes f = BuildItemReadRequest(0x0A07);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[2], 4);
    EXPECT_EQ(f[6], ((0xFC + CmdRead + 0x0A + 0x07) % 256) ^ 0xBA);
}

TEST(Frames, GroupedDynEqForm) {
    // Index 0 travels as index 0 of group 0; 12 is still group 0; 13 starts group 1.
    EXPECT_EQ(Hex(BuildValueFrame(CmdWrite, 0x0200, 1)).substr(0, 26), "FC BA 08 A7 02 00 00 00 01");
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x020C, 1)[5], 12);
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x020C, 1)[6], 0);
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x020D, 1)[5], 1);
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x020D, 1)[6], 1);
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x0224, 1)[5], 12);
    EXPECT_EQ(BuildValueFrame(CmdWrite, 0x0224, 1)[6], 2);
    // The band frame of page 2 is an ordinary data frame.
    Model m;
    EXPECT_EQ(BuildBandFrame(m, 0x0200, 1).size(), 19u);
}

TEST(Frames, PageBlockSizes) {
    Model m;
    const int words[10] = {106, 83, 37, 83, 41, 41, 116, 71, 71, 116};
    for (int p = 0; p < 10; ++p) {
        EXPECT_EQ(PageBlockWords(p), words[p]) << "page " << p;
        const Bytes f = BuildPageBlock(m, p);
        EXPECT_EQ(f.size(), std::size_t(2 * words[p] + 2 + 7));
        EXPECT_TRUE(FrameChecksumOk(f));
    }
    EXPECT_EQ(BuildPageBlock(m, 6)[2], 238);
    EXPECT_EQ(BuildPageBlock(m, 6).size(), 241u);
}

TEST(Frames, Passwords) {
    EXPECT_EQ(Hex(BuildPasswordFrame(IdSystemPassword, "123456")).substr(0, 35),
              "FC BA 0A A7 0A 04 01 02 03 04 05 06");
    EXPECT_EQ(BuildPasswordFrame(IdPanelPassword, "1234").size(), 11u);
}

TEST(Frames, NameEncoding) {
    EXPECT_EQ(EncodeNameChar(' '), 0);
    EXPECT_EQ(EncodeNameChar('~'), 94);
    EXPECT_EQ(EncodeNameChar('\x10'), static_cast<std::uint8_t>(0x10 - 32));
    EXPECT_EQ(DecodeNameByte(0), ' ');
    EXPECT_EQ(DecodeNameByte(95), '\x7f');
    EXPECT_EQ(DecodeNameByte(96), '?');
}

}  // namespace
}  // namespace kdsp
