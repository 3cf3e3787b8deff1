// Taking stored words from another set of settings (an A/B slot, a preset, a
// backup) into the window's memory through the one change path: one undo step,
// sent as edits are when online, an EQ band as its one frame.
#pragma once

#include <vector>

#include "core/model/model.h"

namespace kdsp {

class AppContext;
class ParamSpec;

// Whether a single write reaches the word now: it has a write address and is not the
// copy of the sing/dance mode the window's memory is not in.
bool InReach(const Model& model, const ParamSpec& param);

// Stores (and sends) the words `specs` name with their values in `source`, in the
// order given; words out of reach are left out. The pages show the result.
void TakeValues(AppContext& app, const std::vector<const ParamSpec*>& specs, const DeviceImageRows& source);

}  // namespace kdsp
