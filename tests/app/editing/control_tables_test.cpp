// Binding after start-up: tags, hints, the last-visited rule, slot limits,
// slider ranges, start-up defaults and the enable rules.
#include <QScrollArea>

#include "app/editing/control_tables.h"
#include "app/pages/control_bindings.h"
#include "window_fixture.h"

namespace kdsp {
namespace {

TEST_F(WindowTest, TagsAfterStartUp) {
    EXPECT_EQ(B("MusFreEdit1")->Tag(), 5) << "page 0 index 5";
    EXPECT_EQ(B("MainMusLPFreBar")->Tag(), 6 * 256 + 20);
    EXPECT_EQ(B("MainMusLPFrePane")->Tag(), 1556);
    EXPECT_EQ(B("MainMusLPFreUpDownBtn")->Tag(), 1556);
    EXPECT_EQ(B("MusQEdit1")->Tag(), 8) << "the Q edit sits at 7 and 8 and keeps the last slot";
    const char* pics[3] = {"MusPEQBtn1", "MusLSQBtn1", "MusHSQBtn1"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(B(pics[k])->Tag(), 4) << pics[k];
        EXPECT_EQ(B(pics[k])->Hint(), QString::number(k)) << pics[k];
    }
    EXPECT_EQ(B("MusEQGainBar1")->Tag(), 6) << "gain slider stamped from BandTypeTable";
    EXPECT_EQ(B("MicGainEdit15")->Tag(), 256 + 6 + 5 * 14 + 2);
    EXPECT_EQ(B("DEQTYpeAboveBtn3")->Tag(), 2 * 256 + 24 + 7);
}

TEST_F(WindowTest, LastVisitedSlotWins) {
    // Controls that sit in the editor and the pane slot of one id, or in two ids.
    EXPECT_EQ(B("RvbDirectPhaseBtn")->Tag(), 0x0502);
    EXPECT_EQ(B("SysMusInputLevel")->Tag(), 0x0A03);
    EXPECT_EQ(B("SysInput")->Tag(), 0x0A0E);
    EXPECT_EQ(B("ManulModeBtn")->Tag(), 0x0000) << "pane slot of the manual flag";
    EXPECT_EQ(B("SingModeBtn")->Tag(), 0x0001);
    EXPECT_EQ(B("SubQEdit7")->Tag(), 7 * 256 + 31 + 5 * 6 + 4);
    EXPECT_EQ(B("EchoQEdit5")->Tag(), 4 * 256 + 16 + 5 * 4 + 4);
}

TEST_F(WindowTest, ControlsCarryValueKindsAndHintsTheirStates) {
    EXPECT_EQ(B("MusFreEdit1")->Kind(), ValueKind::Frequency);
    EXPECT_EQ(B("MusGainEdit1")->Kind(), ValueKind::Gain);
    EXPECT_EQ(B("MusQEdit1")->Kind(), ValueKind::Q);
    EXPECT_EQ(B("MusModeBox1")->Kind(), ValueKind::Item);
    EXPECT_EQ(B("MainMusLPFrePane")->Kind(), ValueKind::LowPassFrequency);
    EXPECT_EQ(B("SysMusNormalVolPane")->Kind(), ValueKind::Plain) << "not the volume it showed last";
    EXPECT_EQ(B("SysMusStartVolBar")->Hint(), "1");
    EXPECT_EQ(B("SysMusMaxVolBar")->Hint(), "2");
    EXPECT_EQ(B("SysMusNormalVolBar")->Hint(), "0");
    EXPECT_EQ(B("MainMusPhaseBtn")->Hint(), "0");
}

TEST_F(WindowTest, EveryCataloguedControlExistsAndSitsInItsTables) {
    const ControlTables& t = form->state().Tables;
    for (const ParamBinding& b : ControlBindings()) {
        const int p = PageOf(b.id), i = IndexOf(b.id);
        if (p >= TablePages || i >= TableSlots) continue;
        if (b.editor) {
            ASSERT_NE(form->Control(b.editor), nullptr) << b.editor;
            EXPECT_EQ(t.Editor[p][i], form->Control(b.editor)) << b.editor;
        }
        if (b.pane) {
            EXPECT_EQ(t.Pane[p][i], form->Control(b.pane)) << b.pane;
        }
        if (b.spin) {
            EXPECT_EQ(t.Spin[p][i], form->Control(b.spin)) << b.spin;
        }
        for (const char* n : b.typeControls)
            if (n) {
                EXPECT_NE(form->Control(n), nullptr) << n;
            }
    }
    for (const ChoiceGroupDef& g : ChoiceGroups())
        for (int k = 0; k < g.count; ++k) {
            Bound* b = B(g.buttons[k]);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->Hint(), QString::number(k)) << g.buttons[k];
        }
}

TEST_F(WindowTest, NoControlAtIndex86OrAbove) {
    const ControlTables& t = form->state().Tables;
    for (QWidget* w : form->Registry()) {
        Bound* b = AsBound(w);
        if (!b) continue;
        bool inTables = false;
        for (int p = 0; p < TablePages; ++p)
            for (int i = 0; i < TableSlots; ++i)
                inTables = inTables || t.Editor[p][i] == w || t.Pane[p][i] == w || t.Spin[p][i] == w ||
                           t.BandType[p][i][0] == w || t.BandType[p][i][1] == w || t.BandType[p][i][2] == w;
        if (inTables && w != form->state().Example) {
            EXPECT_LT(b->Tag() & 0xFF, TableSlots) << w->objectName().toStdString();
        }
    }
    // Pages 6 and 9 hold 116 parameters; the slots above 85 stay without controls.
    for (int i = 86; i < 116; ++i) {
        for (const ParamBinding& b : ControlBindings())
            if (b.id == MakeId(PageMain, i) && b.editor) {
                EXPECT_NE(AsBound(form->Control(b.editor))->Tag(), MakeId(PageMain, i));
            }
    }
}

TEST_F(WindowTest, PlaceholderIsNeverStamped) {
    const AppState& st = form->state();
    EXPECT_EQ(st.Tables.Editor[PageMusic][2], st.Example);
    EXPECT_EQ(st.Example->Tag(), 0);
    EXPECT_TRUE(st.Example->Hint().isEmpty());
    EXPECT_EQ(st.HighlightedEdit, st.Example);
}

TEST_F(WindowTest, PointLabelsCarryTheirGraphPage) {
    EXPECT_EQ(B("MusEQPointLabel10")->Tag(), 0);
    EXPECT_EQ(B("MicEQPointLabel15")->Tag(), 1);
    EXPECT_EQ(B("EffEQPointLabel5")->Tag(), 4);
    EXPECT_EQ(B("MainEQPointLabel7")->Tag(), 6);
    EXPECT_EQ(B("MainEQPointLabel8")->Tag(), 0) << "only the first seven of graph 3";
    EXPECT_EQ(B("SubEQPointLabel1")->Tag(), 7);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(form->state().Tables.TabButtons[k]->Tag(), k) << "tabs keep their design tags";
}

TEST_F(WindowTest, SliderRanges) {
    struct {
        const char* name;
        int max;
    } const ranges[] = {{"MainRmsReleaseBar", 7},  {"DEQRmsAttackBar2", 15}, {"SubMusLPQBar", 23},
                        {"DEQRmsRatioBar3", 40},   {"EchoRPreDelayBar", 50}, {"RvbMusLPFreBar", 64},
                        {"RvbTimeBar", 80},        {"SysEffMaxVolBar", 84},  {"EchoRepeatBar", 90},
                        {"SubRvbLevelBar", 100},   {"EchoPreDelayBar", 125}, {"MicFBEBar", 143},
                        {"MicEQGainBar15", 180},   {"RvbMusHPFreBar", 205},  {"EchoTimeBar", 250},
                        {"MainMusHPFreBar", 362},  {"SubdelayBar", 500}};
    for (const auto& r : ranges) {
        auto* s = W<BoundSlider>(r.name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->minimum(), 0) << r.name;
        EXPECT_EQ(s->maximum(), r.max) << r.name;
    }
}

TEST_F(WindowTest, StartUpDefaultsInDeviceImage) {
    const Model& m = form->model();
    EXPECT_EQ(m.DeviceImage[PageMusic][0], 1) << "manual mode";
    EXPECT_EQ(m.DeviceImage[PageMic][1], 64);
    for (int p = PageMain; p <= PageRear; ++p) EXPECT_EQ(m.DeviceImage[p][20], 362) << "low-pass Off, page " << p;
    EXPECT_EQ(m.DeviceImage[PageSystem][17], 0);
    EXPECT_FALSE(form->state().RefreshInProgress);
}

TEST_F(WindowTest, AutomaticModeDisablesMixControlsAndSingDance) {
    SetEnableRules(*form, 0, 255);
    for (const char* n : {"MainMusLevelBar", "MainMusPhaseBtn", "MainRvbLevelBar", "SubMicLevelBar",
                          "SubEchoPhaseBtn", "SingModeBtn", "DiscoModeBtn"})
        EXPECT_FALSE(W(n)->isEnabled()) << n << " in automatic mode";
    EXPECT_FALSE(W("MusScrollBox")->isEnabled());
    EXPECT_TRUE(W("MainMusLPFreBar")->isEnabled()) << "crossover is not a mix control";
    SetEnableRules(*form, 1, 255);
    for (const char* n : {"MainMusLevelBar", "MainMusPhaseBtn", "SubMicLevelBar", "SingModeBtn", "DiscoModeBtn"})
        EXPECT_TRUE(W(n)->isEnabled()) << n << " in manual mode";
}

TEST_F(WindowTest, BypassRuleFollowsTheAllpassButton) {
    auto* allpass = W<BoundButton>("MusEQAllpassBtn");
    allpass->SetHint("1");
    SetEnableRules(*form, 1, PageMic);
    EXPECT_FALSE(W("MicScrollBox")->isEnabled());
    EXPECT_FALSE(W("MicFreEdit3")->isEnabled());
    allpass->SetHint("0");
    SetEnableRules(*form, 1, PageMic);
    EXPECT_TRUE(W("MicScrollBox")->isEnabled());
    EXPECT_TRUE(W("MicFreEdit3")->isEnabled());
    // In automatic mode the music rule leaves the music strips alone.
    allpass->SetHint("1");
    W("MusScrollBox")->setEnabled(true);
    SetEnableRules(*form, 0, PageMusic);
    EXPECT_TRUE(W("MusScrollBox")->isEnabled());
}

TEST_F(WindowTest, DynamicEqGroupsFollowTheirOwnBypass) {
    form->model().ParamImage[PageDynEq][12 + 1] = 1;  // group 2 bypassed
    SetEnableRules(*form, 1, PageDynEq);
    EXPECT_TRUE(W("DEQ1Grop")->isEnabled());
    EXPECT_FALSE(W("DEQ2Grop")->isEnabled());
    EXPECT_FALSE(W("DEQFreEdit2")->isEnabled());
    EXPECT_TRUE(W("DEQALLPASSBtn2")->isEnabled()) << "the bypass switch must stay usable";
}

}  // namespace
}  // namespace kdsp
