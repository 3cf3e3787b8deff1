// The window in both languages: every text English once English is chosen, every
// caption fitting its control at the design size, the title bar's switch working
// live, and the settings kept between runs (in a temporary file).
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "app/i18n/language.h"
#include "app/panels/status_dialog.h"
#include "app/state/settings.h"
#include "app/widgets/widgets.h"
#include "app/window/app_setup.h"
#include "app/window/main_window.h"
#include "app/window/window_settings.h"

namespace kdsp {
namespace {

bool HasCjk(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

QString Name(const QWidget* w) {
    if (!w->objectName().isEmpty()) return w->objectName();
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (!p->objectName().isEmpty())
            return QString("%1 in %2").arg(QString::fromLatin1(w->metaObject()->className()), p->objectName());
    return QString::fromLatin1(w->metaObject()->className());
}

// Every text a person can read on the widget (the switch names both languages on purpose).
QStringList ReadableTexts(QWidget* w) {
    QStringList texts{w->toolTip()};
    if (w->isWindow()) texts.append(w->windowTitle());
    if (auto* l = qobject_cast<QLabel*>(w)) texts.append(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->objectName() != "LanguageBtn") texts.append(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) texts.append(g->title());
    if (auto* c = qobject_cast<QComboBox*>(w)) texts.append(c->currentText());
    if (auto* e = qobject_cast<QLineEdit*>(w)) texts << e->text() << e->placeholderText();
    if (auto* t = qobject_cast<QTabBar*>(w))
        for (int k = 0; k < t->count(); ++k) texts.append(t->tabText(k));
    if (auto* t = qobject_cast<QTableWidget*>(w))
        for (int k = 0; k < t->columnCount(); ++k)
            if (t->horizontalHeaderItem(k)) texts.append(t->horizontalHeaderItem(k)->text());
    return texts;
}

std::vector<std::string> ChineseShown(QWidget* window) {
    std::vector<std::string> found;
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
        if (!w->isVisible() && w != window) continue;
        for (const QString& t : ReadableTexts(w))
            if (HasCjk(t)) found.push_back((Name(w) + ": " + t).toStdString());
    }
    return found;
}

// Room for the text inside the control, as its style lays it out.
int TextRoom(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        return b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.lineWidth = 1;
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        return g->width() - label.left() - 1;
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        const int indent = l->indent() > 0 ? l->indent() : 0;
        return l->contentsRect().width() - 2 * l->margin() - indent;
    }
    return w->width();
}

QString ShownText(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap()) return l->text();
    return {};
}

// The part of the widget its ancestors let through, in window coordinates.
QRect ShownRect(QWidget* w, QWidget* window) {
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return r;
}

bool IsControl(QWidget* w) {
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w) ||
           qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QSlider*>(w) ||
           qobject_cast<QTableWidget*>(w) || qobject_cast<QTabBar*>(w) || qobject_cast<QProgressBar*>(w);
}

// Texts wider than their control, and visible controls on top of each other. The
// graph is left out: its markers sit on the curve by design.
std::vector<std::string> FitProblems(QWidget* window) {
    std::vector<std::string> problems;
    QWidget* graph = window->findChild<QWidget*>("AdvPanel2");
    std::vector<std::pair<QWidget*, QRect>> shown;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !IsControl(w) || (graph && (w == graph || graph->isAncestorOf(w)))) continue;
        const QRect r = ShownRect(w, window);
        if (r.isEmpty()) continue;
        const QString text = ShownText(w);
        if (!text.isEmpty()) {
            const int need = w->fontMetrics().horizontalAdvance(text);
            if (need > TextRoom(w))
                problems.push_back(QString("%1: \"%2\" needs %3 px, has %4")
                                       .arg(Name(w), text)
                                       .arg(need)
                                       .arg(TextRoom(w))
                                       .toStdString());
        }
        shown.emplace_back(w, r);
    }
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            auto [a, ra] = shown[i];
            auto [b, rb] = shown[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a) || !ra.intersects(rb)) continue;
            problems.push_back(QString("%1 and %2 overlap").arg(Name(a), Name(b)).toStdString());
        }
    return problems;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += "\n  " + l;
    return all;
}

// The window as a person meets it: the theme, the design size, input through the
// top-level window, and the language left as none chosen afterwards.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        font = QApplication::font();
        ApplyTheme(*qApp);
    }
    void TearDown() override {
        form.reset();
        status.reset();
        SetUiLanguage(UiLanguage::Unset);
        qApp->setStyleSheet(QString());
        QApplication::setFont(font);
    }
    void Open(Settings* settings = nullptr) {
        form = std::make_unique<MainWindow>();
        status = std::make_unique<StatusDialog>();
        form->SetStatusDialog(status.get());
        if (settings) ApplySettings(*settings, *form, AppOptions{});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // A left click at the middle of `name`, delivered to the window.
    void Click(const char* name) {
        auto* w = form->Control(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        ASSERT_TRUE(w->isVisible()) << name;
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, w->mapTo(form.get(), w->rect().center()));
        QApplication::processEvents();
    }
    // Tab button n; the DEQ page (9) has no visible tab button, so its sheet is
    // shown straight after the music page has set up the shared area.
    void Tab(int n) {
        if (n == 9) {
            Tab(1);
            form->FormPageItem()->setCurrentIndex(8);
            QApplication::processEvents();
            return;
        }
        Click(QString("FormTabBtn%1").arg(n).toLatin1().constData());
        EXPECT_EQ(form->ShownTab(), n);
    }
    // Every caption of the page fits; on the system page both panels of its tabs.
    void ExpectAllFit(const char* language, int tab) {
        std::vector<std::string> problems = FitProblems(form.get());
        EXPECT_TRUE(problems.empty()) << language << ", tab " << tab << Join(problems);
        if (tab != 8) return;
        auto* bar = form->findChild<QTabWidget*>("SysPanelTabs")->tabBar();
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, bar->mapTo(form.get(), bar->tabRect(1).center()));
        QApplication::processEvents();
        EXPECT_TRUE(form->Control("SysPassGrop")->isVisible());
        problems = FitProblems(form.get());
        EXPECT_TRUE(problems.empty()) << language << ", password panel" << Join(problems);
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, bar->mapTo(form.get(), bar->tabRect(0).center()));
        QApplication::processEvents();
    }
    void ExpectStatusDialogFits(const char* language) {
        status->show();
        QApplication::processEvents();
        const std::vector<std::string> problems = FitProblems(status.get());
        EXPECT_TRUE(problems.empty()) << language << ", status dialog" << Join(problems);
        status->hide();
    }
    QString Text(const char* name) { return ShownText(form->Control(QString::fromLatin1(name))); }
    QString SettingsFile() const { return dir.filePath("kdsp-control.conf"); }

    QTemporaryDir dir;
    QFont font;
    std::unique_ptr<MainWindow> form;
    std::unique_ptr<StatusDialog> status;
};

TEST_F(LanguageTest, EveryPageFitsInChineseAndInEnglishAfterTheSwitch) {
    Open();
    ASSERT_EQ(form->size(), QSize(1133, 637));
    for (int tab = 1; tab <= 9; ++tab) {
        Tab(tab);
        ExpectAllFit("Chinese", tab);
    }
    ExpectStatusDialogFits("Chinese");
    EXPECT_EQ(Text("FormTabBtn1"), "音乐") << "no choice made: the window of old";

    Click("LanguageBtn");
    EXPECT_EQ(CurrentUiLanguage(), UiLanguage::English);
    static const char* const kTabs[9] = {"Music", "Mic", "Effects", "Main", "Aux 1", "Aux 2", "Rear", "System", "DEQ"};
    for (int tab = 1; tab <= 9; ++tab) {
        Tab(tab);
        EXPECT_EQ(Text(QString("FormTabBtn%1").arg(tab).toLatin1().constData()), kTabs[tab - 1]);
        ExpectAllFit("English", tab);
        const std::vector<std::string> chinese = ChineseShown(form.get());
        EXPECT_TRUE(chinese.empty()) << "English, tab " << tab << Join(chinese);
    }
    ExpectStatusDialogFits("English");
    const std::vector<std::string> chinese = ChineseShown(status.get());
    EXPECT_TRUE(chinese.empty()) << Join(chinese);
}

TEST_F(LanguageTest, StartedInEnglishEveryPageIsEnglishAndTheSwitchIsKept) {
    Settings kept(SettingsFile());
    AppOptions options;
    options.language = "en";
    SetUiLanguage(StartLanguage(options, &kept));
    Open(&kept);
    for (int tab = 1; tab <= 9; ++tab) {
        Tab(tab);
        const std::vector<std::string> chinese = ChineseShown(form.get());
        EXPECT_TRUE(chinese.empty()) << "tab " << tab << Join(chinese);
    }
    EXPECT_EQ(Text("FormTabBtn4"), "Main");
    EXPECT_EQ(Text("LinkBtn"), "Connect");
    // The English window spells the crossover types out; the Chinese one keeps the
    // design's words.
    auto* crossover = form->findChild<QComboBox*>("MainHPTypeBox");
    EXPECT_EQ(crossover->itemText(0), "Bessel 24dB");
    EXPECT_EQ(crossover->itemText(2), "Linkwitz-Riley 24dB");
    EXPECT_EQ(status->windowTitle(), "Device status");
    EXPECT_FALSE(Settings(SettingsFile()).Language()) << "--lang holds for one run only";

    // The switch retranslates the open windows at once, texts set by the handlers too.
    Tab(3);
    Click("RvbEQBtn");
    EXPECT_EQ(Text("EchoLaber"), "5-band reverb EQ");
    Click("LanguageBtn");
    EXPECT_EQ(CurrentUiLanguage(), UiLanguage::Chinese);
    EXPECT_EQ(Text("FormTabBtn4"), "主输出");
    EXPECT_EQ(Text("EchoLaber"), "5段混响EQ");
    EXPECT_EQ(Text("LinkBtn"), "联机");
    EXPECT_EQ(status->windowTitle(), "设备状态");
    EXPECT_EQ(crossover->itemText(0), "Besell 24dB");
    EXPECT_EQ(crossover->itemText(2), "Link Riley 24dB");
    EXPECT_EQ(Settings(SettingsFile()).Language(), UiLanguage::Chinese) << "kept at once";
    Click("LanguageBtn");
    EXPECT_EQ(Text("EchoLaber"), "5-band reverb EQ");
    EXPECT_EQ(StartLanguage(AppOptions{}, &kept), UiLanguage::English) << "the next run starts in it";
}

TEST_F(LanguageTest, ADamagedOrStrangeSettingsFileGivesTheDefaults) {
    const QByteArray damaged[] = {
        QByteArray("\xff\xfe\x00[[[garbage\n=\n\x01", 18),
        "[General\nlanguage=en\ntcp\\host=room1.invalid\n",
        "[General]\nlanguage=fr\n[tcp]\nhost=a b;c\nport=70000\n[serial]\nport=a,b\n"
        "[window]\npage=12\nx=1e9\ny=5\n",
        "[tcp]\nport=abc\n[window]\npage=-1\nx=3\n",
    };
    for (const QByteArray& bytes : damaged) {
        QFile file(SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        {
            Settings kept(SettingsFile());
            EXPECT_FALSE(kept.Language()) << bytes.toStdString();
            EXPECT_EQ(kept.Host(), "") << bytes.toStdString();
            EXPECT_EQ(kept.Port(), "") << bytes.toStdString();
            EXPECT_EQ(kept.SerialPort(), "") << bytes.toStdString();
            EXPECT_EQ(kept.Page(), 0) << bytes.toStdString();
            EXPECT_FALSE(kept.Position()) << bytes.toStdString();
            kept.SetPage(4);
        }
        // The next choice starts a clean file that reads back.
        Settings again(SettingsFile());
        EXPECT_EQ(again.Page(), 4) << bytes.toStdString();
        EXPECT_EQ(again.Host(), "") << "nothing of the damaged file is kept: " << bytes.toStdString();
    }
    // A folder where the file should be: unreadable, defaults, no crash.
    ASSERT_TRUE(QDir(dir.path()).mkpath("folder.conf"));
    Settings unreadable(dir.filePath("folder.conf"));
    EXPECT_EQ(unreadable.Page(), 0);
    unreadable.SetPage(3);
    unreadable.Sync();
}

TEST_F(LanguageTest, TheSessionIsKeptAndTheNextWindowStartsFromIt) {
    {
        Settings kept(SettingsFile());
        Open(&kept);
        EXPECT_EQ(form->ShownTab(), 1) << "no page kept: the music page";
        Tab(4);
        auto* ip = form->Ctl<QLineEdit>("IPstrEdit");
        ip->setText("room2.invalid");
        form->move(40, 30);
        form->close();
    }
    Settings kept(SettingsFile());
    EXPECT_EQ(kept.Page(), 4);
    EXPECT_EQ(kept.Host(), "room2.invalid");
    EXPECT_EQ(kept.Port(), "") << "the port was not changed";
    EXPECT_EQ(kept.Position(), QPoint(40, 30));

    Open(&kept);
    EXPECT_EQ(form->ShownTab(), 4);
    EXPECT_EQ(form->ActiveSheet(), 3);
    EXPECT_EQ(form->Ctl<QLineEdit>("IPstrEdit")->text(), "room2.invalid");
    EXPECT_EQ(form->pos(), QPoint(40, 30));
    form.reset();

    // An address given on the command line is used but not kept.
    AppOptions options;
    options.host = "127.0.0.1";
    form = std::make_unique<MainWindow>();
    form->Ctl<QLineEdit>("IPstrEdit")->setText(options.host);  // as the link window sets it
    ApplySettings(kept, *form, options);
    EXPECT_EQ(form->Ctl<QLineEdit>("IPstrEdit")->text(), "127.0.0.1");
    form->show();
    form->close();
    EXPECT_EQ(Settings(SettingsFile()).Host(), "room2.invalid");
}

}  // namespace
}  // namespace kdsp
