// kdsp eq import/export on preset files: the bands written, the round trip through
// export, and the refusals that leave every file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/preset/preset_file.h"
#include "run_cli.h"

namespace kdsp {
namespace {
namespace fs = std::filesystem;
using test::RunKdsp;

const std::string Examples = std::string(KDSP_TEST_DATA_DIR) + "/eq-filters/";

class EqCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kdsp_cli_eq_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        Model m;
        WritePresetFile(dir_ / "in.Nddt", m);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string P(const char* name) const { return (dir_ / name).string(); }
    static DeviceImageRows Image(const std::string& file) {
        DeviceImageRows image{};
        const PresetReadResult r = ReadPresetFile(file);
        EXPECT_TRUE(r.Ok()) << r.detail;
        ApplyPreset(r, image);
        return image;
    }
    fs::path dir_;
};

TEST_F(EqCli, ImportSetsThePageOnlyAndExportReadsBackTheSameBands) {
    const auto r = RunKdsp({"eq", "import", Examples + "rew-on-tables.txt", "--page", "main", "--preset",
                            P("in.Nddt"), "-o", P("out.Nddt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  band 1\tPEQ 62.5Hz +3.0dB Q 1.00\t(line 9)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  high-pass\tUSER 12dB 31.3Hz Q 0.71\t(line 14)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("largest 0.00 dB"), std::string::npos) << r.out;
    const DeviceImageRows in = Image(P("in.Nddt")), out = Image(P("out.Nddt"));
    EXPECT_EQ((std::vector<int>(out[6].begin() + 34, out[6].begin() + 39)), (std::vector<int>{0, 60, 135, 16, 10}));
    EXPECT_EQ((std::vector<int>(out[6].begin() + 16, out[6].begin() + 19)), (std::vector<int>{3, 25, 10}));
    for (int p = 0; p < PageCount; ++p) {
        for (int s = 0; s < DeviceImageSlots; ++s) {
            if (p != 6 || s < 16 || (s > 18 && s < 34) || s > 68) {
                ASSERT_EQ(in[p][s], out[p][s]) << "page " << p << " slot " << s << " is not the EQ's";
            }
        }
    }

    // Exported as APO text and imported onto the original, it gives the same file.
    const auto exported = RunKdsp({"eq", "export", P("out.Nddt"), "--page", "main", "--format", "apo", "-o",
                                   P("main.txt")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const auto again = RunKdsp({"eq", "import", P("main.txt"), "--page", "main", "--preset", P("in.Nddt"),
                                "-o", P("again.Nddt"), "--json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("\"max_db\": 0"), std::string::npos) << again.out;
    EXPECT_EQ(Image(P("again.Nddt")), out);
}

TEST_F(EqCli, TooManyFiltersJunkAndDryRunsWriteNothing) {
    const std::string nine = Examples + "rew-nine-peaks.txt";
    auto r = RunKdsp({"eq", "import", nine, "--page", "main", "--preset", P("in.Nddt"), "-o", P("out.Nddt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "kdsp: the file has 9 peaking and shelving filters; the main page has 7 bands (fitting keeps "
              "the 7 that matter most)\n");
    r = RunKdsp({"eq", "import", Examples + "refused/absurd-gain.txt", "--page", "music", "--preset",
                 P("in.Nddt"), "-o", P("out.Nddt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("absurd-gain.txt: line 2: gain 900 dB is not a room EQ setting"), std::string::npos) << r.err;
    r = RunKdsp({"eq", "import", nine, "--page", "deq", "--preset", P("in.Nddt"), "-o", P("out.Nddt")});
    EXPECT_EQ(r.status, 1) << "the dynamic EQ takes no list";
    r = RunKdsp({"eq", "import", nine, "--page", "main", "--fit", "--dry-run", "--preset", P("in.Nddt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("left out (smaller effect): line 8\nleft out (smaller effect): line 11\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(P("out.Nddt")));
}

}  // namespace
}  // namespace kdsp
