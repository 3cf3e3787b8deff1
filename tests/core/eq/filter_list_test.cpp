// Reading REW and Equalizer APO filter lists (the example folder covers both
// formats' variations), fitting them onto a page, the deviation and the export.
#include "core/eq/filter_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/eq/channel_curve.h"
#include "core/eq/eq_fit.h"
#include "core/eq/filter_export.h"
#include "core/eq/page_eq.h"
#include "core/model/eq_layout.h"
#include "core/model/value_tables.h"

namespace kdsp {
namespace {

const std::filesystem::path Examples = std::filesystem::path(KDSP_TEST_DATA_DIR) / "eq-filters";

std::string Bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_TRUE(in.good() || in.eof()) << p;
    return s.str();
}

FilterList Read(const char* name) { return ReadFilterList(Bytes(Examples / name)); }

// A main output page as the processor starts: every band flat, crossovers off.
PageEq MainPage() {
    PageEq off;
    off.hasCrossovers = true;
    off.highPass = {0, HighPassOff, 10};
    off.lowPass = {0, LowPassOff, 10};
    return FlatPageEq(PageMain, off);
}

TEST(FilterListReaders, RewExportInUtf8CrlfAndUtf16ReadsTheSame) {
    const FilterList crlf = Read("rew-crlf.txt");
    const FilterList utf16 = Read("rew-utf16.txt");
    ASSERT_TRUE(crlf.Ok()) << crlf.error;
    ASSERT_TRUE(utf16.Ok()) << utf16.error;
    EXPECT_EQ(crlf.format, FilterFormat::Rew);
    ASSERT_EQ(crlf.filters.size(), 5u) << "the None slot is empty and the OFF filter is not taken";
    ASSERT_EQ(utf16.filters.size(), crlf.filters.size());
    for (std::size_t i = 0; i < crlf.filters.size(); ++i) {
        EXPECT_EQ(utf16.filters[i].frequency, crlf.filters[i].frequency);
        EXPECT_EQ(utf16.filters[i].line, crlf.filters[i].line);
    }
    EXPECT_DOUBLE_EQ(crlf.filters[0].frequency, 45.8);
    EXPECT_DOUBLE_EQ(crlf.filters[1].gainDb, -5.2);
    EXPECT_DOUBLE_EQ(crlf.filters[4].frequency, 1250) << "kHz";
    // A shelf without Q is the 12 dB/octave shelf (slope 1); Q 0.707 is nearly that.
    EXPECT_EQ(crlf.filters[2].type, FilterType::LowShelf);
    EXPECT_NEAR(crlf.filters[2].q, 1.0, 1e-9);
    EXPECT_EQ(crlf.filters[3].type, FilterType::HighShelf);
    EXPECT_NEAR(crlf.filters[3].q, 1.0, 0.001);
    ASSERT_EQ(crlf.ignored.size(), 1u);
    EXPECT_EQ(crlf.ignored[0].line, 13);
    EXPECT_EQ(crlf.ignored[0].why, "switched off");
    EXPECT_FALSE(crlf.preampDb);
}

TEST(FilterListReaders, DecimalCommasTabsPreampAndApoVariations) {
    const FilterList rew = Read("rew-lf-tabs-comma.txt");
    ASSERT_TRUE(rew.Ok()) << rew.error;
    ASSERT_EQ(rew.filters.size(), 3u);
    EXPECT_DOUBLE_EQ(rew.filters[0].frequency, 62.5);
    EXPECT_DOUBLE_EQ(rew.filters[0].gainDb, -6.0);
    EXPECT_DOUBLE_EQ(rew.filters[0].q, 5.0);
    EXPECT_EQ(rew.preampDb, -4.5);

    const FilterList apo = Read("apo-variations.txt");
    ASSERT_TRUE(apo.Ok()) << apo.error;
    EXPECT_EQ(apo.format, FilterFormat::Apo);
    EXPECT_EQ(apo.preampDb, -3.0);
    ASSERT_EQ(apo.filters.size(), 7u);
    EXPECT_NEAR(apo.filters[1].q, 2.871, 0.001) << "BW Oct 0.5";
    EXPECT_DOUBLE_EQ(apo.filters[2].q, 1.0) << "LSC 12 dB";
    EXPECT_DOUBLE_EQ(apo.filters[4].q, 0.5) << "LS 6dB";
    EXPECT_EQ(apo.filters[5].type, FilterType::HighPass);
    EXPECT_DOUBLE_EQ(apo.filters[5].q, 0.71);
    EXPECT_EQ(apo.filters[6].type, FilterType::LowPass);
    EXPECT_NEAR(apo.filters[6].q, 0.7071, 1e-4);
    // Lines the processor cannot follow are listed with their line numbers.
    std::vector<int> lines;
    for (const IgnoredLine& i : apo.ignored) lines.push_back(i.line);
    EXPECT_EQ(lines, (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(apo.ignored[0].why, "the processor has no BP filter");

    const FilterList tabs = Read("apo-comma-tabs.txt");
    ASSERT_TRUE(tabs.Ok()) << tabs.error;
    EXPECT_EQ(tabs.preampDb, -2.5);
    EXPECT_DOUBLE_EQ(tabs.filters.at(0).q, 2.0);
}

TEST(FilterListReaders, JunkHugeAndAbsurdInputIsRefusedWithItsLine) {
    EXPECT_EQ(Read("refused/absurd-gain.txt").error, "line 2: gain 900 dB is not a room EQ setting");
    EXPECT_EQ(Read("refused/binary.txt").error, "line 3: binary data, not text");
    EXPECT_EQ(Read("refused/exponent.txt").error, "line 1: frequency '1e9' is not a number");
    EXPECT_EQ(ReadApoConfig("Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\nhello world\n").error,
              "line 2: not an Equalizer APO line (COMMAND: ...)");
    EXPECT_EQ(ReadApoConfig("Filter: ON PK Fc 100 Hz Gain 3 dB\n").error,
              "line 1: a peaking filter without Q or BW");
    EXPECT_EQ(ReadApoConfig("Filter: ON PK Fc 0 Hz Gain 3 dB Q 1\n").errorLine, 1);
    EXPECT_EQ(ReadApoConfig("Filter: ON PK Fc 100 Hz Gain 3 dB Q 0\n").errorLine, 1);
    EXPECT_EQ(ReadApoConfig("# nothing\n").error, "no filters in the file");
    EXPECT_EQ(ReadRewFilters("Filter Settings file\nFilter 1: ON PK Fc 1 Hz Gain 1 dB Q 1\ntrailing junk\n").error,
              "line 3: not a filter line");
    const std::string huge(MaxFilterFileBytes + 1, ' ');
    EXPECT_NE(ReadFilterList(huge).error.find("too large"), std::string::npos);
    EXPECT_EQ(ReadApoConfig("Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\n" + std::string(2000, 'x')).error,
              "line 2: line too long for a filter list (at most 1000 bytes)");
    // Invalid UTF-8, and UTF-16 with a lone surrogate.
    EXPECT_EQ(ReadApoConfig("Preamp: 1 dB\n\xC3(\n").error, "line 2: not UTF-8 or UTF-16 text");
    EXPECT_EQ(ReadApoConfig(std::string("\xFF\xFE" "A\0\n\0\x00\xD8", 8)).error,
              "line 2: not UTF-8 or UTF-16 text");
}

TEST(FitToPage, TableValuesImportWithoutDeviationAndRoundTripThroughExport) {
    const FilterList list = Read("rew-on-tables.txt");
    ASSERT_TRUE(list.Ok()) << list.error;
    const EqFit fit = FitToPage(list, MainPage(), false);
    ASSERT_TRUE(fit.Ok()) << fit.error;
    EXPECT_LT(fit.deviation.maxDb, 0.005);
    EXPECT_EQ(fit.after.bands[0], (StoredBand{0, 60, 135, 16, DefaultShelfQ}));
    EXPECT_EQ(fit.after.bands[2], (StoredBand{1, 85, 140, DefaultPeakQ, 16}));
    EXPECT_EQ(fit.after.bands[6], (StoredBand{0, 290, 120, 16, 10})) << "unused band set flat";
    EXPECT_EQ(fit.after.highPass, (StoredCrossover{CrossoverUser12, 25, 10}));
    EXPECT_EQ(fit.after.lowPass, MainPage().lowPass) << "a crossover the file does not name stays";
    EXPECT_EQ(fit.highPassLine, 14);

    // 24 dB crossovers go out as their two sections and come back as the same crossover.
    PageEq crossed = fit.after;
    crossed.highPass = {1, 40, 7};  // Butterworth
    crossed.lowPass = {4, 300, 12}; // user 24 dB, Q 0.79
    for (const PageEq& page : {fit.after, crossed}) {
        for (const FilterFormat format : {FilterFormat::Rew, FilterFormat::Apo}) {
            const std::string text = ExportFilterList(page, format, "main output");
            const FilterList again = format == FilterFormat::Rew ? ReadRewFilters(text) : ReadApoConfig(text);
            ASSERT_TRUE(again.Ok()) << again.error << "\n" << text;
            const EqFit back = FitToPage(again, page, false);
            ASSERT_TRUE(back.Ok()) << back.error;
            EXPECT_EQ(back.after, page) << text;
            // A fixed 24 dB type draws its sections with exact Qs, a listed section with the
            // user Q rounding: a few hundredths of a dB apart.
            EXPECT_LT(back.deviation.maxDb, 0.05) << text;
        }
    }
}

TEST(FitToPage, OffTableDeviationIsWhatTheResponseMathsGives) {
    const FilterList list = Read("rew-crlf.txt");
    const EqFit fit = FitToPage(list, MainPage(), false);
    ASSERT_TRUE(fit.Ok()) << fit.error;
    // Worked out independently: the file's filters and the snapped bands, each drawn by
    // BandResponse and summed, compared point by point from 20 Hz to 20 kHz.
    double worst = 0, where = 0, total = 0;
    int n = 0;
    for (int g = 0; g < GridPoints; ++g) {
        const double f = GridToFreq(g);
        if (f < 20 || f > 20000) continue;
        double wanted = 0, got = 0;
        std::array<float, GridPoints> r{};
        for (const ListedFilter& l : list.filters) {
            const int code = l.type == FilterType::Peak ? 0 : l.type == FilterType::LowShelf ? 1 : 2;
            BandResponse(r, static_cast<int>(std::nearbyint(l.frequency)), static_cast<CurveCode>(code),
                         static_cast<float>(l.q), static_cast<float>(l.gainDb));
            wanted += r[g];
        }
        for (const StoredBand& b : fit.after.bands) {
            BandResponse(r, static_cast<int>(std::nearbyint(FreqValue(b.freq))), static_cast<CurveCode>(b.type),
                         static_cast<float>(QValue(b.type ? b.shelfQ : b.peakQ)),
                         static_cast<float>(b.gain / 5.0 - 24));
            got += r[g];
        }
        total += std::abs(wanted - got);
        ++n;
        if (std::abs(wanted - got) > worst) {
            worst = std::abs(wanted - got);
            where = f;
        }
    }
    EXPECT_GT(fit.deviation.maxDb, 0.05) << "45.8 Hz and Q 2.87 are off the tables";
    EXPECT_NEAR(fit.deviation.maxDb, worst, 1e-4);
    EXPECT_DOUBLE_EQ(fit.deviation.atHz, where);
    EXPECT_NEAR(fit.deviation.meanDb, total / n, 1e-4);

    // The page's response is the curve the window draws for the same stored values.
    Model m;
    WritePageEq(m.DeviceImage, fit.after, 0);
    LoadViewFromDevice(m, 0);
    ChannelCurve curve;
    curve.Update(m, AllSlots, PageMain);
    const auto page = PageResponse(fit.after, true, true);
    for (int g = 0; g < GridPoints; ++g) ASSERT_FLOAT_EQ(page[g], curve.Curve()[g]) << "grid point " << g;
}

TEST(FitToPage, TooManyFiltersAreRefusedOrTheOnesThatMatterMostKept) {
    const FilterList list = Read("rew-nine-peaks.txt");
    ASSERT_TRUE(list.Ok()) << list.error;
    const EqFit refused = FitToPage(list, MainPage(), false);
    EXPECT_EQ(refused.error,
              "the file has 9 peaking and shelving filters; the main page has 7 bands (fitting keeps the 7 "
              "that matter most)");
    const EqFit fitted = FitToPage(list, MainPage(), true);
    ASSERT_TRUE(fitted.Ok()) << fitted.error;
    // The -0.4 dB and -1 dB filters change the response least.
    ASSERT_EQ(fitted.dropped.size(), 2u);
    EXPECT_EQ(fitted.dropped[0].line, 8);
    EXPECT_EQ(fitted.dropped[1].line, 11);
    EXPECT_EQ(fitted.bandLines, (std::vector<int>{5, 6, 7, 9, 10, 12, 13})) << "kept in file order";
    EXPECT_NEAR(fitted.deviation.maxDb, 1.0, 0.05) << "the left-out -1 dB filter still counts";
    EXPECT_NEAR(fitted.deviation.atHz, 400, 10);
    // A music page has no crossover: a high-pass is listed, not lost.
    const EqFit music = FitToPage(Read("apo-variations.txt"), FlatPageEq(PageMusic, {}), false);
    ASSERT_TRUE(music.Ok()) << music.error;
    EXPECT_EQ(music.ignored.back().why, "the music page has no crossover");
    EXPECT_EQ(FitToPage(list, FlatPageEq(PageDynEq, {}), true).error, "the deq page takes no filter list");
}

}  // namespace
}  // namespace kdsp
