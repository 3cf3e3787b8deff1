// kdsp curve: CSV of given bands or of a preset page, refusals, and the SVG graph.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "core/model/eq_layout.h"
#include "core/preset/preset_file.h"

namespace kdsp {
namespace {
namespace fs = std::filesystem;

struct CurveRun {
    int status;
    std::string out;
    std::string err;
};

class CurveCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kdsp_cli_curve_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Arguments go through the shell; the tests use plain words only.
    CurveRun Kdsp(const std::string& args) {
        const auto out = dir_ / "stdout";
        const auto err = dir_ / "stderr";
        const std::string cmd = std::string(KDSP_CLI_PATH) + " curve " + args + " >" +
                                out.string() + " 2>" + err.string() + " </dev/null";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read(out), Read(err)};
    }
    static std::string Read(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    static double DbOf(const std::string& line) { return std::stod(line.substr(line.rfind(',') + 1)); }
    std::string P(const char* name) const { return (dir_ / name).string(); }

    // A preset with every band at its default (0 dB), crossovers off, plus `edit`.
    std::string Preset(void (*edit)(DeviceImageRows&)) {
        Model m;
        for (int p = 0; p < 10; ++p) {
            for (int b = 0; b < 15; ++b) {
                const int first = p == PageDynEq ? 2 + 12 * b : FirstEqIndex[p] + 5 * b;
                if (first + 4 >= PageParamCount[p]) break;
                const int values[5] = {0, 100 + 10 * b, DefaultBandGain, DefaultPeakQ,
                                       DefaultShelfQ};
                for (int k = 0; k < 5; ++k) m.DeviceImage[p][DeviceSlot(p, first + k, 0)] = values[k];
            }
        }
        m.DeviceImage[4][5] = m.DeviceImage[5][7] = 64;
        m.DeviceImage[6][20] = m.DeviceImage[7][20] = 362;
        if (edit) edit(m.DeviceImage);
        const std::string path = P("test.Nddt");
        WritePresetFile(path, m);
        return path;
    }

    fs::path dir_;
};

TEST_F(CurveCli, BandsGiveTheGridAsCsv) {
    const CurveRun r = Kdsp("--band 0,1000,1,12");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 463u) << "no header line, one line per grid point";
    EXPECT_EQ(lines[0], "0,10.00,0.0000");
    EXPECT_EQ(lines[273], "273,994.03,12.0000");
    EXPECT_EQ(lines[462].substr(0, 13), "462,24000.00,");
    EXPECT_NEAR(DbOf(lines[273 - 20]), 7.31, 0.01);

    const CurveRun cancel = Kdsp("--band 0,1000,1,12 --band 0,1000,1,-12 --band 100,500,1,0");
    ASSERT_EQ(cancel.status, 0) << cancel.err;
    for (const std::string& l : Lines(cancel.out)) ASSERT_NEAR(DbOf(l), 0.0, 1e-3) << l;
}

TEST_F(CurveCli, BadBandsAreRefusedWithOneLine) {
    std::string eighteen;
    for (int i = 0; i < 18; ++i) eighteen += " --band 0,1000,1,1";
    const std::string cases[] = {"--band 0,0.5,1,1",    "--band 0,24001,1,1", "--band 0,nan,1,1",
                                 "--band 0,100,inf,1",  "--band 0,100,1,-inf", "--band 256,100,1,1",
                                 "--band -1,100,1,1",   "--band 0,100,1",      "--band 0,100,1,1,",
                                 "--band 0,100x,1,1",   "--band 0,100,0,1",    "--band 0,100,1,500",
                                 "--band 0,100,1,12.1", "--band 0,100,1,-24.1", eighteen};
    for (const std::string& args : cases) {
        const CurveRun r = Kdsp(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_EQ(Lines(r.err).size(), 1u) << args << ": " << r.err;
    }
    EXPECT_EQ(Kdsp("--band 0,100,1,13").err, "kdsp: band gain outside -24..+12 dB: 13\n");
    EXPECT_EQ(Kdsp("--band 0,1,1,-24").status, 0);
    EXPECT_EQ(Kdsp("--band 0,1,1,1").status, 0);
    EXPECT_EQ(Kdsp("--band 255,24000,1,1").status, 0);
}

TEST_F(CurveCli, UsageErrors) {
    EXPECT_EQ(Kdsp("").status, 2);
    EXPECT_EQ(Kdsp("--band 0,100,1,1 --page 3").status, 2);
    EXPECT_EQ(Kdsp("--preset " + P("x.Nddt")).status, 2);
    EXPECT_EQ(Kdsp("--band 0,100,1,1 --preset " + P("x.Nddt") + " --page 0").status, 2);
}

TEST_F(CurveCli, PresetPages) {
    const std::string file = Preset([](DeviceImageRows& d) {
        d[PageMusic][4 + 5 * 2 + 2] = 150;  // music band 2: +6 dB
        d[PageEcho][4] = 40;                // echo high-pass on
        d[PageReverb][7] = 10;              // reverb low-pass on
        d[PageMic][0] = 30;                 // group A high-pass
        d[PageMic9][6 + 5 * 8 + 2] = 60;    // group B band 8: -12 dB
    });
    const CurveRun music = Kdsp("--preset " + file + " --page 0");
    ASSERT_EQ(music.status, 0) << music.err;
    const auto lines = Lines(music.out);
    ASSERT_EQ(lines.size(), 463u);
    double peak = -100;
    for (const std::string& l : lines) peak = std::max(peak, DbOf(l));
    EXPECT_NEAR(peak, 6.0, 0.01);

    // The effect page: page 5 draws as page 4, the crossovers follow --effect-eq.
    const CurveRun echo = Kdsp("--preset " + file + " --page 4");
    EXPECT_EQ(Kdsp("--preset " + file + " --page 5").out, echo.out);
    EXPECT_LT(DbOf(Lines(echo.out)[0]), -20.0);
    EXPECT_NEAR(DbOf(Lines(echo.out)[462]), 0.0, 0.01);
    const CurveRun reverb = Kdsp("--preset " + file + " --page 4 --effect-eq 5");
    EXPECT_NEAR(DbOf(Lines(reverb.out)[0]), 0.0, 0.01);
    EXPECT_LT(DbOf(Lines(reverb.out)[462]), -20.0);

    // Microphone groups: A has the high-pass on, B a -12 dB band and no high-pass.
    const CurveRun a = Kdsp("--preset " + file + " --page 1");
    const CurveRun b = Kdsp("--preset " + file + " --page 1 --mic-group B");
    EXPECT_LT(DbOf(Lines(a.out)[0]), -20.0);
    double low = 0;
    for (const std::string& l : Lines(b.out)) low = std::min(low, DbOf(l));
    EXPECT_NEAR(low, -12.0, 0.01);

    EXPECT_EQ(Kdsp("--preset " + file + " --page 10").status, 2) << "a page outside the memory is a usage error";
    EXPECT_EQ(Kdsp("--preset " + file + " --page 6 --variant 5").status, 1);
    EXPECT_EQ(Kdsp("--preset " + file + " --page 1 --mic-group C").status, 1);
    EXPECT_EQ(Kdsp("--preset " + file + " --page 4 --effect-eq 6").status, 1);
    const CurveRun missing = Kdsp("--preset " + P("missing.Nddt") + " --page 0");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kdsp: file not found: " + P("missing.Nddt") + "\n");
}

TEST_F(CurveCli, PngGraph) {
    const CurveRun r = Kdsp("--band 0,1000,1,-6 --png " + P("graph.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << "the PNG replaces the CSV";
    const std::string png = Read(dir_ / "graph.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    // IHDR: width and height, big-endian, right after the signature and chunk header.
    auto word = [&](std::size_t at) {
        return (unsigned(static_cast<unsigned char>(png[at])) << 24) |
               (unsigned(static_cast<unsigned char>(png[at + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(png[at + 2])) << 8) |
               unsigned(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(word(16), 1080u);
    EXPECT_EQ(word(20), 281u);
    EXPECT_EQ(Kdsp("--band 0,1000,1,-6 --png " + P("no/such/dir/graph.png")).status, 1);

    // The name says what the file holds; written whole, with no temporary left over.
    const CurveRun svgName = Kdsp("--band 0,1000,1,-6 --png " + P("graph.svg"));
    EXPECT_EQ(svgName.status, 1);
    EXPECT_NE(svgName.err.find("ending in .png"), std::string::npos) << svgName.err;
    EXPECT_FALSE(fs::exists(dir_ / "graph.svg"));
    EXPECT_EQ(Kdsp("--band 0,1000,1,-6 --svg " + P("graph.png")).status, 1);
    EXPECT_EQ(Read(dir_ / "graph.png"), png) << "a refused run leaves the old picture alone";
    ASSERT_EQ(Kdsp("--band 0,1000,1,6 --png " + P("again.PNG") + " --svg " + P("g.svg")).status, 0);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().rfind("~kdsp", 0), std::string::npos)
            << entry.path();
}

TEST_F(CurveCli, SvgGraph) {
    const CurveRun r = Kdsp("--band 0,1000,1,12 --svg " + P("graph.svg"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    const std::string svg = Read(dir_ / "graph.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    for (const char* part : {"<svg", "rgb(5,5,5)", "rgb(110,110,110)", "rgb(64,64,64)",
                             "rgb(23,23,23)", "rgb(87,142,250)", ">1KHz<", ">-24dB<", ">12dB<",
                             "stroke-width=\"1.8\"", "</svg>"})
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    EXPECT_EQ(svg.find(">18dB<"), std::string::npos) << "labels above the top are clipped";

    const std::string file = Preset(nullptr);
    ASSERT_EQ(Kdsp("--preset " + file + " --page 4 --svg " + P("echo.svg")).status, 0);
    EXPECT_NE(Read(dir_ / "echo.svg").find("rgb(253,113,61)"), std::string::npos);
    ASSERT_EQ(Kdsp("--preset " + file + " --page 5 --effect-eq 5 --svg " + P("rvb.svg")).status, 0);
    EXPECT_NE(Read(dir_ / "rvb.svg").find("rgb(148,199,199)"), std::string::npos);

    const CurveRun unwritable = Kdsp("--band 0,1000,1,12 --svg " + P("no/such/dir/g.svg"));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(Lines(unwritable.err).size(), 1u);
}

}  // namespace
}  // namespace kdsp
