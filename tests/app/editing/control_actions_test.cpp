// State actions: tabs, toggles, cycle, phase, pair buttons, choice groups,
// link buttons, type pictures, and the band selection with its highlight.
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

#include "app/editing/control_actions.h"
#include "window_fixture.h"

namespace kdsp {
namespace {

using Pic = BoundButton::Picture;

TEST_F(WindowTest, TabActionForEveryTab) {
    struct {
        int page, mainVariant, auxVariant, selection;
    } const rows[9] = {{0, 6, 7, 0x0000}, {1, 6, 7, 0x0101}, {4, 6, 7, 0x0402},
                       {6, 6, 7, 0x0603}, {7, 6, 7, 0x0705}, {8, 6, 8, 0x0705},
                       {9, 9, 8, 0x0603}, {10, 9, 8, 0x0A07}, {2, 9, 8, 0x0208}};
    auto& tabs = form->state().Tables.TabButtons;
    for (int t = 0; t < 9; ++t) {
        EXPECT_EQ(ControlAction(*form, tabs[t], 10), rows[t].selection) << "tab " << t;
        EXPECT_EQ(form->state().CurrentPage, rows[t].page) << "tab " << t;
        EXPECT_EQ(form->model().MainVariant, rows[t].mainVariant) << "tab " << t;
        EXPECT_EQ(form->model().AuxVariant, rows[t].auxVariant) << "tab " << t;
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(tabs[k]->Shown(), k == t ? Pic::On : Pic::Up) << "tab " << t << " look of " << k;
    }
    const int before = form->state().CurrentPage;
    EXPECT_EQ(ControlAction(*form, tabs[9], 10), 0);
    EXPECT_EQ(form->state().CurrentPage, before) << "the hidden tab changes no page";
}

TEST_F(WindowTest, SecondAuxTabSharesTheFirstSheet) {
    form->SelectTab(W<BoundButton>("FormTabBtn6"));
    EXPECT_EQ(form->state().EqGraphSelection, 1797);
    EXPECT_EQ(form->model().AuxVariant, 8);
    EXPECT_EQ(form->FormPageItem()->currentIndex(), 5);
    form->SelectTab(W<BoundButton>("FormTabBtn7"));
    EXPECT_EQ(form->model().MainVariant, 9);
    EXPECT_EQ(form->FormPageItem()->currentIndex(), 3);
}

TEST_F(WindowTest, TabVisibilityOfGraphAndModeGroup) {
    struct {
        const char* tab;
        bool graph, modes;
    } const rows[] = {{"FormTabBtn1", true, true},  {"FormTabBtn2", true, false}, {"FormTabBtn3", true, false},
                      {"FormTabBtn4", true, true},  {"FormTabBtn5", true, true},  {"FormTabBtn8", false, false},
                      {"FormTabBtn9", true, false}};
    for (const auto& r : rows) {
        form->SelectTab(W<BoundButton>(r.tab));
        EXPECT_EQ(W("AdvPanel1")->isVisible(), r.graph) << r.tab;
        EXPECT_EQ(W("SingleDiscoGrop")->isVisible(), r.modes) << r.tab;
    }
}

TEST_F(WindowTest, DynEqPageNeverShowsEqPass) {
    form->model().DeviceImage[PageMusic][3] = 1;  // the tab refresh loads the view from here
    form->SelectTab(W<BoundButton>("FormTabBtn1"));
    EXPECT_TRUE(W("EQPassLabel")->isVisibleTo(form.get()));
    EXPECT_EQ(form->state().BypassState[PageMusic], 1);
    EXPECT_EQ(B("MusEQAllpassBtn")->Tag(), 3);
    form->SelectTab(W<BoundButton>("FormTabBtn9"));
    EXPECT_FALSE(W("EQPassLabel")->isVisibleTo(form.get()));
    EXPECT_EQ(form->state().BypassState[PageEcho], 0) << "the DEQ page leaves the echo bypass alone";
}

TEST_F(WindowTest, BypassButtonTakesThePageBeforeItsFirstBand) {
    const struct {
        const char* tab;
        int tag;
    } rows[] = {{"FormTabBtn2", 0x0105}, {"FormTabBtn3", 0x040F}, {"FormTabBtn4", 0x0621}, {"FormTabBtn5", 0x071E}};
    for (const auto& r : rows) {
        form->SelectTab(W<BoundButton>(r.tab));
        EXPECT_EQ(B("MusEQAllpassBtn")->Tag(), r.tag) << r.tab;
        EXPECT_EQ(B("MusEQAllpassBtn")->Hint(), "0") << r.tab;
    }
}

TEST_F(WindowTest, ToggleAction) {
    auto* b = W<BoundButton>("MainLmuteBtn");
    b->SetHint("");
    EXPECT_EQ(ControlAction(*form, b, 11), 1) << "empty hint becomes 1";
    EXPECT_EQ(b->Hint(), "1");
    EXPECT_EQ(b->Shown(), Pic::On);
    EXPECT_EQ(ControlAction(*form, b, 11), 0);
    EXPECT_EQ(b->Shown(), Pic::Off);
    EXPECT_EQ(ControlAction(*form, b, 12), 0) << "show without change";
    EXPECT_EQ(b->Hint(), "0");
    EXPECT_EQ(ControlAction(*form, W("MusFreEdit1"), 11), 0) << "not a button";
}

TEST_F(WindowTest, CycleAction) {
    auto* b = W<BoundButton>("EQResetBtn");
    b->SetHint("2");
    EXPECT_EQ(ControlAction(*form, b, 13), 0);
    EXPECT_EQ(b->text(), "频率");
    EXPECT_EQ(ControlAction(*form, b, 13), 1);
    EXPECT_EQ(b->text(), "增益");
    EXPECT_EQ(ControlAction(*form, b, 13), 2);
    EXPECT_EQ(b->text(), "Q值");
}

TEST_F(WindowTest, PhaseActionTwiceReturnsToTheFirstLook) {
    auto* b = W<BoundButton>("EchoEffPhaseBtn");
    b->SetHint("0");
    EXPECT_EQ(ControlAction(*form, b, 14), 1);
    EXPECT_EQ(b->text(), "+");
    EXPECT_EQ(ControlAction(*form, b, 14), 0);
    EXPECT_EQ(b->text(), "");
    EXPECT_EQ(b->Shown(), Pic::Off);
    b->SetHint("1");
    EXPECT_EQ(ControlAction(*form, b, 15), 1);
    EXPECT_EQ(b->text(), "-");
}

TEST_F(WindowTest, PairActions) {
    EXPECT_EQ(ControlAction(*form, W("ManulModeBtn"), 16), 1);
    EXPECT_EQ(W<BoundButton>("ManulModeBtn")->Shown(), Pic::On);
    EXPECT_EQ(W<BoundButton>("AutoModeBtn")->Shown(), Pic::Off);
    EXPECT_EQ(ControlAction(*form, W("SingModeBtn"), 17), 0);
    EXPECT_EQ(W<BoundButton>("DiscoModeBtn")->Shown(), Pic::Stay);
    EXPECT_EQ(ControlAction(*form, W("MicBBtn"), 25), 1);
    EXPECT_EQ(W<BoundButton>("MicABtn")->Shown(), Pic::Off);
    EXPECT_EQ(ControlAction(*form, W("SingModeBtn"), 16), 0) << "wrong sender for the action";
    EXPECT_EQ(ControlAction(*form, W("MicABtn"), 19), 0) << "unused code";
    EXPECT_EQ(ControlAction(*form, W("MicABtn"), 26), 0);
}

TEST_F(WindowTest, ChoiceActionUsesTwoOrThreeButtons) {
    auto& group = form->state().Tables.ChoiceGroup;
    auto* fast = W<BoundButton>("MainModeFastBtn1");
    auto* mid = W<BoundButton>("MainModeMidBtn1");
    auto* slow = W<BoundButton>("MainModeSlowBtn1");
    group = {fast, mid, slow};
    EXPECT_EQ(ControlAction(*form, slow, 18), 2);
    EXPECT_EQ(slow->Shown(), Pic::On);
    EXPECT_EQ(fast->Shown(), Pic::Up);
    auto* tone1 = W<BoundButton>("MAINToneBtn1");
    auto* tone2 = W<BoundButton>("MAINToneBtn2");
    group = {tone1, tone2, slow};  // index 31 of page 6 uses two buttons
    EXPECT_EQ(ControlAction(*form, tone2, 18), 1);
    EXPECT_EQ(tone2->Shown(), Pic::On);
    EXPECT_EQ(slow->Shown(), Pic::On) << "third slot untouched for a two-button group";
}

TEST_F(WindowTest, LinkButtonsAction) {
    auto* link = W<BoundButton>("LinkBtn");
    auto* unlink = W<BoundButton>("UnLinkBtn");
    EXPECT_EQ(ControlAction(*form, link, 20), 0);
    EXPECT_EQ(link->text(), "断开");
    EXPECT_EQ(link->Shown(), Pic::On);
    EXPECT_EQ(unlink->Shown(), Pic::Off);
    EXPECT_EQ(ControlAction(*form, unlink, 20), 1);
    EXPECT_EQ(link->text(), "联机");
    EXPECT_EQ(unlink->Shown(), Pic::On);
}

TEST_F(WindowTest, TypePictureAction) {
    auto* hs = W<TypePicture>("MicHSQBtn4");
    EXPECT_EQ(ControlAction(*form, hs, 21), 0);
    EXPECT_TRUE(hs->IsOn());
    EXPECT_FALSE(W<TypePicture>("MicPEQBtn4")->IsOn());
    EXPECT_FALSE(W<TypePicture>("MicLSQBtn4")->IsOn());
    EXPECT_FALSE(W<TypePicture>("MicHSQBtn3")->IsOn()) << "other bands untouched";
}

TEST_F(WindowTest, DynamicTypeComboGatesTheLevelPresets) {
    // The refresh shows the stored types; make group 1 active so it can stay untouched.
    auto* first = W<BoundCombo>("DEQTypeBox1");
    first->setCurrentIndex(1);
    ControlAction(*form, first, 22);
    auto* box = W<BoundCombo>("DEQTypeBox2");
    box->setCurrentIndex(0);
    ControlAction(*form, box, 22);
    for (int l = 0; l < 3; ++l) EXPECT_FALSE(form->Control(QString("AmpLBtn1_%1").arg(l))->isEnabled());
    EXPECT_TRUE(form->Control("AmpLBtn0_0")->isEnabled());
    EXPECT_EQ(W("DEQRmsRatioBar2")->property("state").toString(), "off");
    box->setCurrentIndex(2);
    ControlAction(*form, box, 22);
    EXPECT_TRUE(form->Control("AmpLBtn1_2")->isEnabled());
    EXPECT_EQ(W("DEQRmsAttackBar2")->property("state").toString(), "on");
}

TEST_F(WindowTest, BandSelectionHighlightsLabelAndEdit) {
    AppState& st = form->state();
    auto* edit = W<BoundEdit>("MusGainEdit3");
    st.CurrentEdit = edit;
    EXPECT_EQ(ControlAction(*form, edit, 0), 2) << "band 3 is band index 2";
    EXPECT_EQ(st.SelectedBand[0], 2);
    EXPECT_TRUE(W<BoundLabel>("MusEQPointLabel3")->IsOpaque());
    EXPECT_FALSE(W<BoundLabel>("MusEQPointLabel1")->IsOpaque());
    EXPECT_EQ(edit->property("highlight").toString(), "hot");
    EXPECT_EQ(st.HighlightedEdit, edit);
    auto* next = W<BoundEdit>("MusFreEdit5");
    st.CurrentEdit = next;
    EXPECT_EQ(ControlAction(*form, next, 0), 4);
    EXPECT_EQ(edit->property("highlight").toString(), "cold");
    EXPECT_TRUE(W<BoundLabel>("MusEQPointLabel5")->IsOpaque());
    EXPECT_FALSE(W<BoundLabel>("MusEQPointLabel3")->IsOpaque());
}

TEST_F(WindowTest, BandSelectionIgnoredDuringRefresh) {
    AppState& st = form->state();
    auto* edit = W<BoundEdit>("MusFreEdit7");
    st.CurrentEdit = edit;
    st.SelectedBand[0] = 1;
    st.RefreshInProgress = true;
    EXPECT_EQ(ControlAction(*form, edit, 0), 0);
    st.RefreshInProgress = false;
    EXPECT_EQ(st.SelectedBand[0], 1);
    EXPECT_FALSE(W<BoundLabel>("MusEQPointLabel7")->IsOpaque());
    EXPECT_NE(st.HighlightedEdit, edit);
    EXPECT_EQ(ControlAction(*form, W("MusGainEdit7"), 0), 6) << "resumes afterwards";
    EXPECT_EQ(ControlAction(*form, W("MusEQGainBar7"), 0), 0) << "only edits select bands";
}

TEST_F(WindowTest, BandSelectionScrollsTheMicStripIntoView) {
    form->SelectTab(W<BoundButton>("FormTabBtn2"));
    auto* bar = W<BoundSlider>("MicPanScrollBar");
    auto* box = W<QScrollArea>("MicScrollBox");
    auto* edit = W<BoundEdit>("MicFreEdit15");
    form->state().CurrentEdit = edit;
    EXPECT_EQ(ControlAction(*form, edit, 1), 14);
    EXPECT_EQ(bar->value(), 5) << "band 14 > 0 + 10, position becomes 14 - 9";
    EXPECT_EQ(box->horizontalScrollBar()->value(), 5 * 71);
    EXPECT_EQ(ControlAction(*form, W("MicFreEdit2"), 1), 1);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(box->horizontalScrollBar()->value(), 71);
}

TEST_F(WindowTest, MaximiseTwiceRestores) {
    const QRect normal = form->geometry();
    form->ToggleMaximised();
    EXPECT_TRUE(form->IsMaximised());
    form->ToggleMaximised();
    EXPECT_FALSE(form->IsMaximised());
    EXPECT_EQ(form->geometry(), normal);
}

TEST_F(WindowTest, DesignSizeAndTitle) {
    EXPECT_EQ(form->size(), QSize(1133, 637));
    EXPECT_EQ(W<QLabel>("Label77")->text(), "Audio Effect Controller v3.1.0");
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(W("FormTabBtn9")->isVisibleTo(form.get()));
    EXPECT_FALSE(W("FormTabBtn10")->isVisibleTo(form.get()));
    EXPECT_EQ(form->FormPageItem()->count(), 10);
}

}  // namespace
}  // namespace kdsp
