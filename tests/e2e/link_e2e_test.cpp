// kdsp read, upload and set against a running kdsp-sim, over loopback TCP and over
// the simulator's pseudo-terminal, cleanly and with faults.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "core/protocol/frames.h"
#include "e2e_rig.h"

namespace kdsp::e2e {
namespace {

TEST(LinkEndToEnd, ReadOverTcpWritesTheProcessorsMemory) {
    const auto dir = FreshDir();
    Sim sim(dir, {"--mode-name", "3=Stage"});
    ASSERT_FALSE(sim.port.empty()) << ReadFile(dir / "sim.stderr");
    auto args = Tcp(sim);
    args.insert(args.begin(), "read");
    args.insert(args.end(), {"-o", (dir / "read.Nddt").string()});
    const CliRun r = Kdsp(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Online"), std::string::npos) << "progress shows the link status";
    ExpectPagesEqual(ImageOf(dir / "read.Nddt"), SimDevice::FactoryMemory());
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, ReadOverThePseudoTerminalMatchesTheTcpRead) {
    const auto dir = FreshDir();
    Sim sim(dir, {}, true);
    ASSERT_FALSE(sim.ptyPath.empty()) << ReadFile(dir / "sim.stderr");
    // The serial read at the usual pace, the TCP one fast (the test above reads TCP paced).
    const CliRun serial = Kdsp(dir, {"read", "--serial", sim.ptyPath, "-o", (dir / "pty.Nddt").string()});
    ASSERT_EQ(serial.status, 0) << serial.err;
    auto args = Tcp(sim);
    args.insert(args.begin(), {"read", "--fast"});
    args.insert(args.end(), {"-o", (dir / "tcp.Nddt").string()});
    const CliRun tcp = Kdsp(dir, args);
    ASSERT_EQ(tcp.status, 0) << tcp.err;
    EXPECT_EQ(ReadFile(dir / "pty.Nddt"), ReadFile(dir / "tcp.Nddt"));
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, UploadedPresetReadsBackIdentical) {
    const auto dir = FreshDir();
    Sim sim(dir, {}, true);
    ASSERT_FALSE(sim.ptyPath.empty());
    // Start from what the processor holds, change values across several pages. The
    // upload goes at the usual pace, the reads around it fast.
    ASSERT_EQ(Kdsp(dir, {"read", "--fast", "--serial", sim.ptyPath, "-o", (dir / "a.Nddt").string()}).status, 0);
    Model model;
    ApplyPreset(Parse(dir / "a.Nddt"), model);
    model.DeviceImage[0][5] = 77;     // music band 1 frequency, sing copy
    model.DeviceImage[0][60] = 88;    // and a dance-copy slot
    model.DeviceImage[2][17] = 5;     // dynamic EQ
    model.DeviceImage[6][20] = 200;   // main output low-pass
    model.DeviceImage[9][115] = 4321; // last slot of the rear output
    model.DeviceImage[10][17] = 1;    // remote switch: not the processor's, and not sent
    WritePresetFile(dir / "b.Nddt", model);

    auto up = Tcp(sim);
    up.insert(up.begin(), {"upload", (dir / "b.Nddt").string(), "--backup-dir", (dir / "backups").string()});
    const CliRun u = Kdsp(dir, up);
    ASSERT_EQ(u.status, 0) << u.err;
    EXPECT_NE(u.err.find("uploaded " + (dir / "b.Nddt").string() + ", read back and checked\n"), std::string::npos)
        << u.err;
    ASSERT_EQ(Kdsp(dir, {"read", "--fast", "--serial", sim.ptyPath, "-o", (dir / "c.Nddt").string()}).status, 0);
    DeviceImageRows want = ImageOf(dir / "b.Nddt");
    want[10][17] = 0;  // the closing word leaves the processor's remote switch as it was
    EXPECT_EQ(ImageOf(dir / "c.Nddt"), want) << "the preset read back must be the file that was uploaded";

    // Exactly one backup, named by the processor's identity, holding the memory from before.
    std::vector<fs::path> backups;
    for (const auto& e : fs::directory_iterator(dir / "backups")) backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(std::regex_match(backups[0].filename().string(), std::regex("5A352026-[0-9]{8}T[0-9]{6}Z\\.Nddt")))
        << backups[0];
    EXPECT_NE(u.err.find("the processor's previous settings are in " + backups[0].string() + "\n"), std::string::npos)
        << u.err;
    ExpectPagesEqual(ImageOf(backups[0]), ImageOf(dir / "a.Nddt"));
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, UploadRefusesABrokenFileWithoutConnecting) {
    const auto dir = FreshDir();
    {
        std::ofstream(dir / "bad.Nddt") << "not a preset\r\n";
    }
    const CliRun r = Kdsp(dir, {"upload", (dir / "bad.Nddt").string(), "--host", "127.0.0.1",
                             "--port", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File format error!"), std::string::npos) << r.err;
    fs::remove_all(dir);
}

// A processor that acknowledges page 6 but keeps its old words: the read-back finds
// it and the command fails naming the page; without the read-back it goes unnoticed,
// and nothing is read after the upload.
TEST(LinkEndToEnd, AnUploadThatTheProcessorDoesNotStoreFailsNamingThePage) {
    const auto dir = FreshDir();
    Model model;
    model.DeviceImage = SimDevice::FactoryMemory();
    model.DeviceImage[6][20] = 200;
    model.DeviceImage[6][21] = 3;
    model.DeviceImage[7][20] = 100;
    WritePresetFile(dir / "up.Nddt", model);
    Sim sim(dir, {"--ignore-page-writes", "6", "--log"});
    ASSERT_FALSE(sim.port.empty()) << ReadFile(dir / "sim.stderr");
    auto args = Tcp(sim);
    args.insert(args.begin(), {"upload", "--fast", (dir / "up.Nddt").string(), "--backup-dir", (dir / "b").string()});
    const CliRun r = Kdsp(dir, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_match(FailureLines(r.err),
                                 std::regex("kdsp: the processor did not store the upload: page 6 \\(main "
                                            "output\\): 2 words differ; its previous settings are in " +
                                            (dir / "b").string() + "/5A352026-[0-9T]+Z\\.Nddt\n")))
        << r.err;

    args.insert(args.begin() + 1, "--no-verify");
    const std::size_t before = RequestsReceived(dir / "sim.stderr").size();
    const CliRun unchecked = Kdsp(dir, args);
    EXPECT_EQ(unchecked.status, 0) << unchecked.err;
    const auto requests = RequestsReceived(dir / "sim.stderr");
    ASSERT_GT(requests.size(), before + 2);
    // The upload's last frames are its closing words; then only the goodbye.
    EXPECT_EQ(requests[requests.size() - 2], HexBytes(BuildValueFrame(CmdRead, IdRemote, 0)));
    EXPECT_EQ(requests.back(), HexBytes(BuildLinkCommand(LinkDisconnect)));
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, SetWritesParametersThroughTheQueue) {
    const auto dir = FreshDir();
    Sim sim(dir, {}, true);
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(),
                {"set", "--fast", "0x0614", "200", "0x0103", "300", "0x0211", "5", "0x0512", "130"});
    const CliRun r = Kdsp(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("kdsp: warning: mic.noise_gate: stored value 300 is out of range "
                         "(1..10, Off), set to 10\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("0x0103\t0 -> 10\n"), std::string::npos) << r.out;
    ASSERT_EQ(Kdsp(dir, {"read", "--fast", "--serial", sim.ptyPath, "-o", (dir / "r.Nddt").string()}).status, 0);
    const auto image = ImageOf(dir / "r.Nddt");
    EXPECT_EQ(image[6][20], 200);
    EXPECT_EQ(image[1][3], 10) << "brought inside its range, as the window would";
    EXPECT_EQ(image[2][17], 5) << "grouped dynamic-EQ write";
    EXPECT_EQ(image[5][18], 130) << "a reverb-EQ id is written to the reverb page";
    EXPECT_EQ(image[4][18], SimDevice::FactoryMemory()[4][18]) << "not to the echo page";
    // Refused input never reaches the link.
    EXPECT_EQ(Kdsp(dir, {"set", "0x0C00", "1", "--host", "127.0.0.1", "--port", sim.port}).status, 2);
    EXPECT_EQ(Kdsp(dir, {"set", "0x0614", "--host", "127.0.0.1", "--port", sim.port}).status, 2);
    fs::remove_all(dir);
}

// Names typed as in the window land in the stored copy they name, on every page
// and whichever operating mode the processor is in; nothing else changes.
TEST(LinkEndToEnd, SetByNameLandsInTheNamedCopyInBothOperatingModes) {
    struct Landing {
        const char* name;
        const char* value;
        int page, slot, stored;
    };
    const Landing landings[] = {
        {"music.band3.frequency", "1000Hz", 0, 15, 204},
        {"music.dance.band3.gain", "-6dB", 0, 68, 90},
        {"music.dance.eq.bypass", "on", 0, 55, 1},
        {"mic_a.band2.q", "2.0", 1, 14, 28},
        {"mic.noise_gate", "5", 1, 3, 5},
        {"mic_b.band2.gain", "6dB", 3, 13, 150},
        {"deq.band2.frequency", "1000", 2, 15, 204},
        {"deq.band3.dynamics", "Above", 2, 31, 2},
        {"echo.time", "200", 4, 7, 100},
        {"echo.eq.band1.gain", "3dB", 4, 18, 135},
        {"reverb.eq.band5.frequency", "12000Hz", 5, 37, 333},
        {"reverb.time", "500", 5, 4, 8},
        {"main.lowpass.frequency", "1000Hz", 6, 20, 204},
        {"main.dance.mix.music.level", "80", 6, 1, 40},
        {"main.band2.gain", "-3dB", 6, 41, 105},
        {"aux1.delay", "12.5", 7, 27, 125},
        {"aux2.mute", "on", 8, 28, 1},
        {"aux2.dance.mix.echo.phase", "on", 8, 11, 1},
        {"rear.delay.left", "20ms", 9, 27, 200},
        {"rear.mix.reverb.level", "50", 9, 12, 25},
        {"rear.band7.type", "HSEQ", 9, 64, 2},
        {"system.input.select", "input2", 10, 14, 1},
        {"system.volume.mic.max", "60", 10, 9, 60},
    };
    for (int mode : {0, 1}) {
        const auto dir = FreshDir();
        Model start;
        start.DeviceImage = SimDevice::FactoryMemory();
        start.DeviceImage[PageMusic][1] = mode;
        WritePresetFile(dir / "state.Nddt", start);
        Model expected = start;
        std::vector<std::string> args = {"set", "--fast"};
        for (const Landing& l : landings) {
            args.insert(args.end(), {l.name, l.value});
            expected.DeviceImage[l.page][l.slot] = l.stored;
        }
        WritePresetFile(dir / "expected.Nddt", expected);
        Sim sim(dir, {"--state", (dir / "state.Nddt").string()});
        ASSERT_FALSE(sim.port.empty());
        auto tcp = Tcp(sim);
        args.insert(args.end(), tcp.begin(), tcp.end());
        const CliRun r = Kdsp(dir, args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("main.lowpass.frequency\tOff -> 1000.0Hz\n"), std::string::npos)
            << "the value before and after: " << r.out;

        if (mode == 1) {
            auto get = Tcp(sim);
            get.insert(get.begin(), {"get", "--fast", "--json", "rear.delay.*", "0x0600"});
            const CliRun g = Kdsp(dir, get);
            ASSERT_EQ(g.status, 0) << g.err;
            EXPECT_NE(g.out.find("\"mode\": \"dance\""), std::string::npos) << g.out;
            EXPECT_NE(g.out.find("{\"name\": \"rear.delay.left\", \"id\": \"0x091B\", \"page\": 9, "
                                 "\"slot\": 27, \"value\": 200, \"shown\": \"20.0ms\", "
                                 "\"unit\": \"ms\"}"),
                      std::string::npos)
                << g.out;
            EXPECT_NE(g.out.find("\"name\": \"rear.delay.right\""), std::string::npos);
            EXPECT_NE(g.out.find("{\"name\": \"main.dance.mix.music.level\", \"id\": \"0x0600\", "
                                 "\"page\": 6, \"slot\": 1, \"value\": 40, \"shown\": \"80\""),
                      std::string::npos)
                << "an id reads the copy of the mode in use: " << g.out;
        }
        ASSERT_EQ(sim.process->Stop(), 0);
        const auto got = ImageOf(dir / "state.Nddt");
        const auto want = ImageOf(dir / "expected.Nddt");
        for (int p = 0; p < PageCount; ++p)
            for (int s = 0; s < DeviceImageSlots; ++s)
                EXPECT_EQ(got[p][s], want[p][s]) << "mode " << mode << ": page " << p << " slot " << s;
        fs::remove_all(dir);
    }
}

TEST(LinkEndToEnd, ReadSurvivesSplitMergedAndDroppedAnswers) {
    const auto dir = FreshDir();
    // Two replies are dropped: the first two steps are asked again.
    Sim sim(dir, {"--split", "--merge", "--drop-first-replies", "2", "--seed", "5"});
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(), {"read", "--fast"});
    args.insert(args.end(), {"-o", (dir / "read.Nddt").string()});
    const CliRun r = Kdsp(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPagesEqual(ImageOf(dir / "read.Nddt"), SimDevice::FactoryMemory());
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, ProcessorFallingSilentIsReportedAsFailure) {
    const auto dir = FreshDir();
    // Silent during the read: the connect command and pages 0..4 are answered, page 5 never.
    Sim sim(dir, {"--silent-after", "6"}, true);
    ASSERT_FALSE(sim.ptyPath.empty());
    const CliRun r = Kdsp(dir, {"read", "--serial", sim.ptyPath, "-o", (dir / "x.Nddt").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(FailureLines(r.err), "kdsp: lost the processor during the read at page 5\n") << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.Nddt")) << "no preset from a failed read";

    // Silent from the start: the TCP search gives up after three connect commands.
    Sim mute(dir, {"--silent-after", "0"});
    ASSERT_FALSE(mute.port.empty());
    auto args = Tcp(mute);
    args.insert(args.begin(), "read");
    args.insert(args.end(), {"-o", (dir / "y.Nddt").string()});
    const CliRun m = Kdsp(dir, args);
    EXPECT_EQ(m.status, 1) << m.err;
    EXPECT_EQ(FailureLines(m.err), "kdsp: no answer from 127.0.0.1:" + mute.port + "\n") << m.err;
    fs::remove_all(dir);
}

// --serial is that port and nothing else; every failure is one line naming the
// port or address; Qt's own warnings stay out unless -v asks for diagnosis.
TEST(LinkEndToEnd, FailuresAreOneLineNamingThePortOrAddress) {
    const auto dir = FreshDir();
    const std::string nope = (dir / "nope").string();
    const CliRun missing = Kdsp(dir, {"read", "--serial", nope, "-o", (dir / "x.Nddt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(FailureLines(missing.err), "kdsp: cannot open " + nope + ": No such file or directory\n")
        << missing.err;

    Sim mute(dir, {"--silent-after", "0"}, true);
    ASSERT_FALSE(mute.ptyPath.empty());
    const CliRun silent = Kdsp(dir, {"read", "--serial", mute.ptyPath, "-o", (dir / "x.Nddt").string()});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(FailureLines(silent.err), "kdsp: no answer on " + mute.ptyPath + "\n") << silent.err;
    EXPECT_EQ(silent.err.find("127.0.0.1"), std::string::npos) << "no TCP fall-back: " << silent.err;

    const CliRun refused =
        Kdsp(dir, {"read", "--host", "127.0.0.1", "--port", "1", "-o", (dir / "x.Nddt").string()});
    EXPECT_EQ(refused.status, 1);
    const std::string line = FailureLines(refused.err);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << refused.err;
    EXPECT_NE(line.find("127.0.0.1:1"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("QNativeSocketEngine"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir / "x.Nddt"));

    // -v: the frames as hex, both ways.
    Sim sim(dir, {});
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(), {"get", "-v", "main.delay.right"});
    const CliRun v = Kdsp(dir, args);
    ASSERT_EQ(v.status, 0) << v.err;
    EXPECT_NE(v.err.find("kdsp: > FC BA 06 A7 0A 30 11 00 54\n"), std::string::npos) << v.err;
    EXPECT_NE(v.err.find("kdsp: < FE BB\n"), std::string::npos) << v.err;
    EXPECT_EQ(v.out, "main.delay.right\t0.0ms\t0\n");
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, TimeoutBoundsTheCommandAndTheLineSaysWhatItWaitsFor) {
    const auto dir = FreshDir();
    // Two connect commands and pages 0..3 are answered; page 4 never is.
    Sim sim(dir, {"--silent-after", "6"});
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(), {"read", "--timeout", "6"});
    args.insert(args.end(), {"-o", (dir / "x.Nddt").string()});
    const CliRun r = Kdsp(dir, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\nReading \\[127.0.0.1:[0-9]+\\] [0-9]+%, "
                                                    "waiting for page 4\n")))
        << r.err;
    EXPECT_EQ(FailureLines(r.err), "kdsp: gave up after 6 s waiting for page 4 (--timeout)\n")
        << r.err;
    EXPECT_FALSE(fs::exists(dir / "x.Nddt"));
    fs::remove_all(dir);
}

// Ctrl-C in the middle of an upload stops sending and says what the processor holds.
TEST(LinkEndToEnd, InterruptedUploadSaysTheProcessorIsPartlyUpdated) {
    const auto dir = FreshDir();
    Model model;
    model.DeviceImage = SimDevice::FactoryMemory();
    model.DeviceImage[9][27] = 200;  // the last page: never reached
    WritePresetFile(dir / "up.Nddt", model);
    Sim sim(dir, {"--delay-ms", "150", "--state", (dir / "state.Nddt").string()});
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(), {"upload", (dir / "up.Nddt").string(), "--backup-dir", (dir / "backups").string()});
    Process upload(KDSP_CLI_PATH, args, dir / "up.stderr");
    ASSERT_TRUE(upload.Started());
    bool uploading = false;
    for (int i = 0; i < 600 && !uploading; ++i) {  // at most a minute
        std::this_thread::sleep_for(100ms);
        uploading = ReadFile(dir / "up.stderr").find("Uploading [127.0.0.1:" + sim.port + "] 42%") !=
                    std::string::npos;
    }
    ASSERT_TRUE(uploading) << ReadFile(dir / "up.stderr");
    upload.Signal(SIGINT);
    EXPECT_EQ(upload.Wait(10s), 130);
    const std::string err = ReadFile(dir / "up.stderr");
    EXPECT_TRUE(std::regex_search(
        FailureLines(err),
        std::regex("^kdsp: upload interrupted while sending page [0-9]: the processor is only "
                   "partly updated; its previous settings are in " + (dir / "backups").string() +
                   "/5A352026-[0-9T]+Z\\.Nddt; upload the file again to finish\n$")))
        << err;
    ASSERT_EQ(sim.process->Stop(), 0);
    EXPECT_EQ(ImageOf(dir / "state.Nddt")[9][27], SimDevice::FactoryMemory()[9][27])
        << "nothing more was sent after the interruption";
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, SimulatorChecksItsOptionsBeforeServing) {
    const auto dir = FreshDir();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"--state", (dir / "no" / "s.Nddt").string()},
         1,
         "kdsp-sim: cannot save the memory to " + (dir / "no" / "s.Nddt").string() +
             ": the folder does not exist\n"},
        {{"--state", dir.string()}, 1, ": it is a folder\n"},
        {{"--system-password", "12345"}, 2, "kdsp-sim: the system password must be six digits\n"},
        {{"--panel-password", "12345"}, 2, "kdsp-sim: the panel password must be four digits\n"},
        {{"--pty-link", (dir / "tty").string()}, 2, "--pty-link requires --pty"},
    };
    for (const auto& c : cases) {
        auto args = c.args;
        args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        Process sim(KDSP_SIM_PATH, args, dir / "sim.stderr");
        EXPECT_FALSE(sim.ReadLine(10s).has_value()) << "refused before serving: " << c.message;
        EXPECT_EQ(sim.Wait(10s), c.status) << c.message;
        EXPECT_NE(ReadFile(dir / "sim.stderr").find(c.message), std::string::npos)
            << ReadFile(dir / "sim.stderr");
    }
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, LostRepliesAreAskedAgainAndAClosedConnectionIsNamed) {
    const auto dir = FreshDir();
    // A fifth of the replies never come: each lost one is asked for again.
    Sim lossy(dir, {"--drop-replies", "0.2", "--seed", "3"}, true);
    ASSERT_FALSE(lossy.ptyPath.empty()) << ReadFile(dir / "sim.stderr");
    const CliRun r = Kdsp(dir, {"read", "--serial", lossy.ptyPath, "-o", (dir / "r.Nddt").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPagesEqual(ImageOf(dir / "r.Nddt"), SimDevice::FactoryMemory());
    EXPECT_NE(r.err.find("waiting for "), std::string::npos) << "the progress says what it waits for\n" << r.err;

    // The processor hangs up after the first eight frames (two connect commands, pages 0..5).
    Sim gone(dir, {"--close-after", "8"});
    ASSERT_FALSE(gone.port.empty());
    auto args = Tcp(gone);
    args.insert(args.begin(), {"read", "--fast"});
    args.insert(args.end(), {"-o", (dir / "x.Nddt").string()});
    const CliRun c = Kdsp(dir, args);
    EXPECT_EQ(c.status, 1) << c.err;
    EXPECT_NE(c.err.find("kdsp: connection closed by 127.0.0.1:" + gone.port + " during the read of page 6\n"),
              std::string::npos)
        << c.err;
    EXPECT_FALSE(fs::exists(dir / "x.Nddt"));
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, FastReadAsksThePacedRequestsInOrderAndFastUploadIsHeld) {
    const auto dir = FreshDir();
    // Answers 120 ms late, the first reply lost, some damaged: asked again, never skipped.
    Sim slow(dir, {"--log", "--delay-ms", "120", "--drop-first-replies", "1", "--corrupt", "0.05", "--seed", "4"});
    ASSERT_FALSE(slow.port.empty()) << ReadFile(dir / "sim.stderr");
    auto args = Tcp(slow);
    args.insert(args.begin(), {"read", "--fast"});
    args.insert(args.end(), {"-o", (dir / "a.Nddt").string()});
    const CliRun r = Kdsp(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPagesEqual(ImageOf(dir / "a.Nddt"), SimDevice::FactoryMemory());
    std::vector<std::string> expected = {HexBytes(BuildLinkCommand(LinkConnect))};
    for (int p = 0; p <= 9; ++p) expected.push_back(HexBytes(BuildPageReadRequest(p)));
    for (int i : {0x07, 0x08, 0x09, 0x0A, 0x0B, 0x20, 0x21, 0x22})
        expected.push_back(HexBytes(BuildItemReadRequest(MakeId(PageSystem, i))));
    for (int m = 0; m < 9; ++m) expected.push_back(HexBytes(BuildModeNameRequest(m)));
    for (int i : {0x06, 0x02, 0x03, 0x04, 0x05, 0x0C, 0x0D, 0x0E, 0x40, 0x11, 0x01})
        expected.push_back(HexBytes(BuildItemReadRequest(MakeId(PageSystem, i))));
    expected.push_back(HexBytes(BuildLinkCommand(LinkDisconnect)));
    EXPECT_EQ(RequestsReceived(dir / "sim.stderr"), expected);
    slow.process->Stop();

    // A changed preset sent fast is what the processor then holds.
    const auto dir2 = FreshDir();
    Sim sim(dir2, {});
    ASSERT_FALSE(sim.port.empty());
    Model model;
    ApplyPreset(Parse(dir / "a.Nddt"), model);
    model.DeviceImage[0][5] = 77;
    model.DeviceImage[6][20] = 200;
    model.DeviceImage[9][115] = 4321;
    WritePresetFile(dir2 / "b.Nddt", model);
    auto up = Tcp(sim);
    up.insert(up.begin(), {"upload", "--fast", (dir2 / "b.Nddt").string(), "--backup-dir", (dir2 / "backups").string()});
    const CliRun u = Kdsp(dir2, up);
    ASSERT_EQ(u.status, 0) << u.err;
    auto back = Tcp(sim);
    back.insert(back.begin(), {"read", "--fast"});
    back.insert(back.end(), {"-o", (dir2 / "c.Nddt").string()});
    ASSERT_EQ(Kdsp(dir2, back).status, 0);
    EXPECT_EQ(ReadFile(dir2 / "c.Nddt"), ReadFile(dir2 / "b.Nddt"));
    fs::remove_all(dir);
    fs::remove_all(dir2);
}

// get and set read page 0 (the operating mode) and what they show or write, no more;
// stored modes go by the window's numbers and the processor's names.
TEST(LinkEndToEnd, GetAndSetReadOnlyWhatTheyNeedAndStoredModesGoByNumberAndName) {
    const auto dir = FreshDir();
    Sim sim(dir, {"--log"});
    ASSERT_FALSE(sim.port.empty()) << ReadFile(dir / "sim.stderr");
    const std::string connect = HexBytes(BuildLinkCommand(LinkConnect));
    const std::string goodbye = HexBytes(BuildLinkCommand(LinkDisconnect));
    auto run = [&](std::vector<std::string> args) {
        const std::size_t before = RequestsReceived(dir / "sim.stderr").size();
        if (args.front() != "fleet") {
            const auto tcp = Tcp(sim);
            args.insert(args.end(), tcp.begin(), tcp.end());
        }
        const CliRun r = Kdsp(dir, args);
        auto requests = RequestsReceived(dir / "sim.stderr");
        requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(before));
        return std::make_pair(r, requests);
    };

    for (const char* pace : {"--fast", "--timeout=60"}) {
        const auto [r, requests] = run({"set", pace, "main.lowpass.frequency", "1000Hz"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(requests, (std::vector<std::string>{connect, HexBytes(BuildPageReadRequest(0)),
                                                      HexBytes(BuildPageReadRequest(6)),
                                                      HexBytes(BuildValueFrame(CmdWrite, 0x0614, 204)),
                                                      goodbye}))
            << pace;
    }
    std::vector<std::string> names;
    for (int m = 0; m < StoredModeCount; ++m) names.push_back(HexBytes(BuildModeNameRequest(m)));
    {
        const auto [r, requests] = run({"get", "--fast", "system.stored_mode"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "system.stored_mode\t1-Karaoke\t0\n");
        std::vector<std::string> want = {connect, HexBytes(BuildPageReadRequest(0)),
                                         HexBytes(BuildItemReadRequest(IdRecallMode))};
        want.insert(want.end(), names.begin(), names.end());
        want.push_back(goodbye);
        EXPECT_EQ(requests, want);
    }
    {
        const auto [r, requests] = run({"set", "--fast", "system.stored_mode", "pop"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "system.stored_mode\t1-Karaoke -> 2-Pop\n");
        EXPECT_NE(std::find(requests.begin(), requests.end(), HexBytes(BuildValueFrame(CmdWrite, IdRecallMode, 1))),
                  requests.end());
    }
    {
        // A mode the processor does not have is refused, never brought into range.
        const auto [r, requests] = run({"set", "--fast", "system.stored_mode", "Disco"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(FailureLines(r.err),
                  "kdsp: system.stored_mode: the processor has no stored mode called 'Disco' (its modes: "
                  "1-Karaoke, 2-Pop, 3-Rock, 4-Ballad, 5-Jazz, 6-Live, 7-Party, 8-Speech, 9-User); "
                  "nothing was written\n");
        EXPECT_EQ(requests.back(), goodbye);
        for (const std::string& frame : requests) EXPECT_NE(frame.substr(0, 8), "FC BA 06 A7") << "no write";
    }
    {
        // The status reads the operating mode, the stored mode in use, its name and the identity.
        std::ofstream(dir / "one.txt") << "room tcp:127.0.0.1:" << sim.port << "\n";
        const auto [r, requests] = run({"fleet", "status", "--fast", "-i", (dir / "one.txt").string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("sing mode, stored mode 2-Pop"), std::string::npos) << r.out;
        EXPECT_EQ(requests, (std::vector<std::string>{connect, HexBytes(BuildPageReadRequest(0)),
                                                      HexBytes(BuildItemReadRequest(IdRecallMode)),
                                                      names[1], HexBytes(BuildItemReadRequest(IdDeviceIdentity)),
                                                      goodbye}));
    }
    fs::remove_all(dir);
}

// A link lost in the middle of an upload says, as Ctrl-C does, what the processor holds.
TEST(LinkEndToEnd, LinkLostDuringUploadSaysThePageAndTheBackup) {
    const auto dir = FreshDir();
    Model model;
    model.DeviceImage = SimDevice::FactoryMemory();
    WritePresetFile(dir / "up.Nddt", model);
    // The read takes two connect commands and 38 requests; the upload's page 2 never arrives.
    Sim sim(dir, {"--close-after", "48"});
    ASSERT_FALSE(sim.port.empty());
    auto args = Tcp(sim);
    args.insert(args.begin(), {"upload", "--fast", (dir / "up.Nddt").string(), "--backup-dir", (dir / "b").string()});
    const CliRun r = Kdsp(dir, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_search(
        FailureLines(r.err),
        std::regex("^kdsp: connection closed by 127.0.0.1:" + sim.port +
                   " during the upload of page [0-9]: the processor is only partly updated; its previous "
                   "settings are in " + (dir / "b").string() + "/5A352026-[0-9T]+Z\\.Nddt; upload the file "
                   "again to finish\n$")))
        << r.err;
    fs::remove_all(dir);
}

TEST(LinkEndToEnd, SimulatorSavesItsStateOnTerminate) {
    const auto dir = FreshDir();
    const fs::path state = dir / "state.Nddt";
    {
        Sim sim(dir, {"--state", state.string()});
        ASSERT_FALSE(sim.port.empty());
        const CliRun r = Kdsp(dir, {"set", "--fast", "0x0614", "123", "--host", "127.0.0.1", "--port", sim.port});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(sim.process->Stop(), 0);
        EXPECT_EQ(ReadFile(dir / "sim.stderr"),
                  "kdsp-sim: " + state.string() +
                      " does not exist yet: starting from the factory memory\n"
                      "kdsp-sim: memory saved to " + state.string() + "\n");
    }
    ASSERT_TRUE(fs::exists(state));
    EXPECT_EQ(ImageOf(state)[6][20], 123);
    // A second run starts from the saved memory.
    Sim again(dir, {"--state", state.string()}, true);
    ASSERT_FALSE(again.ptyPath.empty());
    ASSERT_EQ(Kdsp(dir, {"read", "--fast", "--serial", again.ptyPath, "-o", (dir / "r.Nddt").string()}).status, 0);
    EXPECT_EQ(ImageOf(dir / "r.Nddt")[6][20], 123);
    EXPECT_EQ(ReadFile(dir / "sim.stderr"), "kdsp-sim: memory loaded from " + state.string() + "\n");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsp::e2e

namespace kdsp::e2e {
namespace {

// A REW list imported onto the main output of a running processor: backup first, one
// band frame per band, and the export of the processor gives the list back.
TEST(LinkEndToEnd, EqImportSetsTheProcessorsBandsAfterABackupAndExportsThemBack) {
    const auto dir = FreshDir();
    Sim sim(dir, {});
    ASSERT_FALSE(sim.port.empty());
    {
        std::ofstream list(dir / "room.txt", std::ios::binary);
        list << "Filter Settings file\r\n\r\nEqualiser: Generic\r\nseat 1\r\n"
                "Filter  1: ON  PK       Fc 62.5 Hz  Gain 3.0 dB  Q 1.00\r\n"
                "Filter  2: ON  PK       Fc 45.8 Hz  Gain -5.2 dB  Q 4.60\r\n";
    }
    auto args = Tcp(sim);
    args.insert(args.begin(), {"eq", "import", (dir / "room.txt").string(), "--page", "main", "--fast",
                               "--backup-dir", (dir / "backups").string()});
    const CliRun r = Kdsp(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("deviation from the file (20 Hz - 20 kHz): largest "), std::string::npos) << r.out;
    ASSERT_EQ(std::distance(fs::directory_iterator(dir / "backups"), fs::directory_iterator()), 1);
    EXPECT_EQ(ImageOf(fs::directory_iterator(dir / "backups")->path())[6], SimDevice::FactoryMemory()[6])
        << "the backup holds the processor as it was";

    auto read = Tcp(sim);
    read.insert(read.begin(), {"read", "--fast", "-o", (dir / "r.Nddt").string()});
    ASSERT_EQ(Kdsp(dir, read).status, 0);
    const auto image = ImageOf(dir / "r.Nddt");
    EXPECT_EQ(std::vector<int>(image[6].begin() + 34, image[6].begin() + 44),
              (std::vector<int>{0, 60, 135, 16, 10, 0, 44, 94, 42, 10}));
    EXPECT_EQ(image[6][44 + 1], 130) << "unused bands flat at their default frequency";
    EXPECT_EQ(image[6][44 + 2], 120);

    auto exported = Tcp(sim);
    exported.insert(exported.begin(), {"eq", "export", "--page", "main", "--fast"});
    const CliRun e = Kdsp(dir, exported);
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_NE(e.out.find("Filter 1:  ON  PK  Fc 62.5 Hz  Gain 3.0 dB  Q 1.00\r\n"
                         "Filter 2:  ON  PK  Fc 45.9 Hz  Gain -5.2 dB  Q 4.50\r\n"),
              std::string::npos)
        << e.out;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsp::e2e
