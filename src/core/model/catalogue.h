// The one table of every parameter the window binds: the controls that edit
// it, how its value is shown, and its range. The GUI builds its controls from
// it; the catalogue by name (param_names.h) is built from it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/model/model.h"

namespace kdsp {

enum class ControlClass { None, Slider, Edit, Combo, Button, Pane, Spin, Picture };

// What a bitmap button does when clicked (which shared handler serves it).
enum class ButtonKind {
    None,
    Toggle,      // plain two-state (mute and similar)
    Phase,       // phase: "+" or empty caption
    Choice,      // a button of a choice group; the value is its position
    AutoManual,  // AutoModeBtn / ManulModeBtn
    SingDance,   // SingModeBtn / DiscoModeBtn
    Bypass,      // EQ bypass (MusEQAllpassBtn, DEQALLPASSBtn1..3)
};

struct ParamBinding {
    ParamId id;
    const char* editor;  // EditorTable slot (objectName), nullptr for none
    ControlClass editorClass;
    const char* pane;  // PaneTable slot: value pane or second choice button
    ControlClass paneClass;
    const char* spin;             // SpinTable slot
    const char* typeControls[3];  // BandTypeTable: three type pictures, or the gain slider in [0]
    ControlClass typeClass;       // Picture or Slider (None when empty)
    int valueKind;                // ValueKind carried in the hint of edit/pane/combo; -1 none
    ButtonKind button;
    int sliderMax;  // maximum of the slider, -1 when the slider has none set / no slider
    // The parameter's name below its page ("band1.frequency", "lowpass.frequency");
    // the page part follows the stored copy (param_names.h).
    const char* name;
    // Fixed items of a combo box in item order (empty for none or for the
    // stored-mode box, whose items are the device's mode names).
    std::span<const char* const> items{};
    bool hidden = false;            // exists but is never shown (eighth output band group)
    int volumeLink = -1;            // system volume slider hint: 0 normal, 1 start, 2 maximum
    const char* caption = nullptr;  // the caption the window shows beside the control (UTF-8)
};

// Every bound (page, index) in ascending id order. Placeholder slots are not listed.
std::span<const ParamBinding> Catalogue();
const ParamBinding* FindBinding(ParamId id);

// The Tag a control ends with after start-up: the id of the last slot it sits
// in (MusQEdit1 sits at 7 and 8 and ends with 8). A choice-group button that
// sits in no slot (DEQModeMidBtn1) carries its group's id. -1 for anything else.
int ControlTag(std::string_view objectName);

// Choice groups: the buttons in list order (the value is the position).
struct ChoiceGroupDef {
    ParamId id;
    const char* buttons[3];
    int count;
    const char* words[3];  // what each choice is called when typed or listed ("fast", "stereo")
};
std::span<const ChoiceGroupDef> ChoiceGroups();
const ChoiceGroupDef* FindChoiceGroup(ParamId id);

// The words of a parameter's values in value order, for parameters chosen rather
// than measured: combo items, the choices of a group, "off"/"on" of a switch.
// Empty for every other parameter.
std::span<const char* const> ValueWords(const ParamBinding& b);

}  // namespace kdsp
