// What the preset, mode and lock panels keep between handlers: the session they
// talk to, the preset folders and the listed names. One per main window.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "core/preset/preset_library.h"

namespace kdsp {

class AppContext;
class DeviceSession;

class PanelState : public QObject {
public:
    explicit PanelState(QObject* parent) : QObject(parent) { setObjectName("PanelState"); }

    DeviceSession* session = nullptr;         // unset: edits are only stored
    std::filesystem::path folderOverride;     // tests: use this instead of the executable's folder
    PresetFolders folders;
    std::vector<std::string> PresetNames;
    std::filesystem::path backupFolder;       // where the processor's memory is kept before it is overwritten
    std::filesystem::path lastBackup;         // made before the last overwrite, if any
    PresetReadResult uploaded;                // the last upload's file, for a retry
    bool closeWhenUploaded = false;           // closed during the upload: close at its end
};

// Created on first use, owned by the window.
PanelState& PanelsOf(AppContext& app);

// The session the panels send through (the link window sets it when it owns one).
void SetPanelSession(AppContext& app, DeviceSession* session);
DeviceSession* PanelSession(AppContext& app);

}  // namespace kdsp
