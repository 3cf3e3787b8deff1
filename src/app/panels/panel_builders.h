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
void BuildPanels(AppContext& app);

// preset_panel.cpp
void BuildPresetPanel(AppContext& app);
void TakeSelectedPresetName(AppContext& app);
void SavePresetToPc(AppContext& app);  // save to the PC
void LoadAndSendPreset(AppContext& app);  // load and send

// mode_panel.cpp
void BuildModePanel(AppContext& app);
// The stored-mode box changed: its name part goes into PresetModeEdit (also the
// last step of the page refresh, through the window).
void ShowStoredModeName(AppContext& app, QComboBox* box);
void RecallOrSaveMode(AppContext& app, QObject* sender);  // recall (121) and save (138)

// lock_panels.cpp
void BuildLockPanels(AppContext& app);
// After a refresh (through the window): takes the window for the unlock box when
// the processor's automatic panel lock is on.
void PanelLockAfterRefresh(AppContext& app);
void UnlockWindow(AppContext& app);    // unlock the window
void CheckSystemPassword(AppContext& app);  // system password
// The check of a password change box, run on a key press before the key lands.
// systemPassword: the 6-digit system password boxes, else the 4-digit panel ones.
// `key` is the key pressed: Enter, Backspace or a digit. True when the boxes were
// cleared: the key is then dropped.
bool CheckPasswordChange(AppContext& app, bool systemPassword, int key);
// Backspace, Enter and the digits pass; every other key is dropped.
bool PasswordKeyAccepted(int key, const QString& text);

}  // namespace kdsp
