// kdsp fleet against a venue of simulated processors: forty on one simulator, one
// that never answers and two entries on one serial line; uploads to a small venue
// with one processor that acknowledges a page but keeps its old words.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "e2e_rig.h"

namespace kdsp::e2e {
namespace {

constexpr int Rooms = 40;

// Room k's memory: the factory one with two words of its own, so a file holding
// another room's memory is told apart.
Model RoomMemory(int k) {
    Model m;
    m.DeviceImage = SimDevice::FactoryMemory();
    m.DeviceImage[PageMusic][5] = 10 + k;  // music band 1 frequency
    m.DeviceImage[PageMain][20] = 100 + k;  // main output low-pass
    return m;
}

TEST(FleetEndToEnd, FortyProcessorsAndADeadOneEachGetTheirOwnResult) {
    const auto dir = FreshDir();
    fs::create_directories(dir / "states");
    for (int k = 1; k <= Rooms; ++k) {
        Model m = RoomMemory(k);
        WritePresetFile(dir / "states" / (std::to_string(k) + ".Nddt"), m);
    }
    Sim venue(dir, {"--devices", std::to_string(Rooms), "--state", (dir / "states").string()}, false,
              "venue");
    ASSERT_EQ(venue.ports.size(), static_cast<std::size_t>(Rooms)) << ReadFile(dir / "venue.stderr");
    Sim mute(dir, {"--silent-after", "0"}, false, "mute");
    Sim bar(dir, {"--state", (dir / "bar.Nddt").string()}, true, "bar");
    ASSERT_FALSE(mute.port.empty());
    ASSERT_FALSE(bar.ptyPath.empty());

    // The dead entry comes early; every processor starts at once, except that the
    // two bar entries share one serial line and must take turns.
    {
        std::ofstream inv(dir / "venue.txt");
        inv << "# the venue\nroom1 tcp:127.0.0.1:" << venue.ports[0] << "\n"
            << "dead tcp:127.0.0.1:" << mute.port << "   # never answers\n\n"
            << "bar1 serial:" << bar.ptyPath << "\nbar2 serial:" << bar.ptyPath << "\n";
        for (int k = 2; k <= Rooms; ++k)
            inv << "room" << k << "\ttcp:127.0.0.1:" << venue.ports[static_cast<std::size_t>(k - 1)] << "\n";
    }
    const std::string inventory = (dir / "venue.txt").string();
    const std::string deadLine = "no answer from 127.0.0.1:" + mute.port;

    const CliRun b = Kdsp(dir, {"fleet", "backup", "-i", inventory, "-o", (dir / "backups").string(), "--json"});
    EXPECT_EQ(b.status, 1) << b.err;
    EXPECT_EQ(FailureLines(b.err), "kdsp: 1 of 43 processors failed: dead\n") << b.err;
    EXPECT_TRUE(std::regex_search(b.out, std::regex(R"(^\{\n  "ok": false,\n  "command": "backup",)")))
        << b.out;
    EXPECT_TRUE(std::regex_search(
        b.out, std::regex("\\{\"name\": \"dead\", \"address\": \"tcp:127.0.0.1:" + mute.port +
                          "\", \"result\": \"failed\", \"error\": \"" + deadLine +
                          "\", \"duration\": [0-9.]+, \"file\": null\\}")))
        << b.out;
    for (int k = 1; k <= Rooms; ++k) {
        const std::string name = "room" + std::to_string(k);
        const fs::path file = dir / "backups" / (name + ".Nddt");
        EXPECT_NE(b.out.find("{\"name\": \"" + name + "\", \"address\": \"tcp:127.0.0.1:" +
                             venue.ports[static_cast<std::size_t>(k - 1)] +
                             "\", \"result\": \"ok\", \"error\": null, \"duration\": "),
                  std::string::npos)
            << name << "\n" << b.out;
        EXPECT_NE(b.out.find("\"file\": \"" + file.string() + "\"}"), std::string::npos) << name;
        ASSERT_TRUE(fs::exists(file)) << name;
        ExpectPagesEqual(ImageOf(file), RoomMemory(k).DeviceImage);
    }
    for (const char* name : {"bar1", "bar2"})
        ExpectPagesEqual(ImageOf(dir / "backups" / (std::string(name) + ".Nddt")), SimDevice::FactoryMemory());
    EXPECT_FALSE(fs::exists(dir / "backups" / "dead.Nddt"));

    // Each processor is itself: the status reads each one's identity.
    {
        std::ofstream two(dir / "two.txt");
        two << "a tcp:127.0.0.1:" << venue.ports[0] << "\nb tcp:127.0.0.1:" << venue.ports[1] << "\n";
    }
    const CliRun s = Kdsp(dir, {"fleet", "status", "--fast", "-i", (dir / "two.txt").string(), "--json"});
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_NE(s.out.find("\"online\": true, \"identity\": \"5A352026\", \"mode\": \"sing\""), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("\"online\": true, \"identity\": \"5A352027\""), std::string::npos) << s.out;

    // The same edit to all: every live one takes it, the table names the dead one.
    const CliRun set = Kdsp(dir, {"fleet", "set", "--fast", "-i", inventory, "main.lowpass.frequency", "1000Hz"});
    EXPECT_EQ(set.status, 1) << set.err;
    EXPECT_EQ(FailureLines(set.err), "kdsp: 1 of 43 processors failed: dead\n") << set.err;
    EXPECT_TRUE(std::regex_search(set.out, std::regex("^NAME +ADDRESS +RESULT +TIME +DETAIL\n")))
        << set.out;
    EXPECT_TRUE(std::regex_search(set.out, std::regex("\ndead +tcp:127.0.0.1:" + mute.port +
                                                      " +failed +[0-9.]+ s +" + deadLine + "\n")))
        << set.out;
    EXPECT_TRUE(std::regex_search(set.out, std::regex("\nroom40 +tcp:127.0.0.1:[0-9]+ +ok +[0-9.]+ s +1 value written\n")))
        << set.out;
    // A processor never reached took no writes.
    {
        std::ofstream(dir / "some.txt") << "a tcp:127.0.0.1:" << venue.ports[0] << "\ndead tcp:127.0.0.1:"
                                        << mute.port << "\n";
    }
    const CliRun some = Kdsp(dir, {"fleet", "set", "--fast", "--json", "-i", (dir / "some.txt").string(),
                                   "main.lowpass.frequency", "1000Hz"});
    EXPECT_EQ(some.status, 1) << some.err;
    EXPECT_NE(some.out.find("\"file\": null, \"writes\": 1, \"mode\": \"sing\""), std::string::npos) << some.out;
    EXPECT_NE(some.out.find("\"file\": null, \"writes\": 0, \"mode\": null"), std::string::npos) << some.out;
    ASSERT_EQ(venue.process->Stop(), 0);
    ASSERT_EQ(bar.process->Stop(), 0);
    for (int k = 1; k <= Rooms; ++k) {
        DeviceImageRows want = RoomMemory(k).DeviceImage;
        want[PageMain][20] = 204;
        ExpectPagesEqual(ImageOf(dir / "states" / (std::to_string(k) + ".Nddt")), want);
    }
    EXPECT_EQ(ImageOf(dir / "bar.Nddt")[PageMain][20], 204);
    fs::remove_all(dir);
}

TEST(FleetEndToEnd, UploadReachesTheLiveOnesAndVerifyFindsTheOneThatDidNotStore) {
    const auto dir = FreshDir();
    fs::create_directories(dir / "states");
    Sim venue(dir, {"--devices", "3", "--state", (dir / "states").string()}, false, "venue");
    Sim mute(dir, {"--silent-after", "0"}, false, "mute");
    Sim deaf(dir, {"--ignore-page-writes", "6", "--identity", "0000DEAF"}, false, "deaf");
    ASSERT_EQ(venue.ports.size(), 3u) << ReadFile(dir / "venue.stderr");
    ASSERT_FALSE(mute.port.empty());
    ASSERT_FALSE(deaf.port.empty());
    {
        std::ofstream inv(dir / "venue.txt");
        for (int k = 1; k <= 3; ++k)
            inv << "room" << k << " tcp:127.0.0.1:" << venue.ports[static_cast<std::size_t>(k - 1)] << "\n";
        inv << "dead tcp:127.0.0.1:" << mute.port << "\ndeaf tcp:127.0.0.1:" << deaf.port << "\n";
    }
    const std::string inventory = (dir / "venue.txt").string();
    Model preset = RoomMemory(7);
    const fs::path presetFile = dir / "preset.Nddt";
    WritePresetFile(presetFile, preset);
    const std::string backups = (dir / "backups").string();

    // A file that is no preset is refused before any processor is asked.
    const CliRun bad = Kdsp(dir, {"fleet", "upload", inventory, "-i", inventory, "--backup-dir", backups});
    EXPECT_EQ(bad.status, 1) << bad.err;
    EXPECT_NE(FailureLines(bad.err).find("File format error"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.out, "");
    EXPECT_FALSE(fs::exists(dir / "backups"));

    const CliRun up = Kdsp(dir, {"fleet", "upload", presetFile.string(), "-i", inventory, "--fast",
                                 "--backup-dir", backups, "--json"});
    EXPECT_EQ(up.status, 1) << up.err;
    EXPECT_EQ(FailureLines(up.err), "kdsp: 2 of 5 processors failed: dead, deaf\n") << up.err;
    // The one that kept its page is named with it, and its backup is reported.
    std::smatch deafBackup;
    ASSERT_TRUE(std::regex_search(up.out, deafBackup, std::regex(
        "\"error\": \"the processor did not store the upload: page 6 \\(main output\\): 1 word "
        "differs; its previous settings are in (" + backups + "/0000DEAF-[0-9T]+Z\\.Nddt)\"")))
        << up.out;
    EXPECT_NE(up.out.find("\"file\": \"" + deafBackup[1].str() + "\""), std::string::npos) << up.out;
    EXPECT_NE(up.out.find("{\"page\": 6, \"name\": \"main output\", \"words\": 1}"), std::string::npos);
    // Each live one's backup holds its memory from before the upload.
    for (int k = 1; k <= 3; ++k) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(up.out, m, std::regex("\\{\"name\": \"room" + std::to_string(k) +
                                                            "\", [^}]*\"result\": \"ok\", [^}]*\"file\": \"([^\"]+)\", "
                                                            "\"verified\": true, \"differences\": \\[\\]\\}")))
            << up.out;
        ExpectPagesEqual(ImageOf(m[1].str()), SimDevice::FactoryMemory());
    }

    // A following verify finds the live ones holding the preset, and names what differs.
    const CliRun v = Kdsp(dir, {"fleet", "verify", presetFile.string(), "-i", inventory, "--fast"});
    EXPECT_EQ(v.status, 1) << v.err;
    EXPECT_EQ(FailureLines(v.err), "kdsp: 2 of 5 processors failed: dead, deaf\n") << v.err;
    for (int k = 1; k <= 3; ++k)
        EXPECT_TRUE(std::regex_search(v.out, std::regex("\nroom" + std::to_string(k) +
                                                        " +tcp:\\S+ +ok +[0-9.]+ s +holds the preset\n")))
            << v.out;
    EXPECT_TRUE(std::regex_search(v.out, std::regex("\ndeaf +tcp:\\S+ +differs +[0-9.]+ s +page 6 "
                                                    "\\(main output\\): 1 word differs\n")))
        << v.out;
    ASSERT_EQ(venue.process->Stop(), 0);
    for (int k = 1; k <= 3; ++k)
        ExpectPagesEqual(ImageOf(dir / "states" / (std::to_string(k) + ".Nddt")), preset.DeviceImage);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsp::e2e
