// The small text operations behind preset lines, preset names and numeric entry.
#include "core/preset/text_ops.h"

#include <gtest/gtest.h>

namespace kdsp {
namespace {

using Parts = std::vector<std::string>;

TEST(SplitText, KeepsEmptyPartsAndTheTail) {
    EXPECT_EQ(SplitText("one  two", " "), (Parts{"one", "", "two"}))
        << "two spaces give an empty part between the words";
    EXPECT_EQ(SplitText("a b ", " "), (Parts{"a", "b", ""}));
    EXPECT_EQ(SplitText(" a", " "), (Parts{"", "a"}));
    EXPECT_EQ(SplitText("word", " "), (Parts{"word"}));
    EXPECT_EQ(SplitText("", " "), (Parts{""}));
    EXPECT_EQ(SplitText("a::b", "::"), (Parts{"a", "b"}));
    EXPECT_EQ(SplitText("a b", ""), (Parts{"a b"}));
}

TEST(StripPresetExtension, DropsOnlyAFourCharacterEnding) {
    EXPECT_EQ(StripPresetExtension("Party.Nddt"), "Party");
    EXPECT_EQ(StripPresetExtension("v1.2.night.Nddt"), "v1.2.night") << "inner dots stay";
    EXPECT_EQ(StripPresetExtension(".Nddt"), "");
    EXPECT_EQ(StripPresetExtension("Party"), "Party");
    EXPECT_EQ(StripPresetExtension("Party.Nddt1"), "Party.Nddt1")
        << "five characters after the dot";
    EXPECT_EQ(StripPresetExtension("a.back"), "a");
    EXPECT_EQ(StripPresetExtension("a.bak"), "a.bak");
    EXPECT_EQ(StripPresetExtension("Nddt"), "Nddt");
    EXPECT_EQ(StripPresetExtension(""), "");
    // Characters, not bytes: a Chinese ending of four characters is an extension too.
    EXPECT_EQ(StripPresetExtension("唱歌.Nddt"), "唱歌");
    EXPECT_EQ(StripPresetExtension("ab.唱歌模式"), "ab");
    EXPECT_EQ(StripPresetExtension("ab.唱歌"), "ab.唱歌");
}

TEST(KeepNumericChars, KeepsDigitsSignAndPoint) {
    EXPECT_EQ(KeepNumericChars("-1,000.5 dB"), "-1000.5");
    EXPECT_EQ(KeepNumericChars("Hz"), "");
    EXPECT_EQ(KeepNumericChars("1e3"), "13");
}

}  // namespace
}  // namespace kdsp
