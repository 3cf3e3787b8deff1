// kdsp fleet against a venue of simulated processors: forty on one simulator, one
// that never answers and two entries on one serial line.
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

    // The dead entry comes early, among the first the default 32 jobs take; the two
    // bar entries share one serial line and must take turns.
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

}  // namespace
}  // namespace kdsp::e2e
