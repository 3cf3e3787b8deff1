// The link window: transports, timers and the link, and the host side that
// turns link reports into window changes.
#include "app/link/link_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "app/editing/control_actions.h"
#include "app/editing/offline_edits.h"
#include "app/editing/page_refresh.h"
#include "app/editing/undo_history.h"
#include "app/i18n/language.h"
#include "app/link/link_words.h"
#include "app/panels/offline_preset.h"
#include "app/panels/status_dialog.h"
#include "app/panels/upload_guard.h"
#include "app/state/panel_state.h"
#include "app/state/settings.h"
#include "app/widgets/app_message.h"
#include "app/widgets/widgets.h"
#include "core/link/link.h"
#include "qtlink/qt_link.h"

namespace kdsp {

namespace {

std::optional<std::vector<std::string>> InjectedPorts(const AppOptions& options) {
    if (!options.serialGiven) return std::nullopt;
    std::vector<std::string> ports;
    for (const QString& p : options.serialPorts) ports.push_back(p.toStdString());
    return ports;
}

}  // namespace

struct LinkWindow::Parts {
    Parts(Model& model, LinkHost& host, const AppOptions& options) : qt(model, host), link(qt.link()) {
        qt.transport().SetPortList(InjectedPorts(options));
        link.SetFastTransfers(options.fastTransfers);
    }
    QtLink qt;
    Link& link;
};

LinkWindow::LinkWindow(AppContext& main, StatusDialog& status, const AppOptions& options)
    : QWidget(nullptr), main_(main), status_(status), options_(options) {
    setObjectName("Form3");
    setWindowTitle("Link");
    parts_ = std::make_unique<Parts>(main_.model(), *this, options_);
    Link& link = parts_->link;
    SetPanelLink(main_, &link);  // presets, modes and locks send through this link
    if (auto* ip = main_.Ctl<QLineEdit>("IPstrEdit"); ip && !options_.host.isEmpty()) ip->setText(options_.host);
    if (auto* port = main_.Ctl<QLineEdit>("IPPortStrEdit"); port && !options_.port.isEmpty())
        port->setText(options_.port);
    // Every edit of the window reaches the processor through the link.
    main_.state().SendParamHook = [&link](std::uint16_t id, int v) { link.SendParam(id, v); };
    main_.state().SendBandParamHook = [&link](std::uint16_t id, int v) { link.SendBandParam(id, v); };
    parts_->qt.transport().OnPermissionDenied = [this](const std::string& port) {
        const QString name = QString::fromStdString(port);
        if (!deniedPorts_.contains(name)) deniedPorts_.append(name);
    };
    link.EventObserver = [this, &link](int event) {
        if (event == EventOnline)
            if (Settings* kept = main_.KeptSettings()) {
                // The port the processor answered on is tried first next time.
                kept->SetSerialPort(QString::fromStdString(link.ConnectedPort()));
                kept->Sync();
            }
        // A search that found nothing may have passed the processor by on a port the
        // user may not open: say what to do about it.
        if (event == EventConnectFailed && !deniedPorts_.isEmpty() && !link.Reconnecting()) {
            const QString note = Tr(QT_TRANSLATE_NOOP(
                "kdsp", "串口 %1 无权限。Linux 上使用串口需要加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录。"));
            ShowMessage(PromptCaption(), note.arg(deniedPorts_.join(", ")));
        }
        UploadGuardLinkEvent(main_, event);
        OfflinePresetLinkEvent(main_, event);
        // A transfer replaces (or rewrites) the whole memory: no edit before it can be undone.
        if (event == EventLinking || event == EventReload || event == EventUpload) main_.History().Clear();
        // Online again: the edits made meanwhile are offered, once this event is through
        // (by the window alone: this link window may be gone by then).
        if (event == EventOnline || event == EventSaved) {
            const bool memoryRead = event == EventOnline && link.UploadFlag == 0;
            QTimer::singleShot(0, &main_.Window(),
                               [&main = main_, memoryRead] { OfferOfflineEdits(main, memoryRead); });
        }
        if (event == EventOnline || event == EventConnectFailed || event == EventLinkLost) main_.LinkSettled();
    };
    // Once online, a lost link is searched for again in the background.
    link.SetAutoReconnect(true);
    ShowLinkStatus(link.Status());
    SetStatusText(link.Status());
    for (const char* name : {"LinkBtn", "UnLinkBtn"})
        if (auto* b = main_.Ctl<BoundButton>(name))
            QObject::connect(b, &QPushButton::clicked, this, [this, b] { ConnectOrDisconnect(b); });
    hide();
}

LinkWindow::~LinkWindow() {
    // The window may outlive this link window: its edits are only stored from now on,
    // and neither they nor the panels reach for the link that goes with it.
    main_.state().SendParamHook = nullptr;
    main_.state().SendBandParamHook = nullptr;
    SetPanelLink(main_, nullptr);
}

Link& LinkWindow::link() { return parts_->link; }

void LinkWindow::ListPorts() {
    Link& link = parts_->link;
    link.RefreshPortList();
    if (Settings* kept = main_.KeptSettings()) link.PreferPort(kept->SerialPort().toStdString());
    auto* box = main_.Ctl<QComboBox>("ComComboBox1");
    if (!box) return;
    box->clear();
    for (const std::string& p : link.Ports()) box->addItem(QString::fromStdString(p));
    box->setCurrentIndex(link.SelectedPort());
}

void LinkWindow::ConnectOrDisconnect(BoundButton* sender) {
    if (!sender) return;
    deniedPorts_.clear();
    parts_->link.LinkBtnClick(sender->objectName() == "LinkBtn");
}

bool LinkWindow::Online() const { return parts_->link.LinkState == LinkOnline; }
int LinkWindow::FreshLink() const { return parts_->link.FreshLink; }
void LinkWindow::SendLinkCommand(int code) { parts_->link.SendLinkCommand(static_cast<std::uint16_t>(code)); }

void LinkWindow::CloseRequest() {
    // Online the processor is told (the disconnect action sends what a close sends);
    // whatever else the link was doing stops, so nothing it does later shows the
    // closed window or the status dialog again.
    parts_->link.LinkBtnClick(false);
    parts_->qt.transport().FlushWrites(200);
}

void LinkWindow::ShowLinkStatus(LinkStatus status) {
    const UiLanguage language = CurrentUiLanguage();
    caption_ = LinkStatusCaption(status, language);
    if (auto hint = LinkStatusHint(status, language)) hint_ = *hint;
    if (auto* label = main_.Ctl<QLabel>("LinkLabel")) {
        label->setText(caption_);
        if (auto* b = AsBound(label)) b->SetHint(hint_);
        // The status dialog stays away while the link reconnects: the title bar says so.
        label->setVisible(parts_ && parts_->link.Reconnecting());
    }
}
void LinkWindow::SetStatusText(LinkStatus status) {
    status_.SetStatusText(LinkStatusCaption(status, CurrentUiLanguage()));
}
void LinkWindow::SetStatusPlace(const std::optional<std::string>& serialPort) {
    place_ = serialPort;
    placeShown_ = true;
    status_.SetPortText(StatusPlaceText(place_, CurrentUiLanguage()));
}
void LinkWindow::SetStatusProgress(int percent) { status_.SetProgress(percent); }
void LinkWindow::ShowStatusDialog() { status_.ShowDialog(); }
void LinkWindow::HideStatusDialog() { status_.HideDialog(); }

void LinkWindow::ShowNotice(LinkNotice notice) {
    const NoticeWords words = LinkNoticeWords(notice, CurrentUiLanguage());
    ShowMessage(words.caption, words.text);
}

void LinkWindow::ShowMessage(const QString& caption, const QString& text) {
    diagnostics_.append(caption + ": " + text);
    if (quiet_) return;
    AppMessage(&main_.Window(), caption, text);
}

// Called once the processor's memory has been read (or re-read after a recall).
void LinkWindow::RefreshAllPages() {
    main_.state().DeviceMemoryRead = true;
    RefreshPages(main_, 20);
}

void LinkWindow::ShowLinkButtons(bool linkActive) {
    ControlAction(main_, main_.Control(linkActive ? "LinkBtn" : "UnLinkBtn"), ControlAct::LinkButtons);
}

void LinkWindow::RebuildModeList(const std::vector<std::string>& items) {
    auto* box = main_.Ctl<QComboBox>("SysModeBox");
    if (!box) return;
    const int index = box->currentIndex();
    box->clear();
    for (const std::string& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(index);
}

void LinkWindow::ShowDeviceIdentity(const std::string& text) {
    if (auto* label = main_.Ctl<QLabel>("DeviceIDLabel")) label->setText(QString::fromStdString(text));
}

void LinkWindow::Diagnostic(const std::string& line) { diagnostics_.append(QString::fromStdString(line)); }

void LinkWindow::ShowMainWindow() {
    main_.Window().show();
    main_.Window().raise();
}

std::optional<TcpEndpoint> LinkWindow::CurrentTcpEndpoint() const {
    auto* ip = main_.Ctl<QLineEdit>("IPstrEdit");
    auto* port = main_.Ctl<QLineEdit>("IPPortStrEdit");
    if (!ip || !port) return std::nullopt;
    return TcpEndpoint{ip->text().trimmed().toStdString(), port->text().trimmed().toInt()};
}

bool LinkWindow::SuppressSend() const { return main_.state().SuppressSend; }
void LinkWindow::SetSuppressSend(bool on) { main_.state().SuppressSend = on; }

void LinkWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) {
        // The label and the dialog show the status now in the new language.
        ShowLinkStatus(parts_->link.Status());
        SetStatusText(parts_->link.Status());
        if (placeShown_) SetStatusPlace(place_);
    }
    QWidget::changeEvent(e);
}

void LinkWindow::closeEvent(QCloseEvent* e) {
    // The link window is never shown; a close request only hides it again.
    e->ignore();
    hide();
}

}  // namespace kdsp
