// The edits made while the link was not online: kept (the link stores them but
// cannot send them), shown in the title bar, and offered to the processor once the
// link is online again. Nothing is sent without the user's answer.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "app/editing/stored_edit.h"

namespace kdsp {

class AppContext;

class OfflineEdits {
public:
    struct Entry {
        StoredEdit edit;      // before: the words before the first offline edit; after: the latest
        bool duringTransfer;  // made while a read, reload or upload was running
    };

    // An edit of these words was stored while the link was not online.
    void Note(const StoredEdit& where, const StoredValues& before, const Model& model, bool duringTransfer);
    // The edits that change something, oldest first.
    std::vector<Entry> Changes() const;
    void Clear();

    // The list changed.
    std::function<void()> Changed;

private:
    std::vector<Entry> entries_;
};

// The title bar's count of offline edits, with the list in its tooltip.
void ShowOfflineEdits(AppContext& app);
// The link is online again: the user is asked whether the offline edits go to the
// processor or are dropped. `memoryRead`: the link has just read the processor's
// memory (rather than uploaded to it or saved a mode).
void OfferOfflineEdits(AppContext& app, bool memoryRead);

}  // namespace kdsp
