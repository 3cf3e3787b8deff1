// Undo and redo of the window's edits: one step per gesture of the user (a drag,
// a typed value, a burst of wheel or key steps on one control, a reset...), each
// step the stored words it changed with their values before and after. Steps are
// undone and redone through the change path, so the processor follows.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "app/editing/stored_edit.h"

namespace kdsp {

class AppContext;

class UndoHistory {
public:
    static constexpr std::size_t MaxSteps = 200;

    explicit UndoHistory(Model& model);

    // A gesture begins: the step of the one before is closed, and the next step
    // changes from what is stored now.
    void BeginStep();
    // Runs `change` as a step of its own within the gesture going on.
    void SeparateStep(const std::function<void()>& change);
    // The window has just stored (and sent) an edit of these words.
    void Note(const StoredEdit& where);
    // What these words held when the open step began.
    StoredValues Before(const StoredEdit& where) const;

    bool CanUndo() const { return !undo_.empty() || !open_.empty(); }
    bool CanRedo() const { return !redo_.empty() && open_.empty(); }
    void Undo(AppContext& app);
    void Redo(AppContext& app);
    // An undo or redo is storing (and sending) its words now.
    bool Replaying() const { return replaying_; }
    // The memory was replaced (a reload, an upload, a recall, a preset): nothing
    // before it can be undone.
    void Clear();

    // CanUndo or CanRedo may have changed.
    std::function<void()> Changed;

private:
    using Step = std::vector<StoredEdit>;
    void CloseStep();
    void Replay(AppContext& app, const Step& step, bool forward);
    // Undo (backwards) or redo (forward): the last step of `from` is replayed and goes to `to`.
    void Move(AppContext& app, std::vector<Step>& from, std::vector<Step>& to, bool forward);
    void Tell() const;

    Model& model_;
    DeviceImageRows baseline_{};  // the stored words when the open step began
    Step open_;                   // words the open step has changed so far
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    bool replaying_ = false;
};

}  // namespace kdsp
