// The main window's EQ graph: the EqGraphView in AdvPanel2 bound to the
// window's model, controls and change path, and the axis labels around it.
#pragma once

#include <memory>

class QWidget;

namespace kdsp {

class AppContext;
class EqGraphView;
class EqGraphBinding;

// Ending the binding first releases what the view holds of the window.
struct EqGraphBindingDeleter {
    void operator()(EqGraphBinding* binding) const;
};
using EqGraphHandle = std::unique_ptr<EqGraphBinding, EqGraphBindingDeleter>;

// Connects the graph view built into the shared area (objectName "AdvPanel2")
// to the window: curve source, delegate, axis labels. The window keeps the
// handle for as long as its model and state live.
EqGraphHandle AttachEqGraph(AppContext& app);

// Draws the curve of one slot (0..19) or, with 20, the whole curve of a page,
// in the window's current curve colour.
void DrawChannelCurve(AppContext& app, int band, int page);
// The editor of the frequency of a band slot of the curve last drawn; nullptr
// for a crossover or a slot without one.
QWidget* SlotFrequencyControl(AppContext& app, int slot);
// Shows or hides "EQ PASS" over the graph (the drag rules read this too).
void ShowEqPass(AppContext& app, bool visible);
// While suspended no curve is drawn; returns the previous setting.
bool SetCurveRedrawSuspended(AppContext& app, bool suspended);
bool CurveRedrawSuspended(AppContext& app);
// The mouse is taken by the markers once the window has shown itself.
void SetGraphWindowShown(AppContext& app);

}  // namespace kdsp
