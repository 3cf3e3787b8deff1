// The shared handlers of the channel controls (edits, spins, sliders, phase,
// mute, mode and choice buttons, type boxes and pictures, view selectors). Each
// finds its parameter through the sender's Tag; channel_wiring connects them.
#pragma once

namespace kdsp {

class AppContext;
class BoundButton;
class BoundCombo;
class BoundEdit;
class BoundSlider;
class BoundSpin;
class TypePicture;

// Edits and spins.
void TakeEditFocus(AppContext& app, BoundEdit* edit);
void StepEditByKey(AppContext& app, int key);  // Qt::Key
void CommitLeftEdit(AppContext& app, BoundEdit* edit);
void SpinStepDown(AppContext& app, BoundSpin* spin);
void SpinStepUp(AppContext& app, BoundSpin* spin);
void FormMouseWheel(AppContext& app, int delta);

// Sliders.
void PaneSliderMoved(AppContext& app, BoundSlider* bar);
void EditSliderMoved(AppContext& app, BoundSlider* bar);
void VolumeSliderMoved(AppContext& app, BoundSlider* bar);
// Runs the change handler the slider is wired to, as a move would.
void SliderMoved(AppContext& app, BoundSlider* bar);
// Puts the slider at `position` and runs its handler once, also when it was there.
void MoveSlider(AppContext& app, BoundSlider* bar, int position);

// Buttons.
void TogglePhase(AppContext& app, BoundButton* button);
void ToggleMute(AppContext& app, BoundButton* button);
void ToggleAutoMode(AppContext& app, BoundButton* button);
void ChooseSingOrDance(AppContext& app, BoundButton* button);
void ChooseGroupButton(AppContext& app, BoundButton* button);
// The music input level (buttons and gain box) is the manager's to change.
void EnableInputLevels(AppContext& app);
void SetDynEqLevels(AppContext& app, BoundButton* button);
void ChooseEffectEq(AppContext& app, BoundButton* button);
void ChooseMicBandGroup(AppContext& app, BoundButton* button);
void ResetDynEq(AppContext& app);
// fromUser: the click guard (automatic mode on the DEQ sheet) applies only to clicks.
void ToggleDynEqBypass(AppContext& app, BoundButton* button, bool fromUser = true);
// "EQ pass": bypasses the EQ of the page on the graph.
void ToggleEqPass(AppContext& app, BoundButton* button);
// "EQ重置": every band of the page on the graph back to its default.
void ResetEq(AppContext& app);

// Boxes and type pictures.
void ChoiceBoxChanged(AppContext& app, BoundCombo* box);
void BandTypeChanged(AppContext& app, BoundCombo* box);
void PickBandType(AppContext& app, TypePicture* picture);

}  // namespace kdsp
