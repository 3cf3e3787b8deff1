// The example front end against a running kdsp-sim: it reads, sends the one write
// it was asked for, and prints each event of the session on its own line.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/protocol/frames.h"
#include "e2e_rig.h"

namespace kdsp::e2e {
namespace {

std::vector<std::string> Lines(Process& p) {
    std::vector<std::string> lines;
    while (const auto line = p.ReadLine(CommandLimit))
        lines.push_back(*line);
    return lines;
}

TEST(SetByNameEndToEnd, SetsTheNamedParameterWithOneFrameAndReportsEachEvent) {
    const auto dir = FreshDir();
    Sim sim(dir, {"--log"});
    ASSERT_FALSE(sim.port.empty()) << ReadFile(dir / "sim.stderr");
    Process p(KDSP_SET_BY_NAME_PATH, {"127.0.0.1", sim.port, "echo.effect.level", "40"},
              dir / "example.stderr");
    const auto lines = Lines(p);
    ASSERT_EQ(p.Wait(5s), 0) << ReadFile(dir / "example.stderr");
    EXPECT_EQ(ReadFile(dir / "example.stderr"), "");

    const std::string value = "value echo.effect.level " +
                              std::to_string(SimDevice::FactoryMemory()[PageEcho][1]) +
                              " 40 front_end";
    auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "state connecting");
    EXPECT_LT(at("state reading"), at("state online"));
    EXPECT_LT(at("state online"), at(value));
    EXPECT_LT(at(value), at("acknowledged"));
    EXPECT_LT(at("acknowledged"), static_cast<long>(lines.size()));

    // After the read, the write and then the goodbye (keep-alives aside).
    // The simulator logs the goodbye when it reads it, which may be after the example
    // has gone: it is waited for (bounded).
    std::vector<std::string> frames;
    for (int tries = 0; tries < 250; ++tries) {
        frames = RequestsReceived(dir / "sim.stderr");
        std::erase(frames, HexBytes(BuildLinkCommand(LinkKeepAlive)));
        if (!frames.empty() && frames.back() == HexBytes(BuildLinkCommand(LinkDisconnect)))
            break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2],
              HexBytes(BuildValueFrame(CmdWrite, MakeId(PageEcho, 1), 40)));
    EXPECT_EQ(frames.back(), HexBytes(BuildLinkCommand(LinkDisconnect)));
    fs::remove_all(dir);
}

TEST(SetByNameEndToEnd, AFailureIsOneLineAndStatusOne) {
    const auto dir = FreshDir();
    Process unknown(KDSP_SET_BY_NAME_PATH, {"127.0.0.1", "1", "echo.effect.levle", "40"},
                    dir / "unknown.stderr");
    EXPECT_TRUE(Lines(unknown).empty());
    EXPECT_EQ(unknown.Wait(5s), 1);
    EXPECT_EQ(ReadFile(dir / "unknown.stderr"),
              "set_by_name: no parameter named echo.effect.levle\n");

    // Nothing listens on port 1 of the loopback address.
    Process refused(KDSP_SET_BY_NAME_PATH, {"127.0.0.1", "1", "echo.effect.level", "40"},
                    dir / "refused.stderr");
    Lines(refused);
    EXPECT_EQ(refused.Wait(5s), 1);
    const std::string err = ReadFile(dir / "refused.stderr");
    EXPECT_EQ(err.rfind("set_by_name: failure cannot_connect port=127.0.0.1:1 reason=", 0), 0u)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsp::e2e
