// The window's control bindings: tags, control spellings, the kinds panes show,
// slider maxima, button kinds and choice groups.
#include "app/pages/control_bindings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/editing/change_path.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/param_table.h"

namespace kdsp {
namespace {

const ParamBinding& At(ParamId id) {
    const ParamBinding* b = FindBinding(id);
    EXPECT_NE(b, nullptr) << "no binding for id " << id;
    static const ParamBinding none{};
    return b ? *b : none;
}

std::string S(const char* s) {
    return s ? s : "";
}

TEST(ControlBindings, StartUpTags) {
    EXPECT_EQ(ControlTag("MusFreEdit1"), 5);
    EXPECT_EQ(ControlTag("MainMusLPFreBar"), 6 * 256 + 20);
    const ParamBinding& lp = At(0x0614);
    EXPECT_EQ(S(lp.editor), "MainMusLPFreBar");
    EXPECT_EQ(lp.sliderMax, 362);
    EXPECT_EQ(S(lp.pane), "MainMusLPFrePane");
    EXPECT_EQ(lp.param->valueKind, 5);
    EXPECT_EQ(S(lp.spin), "MainMusLPFreUpDownBtn");

    EXPECT_EQ(S(At(0x0007).editor), "MusQEdit1");
    EXPECT_EQ(S(At(0x0008).editor), "MusQEdit1");
    EXPECT_EQ(ControlTag("MusQEdit1"), 8) << "the last slot visited wins";
    EXPECT_EQ(ControlTag("MusQUpDownBtn1"), 8);
    for (const char* pic : {"MusPEQBtn1", "MusLSQBtn1", "MusHSQBtn1"}) {
        EXPECT_EQ(ControlTag(pic), 4) << pic;
    }
    EXPECT_EQ(S(At(0x0004).typeControls[1]), "MusLSQBtn1");
    EXPECT_EQ(ControlTag("DEQModeMidBtn1"), 0x020C) << "choice buttons find their group";
    EXPECT_EQ(ControlTag("SysManagerBtn"), 0x0A0C);
    EXPECT_EQ(ControlTag("Example"), -1);
    EXPECT_EQ(ControlTag(""), -1);
}

// One binding per parameter, so a parameter added without its controls (or
// controls without their parameter) is found here rather than in a crash.
TEST(ControlBindings, OneBindingPerParameter) {
    int last = -1;
    for (const ParamBinding& b : ControlBindings()) {
        EXPECT_GT(b.id, last) << "ids ascend without repeats";
        last = b.id;
        ASSERT_NE(b.param, nullptr) << S(b.editor) << " edits no parameter";
        EXPECT_EQ(b.param->id, b.id) << S(b.editor);
        EXPECT_NE(b.editor, nullptr) << "every bound parameter has a main control";
    }
    EXPECT_EQ(ControlBindings().size(), ParamFacts().size());
    EXPECT_EQ(FindBinding(0x0002), nullptr) << "placeholder slot";
}

// An edit reaches the processor as the table's row of the copy it is stored in, under
// every choice of views and in either operating mode: a copy without its row would be
// stored and never sent, one whose row is of the other mode would be refused.
TEST(ControlBindings, EveryCopyAControlEditsHasTheRowItWrites) {
    std::vector<ParamId> ids;
    for (const ParamBinding& b : ControlBindings()) ids.push_back(b.id);
    // The toolbar's bypass button is re-tagged for the EQ page shown.
    for (int page : {PageMic, PageEcho, PageMain, PageAux1})
        ids.push_back(MakeId(page, FirstEqIndex[static_cast<std::size_t>(page)] - 1));
    Model m;
    for (int views = 0; views < 16; ++views) {
        m.MicBandMode = views & 1;
        m.MainVariant = views & 2 ? PageRear : PageMain;
        m.AuxVariant = views & 4 ? PageAux2 : PageAux1;
        m.EffectEqVariant = views & 8 ? PageReverb : PageEcho;
        for (int mode : {0, 1}) {
            m.ModeFlag = mode;
            for (ParamId id : ids) {
                const ParamSpec* copy = EditedCopy(m, StorageId(m, id));
                ASSERT_NE(copy, nullptr) << "id " << id << " views " << views << " mode " << mode;
                EXPECT_TRUE(copy->Mode() < 0 || copy->Mode() == mode) << copy->Name();
            }
        }
    }
}

TEST(ControlBindings, NamesAreUniqueExceptTheSharedQSlotsAndChoicePairs) {
    std::map<std::string, std::set<int>> where;
    for (const ParamBinding& b : ControlBindings()) {
        const char* names[] = {b.editor,          b.pane,           b.spin, b.typeControls[0],
                               b.typeControls[1], b.typeControls[2]};
        std::set<std::string> inThisSlot;
        for (const char* n : names) {
            if (!n)
                continue;
            if (!inThisSlot.insert(n).second) {
                const std::string s = n;
                EXPECT_TRUE(s == "RvbDirectPhaseBtn" || s == "SysMusInputLevel" || s == "SysInput")
                    << s << " appears twice in one slot";
            }
            where[n].insert(b.id);
        }
    }
    Model m;
    for (const auto& [name, ids] : where) {
        if (ids.size() == 1)
            continue;
        ASSERT_EQ(ids.size(), 2u) << name;
        const ParamId a = static_cast<ParamId>(*ids.begin());
        const ParamId b = static_cast<ParamId>(*ids.rbegin());
        EXPECT_EQ(b, a + 1) << name;
        EXPECT_EQ(FieldOf(DecodeBand(m, a)), 3) << name << " is shared only by the two Q slots";
        EXPECT_EQ(FieldOf(DecodeBand(m, b)), 4) << name;
    }
    EXPECT_EQ(where["MIcFreUpDownBtn1"], std::set<int>{0x0107});
    EXPECT_EQ(where["MIcQUpDownBtn15"], (std::set<int>{0x014F, 0x0150}));
    EXPECT_EQ(where.count("MicFreUpDownBtn1"), 0u) << "microphone spins are spelled MIc";
    EXPECT_EQ(where["DEQQEdit2"], (std::set<int>{0x0211, 0x0212}));
    EXPECT_EQ(where["DEQTYpeAboveBtn3"], std::set<int>{0x021F});
    EXPECT_EQ(where["DEQGainBar3"], std::set<int>{0x021C});
    EXPECT_EQ(where["EchoEQGainBar5"], std::set<int>{0x0420 + 6});
    EXPECT_EQ(where["SubMusHPuserQUpDownBtn"], std::set<int>{0x0712});
    EXPECT_EQ(where["MainMusLPFreUpDownBtn"], std::set<int>{0x0614});
    EXPECT_EQ(where["MainHPFreUpDownBtn"], std::set<int>{0x0611});
}

TEST(ControlBindings, BandControlsMatchTheirFields) {
    Model m;
    for (const ParamBinding& b : ControlBindings()) {
        const BandRef r = DecodeBand(m, b.id);
        const std::string name = S(b.editor);
        if (b.param->valueKind < 1 || b.param->valueKind > 4 || r == NotEq)
            continue;
        if (FieldOf(r) == 0) {
            EXPECT_EQ(b.typeClass, ControlClass::Picture) << name;
        }
        if (FieldOf(r) == 2) {
            EXPECT_EQ(b.typeClass, ControlClass::Slider) << name;
            EXPECT_EQ(b.sliderMax, 180) << name;
        }
    }
}

TEST(ControlBindings, HiddenEighthOutputBands) {
    EXPECT_EQ(S(At(0x0645).editor), "MainModeBox8");
    EXPECT_EQ(S(At(0x0742).editor), "SubModeBox8");
    EXPECT_EQ(S(At(0x0745).editor), "SubQEdit8");
    EXPECT_EQ(S(At(0x0744).typeControls[0]), "SubEQGainBar8");
}

TEST(ControlBindings, PaneKinds) {
    const std::pair<const char*, int> panes[] = {
        {"MainMusLPFrePane", 5},    {"SubMusLPFrePane", 5},      {"MicHPFrePane", 6},
        {"MainMusHPFrePane", 6},    {"EchoLPFrePane", 7},        {"RvbMusLPFrePane", 7},
        {"EchoEffLevelPane", 8},    {"EchoRepeatPane", 8},       {"EchoRPreDelayPane", 8},
        {"MainMicLevelPane", 9},    {"SubRvbLevelPane", 9},      {"EchoRTimePane", 10},
        {"EchoPreDelayPane", 11},   {"EchoTimePane", 11},        {"RvbPreDelayPane", 11},
        {"RvbTimePane", 12},        {"EchoHPFrePane", 13},       {"RvbMusHPFrePane", 13},
        {"MainRmsRatioPane", 15},   {"DEQRmsReleasePane2", 16},  {"SubRmsAttackPane", 17},
        {"MainLdelayPane", 18},     {"SubdelayPane", 18},        {"MainMusHPQPane", 19},
        {"SubMusLPQPane", 19},      {"DEQRmsLevelPane3", 20},    {"MicFBEPane", 21},
        {"MicNoisePane", 22},       {"RvbMusBassDecayPane", 22}, {"SysMusStartVolPane", 0},
        {"SysEffNormalVolPane", 0},
    };
    for (const auto& [pane, kind] : panes) {
        const int tag = ControlTag(pane);
        ASSERT_GE(tag, 0) << pane;
        EXPECT_EQ(At(static_cast<ParamId>(tag)).param->valueKind, kind) << pane;
        EXPECT_EQ(At(static_cast<ParamId>(tag)).paneClass, ControlClass::Pane) << pane;
    }
}

TEST(ControlBindings, SliderMaxima) {
    const std::pair<const char*, int> bars[] = {
        {"MainRmsReleaseBar", 7}, {"DEQRmsReleaseBar3", 7},   {"SubRmsAttackBar", 15},
        {"MainMusLPQBar", 23},    {"DEQRmsRatioBar1", 40},    {"EchoRPreDelayBar", 50},
        {"SubRmsLevelBar", 50},   {"RvbMusLPFreBar", 64},     {"RvbTimeBar", 80},
        {"SysMicMaxVolBar", 84},  {"SysEffNormalVolBar", 84}, {"EchoRepeatBar", 90},
        {"MainMusLevelBar", 100}, {"SubEchoLevelBar", 100},   {"RvbPreDelayBar", 100},
        {"EchoRTimeBar", 100},    {"EchoPreDelayBar", 125},   {"MicNoiseBar", 143},
        {"RvbMusHPFreBar", 205},  {"EchoTimeBar", 250},       {"SubMusHPFreBar", 362},
        {"SubdelayBar", 500},     {"MainRdelayBar", 500},     {"RvbMusTreDecayBar", -1},
    };
    for (const auto& [bar, max] : bars) {
        const int tag = ControlTag(bar);
        ASSERT_GE(tag, 0) << bar;
        EXPECT_EQ(At(static_cast<ParamId>(tag)).editorClass, ControlClass::Slider) << bar;
        EXPECT_EQ(At(static_cast<ParamId>(tag)).sliderMax, max) << bar;
    }
    EXPECT_EQ(At(0x0A06).volumeLink, 1);
    EXPECT_EQ(At(0x0A07).volumeLink, 2);
    EXPECT_EQ(At(0x0A20).volumeLink, 0);
    EXPECT_EQ(At(0x0614).volumeLink, -1);
}

TEST(ControlBindings, ButtonKinds) {
    for (const char* phase :
         {"EchoEffPhaseBtn", "EchoDirectPhaseBtn", "RvbEffPhaseBtn", "RvbDirectPhaseBtn",
          "RvbMusicPhaseBtn", "MainMusPhaseBtn", "MainMicPhaseBtn", "MainEchoPhaseBtn",
          "MainRvbPhaseBtn", "SubMusPhaseBtn", "SubMicPhaseBtn", "SubEchoPhaseBtn",
          "SubRvbPhaseBtn"}) {
        EXPECT_EQ(At(static_cast<ParamId>(ControlTag(phase))).button, ButtonKind::Phase) << phase;
    }
    for (const char* mute : {"MainLmuteBtn", "MainRmuteBtn", "SubmuteBtn"}) {
        EXPECT_EQ(At(static_cast<ParamId>(ControlTag(mute))).button, ButtonKind::Toggle) << mute;
    }
    EXPECT_EQ(At(0x0000).button, ButtonKind::AutoManual);
    EXPECT_EQ(S(At(0x0000).pane), "ManulModeBtn");
    EXPECT_EQ(At(0x0001).button, ButtonKind::SingDance);
    EXPECT_EQ(S(At(0x0001).pane), "SingModeBtn");
    EXPECT_EQ(At(0x0003).button, ButtonKind::Bypass);
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(At(MakeId(2, 12 * g + 1)).button, ButtonKind::Bypass);
    }
    EXPECT_EQ(S(At(0x0502).pane), "RvbDirectPhaseBtn");
    EXPECT_EQ(S(At(0x0A03).pane), "SysMusInputLevel");
    EXPECT_EQ(S(At(0x0A0E).pane), "SysInput");
}

TEST(ChoiceGroups, EveryGroupIsBoundByItsFirstButton) {
    ASSERT_EQ(ChoiceGroups().size(), 12u);
    for (const ChoiceGroupDef& g : ChoiceGroups()) {
        const ParamBinding& b = At(g.id);
        EXPECT_EQ(S(b.editor), S(g.buttons[0])) << g.id;
        EXPECT_EQ(b.button, ButtonKind::Choice) << g.id;
        EXPECT_EQ(b.param->words.size(), static_cast<std::size_t>(g.count))
            << g.id << ": a word for each button";
        for (int k = 0; k < g.count; ++k)
            EXPECT_NE(g.buttons[k], nullptr);
        for (int k = g.count; k < 3; ++k)
            EXPECT_EQ(g.buttons[k], nullptr);
    }
    for (const ParamBinding& b : ControlBindings()) {
        if (b.button == ButtonKind::Choice) {
            EXPECT_NE(FindChoiceGroup(b.id), nullptr) << S(b.editor);
        }
    }
    const ChoiceGroupDef* tone = FindChoiceGroup(0x061F);
    ASSERT_NE(tone, nullptr);
    EXPECT_EQ(tone->count, 2);
    EXPECT_EQ(S(tone->buttons[1]), "MAINToneBtn2");
    EXPECT_EQ(S(FindChoiceGroup(0x0A0D)->buttons[1]), "SysPanelBtn2");
    EXPECT_EQ(FindChoiceGroup(0x0A10), nullptr);
}

TEST(ControlBindings, CrossoverBoxes) {
    for (ParamId id : {0x0610, 0x0613, 0x0710, 0x0713})
        EXPECT_EQ(At(id).editorClass, ControlClass::Combo);
    EXPECT_EQ(S(At(0x0710).editor), "SubMusHPType");
    EXPECT_EQ(S(At(0x0613).editor), "MainLPTypeBox");
}

}  // namespace
}  // namespace kdsp
