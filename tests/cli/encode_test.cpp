// kdsp encode and decode: the worked frames on stdout, refusals and usage errors
// by exit status.
#include <gtest/gtest.h>

#include "run_cli.h"

namespace kdsp::test {
namespace {

struct Case {
    std::vector<std::string> args;
    std::string frame;
};

TEST(CliEncode, WorkedFrames) {
    const std::vector<Case> cases = {
        {{"param", "0x0103", "300"}, "FC BA 06 A7 01 03 2C 01 6E"},
        {{"param", "259", "300"}, "FC BA 06 A7 01 03 2C 01 6E"},
        {{"param", "0x0211", "5"}, "FC BA 08 A7 02 05 01 00 05 00 0A"},
        {{"connect"}, "FC BA 06 A7 0A 30 11 00 54"},
        {{"keepalive"}, "FC BA 06 A7 0A 30 66 00 F9"},
        {{"disconnect"}, "FC BA 06 A7 0A 30 AA 00 3D"},
        {{"read-page", "3"}, "FC BA 06 A0 0A 10 03 00 03"},
        {{"read-item", "0x0A40"}, "FC BA 04 A0 0A 40 5C"},
        {{"mode-name", "2"}, "FC BA 06 A0 0A 00 02 00 12"},
        {{"recall", "4"}, "FC BA 06 A7 0A 02 04 00 09"},
        {{"band", "1", "2", "1", "100", "120", "16", "10"},
         "FC BA 10 A7 01 04 02 00 01 00 64 00 78 00 10 00 0A 00 1B"},
        {{"save-mode", "0", "ABC"},
         "FC BA 1A A7 0A 01 00 00 21 22 23 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 AE"},
        {{"system-password", "123456"}, "FC BA 0A A7 0A 04 01 02 03 04 05 06 7C"},
        {{"panel-password", "1234"}, "FC BA 08 A7 0A 05 01 02 03 04 06"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"encode"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, 0) << args[1] << ": " << r.err;
        EXPECT_EQ(r.out, c.frame + "\n") << args[1];
        EXPECT_EQ(r.err, "") << args[1];
    }
}

TEST(CliEncode, DynamicEqBandUsesItsOwnLayout) {
    // Page 2 bands sit twelve indices apart, and the frame is an ordinary data frame.
    const CliResult r = RunKdsp({"encode", "band", "2", "1", "1", "2", "3", "4", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 30), "FC BA 10 A7 02 00 01 00 01 00 ");
}

TEST(CliEncode, RefusedInputExitsOneWithOneLine) {
    const std::vector<std::vector<std::string>> refused = {
        {"param", "0x0225", "1"},        // the dynamic-EQ page ends at 36
        {"param", "0x0181", "1"},        // beyond the parameter image
        {"param", "0x0103", "65536"},    // not a 16-bit value
        {"param", "0x0103", "-1"},
        {"param", "zz", "1"},
        {"read-item", "0x0A00"},         // names are read with mode-name
        {"read-item", "0x0A0F"},
        {"mode-name", "9"},
        {"recall", "9"},
        {"band", "2", "3", "0", "0", "0", "0", "0"},  // page 2 has three bands
        {"band", "0", "10", "0", "0", "0", "0", "0"},
        {"band", "1", "0", "0", "0", "0", "0", "70000"},
        {"save-mode", "0", "twenty-one characters"},
        {"save-mode", "0", "tab\there"},
        {"save-mode", "9", "x"},
        {"system-password", "12345"},
        {"system-password", "12345a"},
        {"panel-password", "12345"},
        {"panel-password", "12 4"},
    };
    for (const auto& a : refused) {
        std::vector<std::string> args = {"encode"};
        args.insert(args.end(), a.begin(), a.end());
        const CliResult r = RunKdsp(args);
        EXPECT_EQ(r.status, 1) << a[0] << " " << (a.size() > 1 ? a[1] : "");
        EXPECT_EQ(r.out, "") << a[0];
        ASSERT_FALSE(r.err.empty()) << a[0];
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
}

TEST(CliEncode, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"encode"},
                                               {"encode", "param", "0x0103"},
                                               {"encode", "band", "1", "2", "3"},
                                               {"encode", "nonsense"},
                                               {"encode", "read-page", "10"},  // no such page
                                               {"encode", "param", "0x0B00", "1"},  // no page 11
                                               {"encode", "band", "10", "0", "0", "0", "0", "0", "0"},
                                               {"decode"}}) {
        EXPECT_EQ(RunKdsp(args).status, 2) << args.back();
    }
}

TEST(CliDecode, ReplyAndAck) {
    const CliResult r = RunKdsp({"decode", "FC", "BA", "08", "A7", "03", "06", "01", "00", "02",
                                 "00", "15", "FEBB"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "data A7 0x0306 words 1 2 checksum ok\nack FE BB\n");
}

TEST(CliDecode, TextsOfTheSystemPage) {
    const CliResult r = RunKdsp({"decode",
                                 "FC BA 07 A7 0A 00 21 22 23 A9",   // name "ABC"
                                 "FC BA 08 A7 0A 05 01 02 03 04 06",  // panel password
                                 "FC BA 08 A7 0A 40 12 AB 0C FF 0F"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out,
              "data A7 0x0A00 name \"ABC\" checksum ok\n"
              "data A7 0x0A05 digits 1 2 3 4 checksum ok\n"
              "data A7 0x0A40 identity 12AB0CFF checksum ok\n");
}

TEST(CliDecode, BadFramesAreShownAndFailTheRun) {
    // A corrupted checksum: the frame is reported, then its bytes are hunted again.
    const CliResult r = RunKdsp({"decode", "00 FEBB FCBA08A70306010002001F FC BA"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "skipped 00\n"
              "ack FE BB\n"
              "bad-checksum A7 0x0306 words 1 2 checksum bad (got 1F, want 15)\n"
              "skipped BA 08 A7 03 06 01 00 02 00 1F\n"
              "incomplete FC BA\n");
    EXPECT_NE(r.err.find("bad frames"), std::string::npos);
}

TEST(CliDecode, StandardInputAndHexForms) {
    const CliResult r = RunKdsp({"decode", "-"}, "0xFE,0xAA\nfc:ba:04:a0:0a:40:5c\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ack FE AA\ndata A0 0x0A40 no payload checksum ok\n");
    const CliResult bad = RunKdsp({"decode", "FC B"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
}

}  // namespace
}  // namespace kdsp::test
