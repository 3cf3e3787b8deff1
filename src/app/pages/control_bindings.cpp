// The controls of every parameter the window edits. The repeated band strips and
// dynamic-EQ groups are generated; single controls are listed once each.
#include "app/pages/control_bindings.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <vector>

#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

using CC = ControlClass;
using BK = ButtonKind;

// Suffixes of the three band-type pictures (prefix + suffix + band number).
constexpr std::array<const char*, 3> ShelfPics = {"PEQBtn", "LSQBtn", "HSQBtn"};
constexpr std::array<const char*, 3> DynEqPics = {"PEQBtn", "LEQBtn", "HEQBtn"};
// A slider that reaches as far as its parameter's values go.
constexpr int FullTravel = 0;

class BindingRows {
  public:
    std::vector<ParamBinding> rows;

    // Generated names need a home that never moves: a deque keeps its elements put.
    const char* Keep(std::string s) {
        names_.push_back(std::move(s));
        return names_.back().c_str();
    }

    ParamBinding& Add(int page, int index) {
        ParamBinding b{};
        b.id = MakeId(page, index);
        b.param = FindFact(b.id);
        b.editorClass = CC::None;
        b.paneClass = CC::None;
        b.typeClass = CC::None;
        b.button = BK::None;
        b.sliderMax = -1;
        rows.push_back(b);
        return rows.back();
    }

    // A slider with its value pane and, when it has one, its spin buttons. `travel`
    // is where the slider stops: FullTravel at the top of its parameter's range, a
    // number where it stops elsewhere, -1 where it has no maximum of its own.
    void Slider(int page, int index, const std::string& bar, const std::string& pane,
                const std::string& spin, int travel = FullTravel) {
        ParamBinding& b = Add(page, index);
        b.editor = Keep(bar);
        b.editorClass = CC::Slider;
        b.pane = Keep(pane);
        b.paneClass = CC::Pane;
        if (!spin.empty())
            b.spin = Keep(spin);
        b.sliderMax = travel == FullTravel && b.param ? FactMax(*b.param) : travel;
    }

    void Button(int page, int index, const std::string& control, ButtonKind kind,
                const std::string& paneButton = {}) {
        ParamBinding& b = Add(page, index);
        b.editor = Keep(control);
        b.editorClass = CC::Button;
        b.button = kind;
        if (!paneButton.empty()) {
            b.pane = Keep(paneButton);
            b.paneClass = CC::Button;
        }
    }

    void Combo(int page, int index, const std::string& control) {
        ParamBinding& b = Add(page, index);
        b.editor = Keep(control);
        b.editorClass = CC::Combo;
    }

    // The controls of one EQ band's five parameters: type, frequency, gain, peaking
    // Q, shelving Q. `pre` is the control prefix, `spinPre` that of the spins (the
    // microphone spins are spelled "MIc"), `n` the band number.
    void Band(int page, int base, const std::string& pre, const std::string& spinPre,
              const std::array<const char*, 3>& types, const std::string& gainBar, int n) {
        const std::string num = std::to_string(n);

        Combo(page, base, pre + "ModeBox" + num);
        ParamBinding& type = rows.back();
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = Keep(pre + types[k] + num);
        type.typeClass = CC::Picture;

        ParamBinding& fre = Add(page, base + 1);
        fre.editor = Keep(pre + "FreEdit" + num);
        fre.editorClass = CC::Edit;
        fre.spin = Keep(spinPre + "FreUpDownBtn" + num);

        ParamBinding& gain = Add(page, base + 2);
        gain.editor = Keep(pre + "GainEdit" + num);
        gain.editorClass = CC::Edit;
        gain.spin = Keep(spinPre + "GainUpDownBtn" + num);
        gain.typeControls[0] = Keep(gainBar + num);
        gain.typeClass = CC::Slider;
        gain.sliderMax = gain.param ? FactMax(*gain.param) : -1;

        // One Q edit serves both Q slots; the change path picks the slot that
        // matches the band type.
        for (int k = 3; k <= 4; ++k) {
            ParamBinding& q = Add(page, base + k);
            q.editor = Keep(pre + "QEdit" + num);
            q.editorClass = CC::Edit;
            q.spin = Keep(spinPre + "QUpDownBtn" + num);
        }
    }

  private:
    std::deque<std::string> names_;
};

void MusicPage(BindingRows& b) {
    b.Button(0, 0, "AutoModeBtn", BK::AutoManual, "ManulModeBtn");
    b.Button(0, 1, "DiscoModeBtn", BK::SingDance, "SingModeBtn");
    b.Button(0, 3, "MusEQAllpassBtn", BK::Bypass);
    for (int n = 1; n <= PageBandCount[PageMusic]; ++n)
        b.Band(0, FirstEqIndex[PageMusic] + 5 * (n - 1), "Mus", "Mus", ShelfPics, "MusEQGainBar",
               n);
}

void MicPage(BindingRows& b) {
    // These sliders travel to 143 whatever their values' range.
    b.Slider(1, 0, "MicHPFreBar", "MicHPFrePane", "MicHPFreUpDownBtn", 143);
    b.Slider(1, 2, "MicFBEBar", "MicFBEPane", "MicFBEUpDownBtn", 143);
    b.Slider(1, 3, "MicNoiseBar", "MicNoisePane", "MicNoiseUpDownBtn", 143);
    for (int n = 1; n <= PageBandCount[PageMic]; ++n)
        b.Band(1, FirstEqIndex[PageMic] + 5 * (n - 1), "Mic", "MIc", ShelfPics, "MicEQGainBar", n);
}

void DynEqPage(BindingRows& b) {
    for (int g = 1; g <= 3; ++g) {
        const int base = 12 * (g - 1);
        const std::string num = std::to_string(g);
        b.Button(2, base + 1, "DEQALLPASSBtn" + num, BK::Bypass);
        // Its gain slider is DEQGainBar1, without the "EQ" of the other strips.
        b.Band(2, base + 2, "DEQ", "DEQ", DynEqPics, "DEQGainBar", g);
        b.Combo(2, base + 7, "DEQTypeBox" + num);
        ParamBinding& type = b.rows.back();
        const char* pics[3] = {"DEQTYpeOffBtn", "DEQTYpeBelowBtn", "DEQTYpeAboveBtn"};
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = b.Keep(pics[k] + num);
        type.typeClass = CC::Picture;
        b.Slider(2, base + 8, "DEQRmsAttackBar" + num, "DEQRmsAttackPane" + num, "");
        b.Slider(2, base + 9, "DEQRmsReleaseBar" + num, "DEQRmsReleasePane" + num, "");
        b.Slider(2, base + 10, "DEQRmsLevelBar" + num, "DEQRmsLevelPane" + num, "");
        b.Slider(2, base + 11, "DEQRmsRatioBar" + num, "DEQRmsRatioPane" + num, "");
        b.Button(2, base + 12, "DEQModeFastBtn" + num, BK::Choice);
    }
}

void EchoPage(BindingRows& b) {
    b.Button(4, 0, "EchoEffPhaseBtn", BK::Phase);
    b.Slider(4, 1, "EchoEffLevelBar", "EchoEffLevelPane", "");
    b.Button(4, 2, "EchoDirectPhaseBtn", BK::Phase);
    b.Slider(4, 3, "EchoDirectLevelBar", "EchoDirectLevelPane", "");
    b.Slider(4, 4, "EchoHPFreBar", "EchoHPFrePane", "EchoHPFreUpDownBtn");
    b.Slider(4, 5, "EchoLPFreBar", "EchoLPFrePane", "EchoLPFreUpDownBtn");
    // The pre-delay and repeat sliders stop short of the top of their values.
    b.Slider(4, 6, "EchoPreDelayBar", "EchoPreDelayPane", "", 125);
    b.Slider(4, 7, "EchoTimeBar", "EchoTimePane", "");
    b.Slider(4, 8, "EchoRepeatBar", "EchoRepeatPane", "", 90);
    b.Slider(4, 9, "EchoRTimeBar", "EchoRTimePane", "");
    b.Slider(4, 10, "EchoRPreDelayBar", "EchoRPreDelayPane", "", 50);
    b.Button(4, 11, "EchoModeBtn1", BK::Choice);
    // These band controls also edit the reverb EQ (the effect EQ selector).
    for (int n = 1; n <= PageBandCount[PageEcho]; ++n)
        b.Band(4, FirstEqIndex[PageEcho] + 5 * (n - 1), "Echo", "Echo", ShelfPics, "EchoEQGainBar",
               n);
}

void ReverbPage(BindingRows& b) {
    b.Button(5, 0, "RvbEffPhaseBtn", BK::Phase);
    b.Slider(5, 1, "RvbEffLevelBar", "RvbEffLevelPane", "");
    b.Button(5, 2, "RvbDirectPhaseBtn", BK::Phase, "RvbDirectPhaseBtn");
    b.Slider(5, 3, "RvbDirectLevelBar", "RvbDirectLevelPane", "");
    b.Slider(5, 4, "RvbTimeBar", "RvbTimePane", "");
    b.Slider(5, 5, "RvbPreDelayBar", "RvbPreDelayPane", "", 100);
    b.Slider(5, 6, "RvbHPFreBar", "RvbHPFrePane", "RvbHPFreUpDownBtn");
    b.Slider(5, 7, "RvbLPFreBar", "RvbLPFrePane", "RvbLPFreUpDownBtn");
    b.Button(5, 8, "RvbMusicPhaseBtn", BK::Phase);
    b.Slider(5, 9, "RvbMusicBar", "RvbMusicPane", "");
    b.Slider(5, 10, "RvbMusHPFreBar", "RvbMusHPFrePane", "");
    b.Slider(5, 11, "RvbMusLPFreBar", "RvbMusLPFrePane", "");
    // The decay sliders have no maximum of their own; their kind clamps them to 10.
    b.Slider(5, 12, "RvbMusTreDecayBar", "RvbMusTreDecayPane", "", -1);
    b.Slider(5, 13, "RvbMusBassDecayBar", "RvbMusBassDecayPane", "", -1);
}

// The controls of the main output (page 6) and the auxiliary outputs (page 7)
// differ in a handful of spellings; everything else follows the prefix.
struct OutputNames {
    int page;
    const char* pre;  // "Main" / "Sub"
    const char* hpType;
    const char* hpFreSpin;
    const char* hpQSpin;
    const char* lpType;
    const char* lpFreSpin;
    const char* lpQSpin;
};

void OutputPage(BindingRows& b, const OutputNames& o) {
    const std::string pre = o.pre;
    const char* sources[4] = {"Mus", "Mic", "Echo", "Rvb"};
    for (int s = 0; s < 4; ++s) {
        const std::string src = sources[s];
        // The mix sliders stop at 100, half way up their values.
        b.Slider(o.page, 4 * s, pre + src + "LevelBar", pre + src + "LevelPane", "", 100);
        b.Button(o.page, 4 * s + 2, pre + src + "PhaseBtn", BK::Phase);
    }
    b.Combo(o.page, 16, o.hpType);
    b.Slider(o.page, 17, pre + "MusHPFreBar", pre + "MusHPFrePane", o.hpFreSpin);
    b.Slider(o.page, 18, pre + "MusHPQBar", pre + "MusHPQPane", o.hpQSpin);
    b.Combo(o.page, 19, o.lpType);
    b.Slider(o.page, 20, pre + "MusLPFreBar", pre + "MusLPFrePane", o.lpFreSpin);
    b.Slider(o.page, 21, pre + "MusLPQBar", pre + "MusLPQPane", o.lpQSpin);
    b.Slider(o.page, 22, pre + "RmsAttackBar", pre + "RmsAttackPane", "");
    b.Slider(o.page, 23, pre + "RmsReleaseBar", pre + "RmsReleasePane", "");
    b.Slider(o.page, 24, pre + "RmsLevelBar", pre + "RmsLevelPane", "");
    b.Slider(o.page, 25, pre + "RmsRatioBar", pre + "RmsRatioPane", "");
    b.Button(o.page, 26, pre + "ModeFastBtn1", BK::Choice);
    if (o.page == PageMain) {
        b.Slider(6, 27, "MainLdelayBar", "MainLdelayPane", "");
        b.Slider(6, 28, "MainRdelayBar", "MainRdelayPane", "");
        b.Button(6, 29, "MainLmuteBtn", BK::Toggle);
        b.Button(6, 30, "MainRmuteBtn", BK::Toggle);
        b.Button(6, 31, "MAINToneBtn1", BK::Choice);
    } else {
        b.Slider(7, 27, "SubdelayBar", "SubdelayPane", "");
        b.Button(7, 28, "SubmuteBtn", BK::Toggle);
    }
    // Eight band groups; the eighth is never shown.
    for (int n = 1; n <= 8; ++n)
        b.Band(o.page, FirstEqIndex[o.page] + 5 * (n - 1), pre, pre, ShelfPics, pre + "EQGainBar",
               n);
}

void SystemPage(BindingRows& b) {
    b.Combo(10, 2, "SysModeBox");
    b.Button(10, 3, "SysMusInputLevel", BK::Choice, "SysMusInputLevel");
    // Start / maximum / normal volume trios; the slider hint says which (1, 2, 0).
    struct Vol {
        int index;
        const char* bar;
        const char* pane;
        int link;
    };
    const Vol vols[] = {
        {6, "SysMusStartVolBar", "SysMusStartVolPane", 1},
        {7, "SysMusMaxVolBar", "SysMusMaxVolPane", 2},
        {8, "SysMicStartVolBar", "SysMicStartVolPane", 1},
        {9, "SysMicMaxVolBar", "SysMicMaxVolPane", 2},
        {10, "SysEffStartVolBar", "SysEffStartVolPane", 1},
        {11, "SysEffMaxVolBar", "SysEffMaxVolPane", 2},
        {32, "SysMusNormalVolBar", "SysMusNormalVolPane", 0},
        {33, "SysMicNormalVolBar", "SysMicNormalVolPane", 0},
        {34, "SysEffNormalVolBar", "SysEffNormalVolPane", 0},
    };
    for (const Vol& v : vols) {
        b.Slider(10, v.index, v.bar, v.pane, "");
        b.rows.back().volumeLink = v.link;
    }
    b.Button(10, 12, "SysUserBtn", BK::Choice);
    b.Button(10, 13, "SysPanelBtn1", BK::Choice);
    b.Button(10, 14, "SysInput", BK::Choice, "SysInput");
    b.Button(10, 17, "SysRemoteBtn1", BK::Choice);
}

std::vector<ParamBinding> BuildBindings(BindingRows& b) {
    MusicPage(b);
    MicPage(b);
    DynEqPage(b);
    EchoPage(b);
    ReverbPage(b);
    OutputPage(b, {6, "Main", "MainHPTypeBox", "MainHPFreUpDownBtn", "MainHPQUpDownBtn",
                   "MainLPTypeBox", "MainMusLPFreUpDownBtn", "MainLPQUpDownBtn"});
    OutputPage(b, {7, "Sub", "SubMusHPType", "SubHPFreUpDownBtn", "SubMusHPuserQUpDownBtn",
                   "SubMusLPType", "SubLPFreUpDownBtn", "SubMusLPuserQUpDownBtn"});
    SystemPage(b);
    std::vector<ParamBinding> rows = b.rows;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ParamBinding& x, const ParamBinding& y) { return x.id < y.id; });
    return rows;
}

struct Store {
    BindingRows builder;
    std::vector<ParamBinding> rows;
    Store() : rows(BuildBindings(builder)) {}
};

const Store& TheStore() {
    static const Store store;
    return store;
}

constexpr ChoiceGroupDef ChoiceGroupTable[] = {
    {0x020C, {"DEQModeFastBtn1", "DEQModeMidBtn1", "DEQModeSlowBtn1"}, 3},
    {0x0218, {"DEQModeFastBtn2", "DEQModeMidBtn2", "DEQModeSlowBtn2"}, 3},
    {0x0224, {"DEQModeFastBtn3", "DEQModeMidBtn3", "DEQModeSlowBtn3"}, 3},
    {0x040B, {"EchoModeBtn1", "EchoModeBtn2", nullptr}, 2},
    {0x061A, {"MainModeFastBtn1", "MainModeMidBtn1", "MainModeSlowBtn1"}, 3},
    {0x061F, {"MAINToneBtn1", "MAINToneBtn2", nullptr}, 2},
    {0x071A, {"SubModeFastBtn1", "SubModeMidBtn1", "SubModeSlowBtn1"}, 3},
    {0x0A03, {"SysMusInputLevel", "SysMusInputLevel2", "SysMusInputLevel3"}, 3},
    {0x0A0C, {"SysUserBtn", "SysManagerBtn", nullptr}, 2},
    {0x0A0D, {"SysPanelBtn1", "SysPanelBtn2", nullptr}, 2},
    {0x0A0E, {"SysInput", "SysInput2", "SysInput3"}, 3},
    {0x0A11, {"SysRemoteBtn1", "SysRemoteBtn2", nullptr}, 2},
};

}  // namespace

std::span<const ParamBinding> ControlBindings() {
    return TheStore().rows;
}

const ParamBinding* FindBinding(ParamId id) {
    const auto& rows = TheStore().rows;
    const auto it = std::lower_bound(rows.begin(), rows.end(), id,
                                     [](const ParamBinding& b, ParamId v) { return b.id < v; });
    return it != rows.end() && it->id == id ? &*it : nullptr;
}

int ControlTag(std::string_view objectName) {
    if (objectName.empty())
        return -1;
    auto is = [&](const char* n) { return n != nullptr && objectName == n; };
    int tag = -1;
    for (const ParamBinding& b : TheStore().rows) {
        if (is(b.editor) || is(b.pane) || is(b.spin) || is(b.typeControls[0]) ||
            is(b.typeControls[1]) || is(b.typeControls[2]))
            tag = b.id;  // rows ascend, so the last hit is the last slot visited
    }
    if (tag >= 0)
        return tag;
    // The other buttons of a choice group sit in no slot but must find their group.
    for (const ChoiceGroupDef& g : ChoiceGroupTable)
        for (int k = 0; k < g.count; ++k)
            if (is(g.buttons[k]))
                return g.id;
    return -1;
}

std::span<const ChoiceGroupDef> ChoiceGroups() {
    return ChoiceGroupTable;
}

const ChoiceGroupDef* FindChoiceGroup(ParamId id) {
    for (const ChoiceGroupDef& g : ChoiceGroupTable)
        if (g.id == id)
            return &g;
    return nullptr;
}

}  // namespace kdsp
