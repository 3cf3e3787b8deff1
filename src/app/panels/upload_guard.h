// The safety net of the system page around overwriting the processor's memory: a
// backup first, uploads read back and checked, and restoring the last backup.
#pragma once

#include "core/session/session_events.h"

namespace kdsp {

class AppContext;
struct PresetReadResult;

// The backup folder for this window (the user data folder's "backups"), shown under
// the preset list. Called with the preset folders at start-up.
void EnsureBackupFolder(AppContext& app);

// Before the processor's memory is overwritten (an upload, a recall): keeps it as a
// backup when it has been read, and says where or why not. False when the backup
// failed and the user chose not to go on.
bool BackupBeforeOverwrite(AppContext& app);

// Sends a checked preset: while online, a backup, then the upload and its read-back
// (the user is told which pages the processor did not keep, and may retry); offline,
// the file only goes into the window's image.
void SendPreset(AppContext& app, const PresetReadResult& preset);

// Every event of the session, passed on by the link window: the end of an upload.
void UploadGuardSessionEvent(AppContext& app, const SessionEvent& event);

// The window is being closed: true lets it go. During an upload the user is told that
// the processor is only partly updated and where its backup is, and chooses between
// closing now and waiting: the window then closes by itself when the upload ends.
bool MayCloseDuringUpload(AppContext& app);

// The button "恢复上次备份": the newest backup of the connected processor, sent as a
// preset is, once the user has confirmed it.
void RestoreLastBackup(AppContext& app);

}  // namespace kdsp
