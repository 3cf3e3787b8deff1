// The panels' per-window state, kept as a child of the window.
#include "app/state/panel_state.h"

#include <QWidget>

#include "app/state/app_context.h"

namespace kdsp {

PanelState& PanelsOf(AppContext& app) {
    if (auto* s = app.Window().findChild<PanelState*>("PanelState", Qt::FindDirectChildrenOnly)) return *s;
    return *new PanelState(&app.Window());
}

void SetPanelSession(AppContext& app, DeviceSession* session) { PanelsOf(app).session = session; }
DeviceSession* PanelSession(AppContext& app) { return PanelsOf(app).session; }

}  // namespace kdsp
