// Builders and handlers of the preset, mode and lock panels (one file each).
#pragma once

#include <QString>

class QComboBox;
class QLineEdit;
class QObject;

namespace kdsp {

class TForm1;

// preset_panel.cpp
void BuildPresetPanel(TForm1& form);
void ValueListEditor1Click(TForm1& form);
void RzBmpButton120Click(TForm1& form);  // save to the PC
void RzBmpButton119Click(TForm1& form);  // load and send

// mode_panel.cpp
void BuildModePanel(TForm1& form);
void RzBmpButton121Click(TForm1& form, QObject* sender);  // recall (121) and save (138)

// lock_panels.cpp
void BuildLockPanels(TForm1& form);
void RzBmpButton4Click(TForm1& form);    // unlock the window
void RzBmpButton118Click(TForm1& form);  // system password
// The check of a password change box, run on a key press before the key lands.
// systemPassword: the 6-digit system password boxes, else the 4-digit panel ones.
void CheckPasswordChange(TForm1& form, bool systemPassword);
// Backspace, Enter and the digits pass; every other key is dropped.
bool PasswordKeyAccepted(int key, const QString& text);

}  // namespace kdsp
