// Every word the processor stores, as a front end without a window needs it: one
// row per stored copy with its write address, page, slot, copy, kind, range, step,
// unit, name and value words, and how its value reads and writes as text. No
// widget, caption or view selector appears here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/model/model.h"
#include "core/model/param_text.h"
#include "core/model/value_kinds.h"

namespace kdsp {

struct NamedParam;

// Which operating mode's copy a row is: the same word in both, or one of two.
enum class Copy { Shared, Sing, Dance };

class ParamSpec {
  public:
    explicit ParamSpec(const NamedParam& named);

    std::string_view Name() const;  // "echo.effect.level", "music.dance.band3.gain"
    int Page() const;
    int Slot() const;  // the device-image slot: what a page read and a preset file hold
    Copy StoredCopy() const { return copy_; }
    // The operating mode (0 sing, 1 dance) in which a write reaches this copy; -1
    // for a word shared by both modes.
    int Mode() const;
    // A write reaches the slot through this id; false for slots no id reaches.
    bool Writable() const;
    ParamId Id() const;
    // Reserved: a slot without a known use, which is never written by name.
    bool Reserved() const;
    // Sent as a whole-band frame (an EQ band's type, frequency, gain or Q).
    bool BandWord() const;

    std::optional<ValueKind> Kind() const { return kind_; }
    int Min() const;
    int Max() const;
    double Step() const;  // shown units per stored step; 0 where a table decides
    std::string_view Unit() const;
    std::span<const char* const> Words() const;  // value words, when chosen rather than measured

    // "1000.0Hz", "-3.0dB", "Off", "stereo", "42".
    std::string Show(int stored) const;
    // Typed text ("1k", "-3.5dB", "Off", "stereo") to a stored value inside the range.
    ParsedValue Parse(std::string_view text) const;
    // A stored value brought into the range.
    ParsedValue Clamp(long long stored) const;

    // The by-name row this one is made from (for code that still takes those).
    const NamedParam& Named() const { return *named_; }

  private:
    const NamedParam* named_;
    Copy copy_;
    std::optional<ValueKind> kind_;
};

// Every row, page by page, slot by slot (the order of a preset file).
std::span<const ParamSpec> ParamTable();
// Exact name, letter case ignored; nullptr for none.
const ParamSpec* FindSpec(std::string_view name);
const ParamSpec* SpecAt(int page, int slot);

}  // namespace kdsp
