// The panels' per-window state and the one place their controls are built.
#include "app/state/panel_state.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "app/i18n/language.h"
#include "app/window/main_window.h"
#include "app/pages/builder.h"
#include "app/panels/panel_builders.h"

namespace kdsp {

PanelState& PanelsOf(TForm1& form) {
    if (auto* s = form.findChild<PanelState*>("PanelState", Qt::FindDirectChildrenOnly)) return *s;
    return *new PanelState(&form);
}

void SetPanelLink(TForm1& form, Link* link) { PanelsOf(form).link = link; }
Link* PanelLink(TForm1& form) { return PanelsOf(form).link; }

void BuildPanels(TForm1& form) {
    PanelsOf(form);
    // The backup list and the password panels share the system page's right column.
    if (QWidget* host = form.Control("SysPresetHost")) {
        Builder b(form.Registry());
        auto* v = new QVBoxLayout(host);
        v->setContentsMargins(0, 0, 0, 0);
        auto* tabs = b.Reg(new QTabWidget(host), "SysPanelTabs");
        tabs->addTab(b.Reg(new QWidget(tabs), "SysPresetPage"), QString());
        tabs->addTab(b.Reg(new QWidget(tabs), "SysPasswordPage"), QString());
        SetTrItems(tabs, {QT_TRANSLATE_NOOP("kdsp", "数据备份"), QT_TRANSLATE_NOOP("kdsp", "密码")});
        v->addWidget(tabs);
    }
    BuildPresetPanel(form);
    BuildModePanel(form);
    BuildLockPanels(form);
}

}  // namespace kdsp
