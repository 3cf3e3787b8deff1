// The one road of a control value: clamp, show, move the slider, store, send,
// and tell the EQ graph (LastChange); plus typed text and the volume trios.
#pragma once

#include <functional>

#include <QString>

#include "core/model/model.h"

class QWidget;
class QSlider;

namespace kdsp {

class AppContext;
class BoundEdit;
class ParamSpec;

inline constexpr int StepUp = 1;
inline constexpr int StepDown = 11;

// control: a bound edit, value pane or combo box; displayOnly 1 when the value
// comes from the parameter image (nothing is sent then).
void ApplyControlValue(AppContext& app, QWidget* control, int step, int displayOnly, double x);

// Reads the edit's text (CurrentEdit's when none is given), converts it and
// applies it with the step.
void CommitEditText(AppContext& app, int step, BoundEdit* edit = nullptr);

// which: 0 normal moved, 1 start moved, 2 maximum moved.
void LinkVolumeBars(AppContext& app, QSlider* normal, QSlider* start, QSlider* maximum, int which,
                    QWidget* pane);

// The one way an edit leaves the window: stored in the copy the views show, and
// that copy's row handed to the session (AppState::SendEdit) as a word of its own
// or as its EQ band's frame.
void SendParam(AppContext& app, ParamId id, int value);
void SendBandParam(AppContext& app, ParamId id, int value);

// The parameter table's row of the copy a storage id writes while the image is in
// its operating mode; nullptr for an id no row is written through.
const ParamSpec* EditedCopy(const Model& model, ParamId storageId);

// A control by objectName: the registry first, then the window's children.
QWidget* FindControl(AppContext& app, const char* name);

// Where the "error" message of an edit without a data hint goes; tests replace it.
void SetEditErrorSink(std::function<void(const QString&)> sink);

}  // namespace kdsp
