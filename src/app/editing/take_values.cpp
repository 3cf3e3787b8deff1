// Taking values: each word becomes a stored edit, so undo, the offline edits and
// the link's pacing treat them as the user's own.
#include "app/editing/take_values.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <utility>

#include "app/editing/stored_edit.h"
#include "app/editing/undo_history.h"
#include "app/state/app_context.h"
#include "core/model/codecs.h"
#include "core/model/eq_layout.h"
#include "core/model/operating_mode.h"
#include "core/model/param_table.h"

namespace kdsp {

namespace {

int MemoryMode(const Model& m) { return ModeCopyOf(m.DeviceImage[PageMusic][1]); }

// The edit a write of the word makes; an EQ band's word makes the band's edit.
StoredEdit EditOf(const ParamSpec& param, int mode) {
    StoredEdit e;
    e.page = param.Page();
    e.index = IndexOf(param.Id());
    e.mode = param.Mode() >= 0 ? param.Mode() : mode;
    if (param.BandWord() && e.page <= PageRear) {
        const int first = FirstEqIndex[static_cast<std::size_t>(e.page)];
        e.band = first == DynEqFirstMarker ? (e.index - 2) / 12 : (e.index - first) / 5;
        e.index = e.FieldIndex(0);
    }
    return e;
}

}  // namespace

bool InReach(const Model& model, const ParamSpec& param) {
    return param.Writable() && !param.Reserved() && (param.Mode() < 0 || param.Mode() == MemoryMode(model));
}

void TakeValues(AppContext& app, const std::vector<const ParamSpec*>& specs, const DeviceImageRows& source) {
    Model& m = app.model();
    std::set<std::pair<int, int>> taken;
    for (const ParamSpec* p : specs) taken.insert({p->Page(), p->Slot()});
    std::vector<StoredEdit> edits;
    app.History().SeparateStep([&] {
        for (const ParamSpec* p : specs) {
            // In reach as of now: a sing/dance word taken first changes what is.
            if (!InReach(m, *p)) continue;
            StoredEdit e = EditOf(*p, MemoryMode(m));
            if (std::any_of(edits.begin(), edits.end(), [&](const StoredEdit& o) { return o.SameWords(e); }))
                continue;  // the band already went with its first word
            e.before = ValuesIn(m.DeviceImage, e);
            e.after = e.before;
            const StoredValues wanted = ValuesIn(source, e);
            // Of a band only the words asked for change; the others keep what is stored.
            for (int k = 0; k < e.FieldCount(); ++k)
                if (taken.count({e.page, DeviceSlot(e.page, e.FieldIndex(k), e.mode)}))
                    e.after[static_cast<std::size_t>(k)] = wanted[static_cast<std::size_t>(k)];
            ApplyStoredValues(app, e, e.after);
            edits.push_back(e);
        }
    });
    ShowStoredEdits(app, edits, true);
}

}  // namespace kdsp
