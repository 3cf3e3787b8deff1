// End to end: the whole window against kdsp-sim on loopback, driven through its
// controls as a person would — edits, presets on the PC, stored modes, the panel
// lock and a processor that stops answering. What the processor ends up holding is
// read back from the simulator's state file.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/link/link_window.h"
#include "app/pages/control_bindings.h"
#include "app/panels/eq_file_panel.h"
#include "app/panels/status_dialog.h"
#include "app/state/panel_state.h"
#include "app/widgets/app_message.h"
#include "app/widgets/widgets.h"
#include "app/window/main_window.h"
#include "core/link/link.h"
#include "core/model/eq_layout.h"
#include "core/preset/backups.h"
#include "core/preset/preset_file.h"
#include "core/protocol/frames.h"
#include "e2e_rig.h"
#include "sim_process.h"

namespace kdsp {
namespace {

// The slot a parameter's value occupies in the processor's memory.
int Slot(const Model& m, ParamId id) { return DeviceSlot(PageOf(id), IndexOf(id), m.ModeFlag); }
int DeviceValue(const Model& m, ParamId id) { return m.DeviceImage[PageOf(id)][Slot(m, id)]; }

QString Editor(ParamId id) {
    const ParamBinding* b = FindBinding(id);
    return b && b->editor ? QString::fromLatin1(b->editor) : QString();
}

// Every slot a whole-image upload carries: the page blocks of pages 0..9 and the
// system words 6..11.
std::vector<std::pair<int, int>> UploadedSlots() {
    std::vector<std::pair<int, int>> slots;
    for (int p = 0; p < PageSystem; ++p)
        for (int s = 0; s < PageBlockWords(p); ++s) slots.emplace_back(p, s);
    for (int s = MirrorFirstSystemSlot; s < MirrorFirstSystemSlot + MirrorSlotCount; ++s)
        slots.emplace_back(PageSystem, s);
    return slots;
}

// A memory in manual mode whose main-output bands are away from their defaults,
// each band with values of its own.
Model MainBandsAwayFromDefaults() {
    Model seed;
    seed.DeviceImage[PageMusic][0] = 1;  // manual
    for (int b = 0; b < PageBandCount[PageMain]; ++b) {
        const int first = FirstEqIndex[PageMain] + 5 * b;
        seed.DeviceImage[PageMain][first + 1] = 100 + 10 * b;
        seed.DeviceImage[PageMain][first + 2] = 100 + b;
        seed.DeviceImage[PageMain][first + 3] = 20;
        seed.DeviceImage[PageMain][first + 4] = 12;
    }
    return seed;
}

void WriteMainBandsAwayFromDefaults(const std::filesystem::path& state) {
    Model seed = MainBandsAwayFromDefaults();
    WritePresetFile(state, seed);
}

// The band frame of a main-output band as `image` holds it.
SentFrame MainBand(const DeviceImageRows& image, int band) {
    std::vector<int> words;
    for (int k = 0; k < 5; ++k) words.push_back(image[PageMain][FirstEqIndex[PageMain] + 5 * band + k]);
    return BandFrame(PageMain, band, words);
}

class EndToEndApp : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::filesystem::path Path(const char* name) const { return std::filesystem::path(dir.path().toStdString()) / name; }
    std::filesystem::path Folder() const { return Path("app"); }

    QTemporaryDir dir;
};

// ---------------------------------------------------------------------------
// Editing on several pages reaches the processor's memory.

TEST_F(EndToEndApp, EditsOnSeveralPagesEndUpInTheProcessor) {
    const auto state = Path("memory.Nddt");
    SimProcess sim({"--state", QString::fromStdString(state.string())});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder());
    ASSERT_TRUE(app.Start()) << app.Seen();
    const DeviceImageRows before = app.model().DeviceImage;

    // Music page: band 1 frequency typed and confirmed (a band frame).
    app.Tab(1);
    app.Type("MusFreEdit1", "1000");
    EXPECT_EQ(app.W<QLineEdit>("MusFreEdit1")->text(), "1000.0");
    // Effect page: a slider stepped with the keyboard and a phase button.
    app.Tab(3);
    app.Keys(Editor(0x0401), Qt::Key_PageUp, 3);
    app.Click(Editor(0x0400));
    // Main output: the music level slider.
    app.Tab(4);
    app.Keys("MainMusLevelBar", Qt::Key_PageUp, 2);
    // System page: a choice button.
    app.Tab(8);
    app.Click("SysInput3");
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();

    const Model& m = app.model();
    const ParamId edited[] = {0x0005, 0x0401, 0x0400, 0x0600, 0x0A0E};
    for (ParamId id : edited)
        EXPECT_NE(DeviceValue(m, id), before[PageOf(id)][Slot(m, id)]) << "not edited: 0x" << std::hex << id;
    EXPECT_EQ(DeviceValue(m, 0x0A0E), 2);

    const DeviceImageRows window = m.DeviceImage;
    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    for (ParamId id : edited)
        EXPECT_EQ(device[PageOf(id)][Slot(m, id)], DeviceValue(m, id)) << "processor misses 0x" << std::hex << id;
    // Nothing else drifted apart either.
    for (auto [p, s] : UploadedSlots())
        EXPECT_EQ(device[p][s], window[p][s]) << "page " << p << " slot " << s;
    EXPECT_TRUE(app.told.empty()) << app.Seen();
}

// ---------------------------------------------------------------------------
// A preset saved to the PC, loaded and sent back; a damaged one changes nothing.

TEST_F(EndToEndApp, APresetSavedToThePcComesBackOnTheProcessor) {
    const auto state = Path("memory.Nddt");
    SimProcess sim({"--state", QString::fromStdString(state.string())});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder());
    ASSERT_TRUE(app.Start()) << app.Seen();

    app.Tab(3);
    app.Keys(Editor(0x0401), Qt::Key_PageUp, 2);
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    const int saved = DeviceValue(app.model(), 0x0401);

    app.Tab(8);
    app.Type("FileEdit", "Evening", false);
    app.Click("RzBmpButton120");
    const std::filesystem::path folder = PanelsOf(*app.form1).folders.PresetFolder;
    const std::filesystem::path file = folder / "Evening.Nddt";
    ASSERT_TRUE(std::filesystem::exists(file)) << app.Seen();
    auto* grid = app.W<QTableWidget>("ValueListEditor1");
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 1)->text(), "Evening");

    // Other settings on the processor.
    app.Tab(3);
    app.Keys(Editor(0x0401), Qt::Key_PageDown, 4);
    app.Tab(4);
    app.Keys("MainMusLevelBar", Qt::Key_PageUp, 3);
    // The remote switch, which the preset holds off: the upload never sends it.
    app.Tab(8);
    app.Click("SysRemoteBtn2");
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    ASSERT_NE(DeviceValue(app.model(), 0x0401), saved);
    ASSERT_EQ(DeviceValue(app.model(), IdRemote), 1);

    // Picked from the list, loaded and sent.
    app.Tab(8);
    app.W<QLineEdit>("FileEdit")->clear();
    const QRect cell = grid->visualItemRect(grid->item(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(app.W<QLineEdit>("FileEdit")->text(), "Evening");
    app.events.clear();
    app.Click("RzBmpButton119");
    ASSERT_FALSE(app.told.empty());
    EXPECT_EQ(app.told.back().text, "加载模式：Evening ?");
    ASSERT_TRUE(app.WaitFor([&] {
        return std::find(app.events.begin(), app.events.end(), EventOnline) != app.events.end() && app.Settled();
    })) << app.Seen();
    EXPECT_TRUE(app.captions.contains("Uploading...")) << app.Seen();
    EXPECT_EQ(app.form2->StatusText(), "Online");
    EXPECT_EQ(DeviceValue(app.model(), 0x0401), saved);
    EXPECT_EQ(app.W<QSlider>(Editor(0x0401))->value(), saved) << "the page shows the loaded value";
    EXPECT_EQ(DeviceValue(app.model(), IdRemote), 1) << "the window keeps the processor's remote switch";
    EXPECT_EQ(app.W("SysRemoteBtn2")->property("state").toString(), "on");

    // A damaged copy with other values: its records were changed, its checksum not.
    const PresetReadResult good = ReadPresetFile(file);
    ASSERT_TRUE(good.Ok()) << good.detail;
    {
        Model other;
        ApplyPreset(good, other);
        other.DeviceImage[PageOf(0x0401)][Slot(app.model(), 0x0401)] = saved + 5;
        other.DeviceImage[PageOf(0x0600)][Slot(app.model(), 0x0600)] += 7;
        std::string bytes = FormatPresetFile(other.DeviceImage);
        // The last line is the checksum: put back the one of the good file.
        std::ifstream in(file, std::ios::binary);
        const std::string original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto lastLine = [](const std::string& s) { return s.substr(s.rfind("\r\n", s.size() - 3) + 2); };
        bytes = bytes.substr(0, bytes.size() - lastLine(bytes).size()) + lastLine(original);
        std::ofstream(folder / "Damaged.Nddt", std::ios::binary) << bytes;
    }
    const DeviceImageRows beforeDamaged = app.model().DeviceImage;
    app.events.clear();
    app.told.clear();
    app.Type("FileEdit", "Damaged", false);
    app.Click("RzBmpButton119");
    ASSERT_EQ(app.told.size(), 2u) << app.Seen();
    EXPECT_EQ(app.told[0].text, "加载模式：Damaged ?");
    EXPECT_EQ(app.told[1].text, "Data file is corrupted!");
    EXPECT_TRUE(app.events.empty()) << "no upload is started";
    EXPECT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    EXPECT_TRUE(app.Online());
    EXPECT_EQ(app.model().DeviceImage, beforeDamaged) << "nothing of the damaged file reaches the window";

    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    DeviceImageRows fromFile{};
    ApplyPreset(good, fromFile);
    for (auto [p, s] : UploadedSlots())
        EXPECT_EQ(device[p][s], fromFile[p][s]) << "page " << p << " slot " << s;
    EXPECT_EQ(device[PageSystem][IndexOf(IdRemote)], 1) << "the closing word carries the remote switch as shown";
}

// ---------------------------------------------------------------------------
// The safety net: a backup before anything overwrites the processor, every upload read
// back, and the last backup sent back on request.

// The backups the window has made of the simulator, oldest first; nothing else is
// in their folder.
std::vector<std::filesystem::path> BackupsOf(App& app) {
    const std::filesystem::path folder = PanelsOf(*app.form1).backupFolder;
    const auto backups = ListBackups(folder, app.model().DeviceIdentity);
    std::error_code ec;
    const auto files = std::distance(std::filesystem::directory_iterator(folder, ec), {});
    EXPECT_EQ(static_cast<std::size_t>(files), backups.size()) << folder;
    return backups;
}

// A preset in the window's folder: what the processor holds, with other values on
// the main output and the first aux output.
void WriteChangedPreset(App& app, const char* name) {
    Model file;
    file.DeviceImage = app.model().DeviceImage;
    file.DeviceImage[PageMain][20] = 200;
    file.DeviceImage[PageMain][21] += 3;
    file.DeviceImage[PageAux1][20] = 100;
    // The second aux output's mix levels beyond its sliders' reach (100).
    file.DeviceImage[PageAux2][0] = 190;
    file.DeviceImage[PageAux2][4] = 110;
    file.DeviceImage[PageAux2][8] = 125;
    WritePresetFile(PanelsOf(*app.form1).folders.PresetFolder / (std::string(name) + ".Nddt"), file);
}

// Online again since the events were last cleared, every edit sent.
bool OnlineAgain(App& app) {
    return std::find(app.events.begin(), app.events.end(), EventOnline) != app.events.end() && app.Settled();
}

TEST_F(EndToEndApp, AnUploadThatTheProcessorDoesNotKeepIsNamedAndCanBeRetried) {
    SimProcess sim({"--ignore-page-writes", "6"});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    const DeviceImageRows before = app.model().DeviceImage;
    WriteChangedPreset(app, "Venue");

    app.Tab(8);
    app.Type("FileEdit", "Venue", false);
    // Load it; send it again when told it did not stick; then give up.
    app.answers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::No};
    app.Click("RzBmpButton119");
    const QString told = "设备确认了上传，但回读的数据与文件不同：\n第 6 页（主输出）：2 个字不同\n\n重新上传吗?";
    ASSERT_TRUE(app.WaitFor([&] { return app.told.size() == 3 && app.Settled(); })) << app.Seen();
    EXPECT_EQ(app.told[1].text, told) << app.Seen();
    EXPECT_EQ(app.told[2].text, told) << "the retry fails the same way";
    EXPECT_EQ(std::count(app.events.begin(), app.events.end(), EventUpload), 2);
    EXPECT_TRUE(app.captions.contains("Verifying...")) << app.Seen();
    EXPECT_EQ(app.W<QLabel>("BackupLabel")->text(), "上传校验失败：第 6 页（主输出）：2 个字不同");
    // The window shows what the processor holds: page 6 as it was, page 7 as sent.
    EXPECT_EQ(app.model().DeviceImage[PageMain][20], before[PageMain][20]);
    EXPECT_EQ(app.model().DeviceImage[PageAux1][20], 100);
    // One backup: the retry overwrites nothing the first one does not hold.
    const auto backups = BackupsOf(app);
    ASSERT_EQ(backups.size(), 1u);
    const DeviceImageRows kept = ReadState(backups[0]);
    for (auto [p, s] : UploadedSlots()) EXPECT_EQ(kept[p][s], before[p][s]) << "page " << p << " slot " << s;
}

// Words beyond the sliders' reach (echo pre-delay 183 on a slider to 125, mix levels
// 161/121/119 on sliders to 100, and the preset's aux-2 levels) go into the file saved
// to the PC, the backup, the upload and the restore word for word.
TEST_F(EndToEndApp, EachOverwriteIsBackedUpAndTheLastBackupCanBeSentBack) {
    const auto state = Path("memory.Nddt");
    SimProcess sim({"--state", QString::fromStdString(state.string())});
    ASSERT_GT(sim.Port(), 0);
    const std::vector<std::pair<ParamId, int>> beyond = {{0x0406, 183}, {0x0700, 161}, {0x0704, 121}, {0x0708, 119}};
    for (auto [id, word] : beyond) ASSERT_TRUE(sim.Poke(id, word));
    App app(sim.Port(), Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    const DeviceImageRows before = app.model().DeviceImage;
    for (auto [id, word] : beyond) ASSERT_EQ(before[PageOf(id)][IndexOf(id)], word) << "as read, not as shown";
    WriteChangedPreset(app, "Venue");
    app.Tab(8);
    EXPECT_EQ(app.W<QLabel>("BackupLabel")->text(),
              "备份文件夹：" + QString::fromStdString(PanelsOf(*app.form1).backupFolder.string()));
    app.Type("FileEdit", "AsRead", false);
    app.Click("RzBmpButton120");
    const DeviceImageRows saved =
        ReadState(PanelsOf(*app.form1).folders.PresetFolder / "AsRead.Nddt");
    for (auto [p, s] : UploadedSlots()) ASSERT_EQ(saved[p][s], before[p][s]) << "saved: page " << p << " slot " << s;
    app.told.clear();

    app.Type("FileEdit", "Venue", false);
    app.Click("RzBmpButton119");
    ASSERT_TRUE(app.WaitFor([&] { return OnlineAgain(app); })) << app.Seen();
    ASSERT_EQ(app.told.size(), 1u) << "a good upload is not questioned: " << app.Seen();
    EXPECT_EQ(app.model().DeviceImage[PageMain][20], 200) << "read back from the processor";
    EXPECT_EQ(app.model().DeviceImage[PageAux2][0], 190) << "sent as the file holds it";
    EXPECT_EQ(app.model().DeviceImage[PageAux2][8], 125);
    auto backups = BackupsOf(app);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(app.W<QLabel>("BackupLabel")->text(), "已备份：" + QString::fromStdString(backups[0].filename().string()));
    DeviceImageRows kept = ReadState(backups[0]);
    for (auto [p, s] : UploadedSlots()) ASSERT_EQ(kept[p][s], before[p][s]) << "page " << p << " slot " << s;

    // Restored: the memory from before the upload goes back, the venue's is kept first.
    app.told.clear();
    app.events.clear();
    app.Click("BackupRestoreBtn");
    ASSERT_FALSE(app.told.empty());
    EXPECT_TRUE(app.told[0].text.startsWith("把 ")) << app.Seen();
    EXPECT_TRUE(app.told[0].text.endsWith(QString::fromStdString(backups[0].string()))) << app.Seen();
    ASSERT_TRUE(app.WaitFor([&] { return OnlineAgain(app); })) << app.Seen();
    EXPECT_EQ(app.told.size(), 1u) << app.Seen();
    backups = BackupsOf(app);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(ReadState(backups[1])[PageMain][20], 200);
    EXPECT_EQ(ReadState(backups[1])[PageAux2][0], 190);
    for (auto [id, word] : beyond)
        EXPECT_EQ(app.model().DeviceImage[PageOf(id)][IndexOf(id)], word) << "restored and read back";

    // A stored mode recalled: its memory replaces the processor's, which is kept first.
    app.events.clear();
    app.Pick(app.W<QComboBox>("SysModeBox"), 1);
    app.Click("RzBmpButton121");
    ASSERT_TRUE(app.WaitFor([&] { return OnlineAgain(app); })) << app.Seen();
    EXPECT_EQ(BackupsOf(app).size(), 3u);

    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    kept = ReadState(BackupsOf(app)[2]);
    for (auto [p, s] : UploadedSlots())
        EXPECT_EQ(kept[p][s], before[p][s]) << "restored before the recall: page " << p << " slot " << s;
    EXPECT_NE(device[PageMain][20], 200) << "the recalled mode is what the processor holds now";
}

// ---------------------------------------------------------------------------
// Closing the window while an upload runs is asked about, never dropped: waiting
// lets the upload finish and then closes; closing now stops at once, told that the
// processor is only partly updated and where its backup is.

TEST_F(EndToEndApp, ClosingDuringAnUploadWaitsForItOrStopsItWhenAsked) {
    // Every answer a little late, so that the upload lasts long enough to close during it.
    SimProcess sim({"--log", "--delay-ms", "30"});
    ASSERT_GT(sim.Port(), 0);
    std::size_t whole = 0;
    for (const bool wait : {true, false}) {
        SCOPED_TRACE(wait ? "wait" : "close now");
        App app(sim.Port(), Folder(), true);
        ASSERT_TRUE(app.Start()) << app.Seen();
        ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
        WriteChangedPreset(app, "Venue");
        app.Tab(8);
        app.Type("FileEdit", "Venue", false);
        sim.TakeWrites();
        app.Click("RzBmpButton119");
        ASSERT_TRUE(app.WaitFor([&] {
            return app.session().State() == SessionState::Uploading && app.session().Progress().step >= 3;
        })) << app.Seen();
        ASSERT_TRUE(app.session().Transferring());
        EXPECT_EQ(app.form2->StatusText(), "Uploading...") << "the progress box says what it does";
        app.answers = {wait ? MsgAnswer::Yes : MsgAnswer::No};
        app.Click("RzBmpButton3");  // the title bar's close button
        ASSERT_EQ(app.told.size(), 2u) << app.Seen();
        const QString backup = QString::fromStdString(PanelsOf(*app.form1).lastBackup.string());
        ASSERT_FALSE(backup.isEmpty());
        EXPECT_TRUE(app.told[1].text.contains("设备只更新了一部分")) << app.Seen();
        EXPECT_TRUE(app.told[1].text.contains(backup)) << app.Seen();
        if (wait) {
            EXPECT_TRUE(app.form1->isVisible()) << "the close waits for the upload";
            ASSERT_TRUE(app.WaitFor([&] { return !app.form1->isVisible(); })) << app.Seen();
            EXPECT_NE(std::find(app.events.begin(), app.events.end(), EventOnline),
                      app.events.end())
                << "closed once the upload was read back";
            EXPECT_EQ(app.told.size(), 2u)
                << "read back as sent: nothing more to say; " << app.Seen();
            whole = sim.TakeWrites().size();
            EXPECT_GT(whole, 10u);
        } else {
            EXPECT_FALSE(app.form1->isVisible()) << "closed at once";
            const std::size_t sent = sim.TakeWrites().size();
            EXPECT_GT(sent, 0u);
            EXPECT_LT(sent, whole) << "the processor has part of the upload";
            // Nothing more reaches the processor, and nothing brings the window back.
            app.WaitFor([] { return false; }, 1000);
            EXPECT_TRUE(sim.TakeWrites().empty());
            EXPECT_FALSE(app.form1->isVisible());
            EXPECT_FALSE(app.form2->isVisible()) << "no status dialog left behind";
        }
    }
}

// ---------------------------------------------------------------------------
// Stored modes: refused in user mode, saved under a new name in manager mode
// (reached through the system password), recalled with the values they hold.

TEST_F(EndToEndApp, StoredModesAreSavedAndRecalled) {
    const auto state = Path("memory.Nddt");
    SimProcess sim({"--state", QString::fromStdString(state.string())});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder());
    ASSERT_TRUE(app.Start()) << app.Seen();
    auto* box = app.W<QComboBox>("SysModeBox");
    ASSERT_EQ(box->count(), 9);
    EXPECT_EQ(box->itemText(3), "4-Ballad") << "names read from the processor";

    app.Tab(8);
    app.Pick(box, 3);
    app.Type("PresetModeEdit", "Night Club", false);
    app.Click("RzBmpButton138");
    ASSERT_EQ(app.told.size(), 1u) << app.Seen();
    EXPECT_EQ(app.told[0].text, "用户模式无法执行保存操作!");
    EXPECT_TRUE(app.Settled()) << "nothing sent";

    // Manager mode through the system password gate.
    app.PanelTab("密码");
    app.Type("SysPassEdit", "654321", false);
    app.Click("RzBmpButton118");
    EXPECT_TRUE(app.Said("密码错误!"));
    EXPECT_FALSE(app.W("SysUserMangerGrop")->isEnabled());
    app.Type("SysPassEdit", "123456", false);
    app.Click("RzBmpButton118");
    ASSERT_TRUE(app.W("SysUserMangerGrop")->isEnabled()) << app.Seen();
    app.Click("SysManagerBtn");
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    EXPECT_EQ(app.model().ParamImage[PageSystem][12], 1);

    // The values the mode keeps.
    app.Tab(3);
    const QString bar = Editor(0x0401);
    app.Keys(bar, Qt::Key_End);
    const int kept = app.W<QSlider>(bar)->value();
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();

    app.Tab(8);
    app.Pick(box, 3);
    app.Type("PresetModeEdit", "Night Club", false);
    app.told.clear();
    app.Click("RzBmpButton138");
    ASSERT_GE(app.told.size(), 1u);
    EXPECT_EQ(app.told[0].text, "保存当前模式为 4-Night Club?");
    ASSERT_TRUE(app.WaitFor([&] { return app.Said("Save Success!") && app.Settled(); })) << app.Seen();
    EXPECT_EQ(box->itemText(3), "4-Night Club");
    EXPECT_EQ(box->currentIndex(), 3);
    EXPECT_EQ(app.form3->LinkCaption(), "Online");

    // Changed afterwards, then the stored mode recalled.
    app.Tab(3);
    app.Keys(bar, Qt::Key_Home);
    ASSERT_NE(app.W<QSlider>(bar)->value(), kept);
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    app.Tab(8);
    app.Pick(box, 3);
    EXPECT_EQ(app.W<QLineEdit>("PresetModeEdit")->text(), "Night Club");
    app.told.clear();
    app.events.clear();
    app.Click("RzBmpButton121");
    ASSERT_GE(app.told.size(), 1u);
    EXPECT_EQ(app.told[0].text, "模式切换为4-Night Club?");
    ASSERT_TRUE(app.WaitFor([&] {
        return std::find(app.events.begin(), app.events.end(), EventOnline) != app.events.end() && app.Settled();
    })) << app.Seen();
    EXPECT_TRUE(app.captions.contains("加载中...")) << app.Seen();
    EXPECT_NE(std::find(app.events.begin(), app.events.end(), EventReload), app.events.end());
    app.Tab(3);
    EXPECT_EQ(app.W<QSlider>(bar)->value(), kept) << "the window shows the recalled mode";
    EXPECT_EQ(app.W<QLabel>("CurrentModeLabel")->text(), "（当前模式：4 ）");
    EXPECT_EQ(box->itemText(3), "4-Night Club") << "the processor kept the new name";

    // The whole image the window now holds is the processor's.
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    const DeviceImageRows window = app.model().DeviceImage;
    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    for (auto [p, s] : UploadedSlots())
        EXPECT_EQ(device[p][s], window[p][s]) << "page " << p << " slot " << s;
}

// ---------------------------------------------------------------------------
// The address and port are read when the connection is made, not when the search
// starts: a port typed while the search runs is the one tried.

TEST_F(EndToEndApp, APortTypedDuringTheSearchIsTheOneTried) {
    SimProcess sim;
    ASSERT_GT(sim.Port(), 0);
    App app(1, Folder());  // nothing listens on port 1
    app.form1->show();     // the start-up search; its first tick connects a second later
    app.Type("IPPortStrEdit", QString::number(sim.Port()), false);
    ASSERT_TRUE(app.WaitFor([&] { return app.Online(); }, 15000)) << app.Seen();
    EXPECT_FALSE(app.Said("Off Line!")) << app.Seen();
}

// ---------------------------------------------------------------------------
// The processor's panel lock takes the window until its password is typed.

TEST_F(EndToEndApp, ThePanelLockHoldsTheWindowUntilItsPasswordIsTyped) {
    SimProcess sim({"--panel-lock", "--panel-password", "5829"});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder());
    ASSERT_TRUE(app.Start()) << app.Seen();
    ASSERT_TRUE(app.WaitFor([&] { return app.form3->FreshLink() == 2; }, 5000)) << app.Seen();
    EXPECT_FALSE(app.W("FirstCheckGrop")->isHidden());
    EXPECT_FALSE(app.W("TopTileGrop")->isEnabled());
    EXPECT_FALSE(app.W("FormPageItem")->isEnabled());
    EXPECT_EQ(app.form1->ActiveSheet(), 7);
    app.Tab(3);
    EXPECT_EQ(app.form1->ActiveSheet(), 7) << "the tab strip does not answer while locked";

    app.Type("PanelPassWordEdit", "1234");  // the simulator's default, not this one's
    EXPECT_FALSE(app.W("FirstCheckGrop")->isHidden());
    app.Type("PanelPassWordEdit", "582900");
    EXPECT_FALSE(app.W("FirstCheckGrop")->isHidden()) << "six digits never unlock";
    EXPECT_FALSE(app.W("FormPageItem")->isEnabled());
    ASSERT_EQ(app.told.size(), 2u) << app.Seen();
    EXPECT_EQ(app.told[0].text, "密码错误!") << "each wrong password is told";
    EXPECT_EQ(app.told[1].text, "密码错误!");
    app.told.clear();

    app.Type("PanelPassWordEdit", "5829");
    EXPECT_TRUE(app.W("FirstCheckGrop")->isHidden());
    EXPECT_TRUE(app.W("TopTileGrop")->isEnabled());
    EXPECT_TRUE(app.W("FormPageItem")->isEnabled());
    EXPECT_TRUE(app.Said("解锁成功")) << app.Seen();
    // The window is usable again: another page, an edit that reaches the processor.
    app.Tab(3);
    EXPECT_EQ(app.form1->ActiveSheet(), 2);
    app.Keys(Editor(0x0401), Qt::Key_PageUp);
    EXPECT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    EXPECT_FALSE(app.W("FirstCheckGrop")->isVisible()) << "later refreshes leave it unlocked";

    // Every new connection locks again while the processor's lock is on.
    app.Click("UnLinkBtn");
    EXPECT_FALSE(app.Online());
    app.Click("LinkBtn");
    ASSERT_TRUE(app.WaitFor([&] { return app.form3->FreshLink() == 2; })) << app.Seen();
    EXPECT_FALSE(app.W("FirstCheckGrop")->isHidden());
    EXPECT_FALSE(app.W("FormPageItem")->isEnabled());
    app.Type("PanelPassWordEdit", "5829");
    EXPECT_TRUE(app.W("FirstCheckGrop")->isHidden());
}

// ---------------------------------------------------------------------------
// Packaging (help2man) and scripts ask the window program for its help and version
// where there is no display.

TEST(ControlProgram, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (const char* flag : {"--help", "--version"}) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QString::fromLatin1(KDSP_CONTROL_PATH), {QString::fromLatin1(flag)});
        ASSERT_TRUE(program.waitForFinished(20000)) << flag;
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit)
            << flag << ": " << program.readAllStandardError().toStdString();
        EXPECT_EQ(program.exitCode(), 0) << flag;
        EXPECT_TRUE(
            out.contains(flag == std::string("--help") ? "--screenshot" : "Audio Effect Contrller"))
            << flag << ": " << out.toStdString();
    }
}

// ---------------------------------------------------------------------------
// A processor that goes silent: the link is lost after about eleven seconds and the
// window goes on searching for it in the background, usable meanwhile; the link
// button still connects at once.

TEST_F(EndToEndApp, ASilentProcessorIsLostAndTheLinkButtonConnectsAgain) {
    // The read and a few keep-alives are answered, then nothing.
    SimProcess silent({"--silent-after", "42"});
    ASSERT_GT(silent.Port(), 0);
    App app(silent.Port(), Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    ASSERT_TRUE(app.WaitFor([&] { return app.session().Reconnecting(); }, 40000)) << app.Seen();
    EXPECT_NE(std::find(app.events.begin(), app.events.end(), EventLinkLost), app.events.end());
    EXPECT_TRUE(app.told.empty()) << "no message while the window reconnects: " << app.Seen();
    EXPECT_FALSE(app.Online());
    EXPECT_EQ(app.form3->LinkCaption(), "Reconnecting...");
    EXPECT_TRUE(app.W("LinkLabel")->isVisible()) << "the title bar says so";
    EXPECT_FALSE(app.form2->isVisible());
    EXPECT_EQ(app.W<QPushButton>("LinkBtn")->text(), "联机");

    // Still usable: pages switch, edits are kept for the next connection.
    app.Tab(4);
    EXPECT_EQ(app.form1->ActiveSheet(), 3);
    EXPECT_TRUE(app.W("FormPageItem")->isEnabled());
    auto* level = app.W<QSlider>("MainMusLevelBar");
    const int was = level->value();
    app.Keys("MainMusLevelBar", Qt::Key_PageUp);
    EXPECT_NE(level->value(), was);
    EXPECT_EQ(DeviceValue(app.model(), 0x0600), level->value());

    // Another processor answers on another port; the link button finds it at once.
    SimProcess other;
    ASSERT_GT(other.Port(), 0);
    app.Type("IPPortStrEdit", QString::number(other.Port()), false);
    app.events.clear();
    app.answers.push_back(MsgAnswer::No);  // the offline edit stays off this processor
    app.Click("LinkBtn");
    ASSERT_TRUE(app.WaitFor([&] { return app.Online() && !app.told.empty(); })) << app.Seen();
    EXPECT_FALSE(app.session().Reconnecting());
    EXPECT_FALSE(app.W("LinkLabel")->isVisible());
    EXPECT_EQ(app.form2->StatusText(), "Online");
    EXPECT_EQ(app.W<QPushButton>("LinkBtn")->text(), "断开");
    EXPECT_EQ(app.form3->FreshLink(), 1);
    app.Tab(4);
    EXPECT_EQ(level->value(), DeviceValue(app.model(), 0x0600)) << "the window shows this processor's memory";
    app.Keys("MainMusLevelBar", Qt::Key_PageUp);
    EXPECT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
}

// ---------------------------------------------------------------------------
// Undo and redo: a slider drag, a typed value and an EQ reset go back one gesture
// at a time and come again, and the processor gets every step.

// The frames of a batch of writes without the repeats (a drained write queue sends
// its last value twice).
std::vector<SentFrame> Distinct(std::vector<SentFrame> frames) {
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

TEST_F(EndToEndApp, UndoAndRedoRoundTripADragATypedValueAndAnEqReset) {
    // The main output's bands away from their defaults, so the reset changes each.
    const auto state = Path("memory.Nddt");
    WriteMainBandsAwayFromDefaults(state);
    SimProcess sim({"--state", QString::fromStdString(state.string()), "--log"});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    auto settle = [&] { EXPECT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen(); };
    settle();
    sim.TakeWrites();
    const Model& m = app.model();
    // The band frames of the main output's bands, in this order, as `image` holds them.
    auto bands = [](const DeviceImageRows& image, std::vector<int> order) {
        std::vector<SentFrame> frames;
        for (int b : order) frames.push_back(MainBand(image, b));
        return frames;
    };

    app.Tab(4);
    const DeviceImageRows start = m.DeviceImage;
    auto* level = app.W<QSlider>("MainMusLevelBar");
    const int level0 = level->value();
    Person::Drag(level, {60, 0});
    const int level1 = level->value();
    ASSERT_NE(level1, level0);
    settle();
    const DeviceImageRows dragged = m.DeviceImage;
    app.Type("MainFreEdit2", "1000");
    settle();
    const DeviceImageRows typed = m.DeviceImage;
    ASSERT_EQ(typed[PageMain][FirstEqIndex[PageMain] + 5 + 1], 204);
    app.Click("EQResetBtn");
    settle();
    const DeviceImageRows reset = m.DeviceImage;
    sim.TakeWrites();

    // Back: the reset (every band it changed, last first), the typed value, the drag.
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), bands(typed, {6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(m.DeviceImage, typed);
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), bands(dragged, {1}));
    EXPECT_EQ(m.DeviceImage, dragged);
    app.Click("UndoBtn");
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), std::vector<SentFrame>{ValueFrame(0x0600, level0)});
    EXPECT_EQ(m.DeviceImage, start);
    EXPECT_EQ(level->value(), level0);

    // And forward again.
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), std::vector<SentFrame>{ValueFrame(0x0600, level1)});
    Person::Key(app.form1.get(), Qt::Key_Y, 1, Qt::ControlModifier);
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), bands(typed, {1}));
    EXPECT_EQ(app.W<QLineEdit>("MainFreEdit2")->text(), "1000.0");
    app.Click("RedoBtn");
    settle();
    EXPECT_EQ(Distinct(sim.TakeWrites()), bands(reset, {0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(m.DeviceImage, reset);

    // The reset undone once more: the processor's memory is the window's.
    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    settle();
    const DeviceImageRows window = m.DeviceImage;
    EXPECT_EQ(window, typed);
    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    for (auto [p, s] : UploadedSlots())
        EXPECT_EQ(device[p][s], window[p][s]) << "page " << p << " slot " << s;
    EXPECT_TRUE(app.told.empty()) << app.Seen();
}

// ---------------------------------------------------------------------------
// A REW filter list imported onto the main output through "导入EQ…": the summary
// names the bands and the deviation before anything goes out, the processor gets one
// band frame per band and the crossover words, and one undo puts everything back.

TEST_F(EndToEndApp, AFilterListImportedOntoTheMainOutputIsSentAndUndoneAsOneStep) {
    const auto state = Path("memory.Nddt");
    Model seed = MainBandsAwayFromDefaults();
    seed.DeviceImage[PageMain][20] = 362;  // low-pass off
    WritePresetFile(state, seed);
    const auto list = Path("room.txt");
    std::ofstream(list, std::ios::binary) << "Filter Settings file\r\n\r\nEqualiser: Generic\r\nseat 1\r\n"
                                             "Filter  1: ON  PK  Fc 62.5 Hz  Gain 3.0 dB  Q 1.00\r\n"
                                             "Filter  2: ON  LS  Fc 101.0 Hz  Gain -2.0 dB\r\n"
                                             "Filter  3: ON  HPQ  Fc 31.3 Hz  Q 0.71\r\n";
    int asked = 0;
    const EqFileChooser previous = SetEqFileChooser([&](QWidget*, bool save) {
        ++asked;
        EXPECT_FALSE(save);
        return EqFileChoice{QString::fromStdString(list.string()), false};
    });
    SimProcess sim({"--state", QString::fromStdString(state.string()), "--log"});
    ASSERT_GT(sim.Port(), 0);
    App app(sim.Port(), Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    auto settle = [&] { EXPECT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen(); };
    settle();
    app.Tab(4);
    sim.TakeWrites();
    const DeviceImageRows start = app.model().DeviceImage;

    // Declined: nothing is sent.
    app.answers.push_back(MsgAnswer::No);
    app.Click("EqImportBtn");
    ASSERT_EQ(app.told.size(), 1u) << app.Seen();
    const QString summary = app.told.front().text;
    EXPECT_TRUE(summary.contains("频段1: PEQ 62.5Hz +3.0dB Q 1.00 (第5行)")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("频段2: LSEQ 101.0Hz -2.0dB Q 1.00 (第6行)")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("频段3: 平直")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("高通: USER 12dB 31.3Hz Q 0.71 (第7行)")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("最大 0.00 dB")) << summary.toStdString();
    settle();
    EXPECT_TRUE(sim.TakeWrites().empty());
    EXPECT_EQ(app.model().DeviceImage, start);

    app.Click("EqImportBtn");
    settle();
    EXPECT_EQ(asked, 2);
    std::vector<SentFrame> want;
    const int flatFreq[] = {0, 0, 130, 170, 205, 245, 290};
    for (int b = 0; b < 7; ++b) {
        std::vector<int> words = {0, flatFreq[b], 120, 16, 10};
        if (b == 0) words = {0, 60, 135, 16, 10};
        if (b == 1) words = {1, 85, 110, 16, 16};
        want.push_back(BandFrame(PageMain, b, words));
    }
    want.push_back(ValueFrame(0x0610, 3));   // high-pass "USER 12dB"
    want.push_back(ValueFrame(0x0611, 25));  // 31.3 Hz
    want.push_back(ValueFrame(0x0612, 10));  // Q 0.71
    // The link sends waiting single words before waiting bands: each kind in its order.
    std::vector<SentFrame> got = Distinct(sim.TakeWrites());
    std::stable_partition(got.begin(), got.end(), [](const SentFrame& f) { return f.band >= 0; });
    EXPECT_EQ(got, want);
    EXPECT_EQ(app.W<QLineEdit>("MainFreEdit1")->text(), "62.5") << "the page shows the new bands";

    Person::Key(app.form1.get(), Qt::Key_Z, 1, Qt::ControlModifier);
    settle();
    EXPECT_EQ(app.model().DeviceImage, start) << "one undo step";
    sim.Stop();
    const DeviceImageRows device = ReadState(state);
    EXPECT_EQ(device[PageMain], start[PageMain]) << "the processor has its bands back";
    SetEqFileChooser(previous);
}

// ---------------------------------------------------------------------------
// A processor stopped and started again on its port: the window is online again
// without a click, and asks whether the edit made meanwhile goes to the processor;
// dropped, the window shows the processor's value, sent, the processor has it.

TEST_F(EndToEndApp, AProcessorStartedAgainIsFoundByItselfAndAskedAboutTheOfflineEdits) {
    const auto state = Path("memory.Nddt");
    const QStringList arguments{"--state", QString::fromStdString(state.string()), "--log"};
    auto sim = std::make_unique<SimProcess>(arguments);
    const int port = sim->Port();
    ASSERT_GT(port, 0);
    App app(port, Folder(), true);
    ASSERT_TRUE(app.Start()) << app.Seen();
    ASSERT_TRUE(app.WaitFor([&] { return app.Settled(); })) << app.Seen();
    app.Tab(4);
    auto* level = app.W<QSlider>("MainMusLevelBar");
    auto* status = app.W<QLabel>("LinkLabel");
    auto* offline = app.W<QLabel>("OfflineEditsLabel");
    const QString name = QString::fromUtf8("主输出 (唱歌) 音乐");  // main.mix.music.level, sing copy

    int edited = -1;
    for (const bool send : {false, true}) {
        SCOPED_TRACE(send ? "sent" : "dropped");
        const int kept = level->value();
        sim->Stop();  // its memory stays in the state file
        ASSERT_TRUE(app.WaitFor([&] { return app.session().Reconnecting(); }, 5000)) << app.Seen();
        EXPECT_TRUE(status->isVisible());
        EXPECT_EQ(status->text(), "Reconnecting...");
        EXPECT_FALSE(app.form2->isVisible()) << "no status dialog over the window";
        app.Keys("MainMusLevelBar", Qt::Key_PageUp);
        edited = level->value();
        ASSERT_NE(edited, kept);
        EXPECT_TRUE(offline->isVisible());
        EXPECT_TRUE(offline->text().endsWith("1")) << offline->text().toStdString();

        app.told.clear();
        app.answers.push_back(send ? MsgAnswer::Yes : MsgAnswer::No);
        sim = std::make_unique<SimProcess>(arguments, port);
        ASSERT_EQ(sim->Port(), port);
        ASSERT_TRUE(app.WaitFor([&] { return !app.told.empty() && app.Settled(); }, 20000)) << app.Seen();
        ASSERT_EQ(app.told.size(), 1u) << app.Seen();
        EXPECT_TRUE(app.told[0].text.contains(name + " = ")) << app.Seen();
        EXPECT_FALSE(status->isVisible());
        EXPECT_FALSE(offline->isVisible());
        EXPECT_EQ(app.W("UndoBtn")->isEnabled(), send) << "the read begins a new history; edits sent are its step";
        const std::vector<SentFrame> writes = Distinct(sim->TakeWrites());
        if (send) {
            EXPECT_EQ(writes, std::vector<SentFrame>{ValueFrame(0x0600, edited)});
            EXPECT_EQ(level->value(), edited);
        } else {
            EXPECT_TRUE(writes.empty()) << "nothing goes out without the answer";
            EXPECT_EQ(level->value(), kept) << "the window shows the processor's value";
        }
    }
    sim->Stop();
    EXPECT_EQ(ReadState(state)[PageMain][0], edited);
}

// ---------------------------------------------------------------------------
// The processor says what nobody asked for: a frame it cuts off halfway, data no
// transfer step requested. Neither may stall the link or reach the memory.

class UnaskedBytes : public EndToEndApp {
protected:
    void SetUp() override {
        EndToEndApp::SetUp();
        WriteMainBandsAwayFromDefaults(Path("memory.Nddt"));
        sim = std::make_unique<SimProcess>(
            QStringList{"--state", QString::fromStdString(Path("memory.Nddt").string()), "--log", "--stdin-commands"});
        ASSERT_GT(sim->Port(), 0);
        app = std::make_unique<App>(sim->Port(), Folder(), true);
        ASSERT_TRUE(app->Start()) << app->Seen();
        ASSERT_TRUE(app->WaitFor([&] { return app->Settled(); })) << app->Seen();
        app->Tab(4);  // the main output
        sim->TakeWrites();
    }
    // What every control of the main output shows.
    QStringList Shown() {
        QStringList shown;
        for (const ParamBinding& b : ControlBindings()) {
            if (PageOf(b.id) != PageMain || b.param->hidden || !b.editor) continue;
            for (const char* name : {b.editor, b.pane, b.typeControls[0]}) {
                QWidget* w = name ? app->form1->Control(name) : nullptr;
                if (auto* e = qobject_cast<QLineEdit*>(w)) shown.append(e->text());
                else if (auto* s = qobject_cast<QAbstractSlider*>(w)) shown.append(QString::number(s->value()));
                else if (auto* c = qobject_cast<QComboBox*>(w)) shown.append(c->currentText());
                else if (auto* l = qobject_cast<QLabel*>(w)) shown.append(l->text());
            }
        }
        return shown;
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<App> app;
};

TEST_F(UnaskedBytes, AFrameCutOffHalfwayLeavesTheNextEditSentOnceAndTheLinkAlive) {
    const DeviceImageRows before = app->model().DeviceImage;
    // The start of a page-6 data frame and ten bytes of it; the rest never comes.
    ASSERT_TRUE(sim->Send({0xFC, 0xBA, 0xFF, 0xA7, 0x06, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    auto* gain = app->W<QSlider>("MainEQGainBar2");
    const int shown = gain->value();
    Person::Wheel(gain, 120);
    ASSERT_NE(gain->value(), shown);
    SentFrame edited = MainBand(before, 1);
    edited.words[2] = app->model().DeviceImage[PageMain][FirstEqIndex[PageMain] + 5 + 2];
    ASSERT_NE(edited, MainBand(before, 1));

    // Keep-alives go on past the time an unacknowledged edit would be sent again.
    const int alive = sim->KeepAlives();
    EXPECT_TRUE(app->WaitFor([&] { return sim->KeepAlives() >= alive + 4; }, 15000))
        << "keep-alives stopped; " << app->Seen();
    EXPECT_EQ(sim->TakeWrites(), std::vector<SentFrame>{edited}) << "the edit, once";
    EXPECT_TRUE(app->Online());
    EXPECT_EQ(std::count(app->events.begin(), app->events.end(), EventLinkLost), 0);
    EXPECT_TRUE(app->told.empty()) << app->Seen();
}

TEST_F(UnaskedBytes, DataNoStepAskedForChangesNeitherThePageNorTheNextBandFrame) {
    const DeviceImageRows before = app->model().DeviceImage;
    const QStringList shown = Shown();
    ASSERT_GT(shown.size(), 40) << "the main output's controls";
    // Every band of the main output, each word 65535.
    const Bytes junk(2 * 5 * PageBandCount[PageMain], 0xFF);
    const auto taken = [&] {
        return app->form3->Diagnostics().filter(QString::fromUtf8("缓存长度")).size();
    };
    const qsizetype takenBefore = taken();
    ASSERT_TRUE(sim->Send(BuildFrame(CmdWrite, MakeId(PageMain, FirstEqIndex[PageMain]), junk)));
    ASSERT_TRUE(app->WaitFor([&] { return taken() > takenBefore; })) << "the frame never arrived";
    EXPECT_EQ(Shown(), shown) << "the page on screen";

    // The next edits, before and after the page is shown again: a gain one step up
    // and one down, the rest of the band as the processor holds it.
    struct Step {
        int band;
        Qt::Key key;
        int by;
    };
    for (const Step step : {Step{1, Qt::Key_Up, 1}, Step{2, Qt::Key_Down, -1}}) {
        if (step.band == 2) {
            const QStringList edited = Shown();
            app->Tab(1);
            app->Tab(4);
            EXPECT_EQ(Shown(), edited) << "shown again: what the processor holds";
        }
        app->Keys(QString("MainEQGainBar%1").arg(step.band + 1), step.key);
        ASSERT_TRUE(app->WaitFor([&] { return app->Settled(); })) << app->Seen();
        SentFrame edited = MainBand(before, step.band);
        edited.words[2] += step.by;
        EXPECT_EQ(sim->TakeWrites(), std::vector<SentFrame>{edited}) << "band " << step.band + 1;
    }
    const auto window = app->model().DeviceImage[PageMain];
    sim->Stop();
    EXPECT_EQ(ReadState(Path("memory.Nddt"))[PageMain], window);
    EXPECT_TRUE(app->told.empty()) << app->Seen();
}

}  // namespace
}  // namespace kdsp
