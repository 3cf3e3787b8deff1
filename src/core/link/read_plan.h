// Reads of part of the memory: a read or reload that asks only the steps a command
// needs (the pages of the parameters it shows or writes, a few system items), in
// the order it lists them, instead of the whole memory. Off unless asked for.
#pragma once

#include <vector>

namespace kdsp {

inline constexpr int ModeNameStep = 18;  // the read step that asks for the nine mode names
inline constexpr int IdentityStep = 27;  // the read step that asks for the device identity

struct ReadPlan {
    // Steps of the read (0..9 pages, 10..29 system items, 18 the mode names), asked in
    // this order; page 0 always comes first, since it holds the operating mode that
    // tells which copy of a parameter is in use. Empty: the whole read.
    std::vector<int> steps;
    // The name step asks only for the name of the stored mode in use (0x0A02, which
    // must come earlier in `steps`) instead of all nine.
    bool storedModeNameOnly = false;

    bool Whole() const { return steps.empty(); }
    // Adds a step once (keeps the order of first mention).
    void Add(int step);
};

// The read steps that bring the device slot (page, slot) in; empty for a slot no
// read step asks for. The stored mode (page 10, slot 2) brings the mode names too.
std::vector<int> ReadStepsFor(int page, int slot);

// The item a system read step asks for (steps 10..29), -1 for the page steps.
int ReadStepItem(int step);

}  // namespace kdsp
