// A filter list fitted onto one page's bands: every filter snapped to what the
// processor stores (frequency table, the band type's Q table, gain steps), and how
// closely the page then follows the list.
#pragma once

#include <string>
#include <vector>

#include "core/eq/filter_list.h"
#include "core/eq/page_eq.h"

namespace kdsp {

// How far the processor's response lies from the one the list asks for, on the
// graph's grid between 20 Hz and 20 kHz.
struct Deviation {
    double maxDb = 0;    // largest absolute difference
    double atHz = 0;     // where it is (the grid point's frequency)
    double meanDb = 0;   // mean absolute difference
};

struct EqFit {
    std::string error;  // refused: nothing is to be written
    PageEq before;      // the page as it was
    PageEq after;       // the page as it will be
    // File line each band was set from (0: set flat), and the crossovers' lines
    // (0: left as they were).
    std::vector<int> bandLines;
    int highPassLine = 0, lowPassLine = 0;
    std::vector<ListedFilter> dropped;  // left out by fitting, in file order
    std::vector<IgnoredLine> ignored;   // the list's, and filters this page cannot take
    std::optional<double> preampDb;     // reported; no page has a level in dB to apply it to
    Deviation deviation;

    bool Ok() const { return error.empty(); }
};

// Fits `list` onto the page `current` holds. More peaks and shelves than the page
// has bands (or a second high-pass or low-pass that is not the other section of a
// 24 dB crossover) are refused, unless `fit`: then the filters with the largest
// effect on the response are kept. Unused bands are set flat; crossovers the list
// does not name stay as they are.
EqFit FitToPage(const FilterList& list, const PageEq& current, bool fit);

// Mean absolute response of one filter alone between 20 Hz and 20 kHz: its weight
// when the bands that matter most are chosen.
double FilterEffect(const ListedFilter& f);

// The list's own response (its exact filters, the core's filter maths) and the
// comparison of two responses.
std::array<float, GridPoints> ListResponse(const std::vector<ListedFilter>& filters);
Deviation CompareResponses(const std::array<float, GridPoints>& wanted,
                           const std::array<float, GridPoints>& got);

// Nearest stored values.
int SnapFrequency(double hz);
int SnapGain(double db);
int SnapQ(double q, int maxIndex);

}  // namespace kdsp
