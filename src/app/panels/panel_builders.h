// Builders and handlers of the preset, mode and lock panels (one file each).
#pragma once

#include <QString>

class QComboBox;
class QObject;

namespace kdsp {

class AppContext;

// Builds every control of the three panels into the window's system page and the
// unlock box over the window, and connects their handlers. Called once from the
// window's constructor.
void BuildPanels(AppContext& form);

// preset_panel.cpp
void BuildPresetPanel(AppContext& form);
void ValueListEditor1Click(AppContext& form);
void RzBmpButton120Click(AppContext& form);  // save to the PC
void RzBmpButton119Click(AppContext& form);  // load and send

// mode_panel.cpp
void BuildModePanel(AppContext& form);
// The stored-mode box changed: its name part goes into PresetModeEdit (also the
// last step of the page refresh, through the window).
void SysModeBoxChange(AppContext& form, QComboBox* box);
void RzBmpButton121Click(AppContext& form, QObject* sender);  // recall (121) and save (138)

// lock_panels.cpp
void BuildLockPanels(AppContext& form);
// After a refresh (through the window): takes the window for the unlock box when
// the processor's automatic panel lock is on.
void PanelLockAfterRefresh(AppContext& form);
void RzBmpButton4Click(AppContext& form);    // unlock the window
void RzBmpButton118Click(AppContext& form);  // system password
// The check of a password change box, run on a key press before the key lands.
// systemPassword: the 6-digit system password boxes, else the 4-digit panel ones.
// `key` is the key pressed: Enter, Backspace or a digit. True when the boxes were
// cleared: the key is then dropped.
bool CheckPasswordChange(AppContext& form, bool systemPassword, int key);
// Backspace, Enter and the digits pass; every other key is dropped.
bool PasswordKeyAccepted(int key, const QString& text);

}  // namespace kdsp
