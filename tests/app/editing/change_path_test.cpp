// The change path through the window: typed, stepped and dragged values are
// clamped, shown, stored and written as the processor must receive them.
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/editing/channel_handlers.h"
#include "app/editing/page_refresh.h"
#include "editing_fixture.h"

namespace kdsp {
namespace {

void Type(BoundEdit* e, const char* text) {
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

TEST_F(EditingTest, TypedFrequencyAboveTheTableIsClampedStoredAndSent) {
    auto* edit = W<BoundEdit>("MusFreEdit1");
    TakeEditFocus(*form, edit);
    EXPECT_TRUE(transport.frames.empty()) << "a click re-formats without sending";
    Type(edit, "25000");
    EXPECT_EQ(edit->text(), "20600.0");
    EXPECT_EQ(form->model().ParamImage[0][5], 361);
    EXPECT_EQ(form->model().DeviceImage[0][5], 361);
    ASSERT_EQ(transport.frames.size(), 1u);
    EXPECT_TRUE(LastIsBand(0, 0)) << "the whole band 1 goes out with the new frequency";
    EXPECT_EQ(form->state().LastChange.id, 5);
    EXPECT_EQ(form->state().LastChange.value, 361);
}

TEST_F(EditingTest, KeyFilterDropsLettersAndStepsStartFromTheShownText) {
    auto* edit = W<BoundEdit>("MusFreEdit1");
    TakeEditFocus(*form, edit);
    Type(edit, "1a0x00");
    EXPECT_EQ(edit->text(), "1000.0") << "letters are discarded as typed";
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "1020.0");
    EXPECT_EQ(form->model().ParamImage[0][5], 205);
    FormMouseWheel(*form, -120);
    EXPECT_EQ(edit->text(), "1000.0") << "the wheel steps after a click";
}

TEST_F(EditingTest, UnreadableTextBringsTheLastGoodTextBack) {
    auto* edit = W<BoundEdit>("MusFreEdit2");
    TakeEditFocus(*form, edit);
    const QString good = edit->text();
    edit->setText("--");
    CommitLeftEdit(*form, edit);
    EXPECT_EQ(edit->text(), good);
    edit->setText("");
    CommitLeftEdit(*form, edit);
    EXPECT_EQ(edit->text(), good);
    EXPECT_TRUE(transport.frames.empty());
}

TEST_F(EditingTest, EditWithoutHintShowsErrorAndKeepsItsText) {
    auto* edit = W<BoundEdit>("MusFreEdit3");
    TakeEditFocus(*form, edit);
    const QString good = edit->text();
    edit->SetHint(QString());
    edit->setText("500");
    CommitEditText(*form, 0);
    EXPECT_EQ(messages, QStringList{"error"});
    EXPECT_EQ(edit->text(), good);
    EXPECT_TRUE(transport.frames.empty());
}

TEST_F(EditingTest, DownAtTheBottomOfTheGainStaysAndStillSends) {
    auto* edit = W<BoundEdit>("MusGainEdit1");
    TakeEditFocus(*form, edit);
    Type(edit, "-30");
    EXPECT_EQ(edit->text(), "-24.0");
    transport.frames.clear();
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), "-24.0");
    EXPECT_EQ(form->model().ParamImage[0][6], 0);
    ASSERT_EQ(transport.frames.size(), 1u) << "step 0 of the gain is still sent";
    EXPECT_TRUE(LastIsBand(0, 0));
    EXPECT_EQ(W<BoundSlider>("MusEQGainBar1")->value(), 0) << "the gain slider follows";
}

TEST_F(EditingTest, ArrowKeysDoNothingWhileThePlaceholderIsCurrent) {
    auto* edit = W<BoundEdit>("MusFreEdit1");
    const QString before = edit->text();
    form->state().CurrentEdit = form->state().Example;
    StepEditByKey(*form, Qt::Key_Up);
    StepEditByKey(*form, Qt::Key_Down);
    EXPECT_EQ(edit->text(), before);
    EXPECT_TRUE(transport.frames.empty());
}

TEST_F(EditingTest, ShelvingTypeShowsItsQSlotAndLimitsTheQ) {
    W<TypePicture>("MusLSQBtn1")->click();
    EXPECT_EQ(W<QComboBox>("MusModeBox1")->currentIndex(), 1);
    EXPECT_TRUE(W<TypePicture>("MusLSQBtn1")->IsOn());
    EXPECT_FALSE(W<TypePicture>("MusPEQBtn1")->IsOn());
    EXPECT_EQ(form->model().ParamImage[0][4], 1);
    EXPECT_TRUE(LastIsBand(0, 0)) << "the type is sent";
    auto* q = W<BoundEdit>("MusQEdit1");
    EXPECT_EQ(q->text(), "0.71") << "the shelving Q slot (default 10) is shown";
    EXPECT_EQ(form->state().LastChange.id, 4);
    EXPECT_EQ(form->state().LastChange.value, 1);
    TakeEditFocus(*form, q);
    Type(q, "50");
    EXPECT_EQ(q->text(), "1.60");
    EXPECT_EQ(form->model().ParamImage[0][8], 24);
    EXPECT_EQ(form->model().ParamImage[0][7], 16) << "the peaking slot keeps its value";
}

TEST_F(EditingTest, PeakingBandTakesQUpTo128) {
    auto* q = W<BoundEdit>("MusQEdit2");
    TakeEditFocus(*form, q);
    Type(q, "500");
    EXPECT_EQ(q->text(), "128.00");
    EXPECT_EQ(form->model().ParamImage[0][12], 100);
}

TEST_F(EditingTest, LowPassAtTheTopIsOffSentAndSeenByTheGraph) {
    auto* bar = W<BoundSlider>("MainMusLPFreBar");
    bar->setValue(100);
    transport.frames.clear();
    bar->setValue(362);
    EXPECT_EQ(W<QLabel>("MainMusLPFrePane")->text(), "Off");
    EXPECT_EQ(LastValue().id, 0x0614);
    EXPECT_EQ(LastValue().value, 362);
    EXPECT_EQ(form->model().ParamImage[6][20], 362);
    EXPECT_EQ(form->state().LastChange.id, 0x0614);
    EXPECT_EQ(form->state().LastChange.value, 362);
    EXPECT_EQ(form->state().CurrentEdit, form->state().Example);
}

TEST_F(EditingTest, SliderWiderThanItsKindIsPutBack) {
    auto* bar = W<BoundSlider>("MicFBEBar");
    bar->setValue(50);
    EXPECT_EQ(W<QLabel>("MicFBEPane")->text(), "8Hz");
    EXPECT_EQ(bar->value(), 7);
    ASSERT_EQ(Values().size(), 1u) << "putting the slider back sends nothing more";
    EXPECT_EQ(LastValue().id, 0x0102);
    EXPECT_EQ(LastValue().value, 7);
}

TEST_F(EditingTest, RefreshClampsAStoredQAbove100) {
    form->model().DeviceImage[0][7] = 150;
    RefreshPages(*form, 0);
    EXPECT_EQ(form->model().ParamImage[0][7], 100);
    EXPECT_EQ(W<BoundEdit>("MusQEdit1")->text(), "128.00");
    EXPECT_TRUE(transport.frames.empty()) << "a refresh sends nothing";
    EXPECT_FALSE(form->state().SuppressSend);
    EXPECT_FALSE(form->state().RefreshInProgress);
}

TEST_F(EditingTest, OutputVariantsEditTheirOwnPages) {
    Tab(7);  // rear output on the main-output controls
    W<BoundSlider>("MainMusLevelBar")->setValue(33);
    EXPECT_EQ(LastValue().id, 0x0900);
    EXPECT_EQ(form->model().DeviceImage[9][0], 33);
    Tab(4);
    EXPECT_NE(W<BoundSlider>("MainMusLevelBar")->value(), 33) << "the main output keeps its own value";
    Tab(6);  // second auxiliary output
    W<BoundSlider>("SubdelayBar")->setValue(250);
    EXPECT_EQ(LastValue().id, 0x081B);
    EXPECT_EQ(W<QLabel>("SubdelayPane")->text(), "25.0");
    form->model().DeviceImage[8][27] = 123;
    Tab(6);
    EXPECT_EQ(W<BoundSlider>("SubdelayBar")->value(), 123) << "the refresh shows aux 2's value";
}

TEST_F(EditingTest, NormalVolumeRisesOneStepAndStaysBelowTheMaximum) {
    auto* normal = W<BoundSlider>("SysMusNormalVolBar");
    auto* maximum = W<BoundSlider>("SysMusMaxVolBar");
    maximum->setValue(60);
    normal->setValue(40);
    EXPECT_EQ(normal->value(), 1) << "one step up from 0";
    EXPECT_EQ(LastValue().id, 0x0A20);
    EXPECT_EQ(LastValue().value, 1);
    for (int k = 0; k < 30; ++k) normal->setValue(normal->value() + 1);
    EXPECT_EQ(normal->value(), 31);
    maximum->setValue(20);
    EXPECT_EQ(normal->value(), 20) << "normal follows a lower maximum";
    EXPECT_EQ(form->model().ParamImage[10][32], 20) << "the clamped normal volume is stored";
    EXPECT_EQ(W<QLabel>("SysMusMaxVolPane")->text(), "20");
    normal->setValue(5);
    EXPECT_EQ(normal->value(), 5) << "lowering is never limited";
}

TEST_F(EditingTest, PhaseButtonTwiceSendsBothStatesAndEndsInItsFirstLook) {
    auto* phase = W<BoundButton>("EchoEffPhaseBtn");
    const QString hint = phase->Hint(), caption = phase->text();
    const auto look = phase->Shown();
    phase->click();
    phase->click();
    auto v = Values();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].id, 0x0400);
    EXPECT_EQ(v[0].value + v[1].value, 1);
    EXPECT_NE(v[0].value, v[1].value);
    EXPECT_EQ(phase->Hint(), hint);
    EXPECT_EQ(phase->text(), caption);
    EXPECT_EQ(phase->Shown(), look);
}

TEST_F(EditingTest, UserCrossoverTypesEnableTheQSlider) {
    auto* box = W<BoundCombo>("MainHPTypeBox");
    box->setCurrentIndex(3);
    box->activated(3);
    EXPECT_TRUE(W<QWidget>("MainMusHPQBar")->isEnabled());
    EXPECT_TRUE(W<QWidget>("MainHPQUpDownBtn")->isEnabled());
    EXPECT_EQ(LastValue().id, 0x0610);
    EXPECT_EQ(LastValue().value, 3);
    box->setCurrentIndex(2);
    box->activated(2);
    EXPECT_FALSE(W<QWidget>("MainMusHPQBar")->isEnabled());
}

TEST_F(EditingTest, AutomaticModeSendsOnlyTheModeAndKeepsUserQRule) {
    auto* box = W<BoundCombo>("SubMusLPType");
    box->setCurrentIndex(1);
    box->activated(1);
    transport.frames.clear();
    W<BoundButton>("AutoModeBtn")->click();
    auto v = Values();
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].id, 0x0000);
    EXPECT_EQ(v[0].value, 0);
    EXPECT_FALSE(W<QWidget>("SubMusLPQBar")->isEnabled());
    EXPECT_FALSE(W<QWidget>("SingModeBtn")->isEnabled());
    W<BoundButton>("ManulModeBtn")->click();
    EXPECT_FALSE(W<QWidget>("SubMusLPQBar")->isEnabled()) << "manual mode does not undo the type rule";
    EXPECT_TRUE(W<QWidget>("SingModeBtn")->isEnabled());
}

TEST_F(EditingTest, InputLevelPresetsFollowTheDynamicsType) {
    Tab(9);
    W<TypePicture>("DEQTYpeAboveBtn2")->click();
    transport.frames.clear();
    W<BoundButton>("AmpLBtn1_2")->click();
    EXPECT_EQ(W<BoundSlider>("DEQRmsLevelBar2")->value(), 13);
    EXPECT_EQ(W<BoundSlider>("DEQRmsAttackBar2")->value(), 9);
    EXPECT_EQ(form->model().ParamImage[2][22], 13);
    EXPECT_EQ(transport.frames.size(), 4u) << "the four sliders send";
    W<TypePicture>("DEQTYpeBelowBtn2")->click();
    W<BoundButton>("AmpLBtn1_2")->click();
    EXPECT_EQ(W<BoundSlider>("DEQRmsLevelBar2")->value(), 15);
}

TEST_F(EditingTest, InputLevelPresetsDoNothingOffTheDynamicEqPage) {
    const int before = W<BoundSlider>("DEQRmsLevelBar1")->value();
    W<BoundButton>("AmpLBtn0_2")->click();
    EXPECT_EQ(W<BoundSlider>("DEQRmsLevelBar1")->value(), before);
    EXPECT_TRUE(transport.frames.empty());
}

TEST_F(EditingTest, DynamicEqDefaultsAreSentAndShown) {
    Tab(9);
    transport.frames.clear();
    W<BoundButton>("RzBmpButton5")->click();
    EXPECT_EQ(W<BoundEdit>("DEQFreEdit1")->text(), "40.1");
    EXPECT_EQ(W<BoundEdit>("DEQGainEdit3")->text(), "-7.4");
    EXPECT_EQ(form->model().ParamImage[2][7], 1) << "group 1 Below";
    EXPECT_EQ(form->model().ParamImage[2][19], 1) << "group 2 Below";
    EXPECT_EQ(form->model().ParamImage[2][31], 2) << "group 3 Above";
    EXPECT_TRUE(W<TypePicture>("DEQTYpeAboveBtn3")->IsOn());
    // Dynamic-EQ values travel in their group's short frame, bands in the long one.
    int shortFrames = 0, bandFrames = 0;
    for (const auto& f : transport.frames) {
        shortFrames += f.size() == 11;
        bandFrames += f.size() == 19;
    }
    EXPECT_EQ(shortFrames, 3) << "three dynamics types, no gain reset";
    EXPECT_EQ(bandFrames, 3) << "one frame per band";
    EXPECT_EQ(transport.frames.size(), 6u);
}

TEST_F(EditingTest, DynamicsTypeChangeResetsTheGroupGain) {
    Tab(9);
    auto* gain = W<BoundEdit>("DEQGainEdit1");
    TakeEditFocus(*form, gain);
    Type(gain, "6");
    W<TypePicture>("DEQTYpeAboveBtn1")->click();
    EXPECT_EQ(gain->text(), "0.0");
    EXPECT_EQ(form->model().ParamImage[2][4], 120);
    EXPECT_EQ(form->model().ParamImage[2][7], 2);
}

TEST_F(EditingTest, ManagerChoiceEnablesInputLevelAndLocksTheChoice) {
    Tab(8);
    EXPECT_FALSE(form->findChild<QWidget*>("SignRzGroup")->isEnabled());
    form->findChild<QWidget*>("SysUserMangerGrop")->setEnabled(true);  // as after the system password
    W<BoundButton>("SysManagerBtn")->click();
    EXPECT_EQ(LastValue().id, 0x0A0C);
    EXPECT_EQ(LastValue().value, 1);
    EXPECT_TRUE(form->findChild<QWidget*>("SignRzGroup")->isEnabled());
    EXPECT_FALSE(form->findChild<QWidget*>("SysUserMangerGrop")->isEnabled());
    EXPECT_EQ(W<BoundButton>("SysManagerBtn")->Shown(), BoundButton::Picture::On);
    EXPECT_EQ(W<BoundButton>("SysUserBtn")->Shown(), BoundButton::Picture::Up);
}

TEST_F(EditingTest, ChoiceButtonOutsideTheTablesFindsItsGroup) {
    Tab(8);
    W<BoundButton>("SysInput3")->click();
    EXPECT_EQ(LastValue().id, 0x0A0E);
    EXPECT_EQ(LastValue().value, 2);
    EXPECT_EQ(W<BoundButton>("SysInput3")->Shown(), BoundButton::Picture::On);
    EXPECT_EQ(W<BoundButton>("SysInput")->Shown(), BoundButton::Picture::Up);
    Tab(9);
    W<BoundButton>("DEQModeSlowBtn2")->click();
    EXPECT_EQ(form->model().ParamImage[2][24], 2);
    EXPECT_EQ(W<BoundButton>("DEQModeSlowBtn2")->Shown(), BoundButton::Picture::On);
    EXPECT_EQ(W<BoundButton>("DEQModeFastBtn2")->Shown(), BoundButton::Picture::Up);
}

TEST_F(EditingTest, MicrophoneGroupBHidesTheTenthStrip) {
    Tab(2);
    W<BoundSlider>("MicPanScrollBar")->setValue(3);
    W<BoundButton>("MicBBtn")->click();
    EXPECT_EQ(form->model().MicBandMode, 1);
    EXPECT_TRUE(W<QWidget>("RzGroupBox81")->isHidden());
    EXPECT_TRUE(W<QWidget>("MicPanScrollBar")->isHidden());
    EXPECT_EQ(W<BoundSlider>("MicPanScrollBar")->value(), 0);
    EXPECT_EQ(W<QScrollArea>("MicScrollBox")->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(W<QLabel>("MicEQBandLabel")->text(), QString::fromUtf8("9段EQ"));
    EXPECT_TRUE(transport.frames.empty()) << "a view change sends nothing";
    W<BoundButton>("MicABtn")->click();
    EXPECT_FALSE(W<QWidget>("RzGroupBox81")->isHidden());
    EXPECT_EQ(W<QLabel>("MicEQBandLabel")->text(), QString::fromUtf8("15段EQ"));
}

TEST_F(EditingTest, GroupBEditsLandOnItsOwnPage) {
    Tab(2);
    W<BoundButton>("MicBBtn")->click();
    auto* edit = W<BoundEdit>("MicGainEdit1");
    TakeEditFocus(*form, edit);
    Type(edit, "3");
    EXPECT_EQ(form->model().DeviceImage[3][8], 135);
    EXPECT_TRUE(LastIsBand(3, 0));
}

TEST_F(EditingTest, SpinButtonsStepEditsAndSliders) {
    auto* spin = W<BoundSpin>("MusFreUpDownBtn1");
    auto* edit = W<BoundEdit>("MusFreEdit1");
    const int before = form->model().ParamImage[0][5];
    spin->UpButton()->click();
    EXPECT_EQ(form->model().ParamImage[0][5], before + 1);
    EXPECT_EQ(form->state().CurrentEdit, edit);
    auto* hp = W<BoundSlider>("MicHPFreBar");
    const int pos = hp->value();
    W<BoundSpin>("MicHPFreUpDownBtn")->UpButton()->click();
    EXPECT_EQ(hp->value(), pos + 1);
    EXPECT_EQ(LastValue().id, 0x0100);
}

}  // namespace
}  // namespace kdsp
