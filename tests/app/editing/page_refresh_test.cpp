// The page refresh shows what the device image holds, on the right controls,
// without sending; the EQ reset writes the defaults.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/editing/channel_handlers.h"
#include "app/editing/page_refresh.h"
#include "editing_fixture.h"

namespace kdsp {
namespace {

TEST_F(EditingTest, ResetMusicEqGivesTenFlatPeakingBands) {
    form->model().DeviceImage[0][5] = 100;
    ResetEqBands(*form, 0);
    static const char* const kFreqs[10] = {"31.9", "62.5", "123.0", "241.0", "520.0",
                                           "1020.0", "2200.0", "5240.0", "12000.0", "20200.0"};
    for (int n = 1; n <= 10; ++n) {
        const std::string k = std::to_string(n);
        const QString f = W<BoundEdit>(("MusFreEdit" + k).c_str())->text();
        EXPECT_TRUE(f == kFreqs[n - 1] || f.toDouble() == QString(kFreqs[n - 1]).toDouble())
            << "band " << n << " shows " << f.toStdString();
        EXPECT_EQ(W<BoundEdit>(("MusGainEdit" + k).c_str())->text(), "0.0");
        EXPECT_EQ(W<BoundEdit>(("MusQEdit" + k).c_str())->text(), "1.00");
        EXPECT_TRUE(W<TypePicture>(("MusPEQBtn" + k).c_str())->IsOn());
    }
    EXPECT_EQ(BandFrames(), 10) << "a single-page reset sends every band";
}

TEST_F(EditingTest, ModeListWaitsForTheProcessorThenShowsItsModes) {
    for (int k = 0; k < 9; ++k) form->model().ModeNames[k] = "Mode" + std::to_string(k + 1);
    form->model().ModeNames[2] = "Party";
    form->model().DeviceImage[10][2] = 2;
    auto* box = W<QComboBox>("SysModeBox");
    auto* label = W<QLabel>("CurrentModeLabel");

    // Before the processor has been read, refreshes (start-up, a tab, a preset
    // loaded offline) leave the start-up list alone.
    RefreshPages(*form, 20);
    Tab(8);
    ASSERT_EQ(box->count(), 16);
    EXPECT_EQ(box->itemText(0), "1-");
    EXPECT_EQ(box->itemText(15), "16-");
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(label->text(), QString::fromUtf8("（当前模式：1 ）"));

    link->RaiseLinkEvent(EventOnline);  // the read is complete: the online refresh
    ASSERT_EQ(box->count(), 9);
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(box->currentText(), "3-Party");
    EXPECT_EQ(box->itemText(8), "9-Mode9");
    EXPECT_EQ(label->text(), QString::fromUtf8("（当前模式：3 ）"));
    EXPECT_EQ(W<QLineEdit>("PresetModeEdit")->text(), "Party");

    form->model().DeviceImage[10][2] = 4;  // later refreshes follow the processor
    RefreshPages(*form, 20);
    EXPECT_EQ(box->count(), 9);
    EXPECT_EQ(box->currentText(), "5-Mode5");
    EXPECT_EQ(label->text(), QString::fromUtf8("（当前模式：5 ）"));
    EXPECT_TRUE(transport.frames.empty());
}

TEST_F(EditingTest, StoredPhaseAndSwitchStatesAreShown) {
    form->model().DeviceImage[4][0] = 1;
    form->model().DeviceImage[6][29] = 1;  // left mute
    RefreshPages(*form, 20);
    auto* phase = W<BoundButton>("EchoEffPhaseBtn");
    EXPECT_EQ(phase->Hint(), "1");
    EXPECT_EQ(phase->text(), "+");
    EXPECT_EQ(W<BoundButton>("MainLmuteBtn")->Hint(), "1");
    EXPECT_EQ(form->model().ParamImage[4][0], 1);
    form->model().DeviceImage[4][0] = 0;
    RefreshPages(*form, 5);  // the reverb page is shown by the effect page's controls
    EXPECT_EQ(phase->Hint(), "0");
    EXPECT_EQ(phase->text(), "");
}

TEST_F(EditingTest, RearVariantShowsTheRearValues) {
    form->model().DeviceImage[9][27] = 321;
    form->model().DeviceImage[6][27] = 12;
    form->model().MainVariant = 9;
    RefreshPages(*form, 6);
    EXPECT_EQ(W<BoundSlider>("MainLdelayBar")->value(), 321);
    EXPECT_EQ(W<QLabel>("MainLdelayPane")->text(), "32.1");
    form->model().MainVariant = 6;
    RefreshPages(*form, 6);
    EXPECT_EQ(W<BoundSlider>("MainLdelayBar")->value(), 12);
}

TEST_F(EditingTest, RefreshShowsChoicesAndVolumesAndTheCrossoverRule) {
    form->model().DeviceImage[10][14] = 2;   // input 3
    form->model().DeviceImage[10][7] = 50;   // music maximum volume
    form->model().DeviceImage[10][32] = 30;  // music volume: shown as stored, no one-step rule
    form->model().DeviceImage[6][16] = 4;    // USER 24dB
    form->model().DeviceImage[7][19] = 0;
    RefreshPages(*form, 20);
    EXPECT_EQ(W<BoundButton>("SysInput3")->Shown(), BoundButton::Picture::On);
    EXPECT_EQ(W<BoundSlider>("SysMusNormalVolBar")->value(), 30);
    EXPECT_EQ(W<QLabel>("SysMusNormalVolPane")->text(), "30");
    EXPECT_EQ(W<QComboBox>("MainHPTypeBox")->currentIndex(), 4);
    EXPECT_TRUE(W<QWidget>("MainMusHPQBar")->isEnabled());
    EXPECT_FALSE(W<QWidget>("SubMusLPQBar")->isEnabled());
    // A later read (a reload, a recalled mode) shows the volumes it brought as well,
    // whatever the volumes shown before.
    form->model().DeviceImage[10][7] = 60;
    form->model().DeviceImage[10][32] = 45;
    RefreshPages(*form, 20);
    EXPECT_EQ(W<BoundSlider>("SysMusMaxVolBar")->value(), 60);
    EXPECT_EQ(W<BoundSlider>("SysMusNormalVolBar")->value(), 45);
    EXPECT_EQ(W<QLabel>("SysMusNormalVolPane")->text(), "45");
    EXPECT_TRUE(transport.frames.empty()) << "showing values sends nothing";
}

TEST_F(EditingTest, DanceModeShowsTheDanceCopyOfTheMusicEq) {
    form->model().DeviceImage[0][5 + 52] = 300;  // dance copy of band 1 frequency
    W<BoundButton>("DiscoModeBtn")->click();
    EXPECT_EQ(form->model().ModeFlag, 1);
    EXPECT_EQ(LastValue().id, 0x0001);
    EXPECT_EQ(LastValue().value, 1);
    EXPECT_EQ(form->model().ParamImage[0][5], 300);
    W<BoundButton>("SingModeBtn")->click();
    EXPECT_EQ(form->model().ModeFlag, 0);
    EXPECT_NE(form->model().ParamImage[0][5], 300);
}

TEST_F(EditingTest, OnlineEventRefreshesEveryPage) {
    form->model().DeviceImage[5][4] = 40;   // reverb time, shown only through page 5
    form->model().DeviceImage[1][2] = 5;    // feedback
    form->model().DeviceImage[10][33] = 20;
    linkWindow->ImageLoaded();
    EXPECT_EQ(W<BoundSlider>("RvbTimeBar")->value(), 40);
    EXPECT_EQ(W<BoundSlider>("MicFBEBar")->value(), 5);
    EXPECT_EQ(W<BoundSlider>("SysMicNormalVolBar")->value(), 20);
}

}  // namespace
}  // namespace kdsp
