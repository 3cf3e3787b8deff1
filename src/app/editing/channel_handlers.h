// The shared handlers of the channel controls (edits, spins, sliders, phase,
// mute, mode and choice buttons, type boxes and pictures, view selectors) and
// their wiring. Each finds its parameter through the sender's Tag.
#pragma once

class QComboBox;
class QSlider;
class QWidget;

namespace kdsp {

class TForm1;
class BoundButton;
class BoundCombo;
class BoundEdit;
class BoundSlider;
class BoundSpin;
class TypePicture;

void WireChannelHandlers(TForm1& form);

// Edits and spins.
void MusFreEdit1Click(TForm1& form, BoundEdit* edit);
void MusFreEdit1KeyDown(TForm1& form, int key);  // Qt::Key
void MusFreEdit1Exit(TForm1& form, BoundEdit* edit);
void MusFreUpDownBtn1DownLeftClick(TForm1& form, BoundSpin* spin);
void MusFreUpDownBtn1UpRightClick(TForm1& form, BoundSpin* spin);
void FormMouseWheel(TForm1& form, int delta);

// Sliders.
void MicHPFreBarChange(TForm1& form, BoundSlider* bar);
void MusEQGainBar1Change(TForm1& form, BoundSlider* bar);
void SysMusNormalVolBarChange(TForm1& form, BoundSlider* bar);
// Runs the change handler the slider is wired to, as a move would.
void SliderMoved(TForm1& form, BoundSlider* bar);
// Puts the slider at `position` and runs its handler once, also when it was there.
void MoveSlider(TForm1& form, BoundSlider* bar, int position);

// Buttons.
void EchoEffPhaseBtnClick(TForm1& form, BoundButton* button);
void MainLmuteBtnClick(TForm1& form, BoundButton* button);
void AutoModeBtnClick(TForm1& form, BoundButton* button);
void SingModeBtnClick(TForm1& form, BoundButton* button);
void SysMusInputLevelClick(TForm1& form, BoundButton* button);
// The music input level (buttons and gain box) is the manager's to change.
void EnableInputLevels(TForm1& form);
void AmpLBtn0_0Click(TForm1& form, BoundButton* button);
void EchoEQBtnClick(TForm1& form, BoundButton* button);
void MicABtnClick(TForm1& form, BoundButton* button);
void RzBmpButton5Click(TForm1& form);
// fromUser: the click guard (automatic mode on the DEQ sheet) applies only to clicks.
void DEQALLPASSBtn1Click(TForm1& form, BoundButton* button, bool fromUser = true);
// "EQ pass": bypasses the EQ of the page on the graph.
void MusEQAllpassBtnClick(TForm1& form, BoundButton* button);
// "EQ重置": every band of the page on the graph back to its default.
void EQResetBtnClick(TForm1& form);

// Boxes and type pictures.
void SubMusHPTypeChange(TForm1& form, BoundCombo* box);
void MusModeBox1Change(TForm1& form, BoundCombo* box);
void MusPEQBtn1Click(TForm1& form, TypePicture* picture);

}  // namespace kdsp
