// Answers as writes: timing, and every fault the simulator can inject.
#include "simdevice/sim_connection.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

const Bytes AckFrame = {0xFE, 0xBB};

Bytes Joined(const std::vector<Bytes>& writes) {
    Bytes out;
    for (const auto& w : writes) out.insert(out.end(), w.begin(), w.end());
    return out;
}

struct Rig {
    explicit Rig(FaultOptions o = {}) : faults(o), session(device, faults) {}
    SimDevice device;
    FaultState faults;
    SimConnection session;
};

TEST(SimConnection, AnswersLeaveAtOnceWithoutFaults) {
    Rig r;
    Bytes in = BuildLinkCommand(LinkConnect);
    const Bytes req = BuildPageReadRequest(0);
    in.insert(in.end(), req.begin(), req.end());
    r.session.Receive(in, 100);
    const auto out = r.session.TakeDue(100);
    ASSERT_EQ(out.size(), 2u) << "one write per answer";
    EXPECT_EQ(out[0], AckFrame);
    EXPECT_EQ(out[1].size(), 7u + 2 * 106);
    EXPECT_FALSE(r.session.NextDueMs());
    EXPECT_EQ(r.session.FramesReceived(), 2u);
}

TEST(SimConnection, BadChecksumIsNotAnswered) {
    Rig r;
    Bytes f = BuildPageReadRequest(1);
    f.back() ^= 0x10;
    r.session.Receive(f, 0);
    EXPECT_TRUE(r.session.TakeDue(0).empty());
}

TEST(SimConnection, DelayHoldsEveryAnswer) {
    FaultOptions o;
    o.delayMs = 50;
    Rig r(o);
    r.session.Receive(BuildLinkCommand(LinkKeepAlive), 10);
    EXPECT_TRUE(r.session.TakeDue(59).empty());
    ASSERT_TRUE(r.session.NextDueMs());
    EXPECT_EQ(*r.session.NextDueMs(), 60);
    EXPECT_EQ(r.session.TakeDue(60), std::vector<Bytes>{AckFrame});
}

TEST(SimConnection, ALineBaudPacesBothDirectionsLikeASerialLine) {
    Rig r;
    r.session.SetLineBaud(57600);  // 10 bits a byte: 0.1736 ms
    // Two 9-byte requests written at once take 3.1 ms to arrive; each page reply
    // (219 and 173 bytes) is out once the line has carried it, one after the other.
    Bytes in = BuildPageReadRequest(0);
    const Bytes second = BuildPageReadRequest(1);
    in.insert(in.end(), second.begin(), second.end());
    r.session.Receive(in, 100);
    ASSERT_TRUE(r.session.NextDueMs());
    EXPECT_EQ(*r.session.NextDueMs(), 143) << "after 103.1 ms, 219 bytes of line time";
    EXPECT_TRUE(r.session.TakeDue(142).empty());
    EXPECT_EQ(r.session.TakeDue(143).size(), 1u);
    EXPECT_EQ(*r.session.NextDueMs(), 173) << "the second reply queues behind the first";
}

TEST(SimConnection, SplitSendsEachFrameAsTwoWritesThatJoinUp) {
    FaultOptions o;
    o.split = true;
    o.seed = 7;
    Rig r(o);
    const Bytes expected = r.device.Handle(BuildPageReadRequest(4)).bytes;
    r.session.Receive(BuildPageReadRequest(4), 0);
    auto first = r.session.TakeDue(0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_LT(first[0].size(), expected.size());
    EXPECT_TRUE(r.session.TakeDue(o.splitGapMs - 1).empty());
    auto second = r.session.TakeDue(o.splitGapMs);
    ASSERT_EQ(second.size(), 1u);
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(Joined(first), expected);
}

TEST(SimConnection, MergeJoinsAnAcknowledgementWithTheNextAnswer) {
    FaultOptions o;
    o.merge = true;
    Rig r(o);
    r.session.Receive(BuildLinkCommand(LinkConnect), 0);
    EXPECT_TRUE(r.session.TakeDue(0).empty()) << "the ack waits for company";
    r.session.Receive(BuildItemReadRequest(IdDeviceIdentity), 5);
    const auto out = r.session.TakeDue(5);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].size(), 2u + 11u);
    EXPECT_EQ(out[0][0], 0xFE);
    EXPECT_EQ(out[0][2], 0xFC);

    // An acknowledgement with nothing behind it still leaves after the window.
    r.session.Receive(BuildLinkCommand(LinkKeepAlive), 100);
    EXPECT_TRUE(r.session.TakeDue(100 + o.mergeWindowMs - 1).empty());
    EXPECT_EQ(r.session.TakeDue(100 + o.mergeWindowMs), std::vector<Bytes>{AckFrame});
}

TEST(SimConnection, DropFirstRepliesThenAnswer) {
    FaultOptions o;
    o.dropFirstReplies = 2;
    Rig r(o);
    for (int i = 0; i < 2; ++i) {
        r.session.Receive(BuildPageReadRequest(0), i);
        EXPECT_TRUE(r.session.TakeDue(i).empty()) << "reply " << i << " dropped";
    }
    r.session.Receive(BuildLinkCommand(LinkConnect), 3);
    EXPECT_EQ(r.session.TakeDue(3), std::vector<Bytes>{AckFrame}) << "acks are not replies";
    r.session.Receive(BuildPageReadRequest(0), 4);
    EXPECT_EQ(r.session.TakeDue(4).size(), 1u);
}

TEST(SimConnection, SharesOfDropsFollowTheSeed) {
    auto run = [](std::uint64_t seed) {
        FaultOptions o;
        o.dropAcks = 0.5;
        o.seed = seed;
        Rig r(o);
        std::string pattern;
        for (int i = 0; i < 40; ++i) {
            r.session.Receive(BuildLinkCommand(LinkKeepAlive), i);
            pattern += r.session.TakeDue(i).empty() ? '-' : 'A';
        }
        return pattern;
    };
    const std::string a = run(11);
    EXPECT_EQ(a, run(11)) << "same seed, same faults";
    EXPECT_NE(a.find('-'), std::string::npos);
    EXPECT_NE(a.find('A'), std::string::npos);
}

TEST(SimConnection, CorruptBreaksTheChecksumOfReplies) {
    FaultOptions o;
    o.corrupt = 1.0;
    Rig r(o);
    r.session.Receive(BuildPageReadRequest(2), 0);
    const auto out = r.session.TakeDue(0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(FrameChecksumOk(out[0]));
    r.session.Receive(BuildLinkCommand(LinkKeepAlive), 1);
    EXPECT_EQ(r.session.TakeDue(1), std::vector<Bytes>{AckFrame}) << "acks have no checksum";
}

TEST(SimConnection, SilentAfterCountsFramesOverEverySession) {
    FaultOptions o;
    o.silentAfter = 3;
    SimDevice device;
    FaultState faults(o);
    SimConnection a(device, faults), b(device, faults);
    a.Receive(BuildLinkCommand(LinkConnect), 0);
    a.Receive(BuildLinkCommand(LinkConnect), 0);
    EXPECT_EQ(a.TakeDue(0).size(), 2u);
    b.Receive(BuildLinkCommand(LinkConnect), 1);
    EXPECT_EQ(b.TakeDue(1).size(), 1u);
    b.Receive(BuildLinkCommand(LinkConnect), 2);
    b.Receive(BuildPageReadRequest(0), 2);
    EXPECT_TRUE(b.TakeDue(2).empty()) << "silent from the fourth frame on";
    EXPECT_TRUE(faults.Silent());
}

TEST(SimConnection, ResetDropsHalfFramesAndUnsentAnswers) {
    FaultOptions o;
    o.delayMs = 10;
    Rig r(o);
    r.session.Receive(BuildLinkCommand(LinkConnect), 0);
    const Bytes half = BuildPageReadRequest(0);
    r.session.Receive(std::span(half).first(5), 0);
    r.session.Reset();
    EXPECT_FALSE(r.session.NextDueMs());
    r.session.Receive(BuildLinkCommand(LinkConnect), 20);
    EXPECT_EQ(r.session.TakeDue(30), std::vector<Bytes>{AckFrame});
}

}  // namespace
}  // namespace kdsp
