// State actions of switch buttons, tabs, type pictures and the band selection.
#pragma once

class QWidget;

namespace kdsp {

class AppContext;

// What a click on a switch, tab or type control does to its look (and to the
// window's page and variants, for a tab). The caller stores and sends the state.
enum class ControlAct {
    SelectTab,     // a tab button: the strip's pictures, the page and its variants
    Toggle,        // a two-state button flips
    ShowToggle,    // shows the two-state value the button holds
    CycleField,    // the frequency / gain / Q field button steps on
    TogglePhase,   // a phase button flips: "+" or no caption
    ShowPhase,     // shows the phase the button holds as "-" or "+"
    AutoManual,    // AutoModeBtn / ManulModeBtn
    SingDance,     // SingModeBtn / DiscoModeBtn
    Choice,        // a button of the choice group now bound
    LinkButtons,   // LinkBtn / UnLinkBtn
    TypePicture,   // one of the three type pictures of a band
    DynamicsType,  // a dynamic EQ type box: its sliders' look and its level buttons
    MicBandGroup,  // MicABtn / MicBBtn
};

// Returns the resulting state; a control of the wrong class returns 0.
int ControlAction(AppContext& app, QWidget* control, ControlAct action);

// An edit's band becomes the selected one on EQ graph `graph` (0..9): its point
// label, the edit's highlight and the band strip's scroll follow. Returns the band;
// 0 for anything but an edit, and during a refresh.
int SelectBand(AppContext& app, QWidget* control, int graph);

// Prepares MusEQAllpassBtn, BypassState and EQPassLabel for the EQ of `page`.
void PrepareBypassButton(AppContext& app, int page);

}  // namespace kdsp
