// The receive assembler and ApplyFrame: resynchronisation, chunkings, the
// page-10 rules and the texts the processor reports.
#include "core/protocol/receiver.h"

#include <gtest/gtest.h>

#include "core/protocol/frames.h"

namespace kdsp {
namespace {

const Bytes Reply = {0xFC, 0xBA, 0x08, 0xA7, 0x03, 0x06, 0x01, 0x00, 0x02, 0x00, 0x15};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Words(std::initializer_list<std::uint16_t> words) {
    Bytes out;
    for (auto w : words) {
        out.push_back(w & 0xFF);
        out.push_back(w >> 8);
    }
    return out;
}

struct Rx {
    Model model;
    LinkSignals signals;
    RxAssembler rx;
    void Feed(const Bytes& b, int modeNameIndex = 0) { rx.Feed(b, model, signals, modeNameIndex); }
};

TEST(Receiver, AckAfterNoise) {
    Rx r;
    r.Feed({0x00, 0xFE, 0xBB});
    EXPECT_EQ(r.signals.DeviceFound, 1);
    EXPECT_EQ(r.signals.ClearToSend, 1);
    EXPECT_EQ(r.signals.TransferState, TransferAcked);
    r.signals = {};
    r.Feed({0xFE, 0xAA});
    EXPECT_EQ(r.signals.ClearToSend, 1) << "FE AA acknowledges too";
    r.signals = {};
    r.Feed({0xFE, 0x12, 0xBB});
    EXPECT_EQ(r.signals.ClearToSend, 0) << "a bad ack drops both bytes, the BB is noise";
}

TEST(Receiver, WorkedReplyStoresTwoWords) {
    Rx r;
    r.Feed(Reply);
    EXPECT_EQ(r.model.DeviceImage[3][6], 1);
    EXPECT_EQ(r.model.DeviceImage[3][7], 2);
    EXPECT_EQ(r.signals.TransferState, TransferFrameReceived);
    EXPECT_EQ(r.signals.ClearToSend, 0) << "a data frame is no acknowledgement";
    EXPECT_EQ(r.rx.PendingBytes(), 0u);
    const auto lines = r.rx.TakeDiagnostics();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "缓存长度K:C:L=11 11 7");
    EXPECT_TRUE(r.rx.TakeDiagnostics().empty());
}

TEST(Receiver, BadChecksumChangesNothingButCountsAsReceived) {
    Rx r;
    Bytes bad = Reply;
    bad.back() ^= 0x40;
    const Model before = r.model;
    r.Feed(bad);
    EXPECT_EQ(r.model.DeviceImage, before.DeviceImage);
    EXPECT_EQ(r.signals.TransferState, TransferFrameReceived);
    EXPECT_EQ(r.rx.FramesDropped(), 1u);
}

TEST(Receiver, BadHeaderDropsFourBytes) {
    Rx r;
    // FC 00 is no header; the four bytes go, hunting resumes at the fifth.
    r.Feed({0xFC, 0x00, 0x11, 0x22, 0xFE, 0xBB});
    EXPECT_EQ(r.signals.ClearToSend, 1);
    EXPECT_EQ(r.signals.TransferState, TransferAcked) << "a bad header is not a received frame";
    Rx s;
    // An ack inside the four dropped bytes is lost with them.
    s.Feed({0xFC, 0x00, 0xFE, 0xBB, 0x00});
    EXPECT_EQ(s.signals.ClearToSend, 0);
    Rx t;
    // A command other than A7/A0 is a bad header too.
    t.Feed(Cat({{0xFC, 0xBA, 0x08, 0xA5}, Reply}));
    EXPECT_EQ(t.model.DeviceImage[3][7], 2);
}

TEST(Receiver, LengthBelowFourIsNoFrame) {
    for (std::uint8_t length = 0; length < 4; ++length) {
        Rx r;
        r.Feed(Cat({{0xFC, 0xBA, length, 0xA7}, Reply}));
        EXPECT_EQ(r.model.DeviceImage[3][7], 2) << "length " << int(length);
        EXPECT_EQ(r.rx.PendingBytes(), 0u) << "length " << int(length);
    }
}

TEST(Receiver, CorruptedLengthDoesNotSwallowFollowingFrames) {
    Rx r;
    Bytes corrupted = Reply;
    corrupted[2] = 0x30;  // claims 51 bytes
    const Bytes second = BuildFrame(CmdWrite, 0x0100, Words({7, 8, 9}));
    const Bytes third = BuildFrame(CmdWrite, 0x0510, Words({11, 12, 13, 14, 15, 16}));
    Bytes stream = Cat({corrupted, second, third, second, third, {0xFE, 0xBB}});
    ASSERT_GE(stream.size(), 51u);
    r.Feed(stream);
    EXPECT_EQ(r.model.DeviceImage[3][6], 0) << "the corrupted frame is dropped";
    EXPECT_EQ(r.model.DeviceImage[1][2], 9);
    EXPECT_EQ(r.model.DeviceImage[5][0x15], 16);
    EXPECT_EQ(r.signals.ClearToSend, 1);
    EXPECT_EQ(r.rx.PendingBytes(), 0u);
}

TEST(Receiver, BytesInsideADamagedReplyNeitherAcknowledgeNorSwallowTheReplyBehindIt) {
    // A page reply damaged on the way whose payload holds FE BB and a phantom header
    // FC BA F0 A7 that claims far more bytes than follow.
    Bytes damaged = BuildFrame(CmdWrite, 0x0500, Bytes{0x01, 0xFE, 0xBB, 0xFC, 0xBA, 0xF0, 0xA7, 0x00});
    damaged.back() ^= 0x5A;
    const Bytes good = BuildFrame(CmdWrite, 0x0500, Words({41, 42, 43}));
    for (std::size_t cut = 0; cut <= damaged.size() + good.size(); ++cut) {
        const Bytes stream = Cat({damaged, good});
        Rx r;
        r.Feed(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)));
        if (cut >= damaged.size() && cut < stream.size()) {
            EXPECT_EQ(r.signals.TransferState, TransferFrameReceived)
                << "split at " << cut << ": the acknowledgement inside must not undo the damaged frame";
            EXPECT_EQ(r.signals.DamagedFrame, 1) << "split at " << cut;
        }
        r.Feed(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end()));
        EXPECT_EQ(r.model.DeviceImage[5][2], 43) << "split at " << cut << ": the good reply behind it";
        EXPECT_EQ(r.signals.DamagedFrame, 0) << "split at " << cut;
        EXPECT_EQ(r.rx.PendingBytes(), 0u) << "split at " << cut;
    }
    // Outside a damaged frame a long frame still waits for its bytes.
    Rx w;
    w.Feed(Cat({{0xFC, 0xBA, 0xF0, 0xA7}, good}));
    EXPECT_EQ(w.model.DeviceImage[5][2], 0);
}

TEST(Receiver, EveryChunkingGivesTheSameResult) {
    const Bytes ack = {0xFE, 0xBB};
    const Bytes name = BuildFrame(CmdWrite, IdModeName, Bytes{0x21, 0x22, 0x23});
    const Bytes stream = Cat({{0x00, 0x17}, ack, Reply, name, ack,
                              BuildFrame(CmdRead, 0x0900, Words({1, 2, 3, 4, 5}))});
    Rx whole;
    whole.Feed(stream, 3);
    ASSERT_EQ(whole.model.ModeNames[2], "ABC");
    ASSERT_EQ(whole.model.DeviceImage[9][4], 5);
    // Two pieces at every split point, and one byte at a time.
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        Rx r;
        r.Feed(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)), 3);
        r.Feed(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end()), 3);
        EXPECT_EQ(r.model.DeviceImage, whole.model.DeviceImage) << "split at " << cut;
        EXPECT_EQ(r.model.ModeNames, whole.model.ModeNames) << "split at " << cut;
        EXPECT_EQ(r.rx.FramesApplied(), 5u) << "split at " << cut;
    }
    Rx bytewise;
    for (std::uint8_t b : stream) bytewise.Feed({b}, 3);
    EXPECT_EQ(bytewise.model.DeviceImage, whole.model.DeviceImage);
    EXPECT_EQ(bytewise.rx.FramesApplied(), 5u);
}

TEST(Receiver, LongBodyAppliedOnlyWhenComplete) {
    // A page-6 reply of 116 words: 235 bytes follow the command byte.
    Bytes payload;
    for (int w = 0; w < 116; ++w) {
        payload.push_back(static_cast<std::uint8_t>(w));
        payload.push_back(1);
    }
    const Bytes frame = BuildFrame(CmdWrite, 0x0600, payload);
    ASSERT_EQ(frame.size() - 4, 235u);
    Rx r;
    std::size_t pos = 0;
    long now = 0;
    // Pieces that all come within the limit complete the frame.
    for (std::size_t piece : {1u, 3u, 50u, 100u, 80u}) {
        now += CutOffFrameLimitMs / 6;
        r.rx.Feed(Bytes(frame.begin() + static_cast<std::ptrdiff_t>(pos),
                        frame.begin() + static_cast<std::ptrdiff_t>(pos + piece)),
                  r.model, r.signals, FeedContext{0, true, now});
        pos += piece;
        EXPECT_EQ(r.model.DeviceImage[6][0], 0) << "nothing before the last byte";
        EXPECT_EQ(r.signals.TransferState, TransferIdle);
    }
    r.rx.Feed(Bytes(frame.begin() + static_cast<std::ptrdiff_t>(pos), frame.end()), r.model, r.signals,
              FeedContext{0, true, now + CutOffFrameLimitMs / 6});
    EXPECT_EQ(r.model.DeviceImage[6][0], 256);
    EXPECT_EQ(r.model.DeviceImage[6][115], 256 + 115);
    EXPECT_EQ(r.signals.TransferState, TransferFrameReceived);
}

TEST(Receiver, AFrameCutOffIsGivenUpInTimeAndTheAcknowledgementBehindItCounts) {
    // The processor stops ten bytes into a page-6 reply that announces 255 bytes.
    const Bytes cutOff = Cat({{0xFC, 0xBA, 0xFF, 0xA7, 0x06, 0x00}, Bytes(10, 0x11)});
    Rx r;
    r.rx.Feed(cutOff, r.model, r.signals, FeedContext{0, true, 1000});
    r.rx.Feed(Bytes{0xFE, 0xBB}, r.model, r.signals, FeedContext{0, true, 1200});
    EXPECT_EQ(r.signals.ClearToSend, 0) << "taken for bytes of the frame while it may still come";
    EXPECT_FALSE(r.rx.GiveUpCutOff(r.model, r.signals, FeedContext{0, true, 1000 + CutOffFrameLimitMs - 1}));
    EXPECT_TRUE(r.rx.GiveUpCutOff(r.model, r.signals, FeedContext{0, true, 1000 + CutOffFrameLimitMs}));
    EXPECT_EQ(r.signals.ClearToSend, 1) << "the acknowledgement that came after it";
    EXPECT_EQ(r.rx.PendingBytes(), 0u);
    EXPECT_EQ(r.model.DeviceImage[6], Model{}.DeviceImage[6]);
    // Bytes arriving after the limit do not complete a frame given up for lost.
    const Bytes whole = BuildFrame(CmdWrite, 0x0600, Bytes(251, 0x11));
    ASSERT_EQ(whole[2], 0xFF);
    Rx late;
    late.rx.Feed(Bytes(whole.begin(), whole.begin() + 16), late.model, late.signals, FeedContext{0, true, 0});
    late.rx.Feed(Cat({Bytes(whole.begin() + 16, whole.end()), Reply}), late.model, late.signals,
                 FeedContext{0, true, CutOffFrameLimitMs});
    EXPECT_EQ(late.model.DeviceImage[6][0], 0);
    EXPECT_EQ(late.model.DeviceImage[3][7], 2) << "hunting resumed and found the reply behind";
}

TEST(Receiver, RunPastSlot144KeepsTheInRangePart) {
    Rx r;
    const Model before = r.model;
    r.Feed(BuildFrame(CmdWrite, 0x038F, Words({10, 11, 12, 13})));  // slots 143..146
    EXPECT_EQ(r.model.DeviceImage[3][143], 10);
    EXPECT_EQ(r.model.DeviceImage[3][144], 11);
    Model expected = before;
    expected.DeviceImage[3][143] = 10;
    expected.DeviceImage[3][144] = 11;
    EXPECT_EQ(r.model.DeviceImage, expected.DeviceImage) << "nothing spills into page 4";
    // The highest index the address byte can give.
    r.Feed(BuildFrame(CmdWrite, 0x09FF, Words({1, 2})));
    EXPECT_EQ(r.model.DeviceImage, expected.DeviceImage);
}

TEST(Receiver, OddPayloadByteIsIgnored) {
    Rx r;
    r.Feed(BuildFrame(CmdWrite, 0x0000, Bytes{1, 0, 2}));
    EXPECT_EQ(r.model.DeviceImage[0][0], 1);
    EXPECT_EQ(r.model.DeviceImage[0][1], 0);
}

TEST(Receiver, SystemPageWords) {
    Rx r;
    r.Feed(BuildFrame(CmdWrite, 0x0A06, Words({5, 6, 7, 8})));
    EXPECT_EQ(r.model.DeviceImage[10][6], 5);
    EXPECT_EQ(r.model.DeviceImage[10][7], 0) << "one word only on the system page";
    r.Feed(BuildFrame(CmdWrite, 0x0A2F, Words({47})));
    EXPECT_EQ(r.model.DeviceImage[10][47], 47);
    const Model before = r.model;
    for (ParamId id : {0x0A0F, 0x0A10, 0x0A30, 0x0A31, 0x0A3F, 0x0A41, 0x0AFF, 0x0B06, 0xFF06})
        r.Feed(BuildFrame(CmdWrite, id, Words({99})));
    EXPECT_EQ(r.model.DeviceImage, before.DeviceImage);
    // A payload too short for a word stores nothing.
    r.Feed(BuildFrame(CmdWrite, 0x0A07, Bytes{9}));
    r.Feed(BuildFrame(CmdWrite, 0x0A07, Bytes{}));
    EXPECT_EQ(r.model.DeviceImage, before.DeviceImage);
}

TEST(Receiver, ModeNames) {
    Rx r;
    Bytes name22(22, 0);
    for (int i = 0; i < 22; ++i) name22[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x21 + i);
    r.Feed(BuildFrame(CmdWrite, IdModeName, name22), 1);
    EXPECT_EQ(r.model.ModeNames[0], "ABCDEFGHIJKLMNOPQRST");

    Bytes name21(21, 0x10);
    r.Feed(BuildFrame(CmdWrite, IdModeName, name21), 2);
    EXPECT_EQ(r.model.ModeNames[1], "") << "21 characters are never stored";

    // Padding zeros decode to spaces; bytes from 96 on become '?'.
    r.Feed(BuildFrame(CmdWrite, IdModeName, Bytes{0x2D, 0x5E, 0x5F, 0x60, 0xFF, 0x00}), 9);
    EXPECT_EQ(r.model.ModeNames[8], "M~\x7F?? ");

    // No outstanding request, or one beyond the table: nothing is written.
    const auto names = r.model.ModeNames;
    r.Feed(BuildFrame(CmdWrite, IdModeName, Bytes{0x21}), 0);
    r.Feed(BuildFrame(CmdWrite, IdModeName, Bytes{0x21}), -1);
    r.Feed(BuildFrame(CmdWrite, IdModeName, Bytes{0x21}), ModeNameCount + 1);
    EXPECT_EQ(r.model.ModeNames, names);
    EXPECT_EQ(r.signals.TransferState, TransferFrameReceived);
}

TEST(Receiver, Passwords) {
    Rx r;
    r.Feed(BuildFrame(CmdWrite, IdSystemPassword, Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(r.model.SystemPassword, "123456");
    r.Feed(BuildFrame(CmdWrite, IdPanelPassword, Bytes{9, 0, 1, 2}));
    EXPECT_EQ(r.model.PanelPassword, "9012");
    r.Feed(BuildFrame(CmdWrite, IdSystemPassword, Bytes{10, 0, 12, 255}));
    EXPECT_EQ(r.model.SystemPassword, "10012255");
    r.Feed(BuildFrame(CmdWrite, IdPanelPassword, Bytes{10, 3, 255, 9}));
    EXPECT_EQ(r.model.PanelPassword, "0309");
}

TEST(Receiver, DeviceIdentity) {
    Rx r;
    r.Feed(BuildFrame(CmdWrite, IdDeviceIdentity, Bytes{0x12, 0xAB, 0x0C, 0xFF, 0x77}));
    EXPECT_EQ(r.model.DeviceIdentity, "12AB0CFF");
    r.Feed(BuildFrame(CmdRead, IdDeviceIdentity, Bytes{0x01, 0x02, 0x03}));
    EXPECT_EQ(r.model.DeviceIdentity, "12AB0CFF") << "three bytes are no identity";
}

TEST(Receiver, ResetDropsAHalfFrame) {
    Rx r;
    r.Feed(Bytes(Reply.begin(), Reply.begin() + 5));
    EXPECT_EQ(r.rx.PendingBytes(), 5u);
    r.rx.Reset();
    r.Feed(Bytes(Reply.begin() + 5, Reply.end()));
    EXPECT_EQ(r.model.DeviceImage[3][7], 0);
    r.Feed(Reply);
    EXPECT_EQ(r.model.DeviceImage[3][7], 2);
}

TEST(ApplyFrame, ShortOrMismatchedFramesReadNothingBeyond) {
    Model m;
    LinkSignals s;
    const Model before = m;
    // Every prefix of the reply: never applied, never counted as received.
    for (std::size_t n = 0; n < Reply.size(); ++n) {
        const FrameKind k = ApplyFrame(std::span(Reply).first(n), m, s, 0);
        EXPECT_EQ(k, FrameKind::Incomplete) << n;
    }
    EXPECT_EQ(s.TransferState, TransferIdle);
    Bytes longer = Cat({Reply, {0x00}});
    EXPECT_EQ(ApplyFrame(longer, m, s, 0), FrameKind::BadLength);
    EXPECT_EQ(m.DeviceImage, before.DeviceImage);
    EXPECT_EQ(ApplyFrame(Reply, m, s, 0), FrameKind::Data);
    EXPECT_EQ(m.DeviceImage[3][6], 1);
    EXPECT_EQ(ApplyFrame(Bytes{0xFE, 0xAA}, m, s, 0), FrameKind::Ack);
    EXPECT_EQ(s.TransferState, TransferFrameReceived) << "an acknowledgement does not undo a received frame";
    s.TransferState = TransferWaiting;
    EXPECT_EQ(ApplyFrame(Bytes{0xFE, 0xAA}, m, s, 0), FrameKind::Ack);
    EXPECT_EQ(s.TransferState, TransferAcked);
    EXPECT_EQ(ApplyFrame(Bytes{0xFE, 0xBC}, m, s, 0), FrameKind::BadAck);
    EXPECT_EQ(ApplyFrame(Bytes{0x01, 0xFE, 0xBB}, m, s, 0), FrameKind::Skipped);
}

TEST(SplitFrames, CutsLikeTheReceiver) {
    Bytes bad = Reply;
    bad.back() = 0x00;
    const Bytes stream =
        Cat({{0x00, 0x01}, {0xFE, 0xBB}, Reply, {0xFC, 0x00, 0x01, 0x02}, bad, {0xFC, 0xBA}});
    const auto pieces = SplitFrames(stream);
    std::vector<FrameKind> kinds;
    for (const auto& p : pieces) kinds.push_back(p.kind);
    // The bad frame is followed by its own bytes, re-hunted from after its start byte.
    const std::vector<FrameKind> expected = {
        FrameKind::Skipped,    FrameKind::Ack,     FrameKind::Data,
        FrameKind::BadHeader,  FrameKind::BadChecksum, FrameKind::Skipped,
        FrameKind::Incomplete};
    EXPECT_EQ(kinds, expected);
    ASSERT_EQ(pieces.size(), expected.size());
    EXPECT_EQ(pieces[2].bytes, Reply);
    EXPECT_EQ(pieces[4].bytes, bad);
    EXPECT_EQ(pieces[5].bytes.size(), bad.size() - 1);
    EXPECT_EQ(pieces[6].bytes, (Bytes{0xFC, 0xBA}));
    EXPECT_TRUE(SplitFrames({}).empty());
}

}  // namespace
}  // namespace kdsp
