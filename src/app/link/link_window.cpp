// The link window: the device session on the window's image, and the display side
// that turns link reports into window changes.
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
#include "core/model/model.h"
#include "qtlink/qt_session.h"

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
    Parts(Model& model, LinkDisplay& display, const AppOptions& options)
        : qt(model, display), session(qt.session()) {
        qt.transport().SetPortList(InjectedPorts(options));
        session.SetFastTransfers(options.fastTransfers);
    }
    QtSession qt;
    DeviceSession& session;
};

LinkWindow::LinkWindow(AppContext& main, StatusDialog& status, const AppOptions& options)
    : QWidget(nullptr), main_(main), status_(status), options_(options) {
    setObjectName("Form3");
    setWindowTitle("Link");
    parts_ = std::make_unique<Parts>(main_.model(), *this, options_);
    DeviceSession& session = parts_->session;
    SetPanelSession(main_, &session);  // presets, modes and locks send through this session
    if (auto* ip = main_.Ctl<QLineEdit>("IPstrEdit"); ip && !options_.host.isEmpty()) ip->setText(options_.host);
    if (auto* port = main_.Ctl<QLineEdit>("IPPortStrEdit"); port && !options_.port.isEmpty())
        port->setText(options_.port);
    // Every edit of the window reaches the processor through the session: the window
    // stores it in the copy its view shows, and the session writes that copy's row.
    main_.state().SendEdit = [&session](const ImageEdit& edit) { session.Set(edit); };
    parts_->qt.transport().OnPermissionDenied = [this](const std::string& port) {
        const QString name = QString::fromStdString(port);
        if (!deniedPorts_.contains(name)) deniedPorts_.append(name);
    };
    session.OnEvent = [this](const SessionEvent& event) { FollowSession(event); };
    // Once online, a lost link is searched for again in the background.
    session.SetAutoReconnect(true);
    StatusChanged(session.Status());
    WorkStatus(session.Status());
    for (const char* name : {"LinkBtn", "UnLinkBtn"})
        if (auto* b = main_.Ctl<BoundButton>(name))
            QObject::connect(b, &QPushButton::clicked, this, [this, b] { ConnectOrDisconnect(b); });
    hide();
}

LinkWindow::~LinkWindow() {
    // The window may outlive this link window: its edits are only stored from now on,
    // and neither they nor the panels reach for the link that goes with it.
    main_.state().SendEdit = nullptr;
    SetPanelSession(main_, nullptr);
}

DeviceSession& LinkWindow::session() { return parts_->session; }

void LinkWindow::FollowSession(const SessionEvent& event) {
    UploadGuardSessionEvent(main_, event);
    OfflinePresetSessionEvent(main_, event);
    const auto* failure = std::get_if<Failure>(&event);
    const bool ended = failure && EndsConnection(failure->code);
    if (const auto* done = std::get_if<TransferDone>(&event)) {
        if (Settings* kept = main_.KeptSettings()) {
            // The port the processor answered on is tried first next time.
            kept->SetSerialPort(QString::fromStdString(parts_->session.ConnectedPort()));
            kept->Sync();
        }
        OfferOfflineEditsSoon(done->kind != TransferKind::Upload);
    }
    // A search that found nothing may have passed the processor by on a port the
    // user may not open: say what to do about it.
    if (ended && !deniedPorts_.isEmpty() && !parts_->session.Reconnecting()) {
        const QString note = Tr(QT_TRANSLATE_NOOP(
            "kdsp", "串口 %1 无权限。Linux 上使用串口需要加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录。"));
        ShowMessage(PromptCaption(), note.arg(deniedPorts_.join(", ")));
    }
    // A transfer replaces (or rewrites) the whole memory: no edit before it can be undone.
    if (std::holds_alternative<TransferBegan>(event)) main_.History().Clear();
    // A save is the processor's answer too: edits made while it waited are offered.
    if (std::holds_alternative<ModeSaved>(event)) OfferOfflineEditsSoon(false);
    if (ended || std::holds_alternative<TransferDone>(event)) main_.LinkSettled();
}

void LinkWindow::OfferOfflineEditsSoon(bool memoryRead) {
    // Online again: the edits made meanwhile are offered, once this event is through
    // (by the window alone: this link window may be gone by then).
    QTimer::singleShot(0, &main_.Window(), [&main = main_, memoryRead] { OfferOfflineEdits(main, memoryRead); });
}

void LinkWindow::ListPorts() {
    DeviceSession& session = parts_->session;
    session.ListPorts();
    if (Settings* kept = main_.KeptSettings()) session.PreferPort(kept->SerialPort().toStdString());
    auto* box = main_.Ctl<QComboBox>("ComComboBox1");
    if (!box) return;
    box->clear();
    for (const std::string& p : session.Ports()) box->addItem(QString::fromStdString(p));
    box->setCurrentIndex(session.SelectedPort());
}

void LinkWindow::ConnectOrDisconnect(BoundButton* sender) {
    if (!sender) return;
    deniedPorts_.clear();
    if (sender->objectName() == "LinkBtn")
        parts_->session.PressConnect();
    else
        parts_->session.Disconnect();
}

bool LinkWindow::Online() const { return parts_->session.OnlineNow(); }
int LinkWindow::FreshLink() const {
    const DeviceSession& session = parts_->session;
    return session.FreshLinkTaken() ? 2 : session.FreshLink() ? 1 : 0;
}
void LinkWindow::SendLinkCommand(int code) { parts_->session.SendLinkCommand(static_cast<std::uint16_t>(code)); }

void LinkWindow::CloseRequest() {
    // Online the processor is told (the disconnect action sends what a close sends);
    // whatever else the link was doing stops, so nothing it does later shows the
    // closed window or the status dialog again.
    parts_->session.Disconnect();
    parts_->qt.transport().FlushWrites(200);
}

void LinkWindow::StatusChanged(LinkStatus status) {
    const UiLanguage language = CurrentUiLanguage();
    caption_ = LinkStatusCaption(status, language);
    if (auto hint = LinkStatusHint(status, language)) hint_ = *hint;
    if (auto* label = main_.Ctl<QLabel>("LinkLabel")) {
        label->setText(caption_);
        if (auto* b = AsBound(label)) b->SetHint(hint_);
        // The status dialog stays away while the link reconnects: the title bar says so.
        label->setVisible(parts_ && parts_->session.Reconnecting());
    }
}
void LinkWindow::WorkStatus(LinkStatus status) {
    status_.SetStatusText(LinkStatusCaption(status, CurrentUiLanguage()));
}
void LinkWindow::WorkPlace(const std::optional<std::string>& serialPort) {
    place_ = serialPort;
    placeShown_ = true;
    status_.SetPortText(StatusPlaceText(place_, CurrentUiLanguage()));
}
void LinkWindow::WorkProgress(int percent) { status_.SetProgress(percent); }
void LinkWindow::WorkGoesOn() { status_.ShowDialog(); }
void LinkWindow::WorkEnded() { status_.HideDialog(); }

void LinkWindow::Notify(LinkNotice notice) {
    const NoticeWords words = LinkNoticeWords(notice, CurrentUiLanguage());
    ShowMessage(words.caption, words.text);
}

void LinkWindow::ShowMessage(const QString& caption, const QString& text) {
    diagnostics_.append(caption + ": " + text);
    if (quiet_) return;
    AppMessage(&main_.Window(), caption, text);
}

// Called once the processor's memory has been read (or re-read after a recall).
void LinkWindow::ImageLoaded() {
    main_.state().DeviceMemoryRead = true;
    RefreshPages(main_, 20);
}

void LinkWindow::LinkActive(bool linkActive) {
    ControlAction(main_, main_.Control(linkActive ? "LinkBtn" : "UnLinkBtn"), ControlAct::LinkButtons);
}

void LinkWindow::ModeNamesChanged(const std::vector<std::string>& items) {
    auto* box = main_.Ctl<QComboBox>("SysModeBox");
    if (!box) return;
    const int index = box->currentIndex();
    box->clear();
    for (const std::string& item : items) box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(index);
}

void LinkWindow::IdentityChanged(const std::string& text) {
    if (auto* label = main_.Ctl<QLabel>("DeviceIDLabel")) label->setText(QString::fromStdString(text));
}

void LinkWindow::Diagnostic(const std::string& line) { diagnostics_.append(QString::fromStdString(line)); }

void LinkWindow::CameOnline() {
    main_.Window().show();
    main_.Window().raise();
}

std::optional<TcpEndpoint> LinkWindow::CurrentTcpEndpoint() const {
    auto* ip = main_.Ctl<QLineEdit>("IPstrEdit");
    auto* port = main_.Ctl<QLineEdit>("IPPortStrEdit");
    if (!ip || !port) return std::nullopt;
    return TcpEndpoint{ip->text().trimmed().toStdString(), port->text().trimmed().toInt()};
}

bool LinkWindow::HoldsEdits() const { return main_.state().SuppressSend; }
void LinkWindow::SetHoldsEdits(bool on) { main_.state().SuppressSend = on; }

void LinkWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) {
        // The label and the dialog show the status now in the new language.
        StatusChanged(parts_->session.Status());
        WorkStatus(parts_->session.Status());
        if (placeShown_) WorkPlace(place_);
    }
    QWidget::changeEvent(e);
}

void LinkWindow::closeEvent(QCloseEvent* e) {
    // The link window is never shown; a close request only hides it again.
    e->ignore();
    hide();
}

}  // namespace kdsp
