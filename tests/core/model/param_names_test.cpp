// The catalogue by name and the parameter table: one name per stored copy, every
// control's id named, names and slots found both ways, and typed text read as the
// window reads it.
#include "core/model/param_names.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/param_table.h"
#include "core/model/param_text.h"
#include "core/preset/preset_file.h"

namespace kdsp {
namespace {

TEST(ParamNames, OneNamePerPresetSlotFoundBothWays) {
    std::set<std::string> names;
    std::set<std::pair<int, int>> slots;
    for (const NamedParam& p : NamedParams()) {
        EXPECT_TRUE(names.insert(p.name).second) << "name used twice: " << p.name;
        EXPECT_TRUE(slots.insert({p.page, p.slot}).second) << p.name << " shares its slot";
        EXPECT_EQ(FindParam(p.name), &p) << p.name;
        EXPECT_EQ(FindParamAt(p.page, p.slot), &p) << p.name;
        ASSERT_LE(p.slot, PresetSlotCounts[static_cast<std::size_t>(p.page)]) << p.name;
        for (const char c : p.name) {
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || std::isdigit(c) ||
                        c == '.' || c == '_')
                << p.name;
        }
        if (!p.HasId())
            continue;
        // The id a write uses reaches this very slot in the mode(s) the name stands for.
        for (int mode : {0, 1}) {
            if (p.mode < 0 || p.mode == mode) {
                EXPECT_EQ(FindParamForId(p.Id(), mode), &p) << p.name << " mode " << mode;
            }
        }
    }
    EXPECT_EQ(NamedParams().size(), static_cast<std::size_t>(PresetRecordCount))
        << "every record of a preset file has a name";
    // The table without views has the same rows, found the same ways, each with its copy.
    ASSERT_EQ(ParamTable().size(), NamedParams().size());
    for (const ParamSpec& s : ParamTable()) {
        EXPECT_EQ(FindSpec(s.Name()), &s) << s.Name();
        EXPECT_EQ(SpecAt(s.Page(), s.Slot()), &s) << s.Name();
        EXPECT_EQ(s.StoredCopy() == Copy::Dance, s.Name().find(".dance.") != std::string_view::npos) << s.Name();
    }
    EXPECT_EQ(FindParam("MAIN.LowPass.Frequency"), FindParam("main.lowpass.frequency"));
    EXPECT_EQ(FindParam("main.lowpass"), nullptr);
    EXPECT_EQ(FindParamAt(10, 40), nullptr);
    EXPECT_EQ(FindParamAt(11, 0), nullptr);
}

// Every id of a parameter, under every choice of shown variant and in both
// operating modes, stores into a slot named after that parameter.
TEST(ParamNames, EveryControlIdHasANamePerStoredCopy) {
    std::map<const ParamFact*, std::set<std::pair<int, int>>> reached;
    for (const ParamFact& b : ParamFacts()) {
        for (int micB : {0, 1})
            for (int main : {6, 9})
                for (int aux : {7, 8})
                    for (int effect : {4, 5})
                        for (int mode : {0, 1}) {
                            Model m;
                            m.MicBandMode = micB;
                            m.MainVariant = main;
                            m.AuxVariant = aux;
                            m.EffectEqVariant = effect;
                            m.ModeFlag = mode;
                            const ParamId s = StoreValue(m, b.id, 1);
                            const int slot = DeviceSlot(PageOf(s), IndexOf(s), mode);
                            const NamedParam* p = FindParamAt(PageOf(s), slot);
                            ASSERT_NE(p, nullptr) << b.name << " reaches an unnamed slot";
                            EXPECT_EQ(p->fact, &b) << b.name << " reaches " << p->name;
                            reached[&b].insert({PageOf(s), slot});
                        }
    }
    std::map<const ParamFact*, int> named;
    for (const NamedParam& p : NamedParams())
        if (p.fact)
            ++named[p.fact];
    for (const auto& [b, slots] : reached)
        EXPECT_EQ(named[b], static_cast<int>(slots.size()))
            << b->name << ": one name for each copy it stores, no more";

    // The toolbar's bypass serves the page shown; each page and copy has its own name.
    for (const char* bypass :
         {"music.eq.bypass", "music.dance.eq.bypass", "mic_a.eq.bypass", "mic_b.eq.bypass",
          "echo.eq.bypass", "reverb.eq.bypass", "main.eq.bypass", "rear.eq.bypass",
          "aux1.eq.bypass", "aux2.eq.bypass"}) {
        const NamedParam* p = FindParam(bypass);
        ASSERT_NE(p, nullptr) << bypass;
        EXPECT_EQ(p->index, FirstEqIndex[static_cast<std::size_t>(p->page)] - 1) << bypass;
        EXPECT_EQ(p->words.size(), 2u) << bypass;
    }
}

TEST(ParamNames, CopiesOfSharedControls) {
    struct Expect {
        const char* name;
        ParamId id;
        int slot;
        int mode;
    };
    const Expect cases[] = {
        {"main.lowpass.frequency", 0x0614, 20, -1},
        {"rear.lowpass.frequency", 0x0914, 20, -1},
        {"rear.delay.left", 0x091B, 27, -1},
        {"aux2.delay", 0x081B, 27, -1},
        {"mic_a.band2.gain", 0x010D, 13, -1},
        {"mic_b.band2.gain", 0x030D, 13, -1},
        {"mic.feedback", 0x0102, 2, -1},  // common to both microphone groups
        {"mic_b.highpass.frequency", 0x0300, 0, -1},
        {"echo.eq.band4.q", 0x0422, 34, -1},
        {"reverb.eq.band4.q", 0x0522, 34, -1},
        {"reverb.time", 0x0504, 4, -1},
        {"music.band3.frequency", 0x000F, 15, 0},
        {"music.dance.band3.frequency", 0x000F, 67, 1},
        {"music.mode", 0x0001, 1, -1},
        {"main.mix.music.level", 0x0600, 0, 0},
        {"main.dance.mix.music.level", 0x0600, 1, 1},
        {"rear.dance.mix.reverb.phase", 0x090E, 15, 1},
        {"main.highpass.type", 0x0610, 16, -1},
        {"deq.band2.dynamics", 0x0213, 19, -1},
        {"system.input.select", 0x0A0E, 14, -1},
        {"system.volume.music", 0x0A20, 32, -1},
    };
    for (const Expect& e : cases) {
        const NamedParam* p = FindParam(e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_EQ(p->Id(), e.id) << e.name;
        EXPECT_EQ(p->slot, e.slot) << e.name;
        EXPECT_EQ(p->mode, e.mode) << e.name;
        EXPECT_FALSE(p->Reserved()) << e.name;
    }
    EXPECT_TRUE(FindParam("music.band1.gain")->bandParam);
    EXPECT_FALSE(FindParam("deq.band1.dynamics")->bandParam) << "not a band field";
    EXPECT_FALSE(FindParam("main.highpass.frequency")->bandParam) << "a filter, sent alone";
    EXPECT_EQ(FindParam("music.band1.shelf_q")->max, 24);
    EXPECT_EQ(FindParam("music.band1.q")->max, 100);
    EXPECT_TRUE(FindParam("music.reserved.2")->Reserved());
    EXPECT_EQ(FindParam("music.copy.volume.music.start")->slot, 110);
    EXPECT_STREQ(FindParam("main.lowpass.frequency")->caption, "低通频率");

    EXPECT_EQ(MatchParams("rear.band*.gain").size(), 8u);
    EXPECT_EQ(MatchParams("*.dance.*").size(), 52u + 4 * 8u)
        << "the music page and the output mix of four pages";
    EXPECT_EQ(ClosestNames("main.lowpas.freq").at(0), "main.lowpass.frequency");
    EXPECT_EQ(ClosestNames("rear.delay").at(0), "rear.delay.left");
}

ParsedValue Typed(const char* name, const char* text) {
    const NamedParam* p = FindParam(name);
    EXPECT_NE(p, nullptr) << name;
    return p ? ParseParamValue(*p, text) : ParsedValue{};
}

TEST(ParamText, TypedTextAsTheWindowReadsIt) {
    struct Case {
        const char* name;
        const char* text;
        int value;
        bool clamped;
    };
    const Case cases[] = {
        {"main.lowpass.frequency", "1000Hz", 204, false},
        {"main.lowpass.frequency", "1000", 204, false},
        {"main.lowpass.frequency", " 1kHz ", 204, false},
        {"main.lowpass.frequency", "Off", 362, false},
        {"main.lowpass.frequency", "25000", 361, true},  // a number never means "Off"
        {"main.lowpass.frequency", "10", 0, true},
        {"main.highpass.frequency", "19.7Hz", 1, false},
        {"main.highpass.frequency", "off", 0, false},
        {"echo.lowpass.frequency", "20200", 63, false},
        {"echo.lowpass.frequency", "25000", 63, true},
        {"echo.lowpass.frequency", "1000", 0, true},
        {"echo.highpass.frequency", "2000", 205, true},
        {"music.band1.frequency", "20.2", 1, false},
        {"music.band1.frequency", "20300", 361, false},
        {"music.band1.gain", "-3.5dB", 102, false},  // halves go to the even step
        {"music.band1.gain", "3.35", 137, false},
        {"music.band1.gain", "-30", 0, true},
        {"music.band1.q", "1.05", 17, false},
        {"music.band1.q", "500", 100, true},
        {"music.band1.shelf_q", "2.0", 24, true},
        {"main.mix.music.level", "100", 50, false},
        {"reverb.time", "63", 1, false},
        {"main.delay.left", "12.5ms", 125, false},
        {"main.delay.left", "60", 500, true},
        {"main.compressor.threshold", "-36dB", 0, false},
        {"main.compressor.ratio", "4", 10, false},
        {"main.compressor.ratio", "50", 39, false},
        {"main.compressor.attack", "1ms", 2, false},
        {"mic.feedback", "2Hz", 1, false},
        {"mic.feedback", "1", 1, true},
        {"mic.noise_gate", "Off", 0, false},
        {"echo.mode", "Stereo", 1, false},
        {"echo.mode", "1", 1, false},
        {"main.lowpass.type", "link riley 24db", 2, false},
        {"deq.band1.dynamics", "above", 2, false},
        {"system.volume.music.max", "90", 84, true},
    };
    for (const Case& c : cases) {
        const ParsedValue v = Typed(c.name, c.text);
        ASSERT_TRUE(v.ok) << c.name << " " << c.text << ": " << v.error;
        EXPECT_EQ(v.value, c.value) << c.name << " " << c.text;
        EXPECT_EQ(v.clamped, c.clamped) << c.name << " " << c.text;
    }
    for (const auto& [name, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"main.lowpass.frequency", "3dB"},
             {"main.lowpass.frequency", "abc"},
             {"main.lowpass.frequency", ""},
             {"main.lowpass.frequency", "nan"},
             {"main.lowpass.frequency", "inf"},
             {"music.band1.gain", "3Hz"},
             {"echo.mode", "loud"},
             {"echo.mode", "0.5"},
             {"echo.time", "off"}}) {
        const ParsedValue v = Typed(name, text);
        EXPECT_FALSE(v.ok) << name << " " << text;
        EXPECT_FALSE(v.error.empty()) << name << " " << text;
    }
}

// What is shown reads back as the same stored value, for every value of every
// parameter: the by-name preset form depends on it.
TEST(ParamText, EveryShownValueReadsBack) {
    for (const NamedParam& p : NamedParams()) {
        if (p.Reserved())
            continue;  // plain numbers
        for (int v = p.min; v <= p.max; ++v) {
            const std::string shown = ShowParam(p, v);
            const ParsedValue back = ParseParamValue(p, shown);
            ASSERT_TRUE(back.ok) << p.name << " " << shown << ": " << back.error;
            ASSERT_EQ(back.value, v) << p.name << " shows " << shown;
            ASSERT_FALSE(back.clamped) << p.name << " " << shown;
        }
    }
    EXPECT_EQ(ShowParam(*FindParam("main.lowpass.frequency"), 204), "1000.0Hz");
    EXPECT_EQ(ShowParam(*FindParam("music.band1.frequency"), 204), "1000.0Hz");
    EXPECT_EQ(ShowParam(*FindParam("music.band1.gain"), 105), "-3.0dB");
    EXPECT_EQ(ShowParam(*FindParam("main.lowpass.frequency"), 362), "Off");
    EXPECT_EQ(ShowParam(*FindParam("echo.mode"), 7), "7") << "a value beyond the words";
}

}  // namespace
}  // namespace kdsp
