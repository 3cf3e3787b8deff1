// Every word the processor stores, by a stable dotted name: one name per stored
// copy of a parameter, built from the parameter facts and the storage rules.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"
#include "core/model/param_facts.h"

namespace kdsp {

struct NamedParam {
    std::string name;  // "main.lowpass.frequency", "music.dance.band3.gain"
    int page = 0;
    int slot = 0;    // the device-image slot: what page reads and preset files hold
    int index = -1;  // the index a write addresses on `page`; -1 where no index reaches the slot
    // -1: the same slot in both operating modes; 0 or 1: the sing or dance copy,
    // which a single write reaches only while the processor is in that mode.
    int mode = -1;
    // The parameter (shared by every copy); nullptr for a slot without a known use.
    const ParamFact* fact = nullptr;
    int kind = -1;  // ValueKind, -1 for none
    int min = 0;
    int max = 0xFFFF;
    std::string_view unit;  // "Hz", "dB", "ms" or ""
    std::span<const char* const>
        words;                      // value words in value order, when chosen rather than measured
    const char* caption = nullptr;  // what the parameter is called where it is edited, UTF-8
    // Sent the way the window sends it: EQ band parameters go as whole-band frames.
    bool bandParam = false;

    bool Reserved() const { return fact == nullptr; }
    bool HasId() const { return index >= 0; }
    ParamId Id() const { return MakeId(page, index < 0 ? 0 : index); }
};

// Every named slot: the slots a preset file holds, page by page, slot by slot.
std::span<const NamedParam> NamedParams();

// Exact name, letter case ignored; an EQ band also with or without "eq." before
// "bandN" ("music.eq.band3.gain", "echo.band1.gain"); nullptr for none.
const NamedParam* FindParam(std::string_view name);
const NamedParam* FindParamAt(int page, int slot);
// The copy a single write of `id` reaches while the processor is in `mode`.
const NamedParam* FindParamForId(ParamId id, int mode);

// Names matching a pattern with "*" and "?" (letter case ignored), in catalogue order.
std::vector<const NamedParam*> MatchParams(std::string_view pattern);
bool IsPattern(std::string_view text);

// Up to `count` names closest to a mistyped one, closest first.
std::vector<std::string> ClosestNames(std::string_view name, std::size_t count = 3);

}  // namespace kdsp
