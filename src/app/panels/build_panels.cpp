// The one place the preset, mode and lock panels are built into the window.
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/pages/builder.h"
#include "app/panels/ab_switch.h"
#include "app/panels/diff_dialog.h"
#include "app/panels/eq_file_panel.h"
#include "app/panels/offline_preset.h"
#include "app/panels/panel_builders.h"
#include "app/state/app_context.h"
#include "app/state/panel_state.h"

namespace kdsp {

void BuildPanels(AppContext& app) {
    PanelsOf(app);
    // The backup list and the password panels share the system page's right column.
    if (QWidget* host = app.Control("SysPresetHost")) {
        Builder b(app.Registry());
        auto* v = new QVBoxLayout(host);
        v->setContentsMargins(0, 0, 0, 0);
        auto* tabs = b.Reg(new QTabWidget(host), "SysPanelTabs");
        tabs->addTab(b.Reg(new QWidget(tabs), "SysPresetPage"), QString());
        tabs->addTab(b.Reg(new QWidget(tabs), "SysPasswordPage"), QString());
        SetTrItems(tabs, {QT_TRANSLATE_NOOP("kdsp", "数据备份"), QT_TRANSLATE_NOOP("kdsp", "密码")});
        v->addWidget(tabs);
    }
    BuildPresetPanel(app);
    BuildModePanel(app);
    BuildLockPanels(app);
    BuildEqFilePanel(app);
    BuildAbSwitch(app);
    BuildDiffButton(app);
    BuildOfflinePreset(app);
}

}  // namespace kdsp
