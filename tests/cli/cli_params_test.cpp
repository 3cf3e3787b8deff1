// kdsp params, and the refusals of get and set by name, which come before any
// connection is tried.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "run_cli.h"

namespace kdsp::test {
namespace {

TEST(CliParams, ListsEveryStoredParameterOnceByName) {
    const CliResult r = RunKdsp({"params", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> names;
    const std::regex name(
        "\"name\": \"([a-z0-9_.]+)\", \"id\": (\"0x[0-9A-F]{4}\"|null), "
        "\"page\": ([0-9]+), ");
    int pages0to9 = 0;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), name);
         it != std::sregex_iterator(); ++it) {
        EXPECT_TRUE(names.insert((*it)[1]).second) << (*it)[1] << " listed twice";
        pages0to9 += std::stoi((*it)[3]) <= 9;
    }
    EXPECT_EQ(names.size(), 821u);
    EXPECT_EQ(pages0to9, 821 - 36) << "every stored word of pages 0..9";
    EXPECT_NE(r.out.find("{\"name\": \"main.lowpass.frequency\", \"id\": \"0x0614\", \"page\": 6, "
                         "\"index\": 20, \"slot\": 20, \"mode\": null, \"kind\": 5, \"min\": 0, "
                         "\"max\": 362, \"unit\": \"Hz\", \"shown_min\": \"19.7Hz\", "
                         "\"shown_max\": \"Off\", \"words\": [], \"caption\": \"低通频率\", "
                         "\"writable\": true}"),
              std::string::npos);

    const CliResult word = RunKdsp({"params", "delay.left"});
    EXPECT_EQ(word.out,
              "main.delay.left\t0x061B\t6:27\t0.0ms..50.0ms\t左延时\n"
              "rear.delay.left\t0x091B\t9:27\t0.0ms..50.0ms\t左延时\n");
    EXPECT_EQ(RunKdsp({"params", "rear.band?.type"}).out.size(),
              RunKdsp({"params", "main.band?.type"}).out.size());
    const CliResult none = RunKdsp({"params", "nothing*like*this"});
    EXPECT_EQ(none.status, 1);
}

TEST(CliParams, GetAndSetRefuseWhatTheyCannotUseBeforeConnecting) {
    // Nothing listens on port 1: a refusal must come from reading the arguments.
    const std::vector<std::string> tcp = {"--host", "127.0.0.1", "--port", "1"};
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"set", "main.lowpas.freq", "1000"}, "closest: main.lowpass.frequency"},
        {{"set", "main.lowpass.frequency", "3dB"}, "'3dB' is not a value in Hz"},
        {{"set", "main.lowpass.frequency", "1000", "echo.mode"}, "pairs"},
        {{"set", "music.reserved.2", "1"}, "no known use"},
        {{"set", "echo.mode", "loud"}, "not one of: mono, stereo"},
        {{"set", "--raw", "main.lowpass.frequency", "1000Hz"}, "invalid stored value"},
        {{"set", "0x0C00", "1"}, "no such parameter"},
        {{"get", "main.lowpass.freqency"}, "closest: main.lowpass.frequency"},
        {{"get", "*.nothing"}, "no parameter matches"},
        {{"get", "0x0A28"}, "no stored parameter"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), tcp.begin(), tcp.end());
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, 1) << c.args[1];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args[1] << ": " << r.err;
        EXPECT_EQ(r.err.find("connect"), std::string::npos) << "no connection tried: " << r.err;
    }
    {
        std::vector<std::string> args = {"set", "--json", "echo.time", "off"};
        args.insert(args.end(), tcp.begin(), tcp.end());
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "{\"ok\": false, \"error\": \"echo.time: 'off' is not a number\"}\n");
    }
}

}  // namespace
}  // namespace kdsp::test
