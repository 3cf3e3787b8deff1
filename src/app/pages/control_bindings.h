// Which of the window's controls edit which parameter: the object names of a
// parameter's editor, value pane, spin buttons and type pictures, what class each
// control is and what a button does. Name, kind, range and value words are the
// parameter's own (core/model/param_facts.h); each binding points at them.
#pragma once

#include <span>
#include <string_view>

#include "core/model/model.h"
#include "core/model/param_facts.h"

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
    const ParamFact* param;  // the parameter the controls edit
    const char* editor;      // EditorTable slot (objectName), nullptr for none
    ControlClass editorClass;
    const char* pane;  // PaneTable slot: value pane or second choice button
    ControlClass paneClass;
    const char* spin;             // SpinTable slot
    const char* typeControls[3];  // BandTypeTable: three type pictures, or the gain slider in [0]
    ControlClass typeClass;       // Picture or Slider (None when empty)
    ButtonKind button;
    // The maximum of the slider: the top of the parameter's range unless the slider
    // stops elsewhere; -1 when it has none of its own or there is no slider.
    int sliderMax;
    int volumeLink = -1;  // system volume slider hint: 0 normal, 1 start, 2 maximum
};

// Every bound (page, index) in ascending id order, one per parameter fact.
std::span<const ParamBinding> ControlBindings();
const ParamBinding* FindBinding(ParamId id);

// The Tag a control ends with after start-up: the id of the last slot it sits
// in (MusQEdit1 sits at 7 and 8 and ends with 8). A choice-group button that
// sits in no slot (DEQModeMidBtn1) carries its group's id. -1 for anything else.
int ControlTag(std::string_view objectName);

// Choice groups: the buttons in list order (the value is the position, the
// parameter's words say what each is called).
struct ChoiceGroupDef {
    ParamId id;
    const char* buttons[3];
    int count;
};
std::span<const ChoiceGroupDef> ChoiceGroups();
const ChoiceGroupDef* FindChoiceGroup(ParamId id);

}  // namespace kdsp
