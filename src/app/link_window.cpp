// The link window: transports, timers and the link, and the host side that
// turns link reports into window changes.
#include "app/link_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "app/control_actions.h"
#include "app/page_refresh.h"
#include "app/status_dialog.h"
#include "app/widgets.h"

namespace kdsp {

struct TForm3::Parts {
    int freshLink = 0;
    bool online = false;
};

TForm3::TForm3(TForm1& main, TForm2& status, const AppOptions& options)
    : QWidget(nullptr), main_(main), status_(status), options_(options), parts_(std::make_unique<Parts>()) {
    setObjectName("Form3");
    setWindowTitle("Link");
    if (auto* ip = main_.Ctl<QLineEdit>("IPstrEdit"); ip && !options_.host.isEmpty()) ip->setText(options_.host);
    if (auto* port = main_.Ctl<QLineEdit>("IPPortStrEdit"); port && !options_.port.isEmpty())
        port->setText(options_.port);
    hide();
}

TForm3::~TForm3() = default;

void TForm3::ListPorts() {
    auto* box = main_.Ctl<QComboBox>("ComComboBox1");
    if (!box) return;
    box->clear();
    if (options_.serialGiven) box->addItems(options_.serialPorts);
    if (box->count() > 0) box->setCurrentIndex(0);
}

void TForm3::LinkBtnClick(BoundButton* sender) {
    if (!sender) return;
    const bool connect = sender->objectName() == "LinkBtn" && !Online();
    ControlAction(main_, connect ? main_.Control("LinkBtn") : main_.Control("UnLinkBtn"), 20);
    main_.LinkSettled();
}

bool TForm3::Online() const { return parts_->online; }
int TForm3::FreshLink() const { return parts_->freshLink; }
void TForm3::SendLinkCommand(int code) { (void)code; }

void TForm3::SetLinkLabel(const std::string& caption, const std::string& hint) {
    if (auto* label = main_.Ctl<QLabel>("LinkLabel")) {
        label->setText(QString::fromStdString(caption));
        if (auto* b = AsBound(label)) b->SetHint(QString::fromStdString(hint));
    }
}
void TForm3::SetStatusText(const std::string& text) { status_.SetStatusText(QString::fromStdString(text)); }
void TForm3::SetStatusPort(const std::string& text) { status_.SetPortText(QString::fromStdString(text)); }
void TForm3::SetStatusProgress(int percent) { status_.SetProgress(percent); }
void TForm3::ShowStatusDialog() { status_.ShowDialog(); }
void TForm3::HideStatusDialog() { status_.HideDialog(); }

void TForm3::ShowMessage(const std::string& caption, const std::string& text) {
    diagnostics_.append(QString::fromStdString(caption + ": " + text));
    if (quiet_) return;
    QMessageBox::information(&main_, QString::fromStdString(caption), QString::fromStdString(text));
}

void TForm3::RefreshAllPages() { RefreshPages(main_, 20); }

void TForm3::ShowLinkButtons(bool linkActive) {
    ControlAction(main_, main_.Control(linkActive ? "LinkBtn" : "UnLinkBtn"), 20);
}

void TForm3::RebuildModeList(const std::vector<std::string>& items) {
    auto* box = main_.Ctl<QComboBox>("SysModeBox");
    if (!box) return;
    const int index = box->currentIndex();
    box->clear();
    for (const std::string& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(index);
}

void TForm3::ShowDeviceIdentity(const std::string& text) {
    if (auto* label = main_.Ctl<QLabel>("DeviceIDLabel")) label->setText(QString::fromStdString(text));
}

void TForm3::Diagnostic(const std::string& line) { diagnostics_.append(QString::fromStdString(line)); }

void TForm3::ShowMainWindow() {
    main_.show();
    main_.raise();
}

bool TForm3::SuppressSend() const { return main_.state().SuppressSend; }
void TForm3::SetSuppressSend(bool on) { main_.state().SuppressSend = on; }

void TForm3::closeEvent(QCloseEvent* e) {
    // The link window is never shown; a close request only hides it again.
    e->ignore();
    hide();
}

}  // namespace kdsp
