// The shown texts of the frequency, Q, ratio, release and attack tables.
#include "core/model/value_tables.h"

#include <gtest/gtest.h>

#include <string>

namespace kdsp {
namespace {

TEST(FreqTable, TellingRows) {
    const auto& f = FreqTable();
    const std::pair<int, const char*> rows[] = {
        {0, "19.7"},     {1, "20.1"},      {2, "20.5"},      {24, "31.3"},     {60, "62.5"},
        {85, "101.0"},   {142, "303.0"},   {203, "981.0"},   {204, "1000.0"},  {205, "1020.0"},
        {297, "5990.0"}, {333, "12000.0"}, {360, "20200.0"}, {361, "20600.0"},
    };
    for (const auto& [i, text] : rows)
        EXPECT_EQ(f[i], text) << "entry " << i;
}

TEST(FreqTable, RoundStepsBelowHundredHertz) {
    // The rule would give 93.6, 95.5, 97.3 and 99.2 here.
    const auto& f = FreqTable();
    EXPECT_EQ(f[80], "91.9");
    EXPECT_EQ(f[81], "94.0");
    EXPECT_EQ(f[82], "95.0");
    EXPECT_EQ(f[83], "97.0");
    EXPECT_EQ(f[84], "99.0");
}

TEST(FreqTable, EveryEntryHasOneDecimalAndRises) {
    const auto& f = FreqTable();
    for (int i = 0; i < FreqTableSize; ++i) {
        const std::string s(f[i]);
        ASSERT_GE(s.size(), 3u);
        EXPECT_EQ(s[s.size() - 2], '.') << "entry " << i << " " << s;
        if (FreqValue(i) >= 100.0) {
            EXPECT_EQ(s.back(), '0') << "entry " << i << " " << s;
        }
        if (i > 0) {
            EXPECT_GT(FreqValue(i), FreqValue(i - 1)) << "entry " << i;
        }
    }
}

TEST(FreqTable, ValuesMatchTexts) {
    EXPECT_DOUBLE_EQ(FreqValue(204), 1000.0);
    EXPECT_DOUBLE_EQ(FreqValue(24), 31.3);
    EXPECT_DOUBLE_EQ(FreqValue(82), 95.0);
    EXPECT_DOUBLE_EQ(FreqValue(-5), 19.7) << "indices below the table clamp to its start";
    EXPECT_DOUBLE_EQ(FreqValue(999), 20600.0) << "indices past the table clamp to its end";
}

TEST(QTable, RowStartsAndEnds) {
    const auto& q = QTable();
    const std::pair<int, const char*> rows[] = {
        {0, "0.40"},   {9, "0.67"},    {10, "0.71"},   {16, "1.00"},    {17, "1.06"},
        {20, "1.26"},  {21, "1.30"},   {23, "1.50"},   {30, "2.20"},    {40, "4.00"},
        {50, "7.10"},  {56, "10.10"},  {60, "12.70"},  {70, "23.00"},   {80, "40.00"},
        {90, "72.00"}, {96, "102.00"}, {99, "121.00"}, {100, "128.00"},
    };
    for (const auto& [i, text] : rows)
        EXPECT_EQ(q[i], text) << "entry " << i;
    for (int i = 1; i < QTableSize; ++i)
        EXPECT_GT(QValue(i), QValue(i - 1)) << "entry " << i;
    EXPECT_DOUBLE_EQ(QValue(17), 1.06);
}

TEST(DynamicsTables, FormatChangesAndEnds) {
    const auto& r = RatioTable();
    EXPECT_EQ(r[0], "1.0");
    EXPECT_EQ(r[26], "11.4");
    EXPECT_EQ(r[27], "12") << "no decimal from 12 on";
    EXPECT_EQ(r[39], "30");
    EXPECT_EQ(r[40], "100");
    EXPECT_EQ(ReleaseTable()[0], "2");
    EXPECT_EQ(ReleaseTable()[7], "32");
    EXPECT_EQ(AttackTable()[0], "0.5");
    EXPECT_EQ(AttackTable()[8], "8.0");
    EXPECT_EQ(AttackTable()[9], "11");
    EXPECT_EQ(AttackTable()[15], "90");
}

}  // namespace
}  // namespace kdsp
