// The parameter facts: ids, kinds of the band fields, value words and the hidden
// eighth output bands.
#include "core/model/param_facts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/model/codecs.h"

namespace kdsp {
namespace {

const ParamFact& At(ParamId id) {
    const ParamFact* f = FindFact(id);
    EXPECT_NE(f, nullptr) << "no parameter with id " << id;
    static const ParamFact none{};
    return f ? *f : none;
}

std::string S(const char* s) {
    return s ? s : "";
}

TEST(ParamFacts, SortedUniqueAndInsideTheTables) {
    int last = -1;
    for (const ParamFact& f : ParamFacts()) {
        EXPECT_GT(f.id, last) << "ids ascend without repeats";
        last = f.id;
        EXPECT_LT(IndexOf(f.id), 86) << "no control slot above index 85";
        ASSERT_LT(PageOf(f.id), PageCount);
        EXPECT_LT(IndexOf(f.id), PageParamCount[PageOf(f.id)]);
        EXPECT_NE(f.name, nullptr);
    }
    EXPECT_EQ(FindFact(0x0002), nullptr) << "placeholder slot";
    EXPECT_EQ(FindFact(0x0656), nullptr);
    EXPECT_EQ(FindFact(0xFFFF), nullptr);
}

TEST(ParamFacts, EntriesPerPage) {
    std::map<int, int> perPage;
    for (const ParamFact& f : ParamFacts())
        ++perPage[PageOf(f.id)];
    EXPECT_EQ(perPage[0], 3 + 50);
    EXPECT_EQ(perPage[1], 3 + 75);
    EXPECT_EQ(perPage[2], 3 * 12);
    EXPECT_EQ(perPage[3], 0) << "group B is edited through the page-1 controls";
    EXPECT_EQ(perPage[4], 12 + 25);
    EXPECT_EQ(perPage[5], 14) << "the reverb EQ is edited through the echo controls";
    EXPECT_EQ(perPage[6], 24 + 40);
    EXPECT_EQ(perPage[7], 21 + 40);
    EXPECT_EQ(perPage[8], 0);
    EXPECT_EQ(perPage[9], 0);
    EXPECT_EQ(perPage[10], 15);
}

TEST(ParamFacts, BandKindsMatchTheirFields) {
    Model m;
    for (const ParamFact& f : ParamFacts()) {
        if (f.valueKind < 1 || f.valueKind > 4)
            continue;
        const BandRef r = DecodeBand(m, f.id);
        const std::string name = S(f.name);
        if (name.ends_with(".dynamics")) {
            EXPECT_EQ(r, NotEq) << name;
            continue;
        }
        ASSERT_NE(r, NotEq) << name;
        const int expectedKind[5] = {1, 2, 3, 4, 4};
        EXPECT_EQ(f.valueKind, expectedKind[FieldOf(r)]) << name;
        if (FieldOf(r) == 0) {
            EXPECT_EQ(f.words.size(), 3u) << name;
        }
    }
}

TEST(ParamFacts, HiddenEighthOutputBandsAndWords) {
    for (int i = 69; i <= 73; ++i)
        EXPECT_TRUE(At(MakeId(6, i)).hidden) << i;
    for (int i = 66; i <= 70; ++i)
        EXPECT_TRUE(At(MakeId(7, i)).hidden) << i;
    EXPECT_FALSE(At(MakeId(6, 68)).hidden);

    for (ParamId id : {0x0610, 0x0613, 0x0710, 0x0713}) {
        ASSERT_EQ(At(id).words.size(), 5u);
        EXPECT_EQ(S(At(id).words[3]), "USER 12dB");
    }
    EXPECT_EQ(S(At(0x0207).words[2]), "Above");
}

}  // namespace
}  // namespace kdsp
