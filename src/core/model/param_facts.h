// The facts of every parameter a person edits, one row per id: its name below its
// page, value kind, value words and caption. No widget appears here: the window binds
// its controls to these rows by id (src/app/pages/control_bindings.h), and the
// catalogue by name (param_names.h) follows each id to the slots it stores into.
#pragma once

#include <span>

#include "core/model/model.h"

namespace kdsp {

struct ParamFact {
    ParamId id;
    // The parameter's name below its page ("band1.frequency", "lowpass.frequency");
    // the page part follows the stored copy (param_names.h).
    const char* name;
    int valueKind = -1;  // ValueKind; -1 for none
    // The top of the stored range of a parameter whose kind has none of its own
    // (the volumes, the stored mode); -1 where the kind or the words decide.
    int max = -1;
    // The words of the values in value order, for parameters chosen rather than
    // measured: band types, crossover types, the choices of a group, "off"/"on".
    std::span<const char* const> words{};
    bool hidden = false;            // exists but is never shown (eighth output band group)
    const char* caption = nullptr;  // what the parameter is called where it is edited (UTF-8)
};

// Every id a person edits, ascending. Placeholder slots are not listed.
std::span<const ParamFact> ParamFacts();
const ParamFact* FindFact(ParamId id);

// The top of the parameter's stored range (the bottom is 0): the last word, the
// kind's top, or its own; -1 for none.
int FactMax(const ParamFact& f);

}  // namespace kdsp
