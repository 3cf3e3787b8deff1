// The processor's frame splitting: pieces, runs of frames, noise and damaged frames.
#include "simdevice/frame_splitter.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(FrameSplitter, FrameArrivingByteByByteCompletesOnItsLastByte) {
    const Bytes frame = BuildValueFrame(CmdWrite, 0x0103, 300);
    FrameSplitter s;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i)
        EXPECT_TRUE(s.Push(std::span(&frame[i], 1)).empty()) << "byte " << i;
    const auto out = s.Push(std::span(&frame.back(), 1));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].valid);
    EXPECT_EQ(out[0].bytes, frame);
    EXPECT_EQ(s.Pending(), 0u);
}

TEST(FrameSplitter, SeveralFramesInOnePushAllComeOutInOrder) {
    const Bytes a = BuildLinkCommand(LinkConnect);
    const Bytes b = BuildPageReadRequest(0);
    const Bytes c = BuildItemReadRequest(IdDeviceIdentity);  // 7 bytes, no payload
    FrameSplitter s;
    const auto out = s.Push(Concat({a, b, c}));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].bytes, a);
    EXPECT_EQ(out[1].bytes, b);
    EXPECT_EQ(out[2].bytes, c);
}

TEST(FrameSplitter, NoiseAndBadHeadersAreSkipped) {
    const Bytes good = BuildPageReadRequest(3);
    // Junk, a start byte with the wrong key, a length below 4, a wrong command.
    const Bytes junk = {0x00, 0x11, 0xFC, 0x00, 0x06, 0xA7, 0xFC, 0xBA, 0x02, 0xA7,
                        0xFC, 0xBA, 0x06, 0x55};
    FrameSplitter s;
    const auto out = s.Push(Concat({junk, good}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, good);
    EXPECT_EQ(s.DroppedBytes(), junk.size());
}

TEST(FrameSplitter, CorruptedLengthDoesNotSwallowTheFramesBehind) {
    Bytes bad = BuildValueFrame(CmdWrite, 0x0103, 300);
    bad[2] = 0xF0;  // announces a long body that never comes
    const Bytes next = BuildLinkCommand(LinkKeepAlive);
    FrameSplitter s;
    auto out = s.Push(Concat({bad, next}));
    EXPECT_TRUE(out.empty()) << "still waiting for the announced length";
    // Once enough bytes have arrived to reject the long frame, hunting resumes
    // after its start byte and finds the frame that was inside the wait.
    Bytes filler(0xF0 + 3, 0x00);
    out = s.Push(filler);
    ASSERT_GE(out.size(), 2u);
    EXPECT_FALSE(out[0].valid);
    bool found = false;
    for (const auto& f : out) found = found || (f.valid && f.bytes == next);
    EXPECT_TRUE(found) << "the keep-alive behind the damaged frame must survive";
}

TEST(FrameSplitter, BadChecksumIsReportedAndTheNextFrameStillFound) {
    Bytes bad = BuildValueFrame(CmdWrite, 0x0614, 362);
    bad.back() ^= 1;
    const Bytes good = BuildValueFrame(CmdWrite, 0x0614, 100);
    FrameSplitter s;
    const auto out = s.Push(Concat({bad, good}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_FALSE(out[0].valid);
    EXPECT_TRUE(out[1].valid);
    EXPECT_EQ(out[1].bytes, good);
}

TEST(FrameSplitter, ResetForgetsAHalfFrame) {
    const Bytes frame = BuildPageReadRequest(1);
    FrameSplitter s;
    s.Push(std::span(frame).first(4));
    s.Reset();
    EXPECT_EQ(s.Pending(), 0u);
    const auto out = s.Push(frame);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, frame);
}

}  // namespace
}  // namespace kdsp
