// State actions of switch buttons, tabs, type pictures and the band selection.
#pragma once

class QWidget;

namespace kdsp {

class AppContext;

// Action codes 0..9 select a band on that EQ graph; 10..25 are the button
// actions (tab, toggle, cycle, phase, modes, choices, link, type pictures...).
// Returns the resulting state; wrong classes and unknown codes return 0.
int ControlAction(AppContext& app, QWidget* control, int action);

// Prepares MusEQAllpassBtn, BypassState and EQPassLabel for the EQ of `page`.
void PrepareBypassButton(AppContext& app, int page);

}  // namespace kdsp
