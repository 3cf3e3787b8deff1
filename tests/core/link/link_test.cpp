// The link state machine driven with fakes and the manual clock: search, reads,
// retries and time-outs, uploads, disconnect, statuses and messages.
#include "core/link/link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <random>

#include "core/link/verified_upload.h"
#include "core/model/codecs.h"
#include "link_rig.h"

namespace kdsp::test {
namespace {

int CountFrames(const Rig& r, const Bytes& frame) { return CountFrames(r.transport.writes, frame); }

TEST(LinkRead, CompleteReadOverSerialSendsTheThirtyEightRequestsAndGoesOnline) {
    Rig r({"ttyFAKE0"});
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.host.statuses.back(), LinkStatus::Searching);
    EXPECT_TRUE(r.host.dialogVisible);
    EXPECT_EQ(r.host.progress.back(), 0);
    EXPECT_TRUE(r.timers.IsRunning(LinkTimer::Search));
    EXPECT_EQ(r.link.StepCount, 29);

    r.Advance(1000);  // first search tick: the only port gets the connect command
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, Hex("FC BA 06 A7 0A 30 11 00 54"));
    EXPECT_EQ(r.transport.writes[0].kind, TransportSerial);
    EXPECT_EQ(r.transport.openPort, "ttyFAKE0");
    EXPECT_EQ(r.host.statusPorts, std::vector<std::optional<std::string>>{"ttyFAKE0"});

    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    // Search tick 2 starts the read; one step per 100 ms tick after that.
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0], std::make_pair(2000L, static_cast<int>(EventLinking)));
    EXPECT_EQ(r.events[1], std::make_pair(2000L + 38 * 100, static_cast<int>(EventOnline)));

    std::vector<Bytes> sent = r.WrittenFrames();
    sent.erase(sent.begin());
    EXPECT_EQ(sent, ExpectedReadRequests());
    EXPECT_EQ(sent[3], Hex("FC BA 06 A0 0A 10 03 00 03")) << "page 3 request";
    EXPECT_EQ(sent[20], Hex("FC BA 06 A0 0A 00 02 00 12")) << "name of mode 2";
    EXPECT_EQ(sent[35], Hex("FC BA 04 A0 0A 40 5C")) << "device identity";

    // Every reply landed where the parser puts it, each name under its own mode.
    EXPECT_EQ(r.model.DeviceImage[3][7], 3007);
    EXPECT_EQ(r.model.DeviceImage[9][115], 9115);
    EXPECT_EQ(r.model.DeviceImage[10][0x0C], 10012);
    for (int m = 0; m < 9; ++m)
        EXPECT_EQ(r.model.ModeNames[static_cast<std::size_t>(m)], "Mode" + std::to_string(m + 1));
    EXPECT_EQ(r.model.DeviceIdentity, "1234ABCD");
    EXPECT_EQ(r.host.identities, std::vector<std::string>{"1234ABCD"});
    EXPECT_EQ(r.link.ModeNameIndex, 0) << "no name request outstanding after the read";

    // Online.
    EXPECT_EQ(r.link.LinkState, LinkOnline);
    EXPECT_EQ(r.model.ModeFlag, 1) << "taken from DeviceImage[0][1]";
    EXPECT_EQ(r.link.FreshLink, 1);
    EXPECT_EQ(r.host.refreshes, 1);
    EXPECT_EQ(r.host.mainWindowShown, 1);
    EXPECT_EQ(r.host.linkActive, std::optional<bool>(true));
    EXPECT_EQ(r.link.Status(), LinkStatus::Online);
    EXPECT_FALSE(r.host.dialogVisible);
    EXPECT_EQ(r.host.progress.back(), 100);
    EXPECT_TRUE(r.timers.IsRunning(LinkTimer::Hold));
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Transfer));
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Search));
    EXPECT_EQ(r.timers.timers[LinkTimer::Transfer].interval, TransferIntervalMs);
    EXPECT_TRUE(r.host.messages.empty());
}

TEST(LinkRead, OverTcpSendsConnectAndPageZeroBackToBackAtTheSlowerPace) {
    Rig r;  // no serial port: straight to TCP
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.link.TransportKind, TransportTcp);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(r.transport.tcpHost, "127.0.0.1");
    EXPECT_EQ(r.transport.tcpPort, 18889);
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].first, 2000);
    EXPECT_EQ(r.events[1].first, 2000 + 38 * 200) << "200 ms steps while a TCP link is set up";

    std::vector<Bytes> sent = r.WrittenFrames();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], BuildLinkCommand(LinkConnect)) << "search tick";
    EXPECT_EQ(sent[1], BuildLinkCommand(LinkConnect)) << "linking event";
    EXPECT_EQ(sent[2], BuildPageReadRequest(0));
    sent.erase(sent.begin(), sent.begin() + 2);
    EXPECT_EQ(sent, ExpectedReadRequests());
    for (const Sent& s : r.transport.writes) EXPECT_EQ(s.kind, TransportTcp);
    EXPECT_EQ(r.timers.timers[LinkTimer::Transfer].interval, TransferIntervalMs)
        << "back to 100 ms once online";
}

TEST(LinkRead, RepliesStoppingAtStepFiveEndInConnectFailedAfterTheWait) {
    Rig r({"ttyFAKE0"});
    // Answer the connect command and pages 0..4, then fall silent.
    r.processor.answering = [](const Bytes& f) {
        return !(f == BuildPageReadRequest(5)) && f != BuildPageReadRequest(6);
    };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed));
    // Step 5 goes out at 2500 ms, is asked again every 11 ticks, five times, and still
    // fails 111 ticks after it first went out.
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[1], std::make_pair(2500L + 111 * 100, static_cast<int>(EventConnectFailed)));
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(5)), 6) << "a lost answer is asked for again";
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(6)), 0);
    EXPECT_EQ(r.link.FailureReason(), "lost the processor during the read at page 5");
    EXPECT_EQ(r.link.Signals.TransferState, TransferIdle);
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Transfer));
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Search));
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Hold));
    EXPECT_EQ(r.link.Status(), LinkStatus::Offline);
    EXPECT_EQ(r.host.linkActive, std::optional<bool>(false));
    EXPECT_FALSE(r.host.dialogVisible);
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::ConnectFailed);
    EXPECT_EQ(r.link.LinkState, LinkOffline);
}

TEST(LinkRead, AnUnansweredFirstRequestIsRepeatedEveryElevenTicksOverSerial) {
    Rig r({"ttyFAKE0"});
    // Only the connect command is acknowledged: TransferState stays 0 after event 4.
    r.processor.answering = [](const Bytes& f) { return f == BuildLinkCommand(LinkConnect); };
    r.link.LinkBtnClick(true);
    r.Advance(2000);
    ASSERT_TRUE(r.HasEvent(EventLinking));
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 1);
    r.Advance(1099);
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 1);
    r.Advance(1);  // 11th tick
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 2);
    r.Advance(2200);
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 4);
    EXPECT_FALSE(r.HasEvent(EventConnectFailed)) << "the first steps are repeated for a while";
    // The processor wakes up: the read resumes and completes.
    r.processor.answering = [](const Bytes&) { return true; };
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 20000));
}

TEST(LinkRead, AProcessorThatDiesAfterTheConnectCommandIsReportedAfterTheRepeats) {
    Rig r({"ttyFAKE0"});
    r.processor.answering = [](const Bytes& f) { return f == BuildLinkCommand(LinkConnect); };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed, 60000)) << "not \"Linking...\" for ever";
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 10) << "sent and repeated nine times";
    // Linking at 2000 ms; ten waits of 11 ticks, then 100 ticks late.
    EXPECT_EQ(r.events.back(), std::make_pair(2000L + (10 * 11 + 100) * 100, static_cast<int>(EventConnectFailed)));
    EXPECT_FALSE(r.HasEvent(EventOnline));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::ConnectFailed);
}

TEST(LinkRead, AnUnansweredFirstRequestIsRepeatedOverTcpThoughTheConnectWasAcknowledged) {
    Rig r;
    r.processor.answering = [](const Bytes& f) { return f == BuildLinkCommand(LinkConnect); };
    r.link.LinkBtnClick(true);
    r.Advance(2001);
    ASSERT_TRUE(r.HasEvent(EventLinking));
    EXPECT_EQ(r.link.Signals.TransferState, TransferAcked) << "the connect command's ack";
    r.Advance(11 * 200 - 1);
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(0)), 2) << "repeated after 11 ticks of 200 ms";
}

TEST(LinkRead, AnUnansweredSecondStepIsRepeatedToo) {
    Rig r({"ttyFAKE0"});
    r.processor.answering = [](const Bytes& f) { return f != BuildPageReadRequest(1); };
    r.link.LinkBtnClick(true);
    r.Advance(2000 + 100 + 11 * 100 * 3);
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(1)), 4);
    EXPECT_FALSE(r.HasEvent(EventConnectFailed));
}

TEST(LinkRead, ADamagedAnswerIsAskedForAgainRatherThanSkipped) {
    Rig r({"ttyFAKE0"});
    int damaged = 0;
    r.transport.responder = [&r, &damaged](const Bytes& f) {
        Bytes answer = r.processor.Answer(f);
        if ((f == BuildPageReadRequest(5) || f == BuildModeNameRequest(3)) && damaged++ % 2 == 0) {
            // The damaged page reply holds an acknowledgement's bytes and a phantom
            // start that claims more bytes than ever come.
            if (f == BuildPageReadRequest(5))
                answer = BuildFrame(CmdWrite, 0x0500, Bytes{0x01, 0xFE, 0xBB, 0xFC, 0xBA, 0xF0, 0xA7, 0x00});
            answer.back() ^= 0x5A;
        }
        return answer;
    };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(5)), 2);
    EXPECT_EQ(CountFrames(r, BuildModeNameRequest(3)), 2);
    EXPECT_EQ(r.model.DeviceImage[5][3], FakeProcessor::Word(5, 3)) << "the page was read after all";
    EXPECT_EQ(r.model.ModeNames[3], "Mode4") << "and the name went to its own mode";
    EXPECT_EQ(r.model.ModeNames[4], "Mode5");
}

TEST(LinkRead, ALostAnswerIsAskedForAgainAtAnyStepAndTheProgressSaysWhatItWaitsFor) {
    Rig r({"ttyFAKE0"});
    std::map<Bytes, int> lost = {{BuildPageReadRequest(6), 2}, {BuildModeNameRequest(4), 1},
                                 {BuildItemReadRequest(IdDeviceIdentity), 1}};
    r.processor.answering = [&lost](const Bytes& f) {
        auto it = lost.find(f);
        return it == lost.end() || it->second-- <= 0;
    };
    r.link.LinkBtnClick(true);
    r.Advance(2000 + 6 * 100 + 1500);
    EXPECT_EQ(r.link.WaitingFor(), "page 6");
    EXPECT_EQ(r.link.WaitedMs(), 1500 - 1100) << "since the request was asked again";
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(6)), 3);
    EXPECT_EQ(CountFrames(r, BuildModeNameRequest(4)), 2);
    EXPECT_EQ(CountFrames(r, BuildItemReadRequest(IdDeviceIdentity)), 2);
    EXPECT_EQ(r.model.DeviceImage[6][115], FakeProcessor::Word(6, 115));
    EXPECT_EQ(r.model.ModeNames[4], "Mode5");
    EXPECT_EQ(r.model.DeviceIdentity, "1234ABCD");
    EXPECT_EQ(r.link.WaitingFor(), "");
}

TEST(LinkRead, AnswersThatStayDamagedEndInConnectFailed) {
    Rig r({"ttyFAKE0"});
    r.transport.responder = [&r](const Bytes& f) {
        Bytes answer = r.processor.Answer(f);
        if (f == BuildPageReadRequest(5)) answer.back() ^= 0x5A;
        return answer;
    };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed));
    EXPECT_FALSE(r.HasEvent(EventOnline)) << "a read with a page missing is no success";
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(5)), 6) << "asked once and again five times";
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(6)), 0);
}

TEST(LinkRead, AnswersSlowerThanTheRepeatStillFileEachNameUnderItsOwnMode) {
    Rig r({"ttyFAKE0"});
    // Every reply takes 1.5 s: the first request is repeated before its reply
    // comes, so from then on one reply more is on its way than the read expects.
    std::deque<std::pair<long, Bytes>> late;
    r.transport.responder = [&r, &late](const Bytes& f) {
        Bytes a = r.processor.Answer(f);
        if (a.size() <= 2) return a;  // acknowledgements come at once
        late.emplace_back(r.timers.now + 1500, a);
        return Bytes{};
    };
    r.pump = [&r, &late](long now) {
        while (!late.empty() && late.front().first <= now) {
            r.transport.inbound.push_back({TransportSerial, late.front().second, now});
            late.pop_front();
        }
    };
    // What the window shows is what the model holds when the read goes online.
    Model shown;
    r.host.onRefresh = [&r, &shown] { shown = r.model; };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 200000));
    EXPECT_GE(CountFrames(r, BuildPageReadRequest(0)), 2);
    for (int m = 0; m < 9; ++m)
        EXPECT_EQ(shown.ModeNames[static_cast<std::size_t>(m)], "Mode" + std::to_string(m + 1)) << "mode " << m;
    // Late answers to repeated requests are not taken for the answers of the steps
    // after them, so the last items have arrived too.
    for (int item : {0x02, 0x0C, 0x0E, 0x11, 0x01})
        EXPECT_EQ(shown.DeviceImage[10][static_cast<std::size_t>(item)], FakeProcessor::Word(10, item)) << "item " << item;
    EXPECT_EQ(shown.DeviceIdentity, "1234ABCD");
}

TEST(LinkRead, ALateStepThatIsAnsweredAfterAllContinuesTheRead) {
    Rig r({"ttyFAKE0"});
    bool hold = true;
    r.processor.answering = [&hold](const Bytes& f) {
        return !(hold && f == BuildPageReadRequest(7));
    };
    r.link.LinkBtnClick(true);
    r.Advance(2700 + 6 * 1100 + 100);
    EXPECT_EQ(r.link.Signals.TransferState, TransferLate);
    EXPECT_EQ(CountFrames(r, BuildPageReadRequest(7)), 6) << "asked once and again five times";
    hold = false;
    r.link.StartStep(7, 0);  // the processor answers this copy
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 20000));
    EXPECT_FALSE(r.HasEvent(EventConnectFailed));
}

TEST(LinkTcp, AClosedConnectionIsNoticedAtOnceWhateverTheLinkIsDoing) {
    Rig r;
    r.link.LinkBtnClick(true);
    r.Advance(2000 + 6 * 200 + 50);
    ASSERT_EQ(r.link.WaitingFor(), "page 6");
    r.link.OnTcpClosed(true, "The remote host closed the connection");
    ASSERT_EQ(r.events.back(), std::make_pair(r.timers.now, static_cast<int>(EventConnectFailed)));
    EXPECT_EQ(r.link.FailureReason(), "connection closed by 127.0.0.1:18889 during the read of page 6");
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Transfer));
    EXPECT_EQ(r.host.messages.back(), LinkNotice::ConnectFailed) << "the window's message is unchanged";

    // Online, and during an upload of a page.
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    r.link.OnTcpClosed(true, "");
    EXPECT_EQ(r.events.back().second, EventLinkLost);
    EXPECT_EQ(r.link.FailureReason(), "connection closed by 127.0.0.1:18889");
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Hold));
    r.events.clear();
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    r.link.RaiseLinkEvent(EventUpload);
    r.Advance(8 * 100 + 50);
    r.link.OnTcpClosed(true, "");
    EXPECT_EQ(r.link.FailureReason(), "connection closed by 127.0.0.1:18889 during the upload of page 2");

    // A connection refused while searching ends the search with the system's reason.
    r.events.clear();
    r.link.LinkBtnClick(true);
    r.Advance(1000);
    r.link.OnTcpClosed(false, "Connection refused");
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], std::make_pair(r.timers.now, static_cast<int>(EventConnectFailed)));
    EXPECT_EQ(r.link.FailureReason(), "cannot connect to 127.0.0.1:18889: Connection refused");
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Search));
    // Idle, or over serial, a closing socket changes nothing.
    r.link.OnTcpClosed(false, "Connection refused");
    EXPECT_EQ(r.events.size(), 1u);
}

// A read over TCP from the fake processor, paced or fast, with one kind of fault.
enum class ReadFault { None, Late120, FirstReplyLost, OneReplyDamaged };

struct ReadRun {
    std::vector<Bytes> requests;
    Model model;
    long onlineAfterMs = -1;
};

ReadRun ReadOverTcp(bool fast, ReadFault fault) {
    Rig r;
    r.link.SetFastTransfers(fast);
    std::deque<std::pair<long, Bytes>> due;
    int replies = 0;
    bool damaged = false;
    r.transport.responder = [&](const Bytes& f) {
        Bytes answer = r.processor.Answer(f);
        const bool reply = answer.size() > 2;
        if (reply && ++replies == 1 && fault == ReadFault::FirstReplyLost) return Bytes{};
        if (reply && f == BuildPageReadRequest(4) && fault == ReadFault::OneReplyDamaged && !damaged) {
            damaged = true;
            answer.back() ^= 0x5A;
            return answer;
        }
        if (fault != ReadFault::Late120) return answer;
        due.emplace_back(r.timers.now + 120, answer);
        return Bytes{};
    };
    r.pump = [&](long now) {
        while (!due.empty() && due.front().first <= now) {
            r.transport.inbound.push_back({TransportTcp, due.front().second, now});
            due.pop_front();
        }
    };
    r.link.LinkBtnClick(true);
    ReadRun run;
    if (r.RunUntilEvent(EventOnline, 60000)) run.onlineAfterMs = r.events.back().first;
    run.requests = r.WrittenFrames();
    run.model = r.model;
    return run;
}

TEST(LinkFast, AReadAsksThePacedReadsRequestsInOrderAndMuchSooner) {
    for (ReadFault fault : {ReadFault::None, ReadFault::Late120, ReadFault::FirstReplyLost, ReadFault::OneReplyDamaged}) {
        const ReadRun paced = ReadOverTcp(false, fault);
        const ReadRun fast = ReadOverTcp(true, fault);
        const int f = static_cast<int>(fault);
        ASSERT_GT(paced.onlineAfterMs, 0) << "fault " << f;
        ASSERT_GT(fast.onlineAfterMs, 0) << "fault " << f;
        EXPECT_EQ(fast.requests, paced.requests) << "fault " << f;
        EXPECT_EQ(fast.model.DeviceImage, paced.model.DeviceImage) << "fault " << f;
        EXPECT_EQ(fast.model.ModeNames, paced.model.ModeNames) << "fault " << f;
        // One round trip per request: 120 ms late answers bound a read to 38 of them.
        const long bound = fault == ReadFault::Late120 ? 40 * 125 : paced.onlineAfterMs / 8;
        EXPECT_LT(fast.onlineAfterMs, bound) << "fault " << f << ", paced " << paced.onlineAfterMs;
    }
}

TEST(LinkFast, AnUploadSendsThePacedFramesAsEachIsAcknowledged) {
    std::vector<Bytes> frames[2];
    long took[2] = {0, 0};
    for (int fast = 0; fast < 2; ++fast) {
        Rig r({"ttyFAKE0"});
        r.link.SetFastTransfers(fast == 1);
        r.GoOnline();
        r.model.ParamImage[10][17] = 1;
        const long start = r.timers.now;
        r.link.RaiseLinkEvent(EventUpload);
        ASSERT_TRUE(r.RunUntilEvent(EventOnline));
        took[fast] = r.events.back().first - start;
        frames[fast] = r.WrittenFrames();
    }
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(frames[0].size(), 20u);
    EXPECT_EQ(took[0], 2000);
    EXPECT_LT(took[1], took[0] / 8);
}

TEST(LinkFast, TwoMissedDeadlinesSendTheRestOfTheTransferBackToThePace) {
    Rig r({"ttyFAKE0"});
    r.link.SetFastTransfers(true, FastTransferTiming{3, 150, 4, 2});
    std::map<Bytes, int> lost = {{BuildPageReadRequest(3), 1}, {BuildPageReadRequest(5), 1}};
    r.processor.answering = [&lost](const Bytes& f) {
        auto it = lost.find(f);
        return it == lost.end() || it->second-- <= 0;
    };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    const auto times = [&r](const Bytes& f) {
        std::vector<long> t;
        for (const Sent& s : r.transport.writes)
            if (s.bytes == f) t.push_back(s.at);
        return t;
    };
    const auto page3 = times(BuildPageReadRequest(3));
    const auto page5 = times(BuildPageReadRequest(5));
    const auto page6 = times(BuildPageReadRequest(6));
    const auto page7 = times(BuildPageReadRequest(7));
    ASSERT_EQ(page3.size(), 2u);
    ASSERT_EQ(page5.size(), 2u);
    EXPECT_EQ(page3[1] - page3[0], 150) << "first miss: asked again at the deadline";
    EXPECT_EQ(page5[1] - page5[0], 150) << "second miss: asked again at the deadline";
    ASSERT_EQ(page6.size(), 1u);
    EXPECT_EQ(page7[0] - page6[0], TransferIntervalMs) << "then one step per paced tick";
    EXPECT_EQ(r.WrittenFrames().size(), 1u + 38u + 2u);
}

TEST(LinkSearch, WithNoSerialPortThreeTcpConnectsThenConnectFailed) {
    Rig r({}, /*answer=*/false);
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.link.TransportKind, TransportTcp);
    r.Advance(3999);
    EXPECT_EQ(r.transport.tcpConnects, 1);
    ASSERT_EQ(r.transport.writes.size(), 3u);
    for (const Sent& s : r.transport.writes) {
        EXPECT_EQ(s.kind, TransportTcp);
        EXPECT_EQ(s.bytes, BuildLinkCommand(LinkConnect));
    }
    EXPECT_EQ(r.timers.timers[LinkTimer::Transfer].interval, TransferTcpIntervalMs);
    EXPECT_TRUE(r.events.empty());
    r.Advance(1);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], std::make_pair(4000L, static_cast<int>(EventConnectFailed)));
    EXPECT_EQ(r.transport.writes.size(), 3u);
    EXPECT_EQ(r.transport.tcpDisconnects, 2) << "before connecting and after giving up";
    EXPECT_EQ(r.link.PortScanIndex, 0);
    EXPECT_EQ(r.host.statusPorts, std::vector<std::optional<std::string>>{std::nullopt});
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::ConnectFailed);
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Search));
}

TEST(LinkSearch, WithTwoPortsTriesBothThenFallsBackToTcpOnTheFourthTick) {
    Rig r({"ttyA", "ttyB"}, /*answer=*/false);
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.link.TransportKind, TransportSerial);
    r.Advance(1000);
    EXPECT_EQ(r.transport.openPort, "ttyA");
    EXPECT_EQ(r.link.LastPortIndex, 0);
    r.Advance(1000);
    EXPECT_EQ(r.transport.openPort, "ttyB");
    EXPECT_EQ(r.link.LastPortIndex, 1);
    r.Advance(1000);
    EXPECT_EQ(r.link.LastPortIndex, -1) << "item 2 does not exist";
    EXPECT_FALSE(r.transport.IsSerialOpen());
    EXPECT_EQ(r.link.TransportKind, TransportSerial);
    EXPECT_EQ(r.transport.tcpConnects, 0);
    r.Advance(1000);
    EXPECT_EQ(r.link.TransportKind, TransportTcp);
    EXPECT_EQ(r.transport.tcpConnects, 1);
    EXPECT_EQ(r.host.statusPorts, (std::vector<std::optional<std::string>>{"ttyA", "ttyB", std::nullopt}));
    r.Advance(2000);
    EXPECT_TRUE(r.events.empty());
    r.Advance(1000);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], std::make_pair(7000L, static_cast<int>(EventConnectFailed)));

    std::vector<int> kinds;
    for (const Sent& s : r.transport.writes) {
        EXPECT_EQ(s.bytes, BuildLinkCommand(LinkConnect));
        kinds.push_back(s.kind);
    }
    EXPECT_EQ(kinds, (std::vector<int>{TransportSerial, TransportSerial, TransportTcp,
                                       TransportTcp, TransportTcp}));
}

TEST(LinkSearch, APortThatDoesNotOpenIsSkippedAndTheNextOneAnswers) {
    Rig r({"ttyA", "ttyB"});
    r.transport.failingPorts = {"ttyA"};
    r.link.LinkBtnClick(true);
    r.Advance(1000);
    EXPECT_TRUE(r.transport.writes.empty()) << "nothing is sent on a port that did not open";
    r.Advance(1000);
    EXPECT_EQ(r.transport.openPort, "ttyB");
    ASSERT_TRUE(r.RunUntilEvent(EventLinking, 2000));
    EXPECT_EQ(r.events[0].first, 3000);
    EXPECT_EQ(r.link.TransportKind, TransportSerial);
}

TEST(LinkSearch, ThePortLastFoundOnIsTriedFirstAndNamedOnceOnline) {
    Rig r({"ttyA", "ttyB"});
    r.link.PreferPort("ttyGone");
    EXPECT_EQ(r.link.Ports(), (std::vector<std::string>{"ttyA", "ttyB"})) << "a port not listed changes nothing";
    r.link.PreferPort("ttyB");
    EXPECT_EQ(r.link.Ports(), (std::vector<std::string>{"ttyB", "ttyA"}));
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.link.ConnectedPort(), "");
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(r.transport.opened, std::vector<std::string>{"ttyB"});
    EXPECT_EQ(r.link.ConnectedPort(), "ttyB");
    r.link.LinkBtnClick(false);
    EXPECT_EQ(r.link.ConnectedPort(), "") << "offline";
}

TEST(LinkSearch, TcpBytesAreIgnoredWhileTheLinkRunsOverSerial) {
    Rig r({"ttyA"}, false);
    r.link.LinkBtnClick(true);
    const Bytes ack = {AckStart, AckOk};
    r.link.OnTcpBytes(ack);
    EXPECT_EQ(r.link.Signals.DeviceFound, 0);
    r.link.OnSerialBytes(ack);
    EXPECT_EQ(r.link.Signals.DeviceFound, 1);
}

TEST(LinkUpload, SendsTwentyFramesEndingInFourClosingWordsWithProgressInNineteenths) {
    Rig r({"ttyFAKE0"});
    r.GoOnline();
    r.model.ParamImage[10][17] = 3;
    r.host.progress.clear();
    r.link.RaiseLinkEvent(EventUpload);
    EXPECT_EQ(r.link.Status(), LinkStatus::Uploading);
    EXPECT_EQ(r.link.LinkState, LinkOffline);
    EXPECT_EQ(r.link.UploadFlag, 1);
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Hold));
    EXPECT_TRUE(r.timers.IsRunning(LinkTimer::Transfer));
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));

    std::vector<Bytes> expected;
    for (int k = 0; k < 6; ++k)
        expected.push_back(BuildValueFrame(CmdWrite, MakeId(10, 6 + k),
                                           static_cast<std::uint16_t>(10006 + k)));
    for (int p = 0; p < 10; ++p) expected.push_back(BuildPageBlock(r.model, p));
    for (int k = 0; k < 4; ++k) expected.push_back(BuildValueFrame(CmdRead, IdRemote, 3));
    EXPECT_EQ(r.WrittenFrames(), expected);
    EXPECT_EQ(expected.front(), Hex("FC BA 06 A7 0A 06 16 27 4A")) << "0x0A06 := 10006";

    std::vector<int> steps;
    for (int k = 0; k <= 19; ++k) steps.push_back(static_cast<int>(RoundHalfEven(k * 100.0 / 19)));
    EXPECT_EQ(r.host.progress, steps);
    EXPECT_EQ(r.link.LinkState, LinkOnline);
    EXPECT_EQ(r.link.UploadFlag, 1) << "left as it was until the next transfer";
}

// Asked to, the link reads the pages again once every frame of the upload is
// acknowledged, and goes online only then; the comparison finds what the processor
// (this fake stores nothing) did not keep.
TEST(LinkUpload, AReadBackFollowsTheAcknowledgedUploadAndFindsWhatWasNotStored) {
    const struct {
        bool verify, changed, fast;
        VerifiedUpload::State outcome;
    } cases[] = {
        {true, true, false, VerifiedUpload::State::Differs},
        {true, false, true, VerifiedUpload::State::Verified},
        {false, true, false, VerifiedUpload::State::Unchecked},
    };
    for (const auto& c : cases) {
        Rig r({"ttyFAKE0"});
        r.link.SetFastTransfers(c.fast);
        r.GoOnline();
        DeviceImageRows file = r.model.DeviceImage;
        if (c.changed) {
            file[6][20] += 1;
            file[6][21] += 1;
            file[10][7] += 1;
        }
        MirrorSystemWordsForSave(file);
        VerifiedUpload upload(r.link, r.model);
        r.link.EventObserver = [&](int e) {
            r.events.emplace_back(r.timers.now, e);
            upload.OnLinkEvent(e);
        };
        ASSERT_TRUE(upload.Start(ParsePreset(FormatPresetFile(file)), c.verify));
        ASSERT_TRUE(r.RunUntilEvent(EventOnline));

        std::vector<Bytes> frames = r.WrittenFrames();
        ASSERT_EQ(frames.size(), c.verify ? 48u : 20u);
        EXPECT_EQ(frames[19], BuildValueFrame(CmdRead, IdRemote, FakeProcessor::Word(10, 17)));
        if (c.verify) {
            EXPECT_EQ(std::vector<Bytes>(frames.begin() + 20, frames.end()), ExpectedReadRequests(false));
            EXPECT_NE(std::find(r.host.statuses.begin(), r.host.statuses.end(), LinkStatus::Verifying), r.host.statuses.end());
        }
        EXPECT_EQ(upload.CurrentState(), c.outcome);
        EXPECT_EQ(DescribeDifference(upload.Differences()),
                  c.outcome == VerifiedUpload::State::Differs
                      ? "page 6 (main output): 2 words differ; page 10 (system): 1 word differs"
                      : "");
        EXPECT_EQ(r.link.LinkState, LinkOnline);
        EXPECT_EQ(r.model.DeviceImage[6][20], FakeProcessor::Word(6, 20) + (c.verify ? 0 : 1))
            << "after a read-back the window shows what the processor holds";
    }
}

TEST(LinkUpload, IsIgnoredWhileOffline) {
    Rig r({"ttyFAKE0"});
    r.link.RaiseLinkEvent(EventUpload);
    EXPECT_TRUE(r.transport.writes.empty());
    EXPECT_TRUE(r.events.empty());
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Transfer));
}

TEST(LinkDisconnect, UnlinkWhileOnlineSendsTheDisconnectCommandAndStopsEverything) {
    Rig r({"ttyFAKE0"});
    r.GoOnline();
    r.link.LinkBtnClick(false);
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, Hex("FC BA 06 A7 0A 30 AA 00 3D"));
    EXPECT_EQ(r.link.LinkState, LinkOffline);
    EXPECT_EQ(r.link.Status(), LinkStatus::Disconnected);
    EXPECT_EQ(r.host.linkActive, std::optional<bool>(false));
    EXPECT_FALSE(r.host.dialogVisible);
    EXPECT_EQ(r.link.StepCount, 19);
    for (LinkTimer t : {LinkTimer::Search, LinkTimer::Transfer, LinkTimer::Hold})
        EXPECT_FALSE(r.timers.IsRunning(t));
    EXPECT_EQ(r.transport.openPort, "ttyFAKE0") << "the port stays open";
    // Offline, neither the button nor the window's close sends anything.
    r.link.LinkBtnClick(false);
    r.link.OnCloseRequest();
    EXPECT_EQ(r.transport.writes.size(), 1u);
}

TEST(LinkDisconnect, TheLinkButtonWhileOnlineDisconnectsAndClosingTheWindowTellsTheProcessor) {
    Rig r({"ttyFAKE0"});
    r.GoOnline();
    r.link.OnCloseRequest();
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, BuildLinkCommand(LinkDisconnect));
    r.link.LinkBtnClick(true);
    EXPECT_EQ(r.transport.writes.size(), 2u);
    EXPECT_EQ(r.link.LinkState, LinkOffline);
}

// Reconnecting by itself, over TCP: after the connection drops the link tries again
// 2, 4, 8, 16, 30 and 30 s after each failed attempt, without the status dialog or
// a message, and runs the whole read once the processor answers, without a click.
TEST(LinkReconnect, ALostLinkIsSearchedForAgainWithGrowingWaitsUntilTheProcessorAnswers) {
    Rig r;
    r.link.SetAutoReconnect(true);
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    bool up = false;
    r.processor.answering = [&up](const Bytes&) { return up; };
    r.events.clear();
    r.transport.writes.clear();
    const long lost = r.timers.now;
    r.link.OnTcpClosed(true, "The remote host closed the connection");
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].second, EventLinkLost);
    EXPECT_TRUE(r.link.Reconnecting());
    EXPECT_EQ(r.link.Status(), LinkStatus::Reconnecting);
    EXPECT_EQ(r.host.linkActive, std::optional<bool>(false)) << "\"联机\" connects at once, \"断开\" stops";
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Hold));

    // Each attempt is a search: three connect commands a second apart, given up on
    // the fourth tick.
    r.Advance(115000);
    std::vector<long> failed;
    for (const auto& [at, event] : r.events)
        if (event == EventConnectFailed) failed.push_back(at - lost);
    EXPECT_EQ(failed, (std::vector<long>{6000, 14000, 26000, 46000, 80000, 114000}));
    EXPECT_EQ(CountFrames(r, BuildLinkCommand(LinkConnect)), 6 * 3);
    EXPECT_TRUE(r.host.messages.empty()) << "no message while reconnecting";
    EXPECT_FALSE(r.host.dialogVisible) << "the status dialog stays out of the way";
    EXPECT_EQ(r.link.Status(), LinkStatus::Reconnecting);

    up = true;
    r.transport.writes.clear();
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 40000));
    EXPECT_EQ(r.events.back().first - lost, 114000 + 30000 + 2000 + 38 * 200) << "the next attempt, then the read";
    EXPECT_FALSE(r.link.Reconnecting());
    EXPECT_EQ(r.link.LinkState, LinkOnline);
    EXPECT_EQ(r.link.Status(), LinkStatus::Online);
    EXPECT_EQ(r.link.FreshLink, 1) << "a new connection: the panel lock is checked again";
    std::vector<Bytes> sent = r.WrittenFrames();
    sent.erase(std::remove(sent.begin(), sent.end(), BuildLinkCommand(LinkConnect)), sent.end());
    EXPECT_EQ(sent, ExpectedReadRequests()) << "the whole memory is read again";
    EXPECT_TRUE(r.host.messages.empty());
    EXPECT_FALSE(r.host.dialogVisible);

    // Lost again, the waits start from the first; "断开" ends the retries.
    r.link.OnTcpClosed(true, "");
    EXPECT_TRUE(r.link.Reconnecting());
    r.link.LinkBtnClick(false);
    EXPECT_FALSE(r.link.Reconnecting());
    EXPECT_EQ(r.link.Status(), LinkStatus::Disconnected);
    r.transport.writes.clear();
    r.Advance(60000);
    EXPECT_TRUE(r.transport.writes.empty()) << "no attempt after the user disconnected";

    // A search the user starts that finds nothing ends as before: with the message.
    up = false;
    r.events.clear();
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed));
    EXPECT_FALSE(r.link.Reconnecting());
    ASSERT_FALSE(r.host.messages.empty());
    EXPECT_EQ(r.host.messages.back(), LinkNotice::ConnectFailed);

    // While an attempt waits, the link button connects at once.
    up = true;
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    r.link.OnTcpClosed(true, "");
    r.events.clear();
    r.link.LinkBtnClick(true);
    EXPECT_FALSE(r.link.Reconnecting());
    EXPECT_TRUE(r.host.dialogVisible);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 10000));
}

// Over a serial port, the processor on the last port of the list: every attempt
// looks on the ports again, also after an attempt that ran on to the network.
TEST(LinkReconnect, ALostSerialLinkIsLookedForOnThePortsAtEveryAttempt) {
    Rig r({"ttyA", "ttyB"});
    r.link.SetAutoReconnect(true);
    bool up = true;
    r.processor.answering = [&](const Bytes&) {
        return up && r.transport.openPort == "ttyB" && r.transport.writes.back().kind == TransportSerial;
    };
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    up = false;
    r.events.clear();
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    ASSERT_TRUE(r.link.Reconnecting());
    ASSERT_TRUE(r.RunUntilEvent(EventConnectFailed, 20000)) << "the first attempt finds nothing";
    up = true;
    r.transport.opened.clear();
    ASSERT_TRUE(r.RunUntilEvent(EventOnline, 60000)) << "found again on its port";
    EXPECT_EQ(r.transport.opened, (std::vector<std::string>{"ttyA", "ttyB"}));
    EXPECT_EQ(r.link.ConnectedPort(), "ttyB");
}

// The link reports what it does; the window words it (tests/app/link).
TEST(LinkStatuses, AFailedSearchEndsOfflineWithTheConnectFailedNotice) {
    Rig r({}, false);
    r.link.LinkBtnClick(true);
    r.Advance(4000);
    EXPECT_EQ(r.link.Status(), LinkStatus::Offline);
    EXPECT_EQ(r.host.statusText, LinkStatus::Offline);
    EXPECT_EQ(r.host.messages, std::vector<LinkNotice>{LinkNotice::ConnectFailed});
}

TEST(LinkStatuses, OfAReadASaveAndADisconnect) {
    Rig r({"ttyFAKE0"});
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    EXPECT_EQ(r.host.statuses, (std::vector<LinkStatus>{LinkStatus::Searching, LinkStatus::Linking, LinkStatus::Online}));
    EXPECT_EQ(r.host.statusText, LinkStatus::Online);
    r.link.SaveAsMode(0, "Party");
    EXPECT_EQ(r.link.Status(), LinkStatus::Saving);
    r.link.LinkBtnClick(false);
    EXPECT_EQ(r.link.Status(), LinkStatus::Disconnected);
}

TEST(LinkRobustness, GarbageOnBothTransportsInEveryPhaseNeverBreaksTheLink) {
    Rig r({"ttyFAKE0"});
    std::mt19937 rng(7);
    auto noise = [&rng] {
        Bytes b(rng() % 300);
        for (auto& x : b) {
            const unsigned v = rng() % 8;  // plenty of start bytes and keys
            x = v == 0 ? FrameStart : v == 1 ? AckStart : v == 2 ? FrameKey
                : static_cast<std::uint8_t>(rng());
        }
        return b;
    };
    r.link.LinkBtnClick(true);
    for (int i = 0; i < 400; ++i) {
        r.link.OnSerialBytes(noise());
        r.link.OnTcpBytes(noise());
        r.Advance(37);
        if (r.HasEvent(EventOnline)) r.link.SendParam(0x0103, i);
    }
    EXPECT_GE(r.link.ModeNameIndex, 0);
    EXPECT_LE(r.link.ModeNameIndex, 9);
    EXPECT_LE(r.link.StepIndex, 29);
}

// Online over TCP, the processor stops ten bytes into a reply: the frame is given
// up, the acknowledgement of the next edit counts, and the link stays up.
TEST(LinkRobustness, AFrameCutOffByTheProcessorIsGivenUpAndTheLinkGoesOn) {
    Rig r;
    r.GoOnline();
    Bytes cutOff = Hex("FC BA FF A7 06 00");
    cutOff.insert(cutOff.end(), 10, 0x11);
    r.link.OnTcpBytes(cutOff);
    r.link.SendParam(0x0600, 5);
    r.Advance(12000);
    EXPECT_FALSE(r.HasEvent(EventLinkLost));
    EXPECT_EQ(CountFrames(r.transport.writes, BuildValueFrame(CmdWrite, 0x0600, 5)), 1) << "acknowledged, not repeated";
    EXPECT_GE(CountFrames(r.transport.writes, BuildLinkCommand(LinkKeepAlive)), 10);
}

// Online, a page-6 reply arrives that no transfer step asked for: the memory keeps
// what was read, so the next band edit does not mix its words in.
TEST(LinkRobustness, DataNoTransferStepAskedForChangesNothing) {
    Rig r;
    r.GoOnline();
    const DeviceImageRows read = r.model.DeviceImage;
    const int state = r.link.Signals.TransferState;
    r.link.OnTcpBytes(BuildFrame(CmdWrite, 0x0600, Bytes(2 * 80, 0xFF)));
    EXPECT_EQ(r.model.DeviceImage, read);
    EXPECT_EQ(r.link.Signals.TransferState, state);
    r.link.SendBandParam(0x0622, 7);
    r.Advance(50);
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, BuildBandFrame(r.model, BandFrameId(PageMain), 0));
    EXPECT_EQ(r.link.Signals.ClearToSend, 1) << "acknowledgements still count";
}

}  // namespace
}  // namespace kdsp::test
