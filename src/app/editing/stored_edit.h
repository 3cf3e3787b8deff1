// One parameter or EQ band as the processor stores it, with the values an edit
// moved it from and to: what undo, redo and the offline edits put back or send
// again through the one change path.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <QString>

#include "core/model/model.h"

namespace kdsp {

class AppContext;

inline constexpr int BandFieldCount = 5;
using StoredValues = std::array<int, BandFieldCount>;

struct StoredEdit {
    int page = 0;   // the page of the copy the value is stored in (rear, aux 2, group B...)
    int index = 0;  // its index there; for a band, the index of the band's type
    int band = -1;  // >= 0: the whole band (type, frequency, gain, both Q), sent as one frame
    int mode = 0;   // the sing/dance copy it was stored under (ModeFlag)
    StoredValues before{};
    StoredValues after{};

    int FieldCount() const { return band >= 0 ? BandFieldCount : 1; }
    int FieldIndex(int k) const;
    // Whether the words have one copy per sing/dance mode.
    bool PerMode() const;
    // Whether two edits reached the same stored words.
    bool SameWords(const StoredEdit& other) const;
};

// Where an edit the window sends with `id` (as the control names it) is stored,
// with the model's present views and mode.
StoredEdit LocateEdit(const Model& model, ParamId id, bool band);
// The values of the edit's words in `image`.
StoredValues ValuesIn(const DeviceImageRows& image, const StoredEdit& edit);

// Stores `values` in the edit's words and, with `send`, sends them through the
// window's change path (the link sends when online), whatever view the window
// shows now. The pages are not redrawn: ShowStoredEdits does that once for a batch.
void ApplyStoredValues(AppContext& app, const StoredEdit& edit, const StoredValues& values, bool send = true);
// After a batch of ApplyStoredValues (the `after` values, else the `before` values
// in reverse): every page shows what is stored, and the EQ graph is told of the
// last change.
void ShowStoredEdits(AppContext& app, const std::vector<StoredEdit>& edits, bool after);

// The edit as the window names it, in its language, one field a line part:
// "主输出 高切频率 = 1000.0Hz", "Music Band 2 Frequency = 2000.0Hz"; of a band only
// the fields the edit changed.
QString DescribeEdit(const StoredEdit& edit, const StoredValues& values);

}  // namespace kdsp
