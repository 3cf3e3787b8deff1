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

    ParamBinding& Add(int page, int index, std::string name, const char* caption = nullptr) {
        ParamBinding b{};
        b.id = MakeId(page, index);
        b.editorClass = CC::None;
        b.paneClass = CC::None;
        b.typeClass = CC::None;
        b.valueKind = -1;
        b.button = BK::None;
        b.sliderMax = -1;
        b.name = Keep(std::move(name));
        b.caption = caption;
        rows.push_back(b);
        return rows.back();
    }

    // A slider with its value pane and, when it has one, its spin buttons.
    void Slider(int page, int index, const std::string& bar, const std::string& pane,
                const std::string& spin, int kind, int max, std::string name, const char* caption) {
        ParamBinding& b = Add(page, index, std::move(name), caption);
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
                const char* caption, const std::string& paneButton = {}) {
        ParamBinding& b = Add(page, index, std::move(name), caption);
        b.editor = Keep(control);
        b.editorClass = CC::Button;
        b.button = kind;
        if (!paneButton.empty()) {
            b.pane = Keep(paneButton);
            b.paneClass = CC::Button;
        }
    }

    void Combo(int page, int index, const std::string& control, std::span<const char* const> items,
               int kind, std::string name, const char* caption) {
        ParamBinding& b = Add(page, index, std::move(name), caption);
        b.editor = Keep(control);
        b.editorClass = CC::Combo;
        b.valueKind = kind;
        b.items = items;
    }

    // Five parameters of one EQ band: type, frequency, gain, peaking Q, shelving Q.
    // `pre` is the control prefix, `spinPre` that of the spins (the microphone
    // spins are spelled "MIc"), `n` the band number shown in the names and
    // `group` what comes before the band in them ("" or "eq.").
    void Band(int page, int base, const std::string& pre, const std::string& spinPre,
              const std::array<const char*, 3>& types, const std::string& gainBar, int n,
              const std::string& group, bool hidden) {
        const std::string num = std::to_string(n);
        const std::string what = group + "band" + num;

        Combo(page, base, pre + "ModeBox" + num, BandTypeItems, 1, what + ".type", "类型");
        ParamBinding& type = rows.back();
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = Keep(pre + types[k] + num);
        type.typeClass = CC::Picture;

        ParamBinding& fre = Add(page, base + 1, what + ".frequency", "频率");
        fre.editor = Keep(pre + "FreEdit" + num);
        fre.editorClass = CC::Edit;
        fre.spin = Keep(spinPre + "FreUpDownBtn" + num);
        fre.valueKind = 2;

        ParamBinding& gain = Add(page, base + 2, what + ".gain", "增益");
        gain.editor = Keep(pre + "GainEdit" + num);
        gain.editorClass = CC::Edit;
        gain.spin = Keep(spinPre + "GainUpDownBtn" + num);
        gain.typeControls[0] = Keep(gainBar + num);
        gain.typeClass = CC::Slider;
        gain.valueKind = 3;
        gain.sliderMax = 180;

        // One Q edit serves both Q slots; the change path picks the slot that
        // matches the band type: "q" is the peaking band's, "shelf_q" the shelving band's.
        for (int k = 3; k <= 4; ++k) {
            ParamBinding& q = Add(page, base + k, what + (k == 3 ? ".q" : ".shelf_q"), "Q值");
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
    b.Button(0, 0, "AutoModeBtn", BK::AutoManual, "control", "自动/手动", "ManulModeBtn");
    b.Button(0, 1, "DiscoModeBtn", BK::SingDance, "mode", "唱歌/舞蹈", "SingModeBtn");
    b.Button(0, 3, "MusEQAllpassBtn", BK::Bypass, "eq.bypass", "EQ pass");
    for (int n = 1; n <= PageBandCount[PageMusic]; ++n)
        b.Band(0, FirstEqIndex[PageMusic] + 5 * (n - 1), "Mus", "Mus", ShelfPics, "MusEQGainBar", n,
               "", false);
}

void MicPage(Builder& b) {
    b.Slider(1, 0, "MicHPFreBar", "MicHPFrePane", "MicHPFreUpDownBtn", 6, 143, "highpass.frequency",
             "低切频率");
    b.Slider(1, 2, "MicFBEBar", "MicFBEPane", "MicFBEUpDownBtn", 21, 143, "feedback", "反馈抑制");
    b.Slider(1, 3, "MicNoiseBar", "MicNoisePane", "MicNoiseUpDownBtn", 22, 143, "noise_gate",
             "噪声门限");
    for (int n = 1; n <= PageBandCount[PageMic]; ++n)
        b.Band(1, FirstEqIndex[PageMic] + 5 * (n - 1), "Mic", "MIc", ShelfPics, "MicEQGainBar", n,
               "", false);
}

void DynEqPage(Builder& b) {
    for (int g = 1; g <= 3; ++g) {
        const int base = 12 * (g - 1);
        const std::string num = std::to_string(g);
        const std::string what = "band" + num + ".";
        b.Button(2, base + 1, "DEQALLPASSBtn" + num, BK::Bypass, what + "bypass", "EQ pass");
        // Its gain slider is DEQGainBar1, without the "EQ" of the other strips.
        b.Band(2, base + 2, "DEQ", "DEQ", DynEqPics, "DEQGainBar", g, "", false);
        b.Combo(2, base + 7, "DEQTypeBox" + num, DynEqTypeItems, 1, what + "dynamics", "动态");
        ParamBinding& type = b.rows.back();
        const char* pics[3] = {"DEQTYpeOffBtn", "DEQTYpeBelowBtn", "DEQTYpeAboveBtn"};
        for (int k = 0; k < 3; ++k)
            type.typeControls[k] = b.Keep(pics[k] + num);
        type.typeClass = CC::Picture;
        b.Slider(2, base + 8, "DEQRmsAttackBar" + num, "DEQRmsAttackPane" + num, "", 17, 15,
                 what + "attack", "启动时间");
        b.Slider(2, base + 9, "DEQRmsReleaseBar" + num, "DEQRmsReleasePane" + num, "", 16, 7,
                 what + "release", "释放时间");
        b.Slider(2, base + 10, "DEQRmsLevelBar" + num, "DEQRmsLevelPane" + num, "", 20, 50,
                 what + "threshold", "门限电平");
        b.Slider(2, base + 11, "DEQRmsRatioBar" + num, "DEQRmsRatioPane" + num, "", 15, 40,
                 what + "ratio", "压缩比");
        b.Button(2, base + 12, "DEQModeFastBtn" + num, BK::Choice, what + "speed", "响应");
    }
}

void EchoPage(Builder& b) {
    b.Button(4, 0, "EchoEffPhaseBtn", BK::Phase, "effect.phase", nullptr);
    b.Slider(4, 1, "EchoEffLevelBar", "EchoEffLevelPane", "", 8, 100, "effect.level", "效果电平");
    b.Button(4, 2, "EchoDirectPhaseBtn", BK::Phase, "direct.phase", nullptr);
    b.Slider(4, 3, "EchoDirectLevelBar", "EchoDirectLevelPane", "", 8, 100, "direct.level",
             "直达电平");
    b.Slider(4, 4, "EchoHPFreBar", "EchoHPFrePane", "EchoHPFreUpDownBtn", 13, 205,
             "highpass.frequency", "低切频率");
    b.Slider(4, 5, "EchoLPFreBar", "EchoLPFrePane", "EchoLPFreUpDownBtn", 7, 64,
             "lowpass.frequency", "高切频率");
    b.Slider(4, 6, "EchoPreDelayBar", "EchoPreDelayPane", "", 11, 125, "predelay", "预延时");
    b.Slider(4, 7, "EchoTimeBar", "EchoTimePane", "", 11, 250, "time", "延时时间");
    b.Slider(4, 8, "EchoRepeatBar", "EchoRepeatPane", "", 8, 90, "repeat", "反馈次数");
    b.Slider(4, 9, "EchoRTimeBar", "EchoRTimePane", "", 10, 100, "reverb.time", "混响时间");
    b.Slider(4, 10, "EchoRPreDelayBar", "EchoRPreDelayPane", "", 8, 50, "reverb.predelay",
             "混响预延");
    b.Button(4, 11, "EchoModeBtn1", BK::Choice, "mode", "回声模式");
    // These band controls also edit the reverb EQ (the effect EQ selector).
    for (int n = 1; n <= PageBandCount[PageEcho]; ++n)
        b.Band(4, FirstEqIndex[PageEcho] + 5 * (n - 1), "Echo", "Echo", ShelfPics, "EchoEQGainBar",
               n, "eq.", false);
}

void ReverbPage(Builder& b) {
    b.Button(5, 0, "RvbEffPhaseBtn", BK::Phase, "effect.phase", nullptr);
    b.Slider(5, 1, "RvbEffLevelBar", "RvbEffLevelPane", "", 8, 100, "effect.level", "效果电平");
    b.Button(5, 2, "RvbDirectPhaseBtn", BK::Phase, "direct.phase", nullptr, "RvbDirectPhaseBtn");
    b.Slider(5, 3, "RvbDirectLevelBar", "RvbDirectLevelPane", "", 8, 100, "direct.level",
             "直达电平");
    b.Slider(5, 4, "RvbTimeBar", "RvbTimePane", "", 12, 80, "time", "混响时间");
    b.Slider(5, 5, "RvbPreDelayBar", "RvbPreDelayPane", "", 11, 100, "predelay", "预延时");
    b.Slider(5, 6, "RvbHPFreBar", "RvbHPFrePane", "RvbHPFreUpDownBtn", 13, 205,
             "highpass.frequency", "低切频率");
    b.Slider(5, 7, "RvbLPFreBar", "RvbLPFrePane", "RvbLPFreUpDownBtn", 7, 64, "lowpass.frequency",
             "高切频率");
    b.Button(5, 8, "RvbMusicPhaseBtn", BK::Phase, "music.phase", nullptr);
    b.Slider(5, 9, "RvbMusicBar", "RvbMusicPane", "", 8, 100, "music.level", "音乐电平");
    b.Slider(5, 10, "RvbMusHPFreBar", "RvbMusHPFrePane", "", 13, 205, "music.highpass.frequency",
             "音乐低切");
    b.Slider(5, 11, "RvbMusLPFreBar", "RvbMusLPFrePane", "", 7, 64, "music.lowpass.frequency",
             "音乐高切");
    // The decay sliders have no maximum of their own; their kind clamps them to 10.
    b.Slider(5, 12, "RvbMusTreDecayBar", "RvbMusTreDecayPane", "", 22, -1, "treble_decay",
             "高音衰减");
    b.Slider(5, 13, "RvbMusBassDecayBar", "RvbMusBassDecayPane", "", 22, -1, "bass_decay",
             "低音衰减");
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

void OutputPage(Builder& b, const OutputNames& o) {
    const std::string pre = o.pre;
    const char* sources[4] = {"Mus", "Mic", "Echo", "Rvb"};
    const char* sourceNames[4] = {"music", "mic", "echo", "reverb"};
    const char* sourceCaptions[4] = {"音乐", "话筒", "回声", "混响"};
    for (int s = 0; s < 4; ++s) {
        const std::string src = sources[s];
        const std::string what = std::string("mix.") + sourceNames[s];
        b.Slider(o.page, 4 * s, pre + src + "LevelBar", pre + src + "LevelPane", "", 9, 100,
                 what + ".level", sourceCaptions[s]);
        b.Button(o.page, 4 * s + 2, pre + src + "PhaseBtn", BK::Phase, what + ".phase", nullptr);
    }
    b.Combo(o.page, 16, o.hpType, CrossoverItems, -1, "highpass.type", "高通类型");
    b.Slider(o.page, 17, pre + "MusHPFreBar", pre + "MusHPFrePane", o.hpFreSpin, 6, 362,
             "highpass.frequency", "高通频率");
    b.Slider(o.page, 18, pre + "MusHPQBar", pre + "MusHPQPane", o.hpQSpin, 19, 23, "highpass.q",
             "高通Q值");
    b.Combo(o.page, 19, o.lpType, CrossoverItems, -1, "lowpass.type", "低通类型");
    b.Slider(o.page, 20, pre + "MusLPFreBar", pre + "MusLPFrePane", o.lpFreSpin, 5, 362,
             "lowpass.frequency", "低通频率");
    b.Slider(o.page, 21, pre + "MusLPQBar", pre + "MusLPQPane", o.lpQSpin, 19, 23, "lowpass.q",
             "低通Q值");
    b.Slider(o.page, 22, pre + "RmsAttackBar", pre + "RmsAttackPane", "", 17, 15,
             "compressor.attack", "启动时间");
    b.Slider(o.page, 23, pre + "RmsReleaseBar", pre + "RmsReleasePane", "", 16, 7,
             "compressor.release", "释放时间");
    b.Slider(o.page, 24, pre + "RmsLevelBar", pre + "RmsLevelPane", "", 20, 50,
             "compressor.threshold", "门限电平");
    b.Slider(o.page, 25, pre + "RmsRatioBar", pre + "RmsRatioPane", "", 15, 40, "compressor.ratio",
             "压缩比");
    b.Button(o.page, 26, pre + "ModeFastBtn1", BK::Choice, "compressor.speed", "响应");
    if (o.page == PageMain) {
        b.Slider(6, 27, "MainLdelayBar", "MainLdelayPane", "", 18, 500, "delay.left", "左延时");
        b.Slider(6, 28, "MainRdelayBar", "MainRdelayPane", "", 18, 500, "delay.right", "右延时");
        b.Button(6, 29, "MainLmuteBtn", BK::Toggle, "mute.left", "左通道静音");
        b.Button(6, 30, "MainRmuteBtn", BK::Toggle, "mute.right", "右通道静音");
        b.Button(6, 31, "MAINToneBtn1", BK::Choice, "tone", "音色");
    } else {
        b.Slider(7, 27, "SubdelayBar", "SubdelayPane", "", 18, 500, "delay", "延时");
        b.Button(7, 28, "SubmuteBtn", BK::Toggle, "mute", "静 音");
    }
    // Eight band groups; the eighth exists but is never shown.
    for (int n = 1; n <= 8; ++n)
        b.Band(o.page, FirstEqIndex[o.page] + 5 * (n - 1), pre, pre, ShelfPics, pre + "EQGainBar",
               n, "", n == 8);
}

void SystemPage(Builder& b) {
    b.Combo(10, 2, "SysModeBox", {}, -1, "stored_mode", "当前模式");
    b.Button(10, 3, "SysMusInputLevel", BK::Choice, "input.level", "输入电平", "SysMusInputLevel");
    // Start / maximum / normal volume trios; the slider hint says which (1, 2, 0).
    struct Vol {
        int index;
        const char* bar;
        const char* pane;
        int link;
        const char* name;
        const char* caption;
    };
    const Vol vols[] = {
        {6, "SysMusStartVolBar", "SysMusStartVolPane", 1, "volume.music.start", "音乐开机音量"},
        {7, "SysMusMaxVolBar", "SysMusMaxVolPane", 2, "volume.music.max", "音乐最大音量"},
        {8, "SysMicStartVolBar", "SysMicStartVolPane", 1, "volume.mic.start", "话筒开机音量"},
        {9, "SysMicMaxVolBar", "SysMicMaxVolPane", 2, "volume.mic.max", "话筒最大音量"},
        {10, "SysEffStartVolBar", "SysEffStartVolPane", 1, "volume.effect.start", "效果开机音量"},
        {11, "SysEffMaxVolBar", "SysEffMaxVolPane", 2, "volume.effect.max", "效果最大音量"},
        {32, "SysMusNormalVolBar", "SysMusNormalVolPane", 0, "volume.music", nullptr},
        {33, "SysMicNormalVolBar", "SysMicNormalVolPane", 0, "volume.mic", nullptr},
        {34, "SysEffNormalVolBar", "SysEffNormalVolPane", 0, "volume.effect", nullptr},
    };
    auto addVol = [&](const Vol& v) {
        b.Slider(10, v.index, v.bar, v.pane, "", 0, 84, v.name, v.caption);
        b.rows.back().volumeLink = v.link;
    };
    for (int i = 0; i < 6; ++i)
        addVol(vols[i]);
    b.Button(10, 12, "SysUserBtn", BK::Choice, "user_mode", "用户模式");
    b.Button(10, 13, "SysPanelBtn1", BK::Choice, "panel_lock", "面板自动锁");
    b.Button(10, 14, "SysInput", BK::Choice, "input.select", "输入选择", "SysInput");
    b.Button(10, 17, "SysRemoteBtn1", BK::Choice, "remote", "红外遥控");
    for (int i = 6; i < 9; ++i)
        addVol(vols[i]);
}

std::vector<ParamBinding> BuildCatalogue(Builder& b) {
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
    Builder builder;
    std::vector<ParamBinding> rows;
    Store() : rows(BuildCatalogue(builder)) {}
};

const Store& TheStore() {
    static const Store store;
    return store;
}

constexpr ChoiceGroupDef ChoiceGroupTable[] = {
    {0x020C, {"DEQModeFastBtn1", "DEQModeMidBtn1", "DEQModeSlowBtn1"}, 3, {"fast", "mid", "slow"}},
    {0x0218, {"DEQModeFastBtn2", "DEQModeMidBtn2", "DEQModeSlowBtn2"}, 3, {"fast", "mid", "slow"}},
    {0x0224, {"DEQModeFastBtn3", "DEQModeMidBtn3", "DEQModeSlowBtn3"}, 3, {"fast", "mid", "slow"}},
    {0x040B, {"EchoModeBtn1", "EchoModeBtn2", nullptr}, 2, {"mono", "stereo", nullptr}},
    {0x061A,
     {"MainModeFastBtn1", "MainModeMidBtn1", "MainModeSlowBtn1"},
     3,
     {"fast", "mid", "slow"}},
    {0x061F, {"MAINToneBtn1", "MAINToneBtn2", nullptr}, 2, {"standard", "bass_boost", nullptr}},
    {0x071A, {"SubModeFastBtn1", "SubModeMidBtn1", "SubModeSlowBtn1"}, 3, {"fast", "mid", "slow"}},
    {0x0A03,
     {"SysMusInputLevel", "SysMusInputLevel2", "SysMusInputLevel3"},
     3,
     {"0dB", "3dB", "6dB"}},
    {0x0A0C, {"SysUserBtn", "SysManagerBtn", nullptr}, 2, {"user", "manager", nullptr}},
    {0x0A0D, {"SysPanelBtn1", "SysPanelBtn2", nullptr}, 2, {"off", "on", nullptr}},
    {0x0A0E, {"SysInput", "SysInput2", "SysInput3"}, 3, {"input1", "input2", "input3"}},
    {0x0A11, {"SysRemoteBtn1", "SysRemoteBtn2", nullptr}, 2, {"off", "on", nullptr}},
};

constexpr const char* SwitchWords[] = {"off", "on"};
constexpr const char* AutoManualWords[] = {"auto", "manual"};
constexpr const char* SingDanceWords[] = {"sing", "dance"};

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

std::span<const char* const> ValueWords(const ParamBinding& b) {
    if (!b.items.empty())
        return b.items;
    switch (b.button) {
        case BK::Choice:
            if (const ChoiceGroupDef* g = FindChoiceGroup(b.id))
                return {g->words, static_cast<std::size_t>(g->count)};
            return {};
        case BK::Toggle:
        case BK::Phase:
        case BK::Bypass:
            return SwitchWords;
        case BK::AutoManual:
            return AutoManualWords;
        case BK::SingDance:
            return SingDanceWords;
        case BK::None:
            break;
    }
    return {};
}

}  // namespace kdsp
