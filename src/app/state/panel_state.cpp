// The panels' per-window state, kept as a child of the window.
#include "app/state/panel_state.h"

#include <QWidget>

#include "app/state/app_context.h"

namespace kdsp {

PanelState& PanelsOf(AppContext& form) {
    if (auto* s = form.Window().findChild<PanelState*>("PanelState", Qt::FindDirectChildrenOnly)) return *s;
    return *new PanelState(&form.Window());
}

void SetPanelLink(AppContext& form, Link* link) { PanelsOf(form).link = link; }
Link* PanelLink(AppContext& form) { return PanelsOf(form).link; }

}  // namespace kdsp
