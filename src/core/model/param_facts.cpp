// Every parameter a person edits. The repeated band strips and dynamic-EQ groups
// are generated; single parameters are listed once each.
#include "core/model/param_facts.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"

namespace kdsp {
namespace {

constexpr const char* BandTypeWords[] = {"PEQ", "LSEQ", "HSEQ"};
constexpr const char* DynamicsWords[] = {"Off", "Below", "Above"};
constexpr const char* CrossoverWords[] = {"Besell 24dB", "Butterworth 24dB", "Link Riley 24dB",
                                          "USER 12dB", "USER 24dB"};
constexpr const char* SwitchWords[] = {"off", "on"};
constexpr const char* AutoManualWords[] = {"auto", "manual"};
constexpr const char* SingDanceWords[] = {"sing", "dance"};
constexpr const char* SpeedWords[] = {"fast", "mid", "slow"};
constexpr const char* EchoModeWords[] = {"mono", "stereo"};
constexpr const char* ToneWords[] = {"standard", "bass_boost"};
constexpr const char* InputLevelWords[] = {"0dB", "3dB", "6dB"};
constexpr const char* UserModeWords[] = {"user", "manager"};
constexpr const char* InputWords[] = {"input1", "input2", "input3"};

class FactRows {
  public:
    std::vector<ParamFact> rows;

    // Generated names need a home that never moves: a deque keeps its elements put.
    ParamFact& Add(int page, int index, std::string name, int kind, const char* caption,
                   std::span<const char* const> words = {}) {
        names_.push_back(std::move(name));
        ParamFact f{};
        f.id = MakeId(page, index);
        f.name = names_.back().c_str();
        f.valueKind = kind;
        f.words = words;
        f.caption = caption;
        rows.push_back(f);
        return rows.back();
    }
    ParamFact& Switch(int page, int index, std::string name, const char* caption) {
        return Add(page, index, std::move(name), -1, caption, SwitchWords);
    }

    // Five parameters of one EQ band: type, frequency, gain, peaking Q, shelving Q.
    // `n` is the band number shown in the names and `group` what comes before the
    // band in them ("" or "eq.").
    void Band(int page, int base, int n, const std::string& group, bool hidden) {
        const std::string what = group + "band" + std::to_string(n);
        Add(page, base, what + ".type", 1, "类型", BandTypeWords);
        Add(page, base + 1, what + ".frequency", 2, "频率");
        Add(page, base + 2, what + ".gain", 3, "增益");
        // One Q edit serves both Q slots; the change path picks the slot that
        // matches the band type: "q" is the peaking band's, "shelf_q" the shelving band's.
        Add(page, base + 3, what + ".q", 4, "Q值");
        Add(page, base + 4, what + ".shelf_q", 4, "Q值");
        for (int k = 0; k < 5; ++k)
            rows[rows.size() - 5 + k].hidden = hidden;
    }

  private:
    std::deque<std::string> names_;
};

void MusicPage(FactRows& b) {
    b.Add(0, 0, "control", -1, "自动/手动", AutoManualWords);
    b.Add(0, 1, "mode", -1, "唱歌/舞蹈", SingDanceWords);
    b.Switch(0, 3, "eq.bypass", "EQ pass");
    for (int n = 1; n <= PageBandCount[PageMusic]; ++n)
        b.Band(0, FirstEqIndex[PageMusic] + 5 * (n - 1), n, "", false);
}

void MicPage(FactRows& b) {
    b.Add(1, 0, "highpass.frequency", 6, "低切频率");
    b.Add(1, 2, "feedback", 21, "反馈抑制");
    b.Add(1, 3, "noise_gate", 22, "噪声门限");
    for (int n = 1; n <= PageBandCount[PageMic]; ++n)
        b.Band(1, FirstEqIndex[PageMic] + 5 * (n - 1), n, "", false);
}

void DynEqPage(FactRows& b) {
    for (int g = 1; g <= 3; ++g) {
        const int base = 12 * (g - 1);
        const std::string what = "band" + std::to_string(g) + ".";
        b.Switch(2, base + 1, what + "bypass", "EQ pass");
        b.Band(2, base + 2, g, "", false);
        b.Add(2, base + 7, what + "dynamics", 1, "动态", DynamicsWords);
        b.Add(2, base + 8, what + "attack", 17, "启动时间");
        b.Add(2, base + 9, what + "release", 16, "释放时间");
        b.Add(2, base + 10, what + "threshold", 20, "门限电平");
        b.Add(2, base + 11, what + "ratio", 15, "压缩比");
        b.Add(2, base + 12, what + "speed", -1, "响应", SpeedWords);
    }
}

void EchoPage(FactRows& b) {
    b.Switch(4, 0, "effect.phase", nullptr);
    b.Add(4, 1, "effect.level", 8, "效果电平");
    b.Switch(4, 2, "direct.phase", nullptr);
    b.Add(4, 3, "direct.level", 8, "直达电平");
    b.Add(4, 4, "highpass.frequency", 13, "低切频率");
    b.Add(4, 5, "lowpass.frequency", 7, "高切频率");
    b.Add(4, 6, "predelay", 11, "预延时");
    b.Add(4, 7, "time", 11, "延时时间");
    b.Add(4, 8, "repeat", 8, "反馈次数");
    b.Add(4, 9, "reverb.time", 10, "混响时间");
    b.Add(4, 10, "reverb.predelay", 8, "混响预延");
    b.Add(4, 11, "mode", -1, "回声模式", EchoModeWords);
    // These bands are also the reverb EQ (the effect EQ selector).
    for (int n = 1; n <= PageBandCount[PageEcho]; ++n)
        b.Band(4, FirstEqIndex[PageEcho] + 5 * (n - 1), n, "eq.", false);
}

void ReverbPage(FactRows& b) {
    b.Switch(5, 0, "effect.phase", nullptr);
    b.Add(5, 1, "effect.level", 8, "效果电平");
    b.Switch(5, 2, "direct.phase", nullptr);
    b.Add(5, 3, "direct.level", 8, "直达电平");
    b.Add(5, 4, "time", 12, "混响时间");
    b.Add(5, 5, "predelay", 11, "预延时");
    b.Add(5, 6, "highpass.frequency", 13, "低切频率");
    b.Add(5, 7, "lowpass.frequency", 7, "高切频率");
    b.Switch(5, 8, "music.phase", nullptr);
    b.Add(5, 9, "music.level", 8, "音乐电平");
    b.Add(5, 10, "music.highpass.frequency", 13, "音乐低切");
    b.Add(5, 11, "music.lowpass.frequency", 7, "音乐高切");
    b.Add(5, 12, "treble_decay", 22, "高音衰减");
    b.Add(5, 13, "bass_decay", 22, "低音衰减");
}

// The main output (page 6) and the auxiliary outputs (page 7).
void OutputPage(FactRows& b, int page) {
    const char* sources[4] = {"music", "mic", "echo", "reverb"};
    const char* captions[4] = {"音乐", "话筒", "回声", "混响"};
    for (int s = 0; s < 4; ++s) {
        const std::string what = std::string("mix.") + sources[s];
        b.Add(page, 4 * s, what + ".level", 9, captions[s]);
        b.Switch(page, 4 * s + 2, what + ".phase", nullptr);
    }
    b.Add(page, 16, "highpass.type", -1, "高通类型", CrossoverWords);
    b.Add(page, 17, "highpass.frequency", 6, "高通频率");
    b.Add(page, 18, "highpass.q", 19, "高通Q值");
    b.Add(page, 19, "lowpass.type", -1, "低通类型", CrossoverWords);
    b.Add(page, 20, "lowpass.frequency", 5, "低通频率");
    b.Add(page, 21, "lowpass.q", 19, "低通Q值");
    b.Add(page, 22, "compressor.attack", 17, "启动时间");
    b.Add(page, 23, "compressor.release", 16, "释放时间");
    b.Add(page, 24, "compressor.threshold", 20, "门限电平");
    b.Add(page, 25, "compressor.ratio", 15, "压缩比");
    b.Add(page, 26, "compressor.speed", -1, "响应", SpeedWords);
    if (page == PageMain) {
        b.Add(6, 27, "delay.left", 18, "左延时");
        b.Add(6, 28, "delay.right", 18, "右延时");
        b.Switch(6, 29, "mute.left", "左通道静音");
        b.Switch(6, 30, "mute.right", "右通道静音");
        b.Add(6, 31, "tone", -1, "音色", ToneWords);
    } else {
        b.Add(7, 27, "delay", 18, "延时");
        b.Switch(7, 28, "mute", "静 音");
    }
    // Eight band groups; the eighth exists but is never shown.
    for (int n = 1; n <= 8; ++n)
        b.Band(page, FirstEqIndex[static_cast<std::size_t>(page)] + 5 * (n - 1), n, "", n == 8);
}

void SystemPage(FactRows& b) {
    // The stored modes' numbers; the items a person picks are the modes' names.
    b.Add(10, 2, "stored_mode", -1, "当前模式").max = StoredModeCount - 1;
    b.Add(10, 3, "input.level", -1, "输入电平", InputLevelWords);
    // The volumes are stored as they are, up to 84.
    auto volume = [&b](int index, const char* name, const char* caption) {
        b.Add(10, index, name, 0, caption).max = 84;
    };
    volume(6, "volume.music.start", "音乐开机音量");
    volume(7, "volume.music.max", "音乐最大音量");
    volume(8, "volume.mic.start", "话筒开机音量");
    volume(9, "volume.mic.max", "话筒最大音量");
    volume(10, "volume.effect.start", "效果开机音量");
    volume(11, "volume.effect.max", "效果最大音量");
    b.Add(10, 12, "user_mode", -1, "用户模式", UserModeWords);
    b.Add(10, 13, "panel_lock", -1, "面板自动锁", SwitchWords);
    b.Add(10, 14, "input.select", -1, "输入选择", InputWords);
    b.Add(10, 17, "remote", -1, "红外遥控", SwitchWords);
    volume(32, "volume.music", nullptr);
    volume(33, "volume.mic", nullptr);
    volume(34, "volume.effect", nullptr);
}

struct Store {
    FactRows rows;
    Store() {
        MusicPage(rows);
        MicPage(rows);
        DynEqPage(rows);
        EchoPage(rows);
        ReverbPage(rows);
        OutputPage(rows, PageMain);
        OutputPage(rows, PageAux1);
        SystemPage(rows);
        std::stable_sort(rows.rows.begin(), rows.rows.end(),
                         [](const ParamFact& x, const ParamFact& y) { return x.id < y.id; });
    }
};

const Store& TheStore() {
    static const Store store;
    return store;
}

}  // namespace

std::span<const ParamFact> ParamFacts() {
    return TheStore().rows.rows;
}

const ParamFact* FindFact(ParamId id) {
    const auto& rows = TheStore().rows.rows;
    const auto it = std::lower_bound(rows.begin(), rows.end(), id,
                                     [](const ParamFact& f, ParamId v) { return f.id < v; });
    return it != rows.end() && it->id == id ? &*it : nullptr;
}

int FactMax(const ParamFact& f) {
    if (!f.words.empty())
        return static_cast<int>(f.words.size()) - 1;
    if (const KindRange k = ValueKindRange(f.valueKind); k.hasRange)
        return k.max;
    return f.max;
}

}  // namespace kdsp
