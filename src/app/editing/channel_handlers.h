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
void MusFreEdit1Click(AppContext& form, BoundEdit* edit);
void MusFreEdit1KeyDown(AppContext& form, int key);  // Qt::Key
void MusFreEdit1Exit(AppContext& form, BoundEdit* edit);
void MusFreUpDownBtn1DownLeftClick(AppContext& form, BoundSpin* spin);
void MusFreUpDownBtn1UpRightClick(AppContext& form, BoundSpin* spin);
void FormMouseWheel(AppContext& form, int delta);

// Sliders.
void MicHPFreBarChange(AppContext& form, BoundSlider* bar);
void MusEQGainBar1Change(AppContext& form, BoundSlider* bar);
void SysMusNormalVolBarChange(AppContext& form, BoundSlider* bar);
// Runs the change handler the slider is wired to, as a move would.
void SliderMoved(AppContext& form, BoundSlider* bar);
// Puts the slider at `position` and runs its handler once, also when it was there.
void MoveSlider(AppContext& form, BoundSlider* bar, int position);

// Buttons.
void EchoEffPhaseBtnClick(AppContext& form, BoundButton* button);
void MainLmuteBtnClick(AppContext& form, BoundButton* button);
void AutoModeBtnClick(AppContext& form, BoundButton* button);
void SingModeBtnClick(AppContext& form, BoundButton* button);
void SysMusInputLevelClick(AppContext& form, BoundButton* button);
// The music input level (buttons and gain box) is the manager's to change.
void EnableInputLevels(AppContext& form);
void AmpLBtn0_0Click(AppContext& form, BoundButton* button);
void EchoEQBtnClick(AppContext& form, BoundButton* button);
void MicABtnClick(AppContext& form, BoundButton* button);
void RzBmpButton5Click(AppContext& form);
// fromUser: the click guard (automatic mode on the DEQ sheet) applies only to clicks.
void DEQALLPASSBtn1Click(AppContext& form, BoundButton* button, bool fromUser = true);
// "EQ pass": bypasses the EQ of the page on the graph.
void MusEQAllpassBtnClick(AppContext& form, BoundButton* button);
// "EQ重置": every band of the page on the graph back to its default.
void EQResetBtnClick(AppContext& form);

// Boxes and type pictures.
void SubMusHPTypeChange(AppContext& form, BoundCombo* box);
void MusModeBox1Change(AppContext& form, BoundCombo* box);
void MusPEQBtn1Click(AppContext& form, TypePicture* picture);

}  // namespace kdsp
