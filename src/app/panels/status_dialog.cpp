// Device-status dialog: status text, port being tried and a percentage bar.
#include "app/panels/status_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include "app/i18n/language.h"

namespace kdsp {

StatusDialog::StatusDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("Form2");
    SetTr(this, "windowTitle", QT_TRANSLATE_NOOP("kdsp", "设备状态"));
    setFixedSize(306, 85);
    setAttribute(Qt::WA_StyledBackground);
    link_ = new QLabel(this);
    SetTr(link_, "text", QT_TRANSLATE_NOOP("kdsp", "设备未连接"));
    link_->setObjectName("LinkLabel");
    link_->setGeometry(26, 12, 200, 16);
    com_ = new QLabel(this);
    com_->setObjectName("ComLabel");
    com_->setGeometry(234, 12, 66, 16);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("RzProgressStatus1");
    bar_->setGeometry(24, 32, 265, 20);
    bar_->setRange(0, 100);
    bar_->setValue(20);
    bar_->setAlignment(Qt::AlignCenter);
    auto* hint = new QLabel(this);
    SetTr(hint, "text", QT_TRANSLATE_NOOP("kdsp", "请稍等,可能需要几秒钟才能完成操作！"));
    hint->setObjectName("Label1");
    hint->setGeometry(32, 60, 265, 18);
    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

void StatusDialog::SetStatusText(const QString& text) { link_->setText(text); }
void StatusDialog::SetPortText(const QString& text) { com_->setText(text); }
void StatusDialog::SetProgress(int percent) { bar_->setValue(std::clamp(percent, 0, 100)); }

void StatusDialog::ShowDialog() {
    if (isVisible()) return;  // every tick asks again; once in front is enough
    show();
    raise();
}

void StatusDialog::HideDialog() { hide(); }

QString StatusDialog::StatusText() const { return link_->text(); }
QString StatusDialog::PortText() const { return com_->text(); }
int StatusDialog::Progress() const { return bar_->value(); }

void StatusDialog::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) Retranslate(this);
    QDialog::changeEvent(e);
}

void StatusDialog::closeEvent(QCloseEvent* e) { e->ignore(); }

void StatusDialog::keyPressEvent(QKeyEvent* e) {
    // Escape would reject (hide) a dialog; this one is only hidden by the link.
    if (e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}

}  // namespace kdsp
