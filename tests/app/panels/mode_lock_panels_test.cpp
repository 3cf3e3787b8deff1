// The stored-mode panel and the password locks, driven through their controls.
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTest>

#include "app/editing/page_refresh.h"
#include "app/panels/panel_builders.h"
#include "app/window/app_setup.h"
#include "core/protocol/frames.h"
#include "panel_rig.h"
#include "window_input.h"

namespace kdsp::test {
namespace {

class ModePanelTest : public PanelTest {
protected:
    QComboBox* Box() { return W<QComboBox>("SysModeBox"); }
    QLineEdit* Name() { return W<QLineEdit>("PresetModeEdit"); }
};

TEST_F(ModePanelTest, TheNameStartsAfterTheNumberPrefix) {
    while (Box()->count() < 12) Box()->addItem(QString("%1-").arg(Box()->count() + 1));
    Box()->setItemText(11, "12-Party");
    Box()->setCurrentIndex(11);
    EXPECT_EQ(Name()->text(), "Party") << "two-digit numbers: from the fourth character";
    Box()->setItemText(2, "3-");
    Box()->setCurrentIndex(2);
    EXPECT_EQ(Name()->text(), "");
    Box()->setItemText(4, "5-Rock Night");
    Box()->setCurrentIndex(4);
    EXPECT_EQ(Name()->text(), "Rock Night");
}

TEST_F(ModePanelTest, TheNameBoxTakesOnlyWhatTheProcessorStores) {
    Name()->clear();
    Name()->setFocus();
    // Typed as a keyboard would, one character per key press.
    for (QChar c : QString::fromUtf8("Aé~ b€")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Name(), &press);
    }
    EXPECT_EQ(Name()->text(), "A~ b");
    QTest::keyClicks(Name(), QString(30, QLatin1Char('x')));
    EXPECT_EQ(Name()->text().size(), 20);
}

TEST_F(ModePanelTest, RecallOfTheFirstModeSendsZero) {
    GoOnline();
    Box()->setCurrentIndex(0);
    answers = {MsgAnswer::No};
    Click("RzBmpButton121");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "模式切换为1-?");
    EXPECT_EQ(shown[0].caption, "提示");
    EXPECT_TRUE(transport.writes.empty()) << "No sends nothing";

    Click("RzBmpButton121");
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].bytes, BuildValueFrame(CmdWrite, IdRecallMode, 0));
    EXPECT_EQ(session->Status(), LinkStatus::Recalling);
    EXPECT_EQ(link->PendingEvent, EventReload);
}

// The processor pads a stored name to its length with spaces: the question names the
// mode without them.
TEST_F(ModePanelTest, TheRecallQuestionNamesTheModeWithoutItsPadding) {
    GoOnline();
    form->model().ModeNames[2] = "Room 3              ";
    form->state().DeviceMemoryRead = true;
    Person::Click(W("FormTabBtn8"));  // the refresh lists the processor's modes
    Person::Pick(Box(), 2);
    Person::Click(W("RzBmpButton121"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "模式切换为3-Room 3?");
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].bytes, BuildValueFrame(CmdWrite, IdRecallMode, 2));
}

TEST_F(ModePanelTest, SavingInUserModeIsRefused) {
    GoOnline();
    form->model().ParamImage[PageSystem][12] = 0;
    form->model().ModeNames[0] = "Old";
    Name()->setText("New");
    Click("RzBmpButton138");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "用户模式无法执行保存操作!");
    EXPECT_EQ(shown[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(transport.writes.empty());
    EXPECT_EQ(form->model().ModeNames[0], "Old");
}

TEST_F(ModePanelTest, SavingInManagerModeAsksThenSendsTheName) {
    GoOnline();
    form->model().ParamImage[PageSystem][12] = 1;
    Box()->setCurrentIndex(2);
    Name()->setText("Party");
    answers = {MsgAnswer::No};
    Click("RzBmpButton138");
    EXPECT_EQ(shown.back().text, "保存当前模式为 3-Party?");
    EXPECT_TRUE(transport.writes.empty());

    Click("RzBmpButton138");
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].bytes, BuildSaveMode(2, "Party"));
    EXPECT_EQ(form->model().ModeNames[2], "Party");
    EXPECT_EQ(session->Status(), LinkStatus::Saving);
    EXPECT_EQ(link->PendingEvent, EventSaved);
}

TEST_F(ModePanelTest, SavingOrRecallingAModeThatTheProcessorHasNotIsRefused) {
    form->model().DeviceImage[PageSystem][12] = 1;  // manager mode, as the tab's refresh reads it
    ClickOn(W("FormTabBtn8"));
    ASSERT_EQ(Box()->count(), 16) << "the start-up list, before the processor is read";
    ClickOn(Box());
    Press(Qt::Key_Down, 11);
    Press(Qt::Key_Return);
    ASSERT_EQ(Box()->currentIndex(), 11);
    ClickOn(W("RzBmpButton138"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "设备只有 9 个存储模式，无法保存为模式 12!");
    EXPECT_EQ(shown[0].buttons, MsgButtons::Ok);
    ClickOn(W("RzBmpButton121"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "设备只有 9 个存储模式，无法调用模式 12!");
    EXPECT_EQ(shown[1].buttons, MsgButtons::Ok);
    EXPECT_TRUE(transport.writes.empty());
    EXPECT_NE(form->model().ParamImage[PageSystem][2], 11) << "no recall of a mode it has not stored";
}

class LockPanelTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        form->model().SystemPassword = "123456";
        form->model().PanelPassword = "1234";
        GoOnline();
    }
    // The processor's panel lock as the next refresh reads it.
    void ProcessorPanelLock(int on) {
        const int slot = DeviceSlot(PageSystem, 13, form->model().ModeFlag);
        form->model().DeviceImage[PageSystem][slot] = on;
    }
    bool Locked() { return !W("FirstCheckGrop")->isHidden(); }
    // The password boxes of the system page, where a person finds them.
    void PasswordTab() {
        Person::Click(W("FormTabBtn8"));
        Person::ClickTab(W<QTabWidget>("SysPanelTabs"), QString::fromUtf8("密码"));
    }
    // Clicks into the box and types, key by key through the window.
    void Type(const char* edit, const char* keys) {
        Person::Click(W(edit));
        Person::Type(W(edit), QString::fromLatin1(keys));
    }
    void Enter(const char* edit) { Person::Key(W(edit), Qt::Key_Return); }
    void Press(const char* button) { Person::Click(W(button)); }
};

TEST_F(LockPanelTest, ThePanelLockTakesTheWindowUntilTheFourDigitsAreTyped) {
    // With the window's own look: the unlock box is judged as it is seen.
    struct Theme {
        QString sheet = qApp->styleSheet();
        QFont font = QApplication::font();
        ~Theme() {
            qApp->setStyleSheet(sheet);
            QApplication::setFont(font);
        }
    } restore;
    ApplyTheme(*qApp);
    ProcessorPanelLock(1);
    link->FreshLink = 0;
    RefreshPages(*form, 20);
    EXPECT_FALSE(Locked()) << "only once the link is online";

    link->FreshLink = 1;
    RefreshPages(*form, 20);
    ASSERT_TRUE(Locked());
    EXPECT_TRUE(session->FreshLinkTaken());
    EXPECT_FALSE(W("TopTileGrop")->isEnabled());
    EXPECT_FALSE(W("FormPageItem")->isEnabled());
    EXPECT_EQ(form->ActiveSheet(), 7) << "the system page is shown";
    // Solid, and clear of the system page's groups (the infrared remote switch too).
    QWidget* box = W("FirstCheckGrop");
    for (QGroupBox* g : W("AdvTabSheet8_Sys")->findChildren<QGroupBox*>()) {
        if (!g->isVisible())
            continue;
        EXPECT_FALSE(
            box->geometry().intersects(QRect(g->mapTo(form.get(), QPoint(0, 0)), g->size())))
            << g->objectName().toStdString();
    }
    const QRect inside = box->geometry().adjusted(4, 4, -4, -4);
    const QImage seen = form->grab(inside).toImage();
    W("FormPageItem")->hide();
    EXPECT_EQ(form->grab(inside).toImage(), seen) << "nothing of the page shows through";
    W("FormPageItem")->show();

    Type("PanelPassWordEdit", "123412");
    Press("RzBmpButton4");
    EXPECT_TRUE(Locked()) << "a 6-digit entry never unlocks";
    EXPECT_EQ(W<QLineEdit>("PanelPassWordEdit")->text(), "");
    Type("PanelPassWordEdit", "4321");
    Enter("PanelPassWordEdit");
    EXPECT_TRUE(Locked());
    EXPECT_EQ(CountShown("密码错误!"), 2)
        << "a wrong password is told, as the system password's is";

    Type("PanelPassWordEdit", "1234");
    Press("RzBmpButton4");
    EXPECT_FALSE(Locked());
    EXPECT_TRUE(W("TopTileGrop")->isEnabled());
    EXPECT_TRUE(W("FormPageItem")->isEnabled());
    EXPECT_EQ(CountShown("解锁成功"), 1);
    RefreshPages(*form, 20);
    EXPECT_FALSE(Locked()) << "unlocked stays unlocked until the next connection";
}

TEST_F(LockPanelTest, TheKeyFilterPassesDigitsOnlyAndEntriesAreMasked) {
    PasswordTab();
    Type("SysPassEdit", "12a-3 4");
    EXPECT_EQ(W<QLineEdit>("SysPassEdit")->text(), "1234");
    // The old passwords are the ones in force: masked like the new ones.
    for (const char* masked :
         {"SysPassEdit", "PanelPassWordEdit", "SysPanelLabel1", "NewSysPassLabel1",
          "NewSysPassLabel2", "PassPanelLabel1", "NewPassLabel1", "NewPassLabel2"})
        EXPECT_EQ(W<QLineEdit>(masked)->echoMode(), QLineEdit::Password) << masked;
    EXPECT_FALSE(W("NewSysPassLabel1")->isEnabled());
    EXPECT_FALSE(W("NewPassLabel2")->isEnabled());
}

TEST_F(LockPanelTest, TheSystemPasswordOpensTheUserManagerChoice) {
    PasswordTab();
    W("SysUserMangerGrop")->setEnabled(false);
    Type("SysPassEdit", "12345");
    Press("RzBmpButton118");
    EXPECT_EQ(CountShown("密码错误!"), 1);
    EXPECT_FALSE(W("SysUserMangerGrop")->isEnabled());
    Type("SysPassEdit", "123456");
    Press("RzBmpButton118");
    EXPECT_EQ(W<QLineEdit>("SysPassEdit")->text(), "");
    EXPECT_TRUE(W("SysUserMangerGrop")->isEnabled());
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].bytes, BuildPasswordFrame(IdSystemPassword, "123456"));
    EXPECT_EQ(CountShown("密码错误!"), 1);
}

TEST_F(LockPanelTest, BeforeThePasswordsAreReadEveryEntryIsRefused) {
    form->model().SystemPassword.clear();
    Click("RzBmpButton118");
    EXPECT_EQ(CountShown("密码错误!"), 1) << "an empty entry does not match an empty password";
}

TEST_F(LockPanelTest, TheSameNewPasswordClearsWithoutSending) {
    PasswordTab();
    Type("PassPanelLabel1", "1234");
    Enter("PassPanelLabel1");
    ASSERT_TRUE(W("NewPassLabel1")->isEnabled());
    Type("NewPassLabel1", "1234");
    Enter("NewPassLabel1");
    ASSERT_TRUE(W("NewPassLabel2")->isEnabled());
    Type("NewPassLabel2", "1234");
    Enter("NewPassLabel2");
    EXPECT_TRUE(transport.writes.empty());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(W<QLineEdit>("PassPanelLabel1")->text(), "");
    EXPECT_FALSE(W("NewPassLabel1")->isEnabled());
}

TEST_F(LockPanelTest, AMismatchIsToldOnceAndClearsTheBoxes) {
    PasswordTab();
    Type("SysPanelLabel1", "123456");
    Enter("SysPanelLabel1");
    Type("NewSysPassLabel1", "654321");
    Enter("NewSysPassLabel1");
    Type("NewSysPassLabel2", "654320");
    Enter("NewSysPassLabel2");
    EXPECT_EQ(CountShown("密码不一致!"), 1);
    for (const char* n : {"SysPanelLabel1", "NewSysPassLabel1", "NewSysPassLabel2"})
        EXPECT_EQ(W<QLineEdit>(n)->text(), "") << n;
    EXPECT_TRUE(transport.writes.empty());
    EXPECT_EQ(form->model().SystemPassword, "123456");
}

TEST_F(LockPanelTest, AChangedPanelPasswordIsSentAndUnlocksFromThenOn) {
    PasswordTab();
    Type("PassPanelLabel1", "1234");
    Enter("PassPanelLabel1");
    Type("NewPassLabel1", "9876");
    Enter("NewPassLabel1");
    Type("NewPassLabel2", "9876");
    EXPECT_TRUE(transport.writes.empty()) << "acted upon at the next key, not the last digit";
    Enter("NewPassLabel2");
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].bytes, BuildPasswordFrame(IdPanelPassword, "9876"));
    EXPECT_EQ(form->model().PanelPassword, "9876");
    EXPECT_EQ(CountShown("密码修改成功!"), 1) << "the change is confirmed";

    ProcessorPanelLock(1);
    link->FreshLink = 1;
    RefreshPages(*form, 20);
    ASSERT_TRUE(Locked());
    Type("PanelPassWordEdit", "1234");
    Press("RzBmpButton4");
    EXPECT_TRUE(Locked()) << "the old password no longer unlocks";
    Type("PanelPassWordEdit", "9876");
    Press("RzBmpButton4");
    EXPECT_FALSE(Locked());
}

// A wrong old password, confirmed with Enter or typed on past its length, is told
// and clears the boxes; Backspace is no confirmation.
TEST_F(LockPanelTest, AWrongOldPasswordIsToldInEitherChangeBox) {
    PasswordTab();
    Type("SysPanelLabel1", "123455");
    Enter("SysPanelLabel1");
    EXPECT_EQ(CountShown("密码错误!"), 1);
    EXPECT_EQ(W<QLineEdit>("SysPanelLabel1")->text(), "");
    EXPECT_FALSE(W("NewSysPassLabel1")->isEnabled());

    Type("PassPanelLabel1", "12");
    Enter("PassPanelLabel1");
    EXPECT_EQ(CountShown("密码错误!"), 2) << "a part of the password is wrong too";
    Type("PassPanelLabel1", "43215");
    EXPECT_EQ(CountShown("密码错误!"), 3) << "a key past the fourth digit";
    EXPECT_EQ(W<QLineEdit>("PassPanelLabel1")->text(), "") << "the key that told it is dropped";
    Type("PassPanelLabel1", "4321");
    Person::Key(W("PassPanelLabel1"), Qt::Key_Backspace);
    EXPECT_EQ(W<QLineEdit>("PassPanelLabel1")->text(), "432");
    EXPECT_EQ(CountShown("密码错误!"), 3);
    EXPECT_FALSE(W("NewPassLabel1")->isEnabled());
    EXPECT_TRUE(transport.writes.empty());
}

TEST_F(LockPanelTest, OfflineTheChangePanelsDoNothing) {
    PasswordTab();
    link->LinkState = LinkOffline;
    Type("SysPanelLabel1", "123456");
    Enter("SysPanelLabel1");
    EXPECT_FALSE(W("NewSysPassLabel1")->isEnabled());
}

}  // namespace
}  // namespace kdsp::test
