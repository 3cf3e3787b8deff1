// Every parameter the window binds, with the names of its controls. The
// repeated band strips and dynamic-EQ groups are generated; single controls
// are listed once each.
#include "core/model/catalogue.h"

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

constexpr const char* BandTypeItems[] = {"PEQ", "LSEQ", "HSEQ"};
constexpr const char* DynEqTypeItems[] = {"Off", "Below", "Above"};
// Suffixes of the three band-type pictures (prefix + suffix + band number).
constexpr std::array<const char*, 3> ShelfPics = {"PEQBtn", "LSQBtn", "HSQBtn"};
constexpr std::array<const char*, 3> DynEqPics = {"PEQBtn", "LEQBtn", "HEQBtn"};
constexpr const char* CrossoverItems[] = {"Besell 24dB", "Butterworth 24dB", "Link Riley 24dB",
                                          "USER 12dB", "USER 24dB"};

class Builder {
  public:
    std::vector<ParamBinding> rows;

    // Generated names need a home that never moves: a deque keeps its elements put.
    const char* Keep(std::string s) {
        names_.push_back(std::move(s));
        return names_.back().c_str();
    }

    ParamBinding& Add(int page, int index, std::string name) {
        ParamBinding b{};
        b.id = MakeId(page, index);
        b.editorClass = CC::None;
        b.paneClass = CC::None;
        b.typeClass = CC::None;
        b.valueKind = -1;
        b.button = BK::None;
        b.sliderMax = -1;
        b.name = Keep(std::move(name));
        rows.push_back(b);
        return rows.back();
    }

    // A slider with its value pane and, when it has one, its spin buttons.
    void Slider(int page, int index, const std::string& bar, const std::string& pane,
                const std::string& spin, int kind, int max, std::string name) {
        ParamBinding& b = Add(page, index, std::move(name));
        b.editor = Keep(bar);
        b.editorClass = CC::Slider;
        b.pane = Keep(pane);
        b.paneClass = CC::Pane;
        if (!spin.empty())
            b.spin = Keep(spin);
        b.valueKind = kind;
        b.sliderMax = max;
    }

    void Button(int page, int index, const std::string& control, ButtonKind kind, std::string name,
                const std::string& paneButton = {}) {
        ParamBinding& b = Add(page, index, std::move(name));
        b.editor = Keep(control);
        b.editorClass = CC::Button;
        b.button = kind;
        if (!paneButton.empty()) {
            b.pane = Keep(paneButton);
            b.paneClass = CC::Button;
        }
    }

    void Combo(int page, int index, const std::string& control, std::span<const char* const> items,
               int kind, std::string name) {
        ParamBinding& b = Add(page, index, std::move(name));
        b.editor = Keep(control);
        b.editorClass = CC::Combo;
        b.valueKind = kind;
        b.items = items;
    }

    // Five parameters of one EQ band: type, frequency, gain, peaking Q, shelving Q.
    // `pre` is the control prefix, `spinPre` that of the spins (the microphone
    // spins are spelled "MIc"), `n` the band number shown in the names.
    void Band(int page, int base, const std::string& pre, const std::string& spinPre,
              const std::array<const char*, 3>& types, const std::string& gainBar, int n,
              const std::string& label, bool hidden) {
        const std::string num = std::to_string(n);
        const std::string what = label + " band " + num;

        Combo(page, base, pre + "ModeBox" + num, BandTypeItems, 1, what + " type");
        ParamBinding& type = rows.back();
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = Keep(pre + types[k] + num);
        type.typeClass = CC::Picture;

        ParamBinding& fre = Add(page, base + 1, what + " frequency");
        fre.editor = Keep(pre + "FreEdit" + num);
        fre.editorClass = CC::Edit;
        fre.spin = Keep(spinPre + "FreUpDownBtn" + num);
        fre.valueKind = 2;

        ParamBinding& gain = Add(page, base + 2, what + " gain");
        gain.editor = Keep(pre + "GainEdit" + num);
        gain.editorClass = CC::Edit;
        gain.spin = Keep(spinPre + "GainUpDownBtn" + num);
        gain.typeControls[0] = Keep(gainBar + num);
        gain.typeClass = CC::Slider;
        gain.valueKind = 3;
        gain.sliderMax = 180;

        // One Q edit serves both Q slots; the change path picks the slot that
        // matches the band type.
        for (int k = 3; k <= 4; ++k) {
            ParamBinding& q =
                Add(page, base + k, what + (k == 3 ? " Q (peaking)" : " Q (shelving)"));
            q.editor = Keep(pre + "QEdit" + num);
            q.editorClass = CC::Edit;
            q.spin = Keep(spinPre + "QUpDownBtn" + num);
            q.valueKind = 4;
        }
        for (int k = 0; k < 5; ++k)
            rows[rows.size() - 5 + k].hidden = hidden;
    }

  private:
    std::deque<std::string> names_;
};

void MusicPage(Builder& b) {
    b.Button(0, 0, "AutoModeBtn", BK::AutoManual, "music automatic/manual mode", "ManulModeBtn");
    b.Button(0, 1, "DiscoModeBtn", BK::SingDance, "operating mode sing/dance", "SingModeBtn");
    b.Button(0, 3, "MusEQAllpassBtn", BK::Bypass, "music EQ bypass");
    for (int n = 1; n <= PageBandCount[PageMusic]; ++n)
        b.Band(0, FirstEqIndex[PageMusic] + 5 * (n - 1), "Mus", "Mus", ShelfPics, "MusEQGainBar", n,
               "music", false);
}

void MicPage(Builder& b) {
    b.Slider(1, 0, "MicHPFreBar", "MicHPFrePane", "MicHPFreUpDownBtn", 6, 143,
             "microphone high-pass frequency");
    b.Slider(1, 2, "MicFBEBar", "MicFBEPane", "MicFBEUpDownBtn", 21, 143,
             "microphone feedback eliminator");
    b.Slider(1, 3, "MicNoiseBar", "MicNoisePane", "MicNoiseUpDownBtn", 22, 143,
             "microphone noise gate");
    for (int n = 1; n <= PageBandCount[PageMic]; ++n)
        b.Band(1, FirstEqIndex[PageMic] + 5 * (n - 1), "Mic", "MIc", ShelfPics, "MicEQGainBar", n,
               "microphone", false);
}

void DynEqPage(Builder& b) {
    for (int g = 1; g <= 3; ++g) {
        const int base = 12 * (g - 1);
        const std::string num = std::to_string(g);
        const std::string what = "dynamic EQ " + num;
        b.Button(2, base + 1, "DEQALLPASSBtn" + num, BK::Bypass, what + " bypass");
        // Its gain slider is DEQGainBar1, without the "EQ" of the other strips.
        b.Band(2, base + 2, "DEQ", "DEQ", DynEqPics, "DEQGainBar", g, "dynamic EQ", false);
        b.Combo(2, base + 7, "DEQTypeBox" + num, DynEqTypeItems, 1, what + " dynamics type");
        ParamBinding& type = b.rows.back();
        const char* pics[3] = {"DEQTYpeOffBtn", "DEQTYpeBelowBtn", "DEQTYpeAboveBtn"};
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = b.Keep(pics[k] + num);
        type.typeClass = CC::Picture;
        b.Slider(2, base + 8, "DEQRmsAttackBar" + num, "DEQRmsAttackPane" + num, "", 17, 15,
                 what + " attack");
        b.Slider(2, base + 9, "DEQRmsReleaseBar" + num, "DEQRmsReleasePane" + num, "", 16, 7,
                 what + " release");
        b.Slider(2, base + 10, "DEQRmsLevelBar" + num, "DEQRmsLevelPane" + num, "", 20, 50,
                 what + " threshold");
        b.Slider(2, base + 11, "DEQRmsRatioBar" + num, "DEQRmsRatioPane" + num, "", 15, 40,
                 what + " ratio");
        b.Button(2, base + 12, "DEQModeFastBtn" + num, BK::Choice, what + " speed");
    }
}

void EchoPage(Builder& b) {
    b.Button(4, 0, "EchoEffPhaseBtn", BK::Phase, "echo effect phase");
    b.Slider(4, 1, "EchoEffLevelBar", "EchoEffLevelPane", "", 8, 100, "echo effect level");
    b.Button(4, 2, "EchoDirectPhaseBtn", BK::Phase, "echo direct phase");
    b.Slider(4, 3, "EchoDirectLevelBar", "EchoDirectLevelPane", "", 8, 100, "echo direct level");
    b.Slider(4, 4, "EchoHPFreBar", "EchoHPFrePane", "EchoHPFreUpDownBtn", 13, 205,
             "echo high-pass frequency");
    b.Slider(4, 5, "EchoLPFreBar", "EchoLPFrePane", "EchoLPFreUpDownBtn", 7, 64,
             "echo low-pass frequency");
    b.Slider(4, 6, "EchoPreDelayBar", "EchoPreDelayPane", "", 11, 125, "echo pre-delay");
    b.Slider(4, 7, "EchoTimeBar", "EchoTimePane", "", 11, 250, "echo time");
    b.Slider(4, 8, "EchoRepeatBar", "EchoRepeatPane", "", 8, 90, "echo repeat");
    b.Slider(4, 9, "EchoRTimeBar", "EchoRTimePane", "", 10, 100, "echo reverb time");
    b.Slider(4, 10, "EchoRPreDelayBar", "EchoRPreDelayPane", "", 8, 50, "echo reverb pre-delay");
    b.Button(4, 11, "EchoModeBtn1", BK::Choice, "echo mode");
    // These band controls also edit the reverb EQ (the effect EQ selector).
    for (int n = 1; n <= PageBandCount[PageEcho]; ++n)
        b.Band(4, FirstEqIndex[PageEcho] + 5 * (n - 1), "Echo", "Echo", ShelfPics, "EchoEQGainBar",
               n, "effect EQ", false);
}

void ReverbPage(Builder& b) {
    b.Button(5, 0, "RvbEffPhaseBtn", BK::Phase, "reverb effect phase");
    b.Slider(5, 1, "RvbEffLevelBar", "RvbEffLevelPane", "", 8, 100, "reverb effect level");
    b.Button(5, 2, "RvbDirectPhaseBtn", BK::Phase, "reverb direct phase", "RvbDirectPhaseBtn");
    b.Slider(5, 3, "RvbDirectLevelBar", "RvbDirectLevelPane", "", 8, 100, "reverb direct level");
    b.Slider(5, 4, "RvbTimeBar", "RvbTimePane", "", 12, 80, "reverb time");
    b.Slider(5, 5, "RvbPreDelayBar", "RvbPreDelayPane", "", 11, 100, "reverb pre-delay");
    b.Slider(5, 6, "RvbHPFreBar", "RvbHPFrePane", "RvbHPFreUpDownBtn", 13, 205,
             "reverb high-pass frequency");
    b.Slider(5, 7, "RvbLPFreBar", "RvbLPFrePane", "RvbLPFreUpDownBtn", 7, 64,
             "reverb low-pass frequency");
    b.Button(5, 8, "RvbMusicPhaseBtn", BK::Phase, "reverb music phase");
    b.Slider(5, 9, "RvbMusicBar", "RvbMusicPane", "", 8, 100, "reverb music level");
    b.Slider(5, 10, "RvbMusHPFreBar", "RvbMusHPFrePane", "", 13, 205,
             "reverb music high-pass frequency");
    b.Slider(5, 11, "RvbMusLPFreBar", "RvbMusLPFrePane", "", 7, 64,
             "reverb music low-pass frequency");
    // The decay sliders have no maximum of their own; their kind clamps them to 10.
    b.Slider(5, 12, "RvbMusTreDecayBar", "RvbMusTreDecayPane", "", 22, -1, "reverb treble decay");
    b.Slider(5, 13, "RvbMusBassDecayBar", "RvbMusBassDecayPane", "", 22, -1, "reverb bass decay");
}

// The controls of the main output (page 6) and the auxiliary outputs (page 7)
// differ in a handful of spellings; everything else follows the prefix.
struct OutputNames {
    int page;
    const char* pre;    // "Main" / "Sub"
    const char* label;  // readable
    const char* hpType;
    const char* hpFreSpin;
    const char* hpQSpin;
    const char* lpType;
    const char* lpFreSpin;
    const char* lpQSpin;
};

void OutputPage(Builder& b, const OutputNames& o) {
    const std::string pre = o.pre;
    const std::string label = o.label;
    const char* sources[4] = {"Mus", "Mic", "Echo", "Rvb"};
    const char* sourceNames[4] = {"music", "microphone", "echo", "reverb"};
    for (int s = 0; s < 4; ++s) {
        const std::string src = sources[s];
        b.Slider(o.page, 4 * s, pre + src + "LevelBar", pre + src + "LevelPane", "", 9, 100,
                 label + " " + sourceNames[s] + " level");
        b.Button(o.page, 4 * s + 2, pre + src + "PhaseBtn", BK::Phase,
                 label + " " + sourceNames[s] + " phase");
    }
    b.Combo(o.page, 16, o.hpType, CrossoverItems, -1, label + " high-pass type");
    b.Slider(o.page, 17, pre + "MusHPFreBar", pre + "MusHPFrePane", o.hpFreSpin, 6, 362,
             label + " high-pass frequency");
    b.Slider(o.page, 18, pre + "MusHPQBar", pre + "MusHPQPane", o.hpQSpin, 19, 23,
             label + " high-pass Q");
    b.Combo(o.page, 19, o.lpType, CrossoverItems, -1, label + " low-pass type");
    b.Slider(o.page, 20, pre + "MusLPFreBar", pre + "MusLPFrePane", o.lpFreSpin, 5, 362,
             label + " low-pass frequency");
    b.Slider(o.page, 21, pre + "MusLPQBar", pre + "MusLPQPane", o.lpQSpin, 19, 23,
             label + " low-pass Q");
    b.Slider(o.page, 22, pre + "RmsAttackBar", pre + "RmsAttackPane", "", 17, 15,
             label + " compressor attack");
    b.Slider(o.page, 23, pre + "RmsReleaseBar", pre + "RmsReleasePane", "", 16, 7,
             label + " compressor release");
    b.Slider(o.page, 24, pre + "RmsLevelBar", pre + "RmsLevelPane", "", 20, 50,
             label + " compressor threshold");
    b.Slider(o.page, 25, pre + "RmsRatioBar", pre + "RmsRatioPane", "", 15, 40,
             label + " compressor ratio");
    b.Button(o.page, 26, pre + "ModeFastBtn1", BK::Choice, label + " compressor speed");
    if (o.page == PageMain) {
        b.Slider(6, 27, "MainLdelayBar", "MainLdelayPane", "", 18, 500, label + " left delay");
        b.Slider(6, 28, "MainRdelayBar", "MainRdelayPane", "", 18, 500, label + " right delay");
        b.Button(6, 29, "MainLmuteBtn", BK::Toggle, label + " left mute");
        b.Button(6, 30, "MainRmuteBtn", BK::Toggle, label + " right mute");
        b.Button(6, 31, "MAINToneBtn1", BK::Choice, label + " tone");
    } else {
        b.Slider(7, 27, "SubdelayBar", "SubdelayPane", "", 18, 500, label + " delay");
        b.Button(7, 28, "SubmuteBtn", BK::Toggle, label + " mute");
    }
    // Eight band groups; the eighth exists but is never shown.
    for (int n = 1; n <= 8; ++n)
        b.Band(o.page, FirstEqIndex[o.page] + 5 * (n - 1), pre, pre, ShelfPics, pre + "EQGainBar",
               n, label, n == 8);
}

void SystemPage(Builder& b) {
    b.Combo(10, 2, "SysModeBox", {}, -1, "current stored mode");
    b.Button(10, 3, "SysMusInputLevel", BK::Choice, "music input level", "SysMusInputLevel");
    // Start / maximum / normal volume trios; the slider hint says which (1, 2, 0).
    struct Vol {
        int index;
        const char* bar;
        const char* pane;
        int link;
        const char* name;
    };
    const Vol vols[] = {
        {6, "SysMusStartVolBar", "SysMusStartVolPane", 1, "music start volume"},
        {7, "SysMusMaxVolBar", "SysMusMaxVolPane", 2, "music maximum volume"},
        {8, "SysMicStartVolBar", "SysMicStartVolPane", 1, "microphone start volume"},
        {9, "SysMicMaxVolBar", "SysMicMaxVolPane", 2, "microphone maximum volume"},
        {10, "SysEffStartVolBar", "SysEffStartVolPane", 1, "effect start volume"},
        {11, "SysEffMaxVolBar", "SysEffMaxVolPane", 2, "effect maximum volume"},
        {32, "SysMusNormalVolBar", "SysMusNormalVolPane", 0, "music volume"},
        {33, "SysMicNormalVolBar", "SysMicNormalVolPane", 0, "microphone volume"},
        {34, "SysEffNormalVolBar", "SysEffNormalVolPane", 0, "effect volume"},
    };
    auto addVol = [&](const Vol& v) {
        b.Slider(10, v.index, v.bar, v.pane, "", 0, 84, v.name);
        b.rows.back().volumeLink = v.link;
    };
    for (int i = 0; i < 6; ++i)
        addVol(vols[i]);
    b.Button(10, 12, "SysUserBtn", BK::Choice, "system user/manager mode");
    b.Button(10, 13, "SysPanelBtn1", BK::Choice, "automatic panel lock");
    b.Button(10, 14, "SysInput", BK::Choice, "music input selection", "SysInput");
    b.Button(10, 17, "SysRemoteBtn1", BK::Choice, "remote control");
    for (int i = 6; i < 9; ++i)
        addVol(vols[i]);
}

std::vector<ParamBinding> BuildCatalogue(Builder& b) {
    MusicPage(b);
    MicPage(b);
    DynEqPage(b);
    EchoPage(b);
    ReverbPage(b);
    OutputPage(b,
               {6, "Main", "main output", "MainHPTypeBox", "MainHPFreUpDownBtn", "MainHPQUpDownBtn",
                "MainLPTypeBox", "MainMusLPFreUpDownBtn", "MainLPQUpDownBtn"});
    OutputPage(
        b, {7, "Sub", "aux output", "SubMusHPType", "SubHPFreUpDownBtn", "SubMusHPuserQUpDownBtn",
            "SubMusLPType", "SubLPFreUpDownBtn", "SubMusLPuserQUpDownBtn"});
    SystemPage(b);
    std::vector<ParamBinding> rows = b.rows;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ParamBinding& x, const ParamBinding& y) { return x.id < y.id; });
    return rows;
}

struct Store {
    Builder builder;
    std::vector<ParamBinding> rows;
    Store() : rows(BuildCatalogue(builder)) {}
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

std::span<const ParamBinding> Catalogue() {
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
