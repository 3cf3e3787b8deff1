// The undo history: steps are closed when the next gesture begins, so whatever a
// gesture's handlers store after its last input event (a deferred marker flush, a
// click handled on release) still belongs to it.
#include "app/editing/undo_history.h"

#include <algorithm>

namespace kdsp {

UndoHistory::UndoHistory(Model& model) : model_(model), baseline_(model.DeviceImage) {}

void UndoHistory::Tell() const {
    if (Changed) Changed();
}

void UndoHistory::CloseStep() {
    Step step;
    for (StoredEdit e : open_) {
        e.before = ValuesIn(baseline_, e);
        e.after = ValuesIn(model_.DeviceImage, e);
        // A drag that ended where it began changed nothing.
        if (e.before != e.after) step.push_back(e);
    }
    const bool wasOpen = !open_.empty();
    open_.clear();
    baseline_ = model_.DeviceImage;
    if (!step.empty()) {
        undo_.push_back(std::move(step));
        if (undo_.size() > MaxSteps) undo_.erase(undo_.begin());
        redo_.clear();
    }
    if (wasOpen) Tell();
}

void UndoHistory::BeginStep() { CloseStep(); }

void UndoHistory::SeparateStep(const std::function<void()>& change) {
    BeginStep();
    change();
    BeginStep();
}

void UndoHistory::Note(const StoredEdit& where) {
    if (replaying_) return;
    const bool first = open_.empty();
    if (std::none_of(open_.begin(), open_.end(), [&](const StoredEdit& e) { return e.SameWords(where); }))
        open_.push_back(where);
    if (first) Tell();
}

StoredValues UndoHistory::Before(const StoredEdit& where) const { return ValuesIn(baseline_, where); }

void UndoHistory::Replay(AppContext& app, const Step& step, bool forward) {
    replaying_ = true;
    if (forward) {
        for (const StoredEdit& e : step) ApplyStoredValues(app, e, e.after);
    } else {
        // In the reverse order of the gesture's own writes.
        for (auto e = step.rbegin(); e != step.rend(); ++e) ApplyStoredValues(app, *e, e->before);
    }
    replaying_ = false;
    ShowStoredEdits(app, step, forward);
    baseline_ = model_.DeviceImage;
}

void UndoHistory::Move(AppContext& app, std::vector<Step>& from, std::vector<Step>& to, bool forward) {
    CloseStep();
    if (from.empty()) return;
    Step step = std::move(from.back());
    from.pop_back();
    Replay(app, step, forward);
    to.push_back(std::move(step));
    Tell();
}

void UndoHistory::Undo(AppContext& app) { Move(app, undo_, redo_, false); }

void UndoHistory::Redo(AppContext& app) { Move(app, redo_, undo_, true); }

void UndoHistory::Clear() {
    open_.clear();
    undo_.clear();
    redo_.clear();
    baseline_ = model_.DeviceImage;
    Tell();
}

}  // namespace kdsp
