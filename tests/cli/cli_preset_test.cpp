// kdsp preset show/check/export/import/diff, run as a user would run them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/preset/preset_file.h"

namespace kdsp {
namespace {
namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class PresetCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kdsp_cli_preset_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Arguments are passed through the shell; the tests only use plain words.
    CliRun Kdsp(const std::string& args) {
        const auto out = dir_ / "stdout";
        const auto err = dir_ / "stderr";
        const std::string cmd = std::string(KDSP_CLI_PATH) + " " + args + " >" + out.string() +
                                " 2>" + err.string() + " </dev/null";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Get(out), Get(err)};
    }
    std::string Get(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    void Put(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
    std::string P(const char* name) { return (dir_ / name).string(); }

    static std::string Json(const DeviceImageRows& image) {
        std::ostringstream o;
        o << "{\"pages\":[";
        for (int p = 0; p < PageCount; ++p) {
            o << (p ? "," : "") << "[";
            for (int s = 0; s < DeviceImageSlots; ++s)
                o << (s ? "," : "") << image[p][s];
            o << "]";
        }
        o << "]}";
        return o.str();
    }
    // A preset file written by the library itself.
    void Preset(const char* name, DeviceImageRows image) {
        Model m;
        m.DeviceImage = image;
        WritePresetFile(dir_ / name, m);
    }

    fs::path dir_;
};

DeviceImageRows Sample() {
    DeviceImageRows image{};
    image[6][20] = 362;  // main output low-pass: off
    image[0][4] = 0;     // music band 1: peaking
    image[0][5] = 204;   // 1000.0
    image[0][6] = 105;   // -3.0 dB
    for (int k = 0; k < 6; ++k)
        image[10][6 + k] = 40 + k;
    return image;
}

TEST_F(PresetCli, ImportThenExportKeepsTheImageWithTheLoadRules) {
    const auto image = Sample();
    Put(dir_ / "in.json", Json(image));
    const CliRun imp = Kdsp("preset import " + P("in.json") + " -o " + P("out.Nddt"));
    ASSERT_EQ(imp.status, 0) << imp.err;
    EXPECT_EQ(Get(dir_ / "out.Nddt"), [&] {
        auto mirrored = image;
        MirrorSystemWordsForSave(mirrored);
        return FormatPresetFile(mirrored);
    }()) << "import writes exactly what a save from the window writes";

    const CliRun check = Kdsp("preset check " + P("out.Nddt"));
    EXPECT_EQ(check.status, 0) << check.err;

    const CliRun exp = Kdsp("preset export " + P("out.Nddt"));
    ASSERT_EQ(exp.status, 0) << exp.err;
    auto expected = image;
    for (int k = 0; k < 6; ++k)
        expected[0][110 + k] = image[10][6 + k];
    expected[10][32] = image[10][6];
    expected[10][33] = image[10][8];
    expected[10][34] = image[10][10];
    // Export uses its own spacing; compare after removing white space.
    std::string got;
    for (char c : exp.out)
        if (!std::isspace(static_cast<unsigned char>(c)))
            got.push_back(c);
    EXPECT_EQ(got, Json(expected));

    // The export reads back through import unchanged.
    Put(dir_ / "again.json", exp.out);
    EXPECT_EQ(Kdsp("preset import " + P("again.json") + " -o " + P("again.Nddt")).status, 0);
    EXPECT_EQ(Kdsp("preset diff " + P("out.Nddt") + " " + P("again.Nddt")).out, "no differences\n");
}

TEST_F(PresetCli, ShowPrintsNameShownAndStoredValue) {
    Preset("a.Nddt", Sample());
    const CliRun r = Kdsp("preset show " + P("a.Nddt"));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line :
         {"main.lowpass.frequency\tOff\t362\n", "music.band1.frequency\t1000.0Hz\t204\n",
          "music.band1.gain\t-3.0dB\t105\n", "music.band1.type\tPEQ\t0\n",
          "music.dance.band1.frequency\t19.7Hz\t0\n", "rear.lowpass.frequency\t19.7Hz\t0\n",
          "system.volume.music.start\t40\t40\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out.substr(0, 400);
    }
    // One line per record, every one named.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 821);
    EXPECT_EQ(r.out.find("page "), std::string::npos) << "no anonymous rows";

    const CliRun j = Kdsp("preset show --json " + P("a.Nddt"));
    ASSERT_EQ(j.status, 0) << j.err;
    EXPECT_EQ(j.out.rfind("{\n  \"ok\": true,\n", 0), 0u) << j.out.substr(0, 200);
    EXPECT_NE(j.out.find("\"records\": 821"), std::string::npos);
    EXPECT_NE(j.out.find("{\"name\": \"main.lowpass.frequency\", \"id\": \"0x0614\", \"page\": 6, "
                         "\"slot\": 20, \"value\": 362, \"shown\": \"Off\", \"unit\": \"Hz\"}"),
              std::string::npos);
}

TEST_F(PresetCli, BadFilesPrintTheFileMessageAndExit1) {
    Preset("good.Nddt", Sample());
    std::string bytes = Get(dir_ / "good.Nddt");
    const auto third = bytes.find("\r\n", bytes.find("\r\n") + 2) + 2;
    bytes[third] = bytes[third] == '0' ? '1' : '0';  // one record edited, checksum not
    Put(dir_ / "edited.Nddt", bytes);
    Put(dir_ / "text.Nddt", "hello\r\n");

    const struct {
        const char* file;
        const char* message;
    } cases[] = {{"edited.Nddt", "Data file is corrupted!"},
                 {"missing.Nddt", "file not found: "},
                 {"text.Nddt", "File format error!"}};
    for (const auto& c : cases) {
        for (const char* cmd : {"check", "show", "export", "export --by-name"}) {
            const CliRun r = Kdsp(std::string("preset ") + cmd + " " + P(c.file));
            EXPECT_EQ(r.status, 1) << cmd << " " << c.file;
            EXPECT_NE(r.err.find(c.message), std::string::npos)
                << cmd << " " << c.file << ": " << r.err;
            EXPECT_TRUE(r.out.empty()) << "nothing is listed from a bad file";
        }
        // Scripts get the refusal as the result object too.
        const CliRun j = Kdsp(std::string("preset check --json ") + P(c.file));
        EXPECT_EQ(j.status, 1);
        EXPECT_EQ(j.out.rfind("{\"ok\": false, \"error\": \"" + std::string(c.message), 0), 0u)
            << j.out;
    }
    const CliRun ok = Kdsp("preset check --json " + P("good.Nddt"));
    EXPECT_EQ(ok.out, "{\"ok\": true, \"file\": \"" + P("good.Nddt") +
                          "\", \"records\": 821, \"out_of_range\": []}\n");
    EXPECT_EQ(Kdsp("preset diff " + P("good.Nddt") + " " + P("edited.Nddt")).status, 2)
        << "like diff: 2 when a file cannot be compared, 1 only when they differ";
}

TEST_F(PresetCli, ImportRefusesWrongShapesAndValues) {
    const auto good = Json(Sample());
    auto withValue = [&](const std::string& v) {
        std::string s = good;
        s.replace(s.find("[[") + 2, 1, v);  // page 0 slot 0
        return s;
    };
    const std::string bad[] = {
        withValue("65536"),
        withValue("-1"),
        withValue("1.5"),
        withValue("1e3"),
        withValue("\"1\""),
        withValue("007"),
        good.substr(0, good.size() - 1),          // unterminated
        good + "x",                               // trailing text
        "{\"pages\":[]}",                         // no pages
        "{\"Pages\":" + good.substr(9),           // wrong key
        "[" + good + "]",                         // not an object
        good.substr(0, good.rfind(",[")) + "]}",  // ten pages
        [&] {                                     // a page of 144 values
            std::string s = good;
            s.erase(s.find("[[") + 1, 2);  // drop "0," of page 0
            return s;
        }(),
        "",
    };
    int n = 0;
    for (const auto& json : bad) {
        const std::string in = "bad" + std::to_string(n++) + ".json";
        Put(dir_ / in, json);
        const CliRun r = Kdsp("preset import " + P(in.c_str()) + " -o " + P("out.Nddt"));
        EXPECT_EQ(r.status, 1) << json.substr(0, 60);
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(fs::exists(dir_ / "out.Nddt")) << "no file from refused JSON";
    }
    Put(dir_ / "ok.json", withValue("65535"));
    EXPECT_EQ(Kdsp("preset import " + P("ok.json") + " -o " + P("out.Nddt")).status, 0);
    const CliRun r = Kdsp("preset import " + P("ok.json") + " -o " + P("missing/out.Nddt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write " + P("missing/out.Nddt") + ": the folder does not exist"), std::string::npos) << r.err;
}

TEST_F(PresetCli, DiffListsChangedParametersWithBothShownValues) {
    auto a = Sample();
    auto b = Sample();
    b[6][20] = 204;
    b[0][6] = 120;
    Preset("a.Nddt", a);
    Preset("b.Nddt", b);
    const CliRun r = Kdsp("preset diff " + P("a.Nddt") + " " + P("b.Nddt"));
    ASSERT_EQ(r.status, 1) << "files that differ exit 1, as with diff: " << r.err;
    EXPECT_EQ(Kdsp("preset diff " + P("a.Nddt") + " " + P("a.Nddt")).status, 0);
    EXPECT_EQ(r.out,
              "music.band1.gain\t-3.0dB\t0.0dB\n"
              "main.lowpass.frequency\tOff\t1000.0Hz\n");
    const CliRun j = Kdsp("preset diff --json " + P("a.Nddt") + " " + P("b.Nddt"));
    ASSERT_EQ(j.status, 1) << j.err;
    EXPECT_NE(j.out.find("{\"name\": \"main.lowpass.frequency\", \"id\": \"0x0614\", \"page\": 6, "
                         "\"slot\": 20, \"a_value\": 362, \"a_shown\": \"Off\", \"b_value\": 204, "
                         "\"b_shown\": \"1000.0Hz\", \"unit\": \"Hz\"}"),
              std::string::npos)
        << j.out;
}

// The by-name form: every name with the value as shown, edited by a person and
// imported back; nothing is written unless every name and value is understood.
TEST_F(PresetCli, ByNameExportEditAndImport) {
    Preset("a.Nddt", Sample());
    const CliRun exp = Kdsp("preset export --by-name " + P("a.Nddt"));
    ASSERT_EQ(exp.status, 0) << exp.err;
    EXPECT_EQ(std::count(exp.out.begin(), exp.out.end(), '\n'), 821 + 2) << "one name per line";
    EXPECT_NE(exp.out.find("  \"main.lowpass.frequency\": \"Off\",\n"), std::string::npos);
    EXPECT_NE(exp.out.find("  \"system.volume.music.start\": 40,\n"), std::string::npos)
        << "values shown as they are stored are plain numbers";
    Put(dir_ / "a.json", exp.out);
    const CliRun same = Kdsp("preset import --by-name " + P("a.json") + " -o " + P("b.Nddt"));
    ASSERT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(Kdsp("preset diff " + P("a.Nddt") + " " + P("b.Nddt")).out, "no differences\n");
    EXPECT_TRUE(Kdsp("preset export --by-name " + P("b.Nddt")).out == exp.out)
        << "the by-name form loses nothing";

    // A person's edit: a few names, shown values, the rest from the base preset.
    Put(dir_ / "edit.json",
        "{\"music.band1.gain\": \"-6 dB\", \"rear.delay.left\": \"12.5\",\n"
        " \"echo.mode\": \"stereo\", \"main.delay.right\": 700, \"music.dance.band2.q\": 20}");
    const CliRun edit = Kdsp("preset import --by-name " + P("edit.json") + " --base " +
                             P("a.Nddt") + " -o " + P("c.Nddt"));
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_NE(edit.err.find("kdsp: warning: main.delay.right: stored value 700 is out of range "
                            "(0.0ms..50.0ms), set to 50.0ms\n"),
              std::string::npos)
        << edit.err;
    EXPECT_EQ(Kdsp("preset diff " + P("a.Nddt") + " " + P("c.Nddt")).out,
              "music.band1.gain\t-3.0dB\t-6.0dB\n"
              "music.dance.band2.q\t0.40\t1.26\n"
              "echo.mode\tmono\tstereo\n"
              "main.delay.right\t0.0ms\t50.0ms\n"
              "rear.delay.left\t0.0ms\t12.5ms\n");

    const std::pair<const char*, const char*> bad[] = {
        {"{\"main.lowpas.frequency\": \"Off\"}", "closest: main.lowpass.frequency"},
        {"{\"main.lowpass.frequency\": \"3dB\"}", "main.lowpass.frequency: '3dB'"},
        {"{\"main.lowpass.frequency\": 70000}", "stored number 0..65535"},
        {"{\"main.lowpass.frequency\": true}", "stored number 0..65535"},
        {"[1, 2]", "one object"},
        {"{\"main.lowpass.frequency\": ", "invalid JSON"},
    };
    for (const auto& [json, why] : bad) {
        Put(dir_ / "bad.json", json);
        const CliRun r = Kdsp("preset import --by-name " + P("bad.json") + " -o " + P("d.Nddt"));
        EXPECT_EQ(r.status, 1) << json;
        EXPECT_NE(r.err.find(why), std::string::npos) << json << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir_ / "d.Nddt")) << "no file from refused JSON: " << json;
    }
}

// Files in the field may hold words outside their parameter's range: check names
// them (a warning, or a refusal with --strict), import brings them inside.
TEST_F(PresetCli, WordsOutOfRangeAreNamedAndBroughtInside) {
    auto image = Sample();
    image[6][28] = 700;  // main.delay.right, 0..500
    image[0][6] = 181;   // music.band1.gain, 0..180
    Preset("odd.Nddt", image);
    const CliRun check = Kdsp("preset check " + P("odd.Nddt"));
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out,
              "warning: music.band1.gain: stored value 181 is out of range (-24.0dB..12.0dB)\n"
              "warning: main.delay.right: stored value 700 is out of range (0.0ms..50.0ms)\n"
              "821 records, 2 values out of range\n");
    const CliRun strict = Kdsp("preset check --strict " + P("odd.Nddt"));
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err, "kdsp: " + P("odd.Nddt") + ": 2 values out of range\n");
    const CliRun json = Kdsp("preset check --json " + P("odd.Nddt"));
    EXPECT_NE(json.out.find("{\"name\": \"main.delay.right\", \"id\": \"0x061C\", \"page\": 6, "
                            "\"slot\": 28, \"value\": 700, \"shown\": \"50.0ms\", \"unit\": "
                            "\"ms\", \"range\": \"0.0ms..50.0ms\"}"),
              std::string::npos)
        << json.out;

    Put(dir_ / "odd.json", Json(image));
    const CliRun refused =
        Kdsp("preset import --strict " + P("odd.json") + " -o " + P("strict.Nddt"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_FALSE(fs::exists(dir_ / "strict.Nddt")) << "no file from a refused import";
    const CliRun imp = Kdsp("preset import " + P("odd.json") + " -o " + P("in.Nddt"));
    ASSERT_EQ(imp.status, 0) << imp.err;
    EXPECT_NE(imp.err.find("kdsp: warning: main.delay.right: stored value 700 is out of range "
                           "(0.0ms..50.0ms), set to 50.0ms\n"),
              std::string::npos)
        << imp.err;
    EXPECT_EQ(Kdsp("preset check " + P("in.Nddt")).out, "OK: 821 records\n");
}

TEST_F(PresetCli, UsageErrorsExit2) {
    EXPECT_EQ(Kdsp("preset").status, 2);
    EXPECT_EQ(Kdsp("preset show").status, 2);
    EXPECT_EQ(Kdsp("preset import x.json").status, 2) << "the output file is required";
}

}  // namespace
}  // namespace kdsp
