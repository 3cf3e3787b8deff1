// The preset folder choice, the preset list, name checks and stored-mode item texts.
#include "core/preset/preset_library.h"

#include "core/preset/preset_document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

namespace kdsp {
namespace {
namespace fs = std::filesystem;

class PresetLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("kdsp_library_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Touch(const fs::path& p) { std::ofstream(p) << "x"; }
    fs::path dir_;
};

TEST_F(PresetLibrary, FoldersBesideTheExecutableAreCreated) {
    const auto f = EnsurePresetFolders(dir_ / "bin", dir_ / "data");
    EXPECT_TRUE(f.usable);
    EXPECT_TRUE(f.besideExecutable);
    EXPECT_EQ(f.PresetFolder, dir_ / "bin" / "Mode" / "Z5KRON-Mode");
    EXPECT_TRUE(fs::is_directory(f.PresetFolder));
    EXPECT_FALSE(fs::exists(dir_ / "data")) << "no fallback folder when it is not needed";
    EXPECT_TRUE(fs::is_empty(f.PresetFolder)) << "the write probe is removed";
    EXPECT_EQ(DescribePresetFolders(f), "Presets: " + PathText(f.PresetFolder));
}

TEST_F(PresetLibrary, UnwritableExecutableFolderFallsBackToUserData) {
    // A file where the folder should be: "Mode" cannot be created beside it.
    Touch(dir_ / "bin");
    const auto f = EnsurePresetFolders(dir_ / "bin", dir_ / "data");
    EXPECT_TRUE(f.usable);
    EXPECT_FALSE(f.besideExecutable);
    EXPECT_EQ(f.PresetFolder, dir_ / "data" / "Mode" / "Z5KRON-Mode");
    EXPECT_TRUE(fs::is_directory(f.PresetFolder));
    EXPECT_NE(DescribePresetFolders(f).find("cannot be written"), std::string::npos);

    Touch(dir_ / "data2");
    const auto none = EnsurePresetFolders(dir_ / "bin", dir_ / "data2");
    EXPECT_FALSE(none.usable) << "neither place can be written";
    EXPECT_FALSE(EnsurePresetFolders(dir_ / "bin", fs::path()).usable);
}

TEST_F(PresetLibrary, AnInstalledProgramListsItsSharedPresetsAndWritesOnlyUserData) {
    const fs::path shared = InstalledPresetFolder(dir_ / "usr" / "bin");
    EXPECT_EQ(shared, dir_ / "usr" / "share" / "kdsp" / "Mode" / "Z5KRON-Mode");
    fs::create_directories(shared);
    Touch(shared / "Factory.Nddt");
    Touch(shared / "Both.Nddt");
    const auto f = EnsureInstalledPresetFolders(shared, dir_ / "data");
    EXPECT_TRUE(f.usable);
    EXPECT_EQ(f.PresetFolder, dir_ / "data" / "Mode" / "Z5KRON-Mode");
    EXPECT_EQ(f.ReadOnlyFolder, shared);
    Touch(f.PresetFolder / "Both.Nddt");
    Touch(f.PresetFolder / "mine.Nddt");
    EXPECT_EQ(ListPresetNames(f), (std::vector<std::string>{"Both", "Factory", "mine"}));
    EXPECT_EQ(PresetToLoad(f, "Factory"), shared / "Factory.Nddt");
    EXPECT_EQ(PresetToLoad(f, "Both"), f.PresetFolder / "Both.Nddt") << "the user's own copy wins";
    EXPECT_TRUE(PresetExists(f, "Factory"));
    EXPECT_NE(DescribePresetFolders(f).find(PathText(shared)), std::string::npos);
}

#if !defined(_WIN32) && !defined(__APPLE__)
TEST_F(PresetLibrary, UserDataFolderFollowsXdgThenHome) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("XDG_DATA_HOME", "/xdg/data", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(UserDataFolder(), fs::path("/xdg/data/kdsp"));
    setenv("XDG_DATA_HOME", "relative/path", 1);  // ignored, as the XDG rules say
    EXPECT_EQ(UserDataFolder(), fs::path("/home/someone/.local/share/kdsp"));
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(), fs::path("/home/someone/.local/share/kdsp"));
    if (oldXdg)
        setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
}
#endif

TEST_F(PresetLibrary, ListMatchesTheExtensionInAnyCaseSortedIgnoringCase) {
    EXPECT_TRUE(ListPresetNames(dir_).empty()) << "an empty folder gives an empty list";
    EXPECT_TRUE(ListPresetNames(dir_ / "missing").empty());
    for (const char* n : {"b.Nddt", "A.nddt", "c.NDDT.bak", "d.txt", "e.Nddt1", ".Nddt", "Nddt"}) {
        Touch(dir_ / n);
    }
    fs::create_directories(dir_ / "f.Nddt");  // folders are not presets
    EXPECT_EQ(ListPresetFiles(dir_),
              (std::vector<std::string>{".Nddt", "A.nddt", "b.Nddt", "c.NDDT.bak", "e.Nddt1"}));
    EXPECT_EQ(ListPresetNames(dir_),
              (std::vector<std::string>{"", "A", "b", "c.NDDT.bak", "e.Nddt1"}));
}

TEST_F(PresetLibrary, ListHasNoFixedLimit) {
    for (int i = 0; i < 250; ++i)
        Touch(dir_ / ("p" + std::to_string(1000 + i) + ".Nddt"));
    const auto names = ListPresetNames(dir_);
    ASSERT_EQ(names.size(), 250u);
    EXPECT_EQ(names.front(), "p1000");
    EXPECT_EQ(names.back(), "p1249");
}

TEST_F(PresetLibrary, ChineseNamesSaveAndList) {
    Model m;
    m.DeviceImage[4][4] = 44;
    ASSERT_FALSE(PresetNameProblem("唱歌 模式").has_value());
    WritePresetFile(PresetPath(dir_, "唱歌 模式"), m);
    EXPECT_EQ(ListPresetNames(dir_), std::vector<std::string>{"唱歌 模式"});
    EXPECT_TRUE(PresetExists(dir_, "唱歌 模式"));
    const auto result = ReadPresetFile(PresetPath(dir_, "唱歌 模式"));
    ASSERT_TRUE(result.Ok()) << result.detail;
}

TEST(PresetNames, RefusedNamesSayWhy) {
    for (const char* bad :
         {"",    ".",   "..",        "a/b",  "a\\b", "a:b", "a*b", "a?b",  "a\"b",   "a<b",
          "a>b", "a|b", "tab\there", "end.", "end ", "CON", "nul", "Com1", "lpt9.x", "\xFF\xFE"}) {
        const auto why = PresetNameProblem(bad);
        ASSERT_TRUE(why.has_value()) << "\"" << bad << "\" must be refused";
        EXPECT_FALSE(why->empty());
    }
    EXPECT_TRUE(PresetNameProblem(std::string(300, 'a')).has_value());
    EXPECT_EQ(*PresetNameProblem("a/b", 1), "名称不能包含 < > : \" / \\ | ? * 或控制字符!");
    for (const char* good :
         {"Party", "Party 2", "v1.2", "a..b", ".hidden", "console", "com0", "COM10", "唱歌"}) {
        EXPECT_FALSE(PresetNameProblem(good).has_value()) << good;
    }
}

TEST_F(PresetLibrary, ExistenceIgnoresLetterCase) {
    Touch(dir_ / "Party.Nddt");
    EXPECT_TRUE(PresetExists(dir_, "Party"));
    EXPECT_TRUE(PresetExists(dir_, "party")) << "same file on a case-blind file system";
    EXPECT_TRUE(PresetExists(dir_, "PARTY"));
    EXPECT_FALSE(PresetExists(dir_, "Party2"));
    EXPECT_FALSE(PresetExists(dir_ / "missing", "Party"));
}

TEST(ModeItems, NumberPrefixIsCutByItsDigitCount) {
    EXPECT_EQ(ModeItemText(16, "Night"), "16-Night");
    EXPECT_EQ(ModeNameOfItem("1-Home", 0), "Home");
    EXPECT_EQ(ModeNameOfItem("12-Party", 11), "Party") << "two-digit number: from the 4th char";
    EXPECT_EQ(ModeNameOfItem("3-", 2), "");
    EXPECT_EQ(ModeNameOfItem("10", 9), "");
}

// A preset edited without a processor: saved whole, the replaced file kept beside
// it under a name the list does not show, a failed save leaving everything as it was.
TEST_F(PresetLibrary, PresetDocumentSavesKeepingTheReplacedFile) {
    DeviceImageRows image{};
    image[6][20] = 100;
    Model m;
    m.DeviceImage = image;
    WritePresetFile(dir_ / "Hall.Nddt", m);
    const std::string original = [&] {
        std::ifstream in(dir_ / "Hall.Nddt", std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), {}};
    }();

    PresetDocument doc;
    DeviceImageRows shown{};
    EXPECT_FALSE(doc.Open(dir_ / "missing.Nddt", shown).Ok());
    EXPECT_FALSE(doc.IsOpen());
    ASSERT_TRUE(doc.Open(dir_ / "Hall.Nddt", shown).Ok());
    EXPECT_EQ(shown[6][20], 100);
    EXPECT_EQ(doc.Title(), "Hall.Nddt");
    shown[6][20] = 200;
    doc.SetModified(true);
    EXPECT_EQ(doc.Title(), "Hall.Nddt*");

    doc.Save(shown);
    EXPECT_FALSE(doc.Modified());
    std::ifstream kept(dir_ / "Hall.bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), original);
    EXPECT_EQ(ListPresetNames(dir_), std::vector<std::string>{"Hall"});
    DeviceImageRows reread{};
    ASSERT_TRUE(doc.Open(dir_ / "Hall.Nddt", reread).Ok());
    EXPECT_EQ(reread[6][20], 200);

    doc.SetModified(true);
    fs::create_directories(dir_ / "folder.Nddt");
    EXPECT_THROW(doc.Save(shown, dir_ / "folder.Nddt"), PresetWriteError);
    EXPECT_EQ(doc.Path(), dir_ / "Hall.Nddt");
    EXPECT_TRUE(doc.Modified());
}

}  // namespace
}  // namespace kdsp
