// Paced edits while online: immediate and queued sends, merge and overflow rules,
// recall and save, keep-alive, repeats and the detection of a lost link.
#include "core/link/write_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/link/link.h"
#include "link_rig.h"

namespace kdsp::test {
namespace {

const Bytes Ack = {AckStart, AckOk};

// Online over serial with a processor that answers; the clock sits at the online event.
struct Online : Rig {
    Online() : Rig({"ttyFAKE0"}) { GoOnline(); }
    long onlineAt() const { return timers.now; }
    void Silence() { processor.answering = [](const Bytes&) { return false; }; }
    void Answer() { processor.answering = [](const Bytes&) { return true; }; }
};

std::vector<long> TimesOf(const std::vector<Sent>& writes, const Bytes& frame) {
    std::vector<long> t;
    for (const Sent& s : writes)
        if (s.bytes == frame) t.push_back(s.at);
    return t;
}

TEST(WriteQueueRules, BelowTheLimitOnlyTheNewestEntryOfTheSameIdIsMerged) {
    WriteQueue q;
    q.Push(0x0103, 1);
    q.Push(0x0103, 2);
    EXPECT_EQ(q.Count(), 2) << "a single waiting entry is never merged";
    q.Push(0x0103, 3);
    q.Push(0x0103, 4);
    EXPECT_EQ(q.Count(), 2);
    EXPECT_EQ(q[2].value, 4);
    q.Push(0x0104, 9);
    q.Push(0x0103, 5);
    EXPECT_EQ(q.Count(), 4) << "not the newest: a new entry, as before the limit";
    q.Advance();
    EXPECT_EQ(q.Sent().id, 0x0103);
    EXPECT_EQ(q.Sent().value, 1);
    EXPECT_EQ(q.Count(), 3);
}

TEST(WriteQueueRules, AFullQueueUpdatesAWaitingParameterAndGrowsForANewOne) {
    WriteQueue q;
    for (int i = 0; i < WriteQueue::Limit; ++i) q.Push(static_cast<ParamId>(0x0100 + i), i);
    ASSERT_EQ(q.Count(), 61);
    q.Push(0x0105, 500);  // waits at entry 6
    EXPECT_EQ(q.Count(), 61);
    EXPECT_EQ(q[6].value, 500);
    q.Push(0x013C, 600);  // the newest: the ordinary merge
    EXPECT_EQ(q.Count(), 61);
    EXPECT_EQ(q[61].value, 600);
    q.Push(0x0200, 7);  // a new parameter is kept, not written over the newest
    EXPECT_EQ(q.Count(), 62);
    EXPECT_EQ(q[61].id, 0x013C);
    EXPECT_EQ(q[62].id, 0x0200);
    q.Push(0x0200, 8);
    q.Push(0x0105, 9);
    EXPECT_EQ(q.Count(), 62) << "beyond the limit at most one entry per parameter";
    EXPECT_EQ(q[62].value, 8);
    EXPECT_EQ(q[6].value, 9);
}

TEST(WriteQueueRules, BandEntriesAreNotMergedUntilTheQueueIsFull) {
    BandQueue q;
    q.Push(0x0104, 2);
    q.Push(0x0104, 2);
    q.Push(0x0104, 2);
    EXPECT_EQ(q.Count(), 3);
    for (int b = 0; q.Count() < BandQueue::Limit; ++b) q.Push(0x0002, b % 10);
    q.Push(0x0104, 2);
    EXPECT_EQ(q.Count(), 49) << "that band already waits; its frame is built when sent";
    q.Push(0x0920, 6);
    EXPECT_EQ(q.Count(), 50);
    q.Push(0x0920, 6);
    EXPECT_EQ(q.Count(), 50);
}

TEST(WriteQueueLink, AnEditGoesOutAtOnceWhenTheLastFrameWasAcknowledged) {
    Online r;
    ASSERT_EQ(r.link.Signals.ClearToSend, 1);
    r.link.SendParam(0x0103, 300);
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, Hex("FC BA 06 A7 01 03 2C 01 6E"));
    EXPECT_EQ(r.link.Signals.ClearToSend, 0);
    EXPECT_EQ(r.model.DeviceImage[1][3], 300);
    EXPECT_EQ(r.model.ParamImage[1][3], 300);
}

TEST(WriteQueueLink, EditsAreStoredButNotSentOfflineOrWhileTheWindowMovesItsControls) {
    Rig offline({"ttyFAKE0"});
    offline.link.SendParam(0x0103, 7);
    offline.link.SendBandParam(0x0111, 100);
    EXPECT_TRUE(offline.transport.writes.empty());
    EXPECT_EQ(offline.model.DeviceImage[1][3], 7);

    Online r;
    r.host.suppress = true;
    r.link.SendParam(0x0103, 8);
    r.link.SendBandParam(0x0111, 100);
    EXPECT_TRUE(r.transport.writes.empty());
    EXPECT_EQ(r.model.ParamImage[1][3], 8);
    EXPECT_EQ(r.link.Writes.Count(), 0);
}

TEST(WriteQueueLink, EditsDuringATransferAreStoredButNotSent) {
    Rig r({"ttyFAKE0"});
    r.link.LinkBtnClick(true);
    r.Advance(2300);  // the read is under way
    ASSERT_TRUE(r.HasEvent(EventLinking));
    const std::size_t before = r.transport.writes.size();
    r.link.SendParam(0x0103, 77);
    r.link.SendBandParam(0x0111, 100);
    EXPECT_EQ(r.transport.writes.size(), before);
    EXPECT_EQ(r.model.ParamImage[1][3], 77);
    EXPECT_EQ(r.link.Writes.Count(), 0);
    EXPECT_EQ(r.link.Bands.Count(), 0);
}

TEST(WriteQueueLink, DraggingASliderSendsFirstAndLastValueAndTheLastOneTwice) {
    Online r;
    r.Silence();
    for (int v = 1; v <= 5; ++v) r.link.SendParam(0x0103, v);
    EXPECT_EQ(r.link.Writes.Count(), 2) << "the first two queued values, then merged";
    r.Answer();
    r.link.OnSerialBytes(Ack);  // the acknowledgement of the first frame
    r.Advance(200);
    std::vector<Bytes> expected;
    for (int v : {1, 2, 5, 5}) expected.push_back(BuildValueFrame(CmdWrite, 0x0103, v));
    EXPECT_EQ(r.WrittenFrames(), expected);
    EXPECT_EQ(r.link.RepeatLast, 0);
}

TEST(WriteQueueLink, TwoParametersChangedAlternatelyQueueOneEntryPerChange) {
    Online r;
    r.Silence();
    r.link.SendParam(0x0103, 0);
    r.link.SendParam(0x0104, 1);
    r.link.SendParam(0x0103, 2);
    r.link.SendParam(0x0104, 3);
    r.link.SendParam(0x0103, 4);
    EXPECT_EQ(r.link.Writes.Count(), 4);
}

TEST(WriteQueueLink, TwoEditsOfOneBandQueueTwoFramesThatBothCarryTheNewValues) {
    Online r;
    r.model.ParamImage[1][16] = 1;   // band 2 of the microphone page: type
    r.model.ParamImage[1][19] = 16;  // peaking Q
    r.model.ParamImage[1][20] = 10;  // shelving Q
    r.Silence();
    r.link.SendParam(0x0103, 300);      // outstanding
    r.link.SendBandParam(0x0112, 120);  // gain
    r.link.SendBandParam(0x0111, 100);  // frequency
    EXPECT_EQ(r.link.Bands.Count(), 2);
    r.Answer();
    r.link.OnSerialBytes(Ack);
    r.Advance(100);
    const Bytes band = Hex("FC BA 10 A7 01 04 02 00 01 00 64 00 78 00 10 00 0A 00 1B");
    std::vector<Bytes> sent = r.WrittenFrames();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1], band);
    EXPECT_EQ(sent[2], band);
    EXPECT_EQ(r.link.Bands.Count(), 0);
    EXPECT_EQ(r.host.diagnostics, (std::vector<std::string>{"2:2 2", "2:1 2"}));
}

TEST(WriteQueueLink, ABandEditOutsideThePagesWithBandsSendsNothing) {
    Online r;
    r.link.SendBandParam(0x0A20, 1);
    r.link.SendBandParam(0xFF01, 1);
    EXPECT_TRUE(r.transport.writes.empty());
}

TEST(WriteQueueLink, AFullQueueStillDeliversEveryEditsFinalValue) {
    Online r;
    r.Silence();
    r.link.SendParam(0x0100, 0);  // outstanding
    std::map<ParamId, int> last;
    // 70 parameters, then a second round of values for all of them.
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 70; ++i) {
            const ParamId id = MakeId(PageMic, i);
            r.link.SendParam(id, 100 * round + i);
            last[id] = 100 * round + i;
        }
    }
    EXPECT_LE(r.link.Writes.Count(), 61 + 70);
    r.Answer();
    r.link.OnSerialBytes(Ack);
    r.Advance(200 * 20);
    std::map<ParamId, int> seen;
    for (const Sent& s : r.transport.writes) {
        if (s.bytes.size() != 9 || s.bytes[4] != PageMic) continue;
        seen[MakeId(s.bytes[4], s.bytes[5])] = s.bytes[6] + 256 * s.bytes[7];
    }
    for (const auto& [id, v] : last) EXPECT_EQ(seen[id], v) << "parameter " << id;
    EXPECT_EQ(r.link.Writes.Count(), 0);
}

TEST(WriteQueueLink, RecallSentAtOnceStartsTheReloadOnItsAcknowledgement) {
    Online r;
    const long t0 = r.onlineAt();
    for (auto& n : r.model.ModeNames) n.clear();
    r.link.SendParam(IdRecallMode, 3);
    ASSERT_EQ(r.transport.writes.size(), 1u);
    EXPECT_EQ(r.transport.writes[0].bytes, Hex("FC BA 06 A7 0A 02 03 00 08"));
    EXPECT_EQ(r.link.Status(), LinkStatus::Recalling);
    EXPECT_EQ(r.link.LinkState, LinkOffline);
    EXPECT_EQ(r.link.PendingEvent, EventReload);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].second, EventReload);
    EXPECT_EQ(r.events[0].first, t0 + 20) << "the first hold tick after the ack";
    std::vector<Bytes> sent = r.WrittenFrames();
    sent.erase(sent.begin());
    EXPECT_EQ(sent, ExpectedReadRequests(false)) << "the 28 requests of a reload";
    EXPECT_EQ(r.model.ModeNames[8], "Mode9") << "the stored-mode names are read again";
    EXPECT_EQ(r.host.statuses.back(), LinkStatus::Online);
    EXPECT_EQ(r.link.LinkState, LinkOnline);
}

TEST(WriteQueueLink, ARecallThatHadToWaitStillReloadsThePagesOnItsAcknowledgement) {
    Online r;
    r.Silence();
    r.link.SendParam(0x0103, 300);
    r.link.SendParam(IdRecallMode, 3);
    EXPECT_EQ(r.link.LinkState, LinkOnline) << "queued behind the outstanding write";
    EXPECT_EQ(r.link.PendingEvent, 0);
    r.Answer();
    r.link.OnSerialBytes(Ack);
    r.Advance(20);  // the next hold tick sends the recall
    const Bytes recall = Hex("FC BA 06 A7 0A 02 03 00 08");
    ASSERT_EQ(CountFrames(r.transport.writes, recall), 1);
    EXPECT_EQ(r.link.Status(), LinkStatus::Recalling);
    EXPECT_EQ(r.link.LinkState, LinkOffline) << "edits from now on wait for the reload";
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    ASSERT_TRUE(r.HasEvent(EventReload)) << "the processor switched modes: the pages are read again";
    EXPECT_EQ(r.model.DeviceImage[1][3], FakeProcessor::Word(1, 3));
    r.Advance(500);
    EXPECT_EQ(CountFrames(r.transport.writes, recall), 1) << "the reload replaces the repeat of the last write";
}

TEST(WriteQueueLink, AnUploadForgetsTheRepeatOfAWriteMadeBeforeIt) {
    Online r;
    r.link.SendParam(0x0103, 300);  // sent at once
    r.link.SendParam(0x0103, 301);  // waits, goes out on the next tick and is due a repeat
    r.Advance(21);
    const Bytes last = BuildValueFrame(CmdWrite, 0x0103, 301);
    ASSERT_EQ(CountFrames(r.transport.writes, last), 1);
    ASSERT_EQ(r.link.RepeatLast, 1);
    // A preset is loaded and sent: it holds another value for the same parameter.
    r.model.DeviceImage[1][3] = 77;
    r.link.RaiseLinkEvent(EventUpload);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    r.Advance(5000);
    EXPECT_EQ(CountFrames(r.transport.writes, last), 1) << "the old value must not follow the preset";
}

TEST(WriteQueueLink, ASaveWaitsForTheEditsBeforeItSoTheStoredModeHoldsThem) {
    Online r;
    r.Silence();
    r.link.SendParam(0x0103, 300);  // outstanding
    r.link.SendParam(0x0104, 5);    // waiting
    r.link.SendBandParam(0x0005, 200);
    ASSERT_TRUE(r.link.SaveAsMode(2, "Stage"));
    EXPECT_TRUE(r.link.WaitingSave());
    EXPECT_EQ(r.link.Status(), LinkStatus::Saving);
    EXPECT_EQ(r.link.LinkState, LinkOnline) << "the edits before it still go out";
    EXPECT_EQ(r.link.PendingEvent, 0);
    const Bytes save = BuildSaveMode(2, "Stage");
    EXPECT_EQ(CountFrames(r.transport.writes, save), 0);
    r.Answer();
    r.link.OnSerialBytes(Ack);
    ASSERT_TRUE(r.RunUntilEvent(EventSaved, 5000));
    const std::vector<Bytes> sent = r.WrittenFrames();
    const auto at = [&sent](const Bytes& f) { return std::find(sent.begin(), sent.end(), f) - sent.begin(); };
    ASSERT_EQ(CountFrames(r.transport.writes, save), 1);
    EXPECT_GT(at(save), at(BuildValueFrame(CmdWrite, 0x0104, 5)));
    EXPECT_GT(at(save), at(BuildBandFrame(r.model, BandFrameId(0), 0)));
    EXPECT_FALSE(r.link.WaitingSave());
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::Saved);
    EXPECT_EQ(r.link.LinkState, LinkOnline);
}

TEST(WriteQueueLink, AHeldSaveGoesBeforeALaterRecallAndIsNeverDroppedUnsaid) {
    Online r;
    r.Silence();
    r.link.SendParam(0x0103, 300);  // outstanding
    ASSERT_TRUE(r.link.SaveAsMode(2, "Stage"));
    ASSERT_TRUE(r.link.WaitingSave());
    r.link.SendParam(IdRecallMode, 4);  // the user recalls another mode right after
    r.Answer();
    r.link.OnSerialBytes(Ack);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    const Bytes save = BuildSaveMode(2, "Stage");
    const Bytes recall = BuildValueFrame(CmdWrite, IdRecallMode, 4);
    const std::vector<Bytes> sent = r.WrittenFrames();
    const auto at = [&sent](const Bytes& f) { return std::find(sent.begin(), sent.end(), f) - sent.begin(); };
    ASSERT_EQ(CountFrames(r.transport.writes, save), 1);
    ASSERT_EQ(CountFrames(r.transport.writes, recall), 1);
    EXPECT_LT(at(save), at(recall)) << "the save stores what the user saw before the recall";
    std::vector<int> order;
    for (const auto& e : r.events) order.push_back(e.second);
    EXPECT_EQ(order, (std::vector<int>{EventSaved, EventReload, EventOnline}));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::Saved);

    // A preset sent while a save waits: the save is not made, and the user hears of it.
    r.host.messages.clear();
    r.Silence();
    r.link.SendParam(0x0103, 301);
    ASSERT_TRUE(r.link.SaveAsMode(3, "Late"));
    r.link.RaiseLinkEvent(EventUpload);
    EXPECT_FALSE(r.link.WaitingSave());
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::SaveFailed);
    EXPECT_EQ(CountFrames(r.transport.writes, BuildSaveMode(3, "Late")), 0);
}

TEST(WriteQueueLink, SaveAsModeWaitsForItsAcknowledgementThenRebuildsTheModeList) {
    Online r;
    r.Silence();
    ASSERT_EQ(r.link.Signals.ClearToSend, 1) << "an older acknowledgement is still standing";
    ASSERT_TRUE(r.link.SaveAsMode(0, "ABC"));
    ASSERT_EQ(r.transport.writes.size(), 1u);
    Bytes expected = Hex("FC BA 1A A7 0A 01 00 00 21 22 23");
    expected.insert(expected.end(), 17, 0);
    expected.push_back(0xAE);
    EXPECT_EQ(r.transport.writes[0].bytes, expected);
    EXPECT_EQ(r.link.Status(), LinkStatus::Saving);
    EXPECT_EQ(r.link.LinkState, LinkOffline);
    EXPECT_EQ(r.link.PendingEvent, EventSaved);
    r.Advance(200);
    EXPECT_FALSE(r.HasEvent(EventSaved)) << "no success before the processor confirms";
    EXPECT_TRUE(r.host.messages.empty());

    r.link.OnSerialBytes(Ack);
    r.Advance(20);
    ASSERT_TRUE(r.HasEvent(EventSaved));
    ASSERT_EQ(r.host.modeLists.size(), 1u);
    const auto& items = r.host.modeLists[0];
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0], "1-ABC");
    EXPECT_EQ(items[8], "9-Mode9");
    EXPECT_EQ(r.link.LinkState, LinkOnline);
    EXPECT_EQ(r.link.Status(), LinkStatus::Online);
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::Saved);
}

TEST(WriteQueueLink, ASaveNeverConfirmedIsNotReportedAfterTheLinkComesBack) {
    Online r;
    r.Silence();
    ASSERT_TRUE(r.link.SaveAsMode(1, "Lost"));
    ASSERT_EQ(r.link.PendingEvent, EventSaved);
    r.link.LinkBtnClick(false);
    EXPECT_EQ(r.link.PendingEvent, 0) << "leaving the online state forgets the save";
    // Made while offline, with nobody answering: it never reaches the processor.
    ASSERT_TRUE(r.link.SaveAsMode(2, "Offline"));
    r.Answer();
    r.link.LinkBtnClick(true);
    ASSERT_TRUE(r.RunUntilEvent(EventOnline));
    r.Advance(2000);
    EXPECT_FALSE(r.HasEvent(EventSaved));
    EXPECT_TRUE(r.host.messages.empty()) << "no \"Save Success!\" for a save that was never confirmed";
}

TEST(WriteQueueLink, SaveAsModeOutsideTheNineModesSendsNothing) {
    Online r;
    EXPECT_FALSE(r.link.SaveAsMode(9, "X"));
    EXPECT_FALSE(r.link.SaveAsMode(-1, "X"));
    EXPECT_TRUE(r.transport.writes.empty());
    EXPECT_EQ(r.link.PendingEvent, 0);
}

TEST(WriteQueueLink, PasswordCommandsGoOutAsTheyAre) {
    Online r;
    r.link.SendPassword(IdSystemPassword, "123456");
    r.link.SendPassword(IdPanelPassword, "1234");
    EXPECT_EQ(r.WrittenFrames(), (std::vector<Bytes>{BuildPasswordFrame(IdSystemPassword, "123456"),
                                                     BuildPasswordFrame(IdPanelPassword, "1234")}));
}

TEST(KeepAlive, OnePerIdleSecond) {
    Online r;
    r.Advance(10000);
    const Bytes keepAlive = Hex("FC BA 06 A7 0A 30 66 00 F9");
    std::vector<long> expected;
    for (int k = 1; k <= 10; ++k) expected.push_back(r.onlineAt() - 10000 + 1000L * k);
    EXPECT_EQ(TimesOf(r.transport.writes, keepAlive), expected);
    EXPECT_EQ(r.transport.writes.size(), 10u);
    EXPECT_FALSE(r.HasEvent(EventLinkLost));
}

TEST(KeepAlive, AnUnansweredWriteIsRepeatedAtThreeSixAndNineSecondsAndTheLinkIsLostAtEleven) {
    Online r;
    r.Silence();
    const long t0 = r.onlineAt();
    r.link.SendParam(0x0103, 300);
    r.link.SendParam(0x0104, 5);  // waits behind it
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    const Bytes frame = BuildValueFrame(CmdWrite, 0x0103, 300);
    EXPECT_EQ(TimesOf(r.transport.writes, frame),
              (std::vector<long>{t0, t0 + 3000, t0 + 6000, t0 + 9000}));
    EXPECT_EQ(r.transport.writes.size(), 4u) << "the waiting write stays queued";
    EXPECT_EQ(r.events[0], std::make_pair(t0 + 11000, static_cast<int>(EventLinkLost)));
    EXPECT_FALSE(r.timers.IsRunning(LinkTimer::Hold));
    EXPECT_EQ(r.link.LinkState, LinkOffline);
    EXPECT_EQ(r.link.Status(), LinkStatus::Offline);
    EXPECT_EQ(r.host.linkActive, std::optional<bool>(false));
    ASSERT_EQ(r.host.messages.size(), 1u);
    EXPECT_EQ(r.host.messages[0], LinkNotice::Disconnected);
}

TEST(KeepAlive, AnUnansweredKeepAliveIsRepeatedTheSameWay) {
    Online r;
    r.Silence();
    const long t0 = r.onlineAt();
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    EXPECT_EQ(TimesOf(r.transport.writes, BuildLinkCommand(LinkKeepAlive)),
              (std::vector<long>{t0 + 1000, t0 + 4000, t0 + 7000, t0 + 10000}));
    EXPECT_EQ(r.events[0].first, t0 + 12000);
}

TEST(KeepAlive, ALoneUnansweredWriteIsItselfRepeatedSoItsValueIsNotLost) {
    Online r;
    r.Silence();
    const long t0 = r.onlineAt();
    r.link.SendParam(0x0103, 300);
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    EXPECT_EQ(TimesOf(r.transport.writes, BuildValueFrame(CmdWrite, 0x0103, 300)),
              (std::vector<long>{t0, t0 + 3000, t0 + 6000, t0 + 9000}));
    EXPECT_TRUE(TimesOf(r.transport.writes, BuildLinkCommand(LinkKeepAlive)).empty());
    EXPECT_EQ(r.events[0].first, t0 + 11000);
}

TEST(KeepAlive, ALoneUnansweredBandWriteIsRepeatedToo) {
    Online r;
    r.Silence();
    const long t0 = r.onlineAt();
    r.link.SendBandParam(0x0005, 200);  // music band 0 frequency
    const Bytes frame = BuildBandFrame(r.model, BandFrameId(0), 0);
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    EXPECT_EQ(TimesOf(r.transport.writes, frame),
              (std::vector<long>{t0, t0 + 3000, t0 + 6000, t0 + 9000}));
}

TEST(KeepAlive, AnUnansweredBandFrameIsRepeatedAlsoWithWritesWaitingBehindIt) {
    Online r;  // no single-value write yet in this run
    r.Silence();
    const long t0 = r.onlineAt();
    r.link.SendBandParam(0x0005, 200);
    r.link.SendParam(0x0103, 300);  // waits behind the band frame
    const Bytes band = BuildBandFrame(r.model, BandFrameId(0), 0);
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 20000));
    EXPECT_EQ(TimesOf(r.transport.writes, band), (std::vector<long>{t0, t0 + 3000, t0 + 6000, t0 + 9000}));
    EXPECT_EQ(r.transport.writes.size(), 4u)
        << "nothing else: in particular no write of the empty entry to the first word of page 0";
}

TEST(KeepAlive, AnUnansweredRecallLosesTheLinkAfterFiftyOneSeconds) {
    Online r;
    r.Silence();
    const long t0 = r.onlineAt();
    r.link.SendParam(IdRecallMode, 3);
    ASSERT_TRUE(r.RunUntilEvent(EventLinkLost, 60000));
    EXPECT_EQ(r.events[0], std::make_pair(t0 + 51000, static_cast<int>(EventLinkLost)));
    EXPECT_EQ(r.transport.writes.size(), 1u) << "no keep-alive while the recall is pending";
}

}  // namespace
}  // namespace kdsp::test
