// Presets edited without a processor: "打开预设…" loads a preset file into the window
// while offline, every page edits it (nothing is sent), "保存" / "另存为…" write it
// with the replaced file kept, the title names it with a mark for unsaved edits.
// Once a processor is connected the user chooses: send the edited preset, keep the
// processor's settings, or go on editing the file offline.
#pragma once

#include <QString>

#include "core/session/session_events.h"

namespace kdsp {

class AppContext;

// The three buttons in the title bar, before the A/B buttons.
void BuildOfflinePreset(AppContext& app);
// Opens `path` as the document (offline only); false, with the user told why, when
// it cannot be. The command line's preset file comes here.
bool OpenPresetDocument(AppContext& app, const QString& path);
// An edit was stored: the title's modified mark follows.
void PresetDocumentEdited(AppContext& app);
// Every event of the session, passed on by the link window: the document's settings
// are kept before a new link's read replaces the window's memory, and the choice is
// offered once online.
void OfflinePresetSessionEvent(AppContext& app, const SessionEvent& event);

}  // namespace kdsp
