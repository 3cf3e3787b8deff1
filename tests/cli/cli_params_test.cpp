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
                         "\"caption_en\": \"Low-pass\", \"writable\": true}"),
              std::string::npos);

    // Captions in the window's English (Chinese on request); words match names and
    // captions; a name is found under its alias too; ranges show the top value.
    const CliResult word = RunKdsp({"params", "delay.left"});
    EXPECT_EQ(word.out,
              "main.delay.left\t0x061B\t6:27\t0.0ms..50.0ms\tLeft delay\n"
              "rear.delay.left\t0x091B\t9:27\t0.0ms..50.0ms\tLeft delay\n");
    EXPECT_EQ(RunKdsp({"params", "--lang", "zh", "main.delay.left"}).out,
              "main.delay.left\t0x061B\t6:27\t0.0ms..50.0ms\t左延时\n");
    EXPECT_EQ(RunKdsp({"params", "music.eq.band3.gain"}).out.rfind("music.band3.gain\t", 0), 0u);
    EXPECT_NE(RunKdsp({"params", "main.lowpass.frequency"}).out.find("\t19.7Hz..20600.0Hz, Off\tLow-pass\n"),
              std::string::npos);
    const CliResult echo = RunKdsp({"params", "echo level"});
    EXPECT_NE(echo.out.find("echo.effect.level\t0x0401\t4:1\t"), std::string::npos) << echo.out;
    EXPECT_NE(RunKdsp({"params", "threshold"}).out.find("\tThreshold\n"), std::string::npos);
    EXPECT_NE(RunKdsp({"params", "maximum"}).out.find("system.volume.music.max\t"), std::string::npos)
        << "a word of the English caption only";
    EXPECT_EQ(RunKdsp({"params", "rear.band?.type"}).out.size(),
              RunKdsp({"params", "main.band?.type"}).out.size());
    const CliResult none = RunKdsp({"params", "nothing*like*this"});
    EXPECT_EQ(none.status, 1);
}

TEST(CliParams, GetAndSetRefuseWhatTheyCannotUseBeforeConnecting) {
    // Nothing listens on port 1: a refusal must come from reading the arguments.
    const std::vector<std::string> tcp = {"--host", "127.0.0.1", "--port", "1"};
    // A missing value and an id outside the pages are usage errors (2) like other
    // option errors; a stored mode the processor does not have is refused, not clamped.
    const struct {
        std::vector<std::string> args;
        std::string message;
        int status = 1;
    } cases[] = {
        {{"set", "main.lowpas.freq", "1000"}, "closest: main.lowpass.frequency"},
        {{"set", "mic.echo.level", "50"}, " echo.effect.level "},
        {{"set", "main.lowpass.frequency", "3dB"}, "'3dB' is not a value in Hz"},
        {{"set", "main.lowpass.frequency", "1000", "echo.mode"}, "pairs", 2},
        {{"set", "music.reserved.2", "1"}, "no known use"},
        {{"set", "echo.mode", "loud"}, "not one of: mono, stereo"},
        {{"set", "--raw", "main.lowpass.frequency", "1000Hz"}, "invalid stored value"},
        {{"set", "0x0C00", "1"}, "no such parameter", 2},
        {{"set", "--strict", "main.lowpass.frequency", "30k"},
         "main.lowpass.frequency: 30k is out of range (19.7Hz..20600.0Hz, Off)"},
        {{"set", "--strict", "music.eq.band3.gain", "20dB"}, "music.band3.gain: 20dB is out of range"},
        {{"set", "system.stored_mode", "12"}, "the processor has stored modes 1..9; there is no mode 12"},
        {{"set", "--raw", "system.stored_mode", "9"}, "stored value 9 is no stored mode"},
        {{"set", "0x0A02", "9"}, "stored value 9 is no stored mode"},
        {{"get", "main.lowpass.freqency"}, "closest: main.lowpass.frequency"},
        {{"get", "*.nothing"}, "no parameter matches"},
        {{"get", "0x0A28"}, "no stored parameter"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), tcp.begin(), tcp.end());
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
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
