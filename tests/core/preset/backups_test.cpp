// Backups of the processor's memory: their names, one device's list in the order
// they were made, the newest fifty kept, renamed files never touched.
#include "core/preset/backups.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "core/preset/preset_file.h"
#include "core/preset/preset_library.h"

namespace kdsp {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono;

// 2024-05-01 14:03:22 UTC.
const system_clock::time_point May1st =
    sys_days(year(2024) / May / 1) + hours(14) + minutes(3) + seconds(22);

class Backups : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kdsp_backups_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }
    std::vector<std::string> Names(std::string_view identity) const {
        std::vector<std::string> names;
        for (const fs::path& p : ListBackups(dir_, identity))
            names.push_back(p.filename().string());
        return names;
    }
    fs::path dir_;
};

TEST_F(Backups, NamesCarryTheDeviceAndTheTimeInUtcAndNothingElse) {
    EXPECT_EQ(BackupName("5A352026", May1st), "5A352026-20240501T140322Z");
    EXPECT_EQ(BackupName("5A352026", May1st + milliseconds(999), 3), "5A352026-20240501T140322Z-3");
    // What the processor sent never becomes part of a file name unchecked.
    for (const char* odd : {"", "5a352026", "../../x1", "5A35202", "5A352026A", "5A35 026"})
        EXPECT_EQ(BackupName(odd, May1st), "unknown-20240501T140322Z") << odd;
    EXPECT_EQ(DefaultBackupFolder("/home/u/.local/share/kdsp"),
              fs::path("/home/u/.local/share/kdsp/backups"));
    EXPECT_TRUE(DefaultBackupFolder("").empty());
}

TEST_F(Backups, TheNewestFiftyOfADeviceAreKeptAndRenamedOnesAreNeverTouched) {
    DeviceImageRows image{};
    fs::create_directories(dir_);
    // Files that look alike but are not this program's backups of this device.
    const std::vector<std::string> others = {
        "5A352026-20000101T000000Z venue.Nddt", "5A352026-20000101T000000Z-02.Nddt",
        "5A352026-20000101T000000Z-1.Nddt",     "5A352026-20000101T0000000.Nddt",
        "5A352026-20000101T000000Z.Nddt.bak",   "my tuning.Nddt",
        "11111111-20000101T000000Z.Nddt"};
    for (const std::string& name : others)
        Touch(name);

    fs::path first, sameSecond;
    for (int k = 0; k < 53; ++k) {
        image[6][20] = k;
        // Two backups in one second: the second one does not replace the first.
        const auto when = May1st + minutes(k < 52 ? k : 51);
        const fs::path written = WriteBackup(dir_, image, "5A352026", when);
        if (k == 0)
            first = written;
        if (k == 52)
            sameSecond = written;
    }
    EXPECT_EQ(sameSecond.filename(), "5A352026-20240501T145422Z-2.Nddt");
    const auto names = Names("5A352026");
    ASSERT_EQ(names.size(), 50u);
    EXPECT_FALSE(fs::exists(first)) << "the oldest went";
    EXPECT_EQ(names.front(), "5A352026-20240501T140622Z.Nddt");
    EXPECT_EQ(names[48], "5A352026-20240501T145422Z.Nddt");
    EXPECT_EQ(names[49], "5A352026-20240501T145422Z-2.Nddt")
        << "the later one of the same second is the newest";
    for (const std::string& name : others)
        EXPECT_TRUE(fs::exists(dir_ / name)) << name;
    EXPECT_EQ(Names("11111111"), std::vector<std::string>{"11111111-20000101T000000Z.Nddt"});

    // The newest backup holds the image it was given, as a preset file.
    const PresetReadResult newest = ReadPresetFile(dir_ / names.back());
    ASSERT_TRUE(newest.Ok()) << newest.detail;
    DeviceImageRows back{};
    ApplyPreset(newest, back);
    EXPECT_EQ(back[6][20], 52);

    // A clock put back: the new backup sorts first, and it is an older one that goes.
    const fs::path early = WriteBackup(dir_, image, "5A352026", May1st - hours(1));
    EXPECT_TRUE(fs::exists(early)) << "the backup just written is never deleted";
    EXPECT_EQ(Names("5A352026").size(), 50u);
    EXPECT_FALSE(fs::exists(dir_ / names.front()));
}

TEST_F(Backups, ABackupThatCannotBeWrittenThrowsAndDeletesNothing) {
    const DeviceImageRows image{};
    fs::create_directories(dir_);
    const fs::path kept = WriteBackup(dir_, image, "5A352026", May1st, 1);
    std::ofstream(dir_ / "blocked") << "a file where the folder should be";
    EXPECT_THROW(WriteBackup(dir_ / "blocked", image, "5A352026", May1st), PresetWriteError);
    EXPECT_THROW(WriteBackup("", image, "5A352026", May1st), PresetWriteError);
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_TRUE(ListBackups(dir_ / "missing", "5A352026").empty());
}

}  // namespace
}  // namespace kdsp
