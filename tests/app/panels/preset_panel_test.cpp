// The backup panel: folder, list, save with the overwrite question, name
// refusals, load and send, and the file messages.
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/panels/panel_builders.h"
#include "app/panels/preset_panel.h"
#include "app/window/app_setup.h"
#include "core/preset/preset_file.h"
#include "panel_rig.h"

namespace kdsp::test {
namespace {

namespace fs = std::filesystem;

// How far the strongest pixel of `area` stands out from the colour most of the area
// has (what the text sits on), as a luminance contrast ratio: 1 when nothing stands
// out, 21 for black on white. Text needs about 3 to be read.
double TextContrast(const QImage& image, const QRect& area) {
    const auto luminance = [](QRgb rgb) {
        const auto channel = [](int v) {
            const double c = v / 255.0;
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
    };
    const QRect r = area.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) ++counts[image.pixel(x, y)];
    if (counts.isEmpty()) return 0;
    QRgb background = counts.begin().key();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > counts[background]) background = it.key();
    const double lb = luminance(background);
    double best = 1;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        const double l = luminance(it.key());
        best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
    }
    return best;
}

// Runs `undo` when the test ends, however it ends.
struct Finally {
    std::function<void()> undo;
    ~Finally() { undo(); }
};

std::string FileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class PresetPanelTest : public PanelTest {
protected:
    void SaveAs(const QString& name) {
        W<QLineEdit>("FileEdit")->setText(name);
        Click("RzBmpButton120");
    }
    void Load(const QString& name) {
        W<QLineEdit>("FileEdit")->setText(name);
        Click("RzBmpButton119");
    }
    QTableWidget* Grid() { return W<QTableWidget>("ValueListEditor1"); }
};

TEST_F(PresetPanelTest, EmptyFolderGivesAnEmptyGridAndName) {
    EXPECT_EQ(PresetFolder().filename(), "Z5KRON-Mode");
    EXPECT_EQ(PresetFolder().parent_path().filename(), "Mode");
    EXPECT_TRUE(fs::is_directory(PresetFolder()));
    EXPECT_EQ(Grid()->rowCount(), 0);
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text(), "");
    EXPECT_EQ(Grid()->horizontalHeaderItem(0)->text(), "      序号");
    EXPECT_EQ(Grid()->horizontalHeaderItem(1)->text(), "                   （电脑）数据名称");
    EXPECT_EQ(Grid()->columnWidth(0), 64);
    EXPECT_EQ(Grid()->columnWidth(1), 510);
    EXPECT_EQ(Grid()->verticalHeader()->defaultSectionSize(), 20);
}

TEST_F(PresetPanelTest, ListIsSortedIgnoringCaseAndClickFillsTheName) {
    for (const char* n : {"beta", "Alpha", "gamma"}) SaveAs(n);
    ASSERT_EQ(Grid()->rowCount(), 3);
    EXPECT_EQ(Grid()->item(0, 0)->text(), "0");
    EXPECT_EQ(Grid()->item(0, 1)->text(), "Alpha");
    EXPECT_EQ(Grid()->item(2, 1)->text(), "gamma");
    Grid()->setCurrentCell(1, 1);
    TakeSelectedPresetName(*form);
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text(), "beta");
    // Typing into the list changes nothing.
    QTest::keyClicks(Grid(), "zz");
    EXPECT_EQ(Grid()->item(1, 1)->text(), "beta");
    EXPECT_TRUE(shown.empty()) << "new names are saved without a question";
}

TEST_F(PresetPanelTest, OverwriteIsAskedOnceAndCancelKeepsTheFile) {
    SaveAs("Live");
    const fs::path file = PresetFolder() / "Live.Nddt";
    ASSERT_TRUE(fs::exists(file));
    const std::string before = FileBytes(file);
    form->model().DeviceImage[PageMusic][3] = 1234;

    answers = {MsgAnswer::Cancel};
    SaveAs("Live");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "文件已存在,覆盖它吗?");
    EXPECT_EQ(shown[0].caption, "*系统提示*");
    EXPECT_EQ(shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(FileBytes(file), before) << "Cancel must leave the file untouched";

    answers = {MsgAnswer::Ok};
    SaveAs("Live");
    EXPECT_EQ(shown.size(), 2u) << "asked once per save";
    EXPECT_NE(FileBytes(file), before);
    EXPECT_EQ(Grid()->rowCount(), 1);
}

TEST_F(PresetPanelTest, ANameDifferingOnlyInCaseIsAskedAbout) {
    SaveAs("Live");
    answers = {MsgAnswer::Cancel};
    SaveAs("LIVE");
    ASSERT_EQ(CountShown("文件已存在,覆盖它吗?"), 1);
    EXPECT_FALSE(fs::exists(PresetFolder() / "LIVE.Nddt"));
}

TEST_F(PresetPanelTest, BadNamesAreRefusedWithAMessage) {
    for (const char* bad : {"a/b", "..", "x:y", "CON", "name."}) {
        shown.clear();
        SaveAs(QString::fromLatin1(bad));
        ASSERT_EQ(shown.size(), 1u) << bad;
        EXPECT_NE(shown[0].text, "文件已存在,覆盖它吗?") << bad;
    }
    EXPECT_EQ(Grid()->rowCount(), 0);
    EXPECT_TRUE(fs::is_empty(PresetFolder()));
    EXPECT_FALSE(fs::exists(PresetFolder().parent_path() / "b.Nddt"));
}

TEST_F(PresetPanelTest, AnEmptyNameDoesNothing) {
    SaveAs("");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(fs::is_empty(PresetFolder()));
}

TEST_F(PresetPanelTest, LoadAsksThenAppliesRefreshesAndSends) {
    form->model().DeviceImage[PageMain][5] = 77;
    form->model().DeviceImage[PageSystem][7] = 3;
    SaveAs("Party");
    const DeviceImageRows saved = form->model().DeviceImage;
    form->model().DeviceImage[PageMain][5] = 0;
    form->model().DeviceImage[PageSystem][7] = 0;
    GoOnline();

    answers = {MsgAnswer::No};
    Load("Party");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Confirm");
    EXPECT_EQ(shown[0].text, "加载模式：Party ?");
    EXPECT_EQ(shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(form->model().DeviceImage[PageMain][5], 0) << "No loads nothing";

    Load("Party");
    EXPECT_EQ(shown.size(), 2u) << "a good file shows no message";
    for (int p = 0; p < PageCount; ++p)
        for (int s = 0; s <= PresetSlotCounts[p]; ++s)
            EXPECT_EQ(form->model().DeviceImage[p][s], saved[p][s]) << p << "/" << s;
    EXPECT_EQ(form->model().ParamImage[PageMain][5], 77) << "the pages are refreshed";
    EXPECT_TRUE(session->Uploaded()) << "the whole image is sent";
    EXPECT_FALSE(transport.writes.empty());
}

TEST_F(PresetPanelTest, ADottedNameLoadsTheFileItNames) {
    SaveAs("Live.2024");
    ASSERT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Grid()->item(0, 1)->text(), "Live.2024");
    TakeSelectedPresetName(*form);
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text(), "Live.2024");
    Load("Live.2024");
    EXPECT_EQ(CountShown("File not find!"), 0);
}

TEST_F(PresetPanelTest, DamagedFilesChangeNothingAndSayWhy) {
    SaveAs("Good");
    GoOnline();
    const fs::path good = PresetFolder() / "Good.Nddt";
    std::string bytes = FileBytes(good);
    // A record line with one changed digit: the checksum no longer matches.
    const std::size_t line5 = [&] {
        std::size_t at = 0;
        for (int i = 0; i < 5; ++i) at = bytes.find("\r\n", at) + 2;
        return at;
    }();
    bytes[line5] = bytes[line5] == '0' ? '1' : '0';
    std::ofstream(PresetFolder() / "Bad.Nddt", std::ios::binary) << bytes;
    form->model().DeviceImage[PageMusic][2] = 4321;
    const DeviceImageRows before = form->model().DeviceImage;

    Load("Bad");
    EXPECT_EQ(shown.back().text, "Data file is corrupted!");
    EXPECT_EQ(shown.back().caption, "Audio Effect Contrller");
    EXPECT_EQ(form->model().DeviceImage, before) << "all or nothing";
    EXPECT_FALSE(session->Uploaded());
    EXPECT_TRUE(transport.writes.empty()) << "nothing is sent";

    Load("Missing");
    EXPECT_EQ(shown.back().text, "File not find!");

    std::ofstream(PresetFolder() / "Other.Nddt", std::ios::binary) << ScrambleLine("R9 1") << "\r\n";
    Load("Other");
    EXPECT_EQ(shown.back().text, "File format error!");
    EXPECT_EQ(form->model().DeviceImage, before);
}

TEST_F(PresetPanelTest, TheListStaysScrolledToItsStart) {
    for (const char* n : {"Alpha", "Beta", "Gamma"}) SaveAs(n);
    ClickOn(W("FormTabBtn8"));
    QScrollBar* bar = Grid()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the two columns are wider than the panel";
    EXPECT_EQ(bar->value(), 0);

    const QRect cell = Grid()->visualItemRect(Grid()->item(1, 1)).intersected(Grid()->viewport()->rect());
    ClickOn(Grid()->viewport(), cell.center());
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text(), "Beta");
    EXPECT_EQ(bar->value(), 0) << "a click on a name leaves the numbers in sight";

    ClickOn(W("FileEdit"));
    TypeText("Delta");
    ClickOn(W("RzBmpButton120"));
    ASSERT_EQ(Grid()->rowCount(), 4);
    EXPECT_EQ(bar->value(), 0) << "so does the list rebuilt after a save";
    // The row lit is the one saved, the name the buttons act on; a name typed that is
    // not listed lights none.
    ASSERT_GE(Grid()->currentRow(), 0);
    EXPECT_EQ(Grid()->item(Grid()->currentRow(), 1)->text(), "Delta");
    EXPECT_EQ(Grid()->selectionModel()->selectedIndexes().size(), 2) << "one row, two cells";
    ClickOn(W("FileEdit"));
    TypeText("Epsilon");
    EXPECT_TRUE(Grid()->selectionModel()->selectedIndexes().isEmpty());
    TypeText("Beta");
    EXPECT_EQ(Grid()->item(Grid()->currentRow(), 1)->text(), "Beta");
}

// A file named by another program with "<", ">" or a line break is listed like any
// other: the question shows its name as it is, and "Yes" loads that file.
TEST_F(PresetPanelTest, AListedNameThatNoTypedNameCouldBeLoadsItsFile) {
    form->model().DeviceImage[PageMain][5] = 77;
    const std::string name = "<b>lt\ngt>";
    WritePresetFile(PresetPath(PresetFolder(), name), form->model());
    StartWindow();
    GoOnline();
    ClickOn(W("FormTabBtn8"));
    ASSERT_EQ(Grid()->rowCount(), 1);
    const QRect cell =
        Grid()->visualItemRect(Grid()->item(0, 1)).intersected(Grid()->viewport()->rect());
    ClickOn(Grid()->viewport(), cell.center());
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text().toStdString(), name);

    AnswerOnScreen();
    ClickOn(W("RzBmpButton119"));
    ASSERT_EQ(shown.size(), 1u) << "no \"File not find!\" after the question";
    EXPECT_EQ(shown[0].text.toStdString(), "加载模式：" + name + " ?");
    EXPECT_FALSE(shown[0].markup) << "the name is shown as plain text";
    EXPECT_EQ(form->model().DeviceImage[PageMain][5], 77) << "the file picked is the one loaded";
    EXPECT_TRUE(session->Uploaded());
    EXPECT_FALSE(transport.writes.empty()) << "and sent";
}

// The texts of both tabs of the panel stand out from what they sit on, with the
// window's own look.
TEST_F(PresetPanelTest, ThePanelTextsCanBeRead) {
    const Finally restore{[sheet = qApp->styleSheet(), font = QApplication::font()] {
        qApp->setStyleSheet(sheet);
        QApplication::setFont(font);
    }};
    ApplyTheme(*qApp);
    SaveAs("Alpha");
    SaveAs("Beta");
    ClickOn(W("FormTabBtn8"));
    auto* tabs = W<QTabWidget>("SysPanelTabs");
    const auto in = [&](QWidget* w, QRect r) { return QRect(w->mapTo(form.get(), r.topLeft()), r.size()); };
    const auto title = [&](const char* name) {
        auto* g = W<QGroupBox>(name);
        return in(g, QRect(0, 0, g->fontMetrics().horizontalAdvance(g->title()) + 16, g->fontMetrics().height()));
    };

    QImage shot = form->grab().toImage();
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_GE(TextContrast(shot, in(tabs->tabBar(), tabs->tabBar()->tabRect(i).adjusted(4, 4, -4, -4))), 3)
            << "tab " << tabs->tabText(i).toStdString();
    QHeaderView* header = Grid()->horizontalHeader();
    for (int c = 0; c < 2; ++c) {
        const QRect section(header->sectionViewportPosition(c), 0, header->sectionSize(c), header->height());
        EXPECT_GE(TextContrast(shot, in(header->viewport(), section.intersected(header->viewport()->rect()))), 3)
            << "header " << c;
    }
    const QRect row = Grid()->visualItemRect(Grid()->item(1, 1)).intersected(Grid()->viewport()->rect());
    EXPECT_GE(TextContrast(shot, in(Grid()->viewport(), row)), 3) << "a row that is not selected";
    EXPECT_GE(TextContrast(shot, title("PresetBackupGrop")), 3);

    ClickOn(tabs->tabBar(), tabs->tabBar()->tabRect(1).center());
    ASSERT_EQ(tabs->currentIndex(), 1);
    shot = form->grab().toImage();
    for (const char* group : {"SysPassGrop", "SysPassChangeGrop", "PanelPassChangeGrop"})
        EXPECT_GE(TextContrast(shot, title(group)), 3) << group;
}

TEST_F(PresetPanelTest, PresetsBesideTheProgramStayWhenItsFolderIsReadOnly) {
    const fs::path shipped = PresetFolder();
    form->model().DeviceImage[PageMain][5] = 77;
    WritePresetFile(shipped / "Shipped.Nddt", form->model());
    // Read-only as an installed program's folder is. Root writes anywhere, so a folder
    // in the way of the write check stands in for the permission it ignores.
    fs::create_directory(shipped / "~kdsp-probe.tmp");
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(shipped, writable, fs::perm_options::remove);
    const Finally restore{[&] { fs::permissions(shipped, writable, fs::perm_options::add); }};
    StartWindow();
    ClickOn(W("FormTabBtn8"));

    ASSERT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Grid()->item(0, 1)->text(), "Shipped") << "still listed";
    EXPECT_TRUE(W("PresetFolderLabel")->isVisible()) << "the panel says where new presets go";

    ClickOn(W("FileEdit"));
    TypeText("Mine");
    ClickOn(W("RzBmpButton120"));
    EXPECT_TRUE(fs::exists(PresetFolder() / "Mine.Nddt")) << "written to the user's folder";
    EXPECT_NE(PresetFolder(), shipped);
    EXPECT_FALSE(fs::exists(shipped / "Mine.Nddt"));
    ASSERT_EQ(Grid()->rowCount(), 2);
    EXPECT_EQ(Grid()->item(1, 1)->text(), "Shipped");

    GoOnline();
    const QRect cell = Grid()->visualItemRect(Grid()->item(1, 1)).intersected(Grid()->viewport()->rect());
    ClickOn(Grid()->viewport(), cell.center());
    EXPECT_EQ(W<QLineEdit>("FileEdit")->text(), "Shipped");
    ClickOn(W("RzBmpButton119"));
    EXPECT_EQ(CountShown("File not find!"), 0);
    EXPECT_EQ(form->model().DeviceImage[PageMain][5], 77) << "loaded from the read-only folder";
    EXPECT_TRUE(session->Uploaded());
}

}  // namespace
}  // namespace kdsp::test
