// The device session against the simulated processor on the manual clock: the
// states and progress of a read, writes to either stored copy, a lost processor
// taken up again, and failures with what failed and where.
#include <gtest/gtest.h>

#include "link_sim_rig.h"

namespace kdsp::test {
namespace {

using S = SessionState;

constexpr const char* Host = "127.0.0.1";
constexpr int Port = 18889;

TEST(Session, ReadReportsItsStatesAndProgressAndEndsHoldingTheProcessorsMemory) {
    SessionRig rig;
    rig.engine.ConnectTcp(Host, Port);
    ASSERT_TRUE(rig.RunUntilState(S::Online, 60000));
    EXPECT_EQ(rig.States(), (std::vector<S>{S::Connecting, S::Reading, S::Online}));

    std::vector<int> pages;
    for (const ProgressReport& p : rig.Seen<ProgressReport>()) {
        EXPECT_EQ(p.of, ReadStepCount);
        if (p.waitingFor.item == LinkWait::Item::Page &&
            (pages.empty() || pages.back() != p.waitingFor.page))
            pages.push_back(p.waitingFor.page);
    }
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (int p = 0; p < 10; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s)
            ASSERT_EQ(rig.engine.Image().DeviceImage[p][s], rig.device.Memory()[p][s])
                << p << "/" << s;
    ASSERT_EQ(rig.Seen<IdentityRead>().size(), 1u);
    EXPECT_EQ(rig.Seen<IdentityRead>()[0].identity, rig.engine.Identity());
    EXPECT_TRUE(rig.Seen<ValueChanged>().empty()) << "the first read is no change of values";
}

// Every name lands in the copy it names, whichever operating mode the processor is
// in: the other mode's copies are written with the processor switched to that mode,
// and it is left in its own. Nothing else changes.
TEST(Session, SetWritesTheNamedCopyInEitherOperatingModeAndLeavesTheModeAsItWas) {
    struct Landing {
        const char* name;
        const char* value;
        int page, slot, stored;
    };
    const Landing landings[] = {
        {"music.band3.frequency", "1000Hz", 0, 15, 204},
        {"music.dance.band3.gain", "-6dB", 0, 68, 90},
        {"mic_b.band2.gain", "6dB", 3, 13, 150},
        {"deq.band3.dynamics", "Above", 2, 31, 2},
        {"echo.effect.level", "40", 4, 1, 40},
        {"reverb.eq.band5.frequency", "12000Hz", 5, 37, 333},
        {"main.dance.mix.music.level", "80", 6, 1, 40},
        {"aux2.dance.mix.echo.phase", "on", 8, 11, 1},
        {"rear.band7.type", "HSEQ", 9, 64, 2},
        {"rear.mix.reverb.level", "50", 9, 12, 25},
        {"system.volume.mic.max", "60", 10, 9, 60},
    };
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode == 0 ? "sing" : "dance");
        SessionRig rig;
        rig.device.Memory()[PageMusic][1] = mode;
        rig.engine.ConnectTcp(Host, Port);
        ASSERT_TRUE(rig.RunUntilState(S::Online, 60000));
        DeviceImageRows expected = rig.device.Memory();
        for (const Landing& l : landings) {
            const ParamSpec* param = FindSpec(l.name);
            ASSERT_NE(param, nullptr) << l.name;
            const ParsedValue v = param->Parse(l.value);
            ASSERT_TRUE(v.ok) << l.name;
            EXPECT_FALSE(rig.engine.Set(*param, v.value).has_value()) << l.name;
            expected[l.page][l.slot] = l.stored;
            EXPECT_EQ(rig.engine.Stored(*param), l.stored) << l.name;
        }
        ASSERT_TRUE(rig.RunUntilSeen<WritesAcknowledged>(60000));
        for (int p = 0; p < PageCount; ++p)
            for (int s = 0; s < DeviceImageSlots; ++s)
                EXPECT_EQ(rig.device.Memory()[p][s], expected[p][s])
                    << "page " << p << " slot " << s;
        EXPECT_EQ(rig.engine.OperatingMode(), mode);
        EXPECT_EQ(rig.States().back(), S::Online) << "writes never take the session off line";
        const auto changes = rig.Seen<ValueChanged>();
        ASSERT_EQ(changes.size(), std::size(landings));
        EXPECT_EQ(changes[4].param->Name(), "echo.effect.level");
        EXPECT_EQ(changes[4].newValue, 40);
        EXPECT_EQ(changes[4].origin, ChangeOrigin::FrontEnd);
    }
}

// A new operating mode set after a copy of the other one goes out once, after the
// switch back: sent while that switch was unacknowledged, the link would queue it and
// repeat it as the last word of its queue.
TEST(Session, ANewOperatingModeGoesOutOnceAfterEverythingBeforeIt) {
    SessionRig rig;
    rig.engine.ConnectTcp(Host, Port);
    ASSERT_TRUE(rig.RunUntilState(S::Online, 60000));
    rig.transport.writes.clear();
    EXPECT_FALSE(rig.engine.Set(*FindSpec("music.dance.band3.gain"), 90).has_value());
    EXPECT_FALSE(rig.engine.Set(*FindSpec("music.mode"), 1).has_value());
    ASSERT_TRUE(rig.RunUntilSeen<WritesAcknowledged>(60000));
    const auto modeWrite = [](int mode) { return BuildValueFrame(CmdWrite, 0x0001, static_cast<std::uint16_t>(mode)); };
    EXPECT_EQ(CountFrames(rig.transport.writes, modeWrite(1)), 2) << "to dance for the copy, and the new mode";
    EXPECT_EQ(CountFrames(rig.transport.writes, modeWrite(0)), 1) << "back to sing";
    EXPECT_EQ(rig.transport.writes.back().bytes, modeWrite(1));
    EXPECT_EQ(rig.device.Memory()[PageMusic][1], 1);
    EXPECT_EQ(rig.engine.OperatingMode(), 1);
}

// The window's way: the session reads into the front end's image, shows the link's
// work on its display, and leaves alone a mode the front end switched by itself.
TEST(Session, OnAFrontEndsImageItReadsIntoItAndLeavesTheModeTheFrontEndSet) {
    SessionRig r({}, /*frontEndImage=*/true);
    r.engine.PressConnect();
    ASSERT_TRUE(r.RunUntilState(SessionState::Online, 60000));
    r.ExpectImageMatchesDevice();
    EXPECT_EQ(r.host.statuses.back(), LinkStatus::Online);
    EXPECT_EQ(r.host.refreshes, 1) << "the view is the front end's to rebuild";
    const int other = 1 - r.model.ModeFlag;
    r.model.ModeFlag = other;
    r.engine.Set(ImageEdit{FindSpec("music.mode"), 1 - other, other});
    r.Run(2000);
    EXPECT_EQ(r.device.Memory()[PageMusic][1], other) << "not switched back";
    // A copy of the mode the image is not in would land in this mode's slot.
    const ParamSpec& away = *FindSpec(other == 1 ? "music.band3.gain" : "music.dance.band3.gain");
    const std::size_t sent = r.transport.writes.size();
    const DeviceImageRows image = r.model.DeviceImage;
    const std::optional<Failure> refused = r.engine.Set(ImageEdit{&away, 0, 100, AsStored::BandFrame});
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->code, FailureCode::NotWritable);
    EXPECT_EQ(r.transport.writes.size(), sent);
    EXPECT_EQ(r.model.DeviceImage, image);
}

// What each transfer does to the image, told after the state it leaves: a front end
// keeps or offers its own edits by it (after an upload not read back the image is
// what was sent, not what the processor holds).
TEST(Session, EachTransferSaysWhatItReplacesWhenItBeginsAndWhenItIsThrough) {
    using K = TransferKind;
    SessionRig rig;
    auto kinds = [&rig] {
        std::vector<std::string> out;
        for (const SessionEvent& e : rig.seen)
            if (const auto* b = std::get_if<TransferBegan>(&e))
                out.push_back("began " + std::string(ToString(b->kind)));
            else if (const auto* d = std::get_if<TransferDone>(&e))
                out.push_back("done " + std::string(ToString(d->kind)));
        return out;
    };
    rig.engine.ConnectTcp(Host, Port);
    ASSERT_TRUE(rig.RunUntilSeen<TransferDone>(60000));
    EXPECT_EQ(kinds(), (std::vector<std::string>{"began first_read", "done first_read"}));
    EXPECT_TRUE(std::holds_alternative<TransferDone>(rig.seen.back())) << "told after going online";

    const PresetReadResult preset = ParsePreset(FormatPresetFile(rig.engine.Image().DeviceImage));
    const std::vector<std::pair<bool, std::vector<std::string>>> uploads = {
        {false, {"began upload", "done upload"}},
        {true, {"began upload", "began read_again", "done read_again"}},
    };
    for (const auto& [readBack, expected] : uploads) {
        rig.seen.clear();
        ASSERT_FALSE(rig.engine.Upload(preset, readBack));
        ASSERT_TRUE(rig.RunUntilSeen<TransferDone>(60000));
        EXPECT_EQ(kinds(), expected) << (readBack ? "read back" : "not read back");
        ASSERT_EQ(rig.Seen<TransferDone>()[0].kind, readBack ? K::ReadAgain : K::Upload);
    }
    rig.seen.clear();
    ASSERT_FALSE(rig.engine.Read());
    ASSERT_TRUE(rig.RunUntilSeen<TransferDone>(60000));
    EXPECT_EQ(kinds(), (std::vector<std::string>{"began read_again", "done read_again"}));
}

TEST(Session, ALostProcessorIsReportedAndTakenUpAgainByItselfWhenAsked) {
    FaultOptions silent;
    silent.silentAfter = 0;
    for (bool reconnect : {true, false}) {
        SCOPED_TRACE(reconnect ? "reconnecting" : "not reconnecting");
        SessionRig rig;
        rig.engine.SetAutoReconnect(reconnect);
        rig.engine.ConnectTcp(Host, Port);
        ASSERT_TRUE(rig.RunUntilState(S::Online, 60000));
        rig.seen.clear();
        rig.faults.Reconfigure(silent);
        ASSERT_TRUE(rig.RunUntilSeen<Failure>(30000));
        EXPECT_EQ(rig.Seen<Failure>()[0].code, FailureCode::LinkLost);
        EXPECT_EQ(rig.Seen<Failure>()[0].port, "127.0.0.1:18889");
        EXPECT_TRUE(EndsConnection(rig.Seen<Failure>()[0].code));
        if (!reconnect) {
            EXPECT_EQ(rig.States(), (std::vector<S>{S::Lost}));
            continue;
        }
        rig.faults.Reconfigure({});
        ASSERT_TRUE(rig.RunUntilState(S::Online, 120000));
        EXPECT_EQ(rig.States(), (std::vector<S>{S::Reconnecting, S::Reading, S::Online}));
        ASSERT_EQ(rig.Seen<TransferBegan>().size(), 1u);
        EXPECT_EQ(rig.Seen<TransferBegan>()[0].kind, TransferKind::FirstRead) << "a new link's read";
    }
}

TEST(Session, FailuresSayWhatFailedAndWhere) {
    {
        // A serial port that never answers: the network is not tried instead.
        SessionRig rig;
        rig.transport.failingPorts = {"/dev/ttyFAKE0"};
        rig.engine.ConnectSerial("/dev/ttyFAKE0");
        ASSERT_TRUE(rig.RunUntilSeen<Failure>(30000));
        EXPECT_EQ(rig.Seen<Failure>()[0].code, FailureCode::NoAnswer);
        EXPECT_EQ(rig.Seen<Failure>()[0].port, "/dev/ttyFAKE0");
        EXPECT_EQ(rig.transport.tcpConnects, 0);
        EXPECT_EQ(rig.States(), (std::vector<S>{S::Searching, S::Offline}));
    }
    // The processor falls silent after the search's and the read's connect commands
    // and pages 0..2.
    FaultOptions options;
    options.silentAfter = 5;
    SessionRig rig(options);
    rig.engine.ConnectTcp(Host, Port);
    ASSERT_TRUE(rig.RunUntilSeen<Failure>(120000));
    const Failure f = rig.Seen<Failure>()[0];
    EXPECT_EQ(f.code, FailureCode::TransferFailed);
    EXPECT_EQ(f.page, 3);
    EXPECT_EQ(f.reason, "lost the processor during the read at page 3");
    EXPECT_EQ(rig.engine.State(), S::Offline);
    // Refused at once, with nothing sent.
    const std::size_t sent = rig.transport.writes.size();
    EXPECT_EQ(rig.engine.Set(*FindSpec("echo.effect.level"), 40)->code, FailureCode::NotOnline);
    EXPECT_EQ(rig.engine.Set(*FindSpec("music.reserved.2"), 1)->code, FailureCode::NotWritable);
    EXPECT_EQ(rig.engine.Recall(9)->code, FailureCode::NoSuchMode);
    EXPECT_EQ(rig.transport.writes.size(), sent);
}

}  // namespace
}  // namespace kdsp::test
