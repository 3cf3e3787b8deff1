// The mode-name step and the panel-lock step of the page refresh. The lock
// itself arrives with the lock panels; until then there is nothing to lock.
#include "app/refresh_hooks.h"

#include <QComboBox>
#include <QLineEdit>

#include "app/main_window.h"

namespace kdsp {

void SysModeBoxChange(TForm1& form, QComboBox* box) {
    if (!box) return;
    auto* edit = form.Ctl<QLineEdit>("PresetModeEdit");
    if (!edit) return;
    const int index = box->currentIndex();
    if (index < 0) return;
    // Items read "3-name"; two-digit numbers take one character more.
    const int skip = index < 9 ? 2 : 3;
    edit->setText(box->currentText().mid(skip));
}

void PanelLockAfterRefresh(TForm1& form) { (void)form; }

}  // namespace kdsp
