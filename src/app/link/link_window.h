// LinkWindow: the hidden link window. It owns the device session (with the Qt
// transports and timers) on the main window's image, and is the session's display:
// it shows what the link reports.
#pragma once

#include <memory>

#include <QWidget>

#include "app/state/app_context.h"
#include "app/state/app_options.h"
#include "core/link/link_interfaces.h"
#include "core/session/session_events.h"

namespace kdsp {

class BoundButton;
class DeviceSession;
class StatusDialog;

class LinkWindow : public QWidget, public LinkDisplay {
public:
    LinkWindow(AppContext& main, StatusDialog& status, const AppOptions& options);
    ~LinkWindow() override;

    // Fills ComComboBox1 with the serial ports (the injected list when given).
    void ListPorts();
    // LinkBtn connects (starts the search), UnLinkBtn disconnects.
    void ConnectOrDisconnect(BoundButton* sender);
    bool Online() const;
    // 0 until a link is up, 1 for its first page refresh, 2 once that has been taken.
    int FreshLink() const;
    void SendLinkCommand(int code);
    // The main window closes: tell the processor when online, flush the line.
    void CloseRequest();
    DeviceSession& session();

    // LinkDisplay: the session's display
    void StatusChanged(LinkStatus status) override;
    void WorkStatus(LinkStatus status) override;
    void WorkPlace(const std::optional<std::string>& serialPort) override;
    void WorkProgress(int percent) override;
    void WorkGoesOn() override;
    void WorkEnded() override;
    void Notify(LinkNotice notice) override;
    void ImageLoaded() override;
    void LinkActive(bool linkActive) override;
    void ModeNamesChanged(const std::vector<std::string>& items) override;
    void IdentityChanged(const std::string& text) override;
    void Diagnostic(const std::string& line) override;
    void CameOnline() override;
    std::optional<TcpEndpoint> CurrentTcpEndpoint() const override;
    bool HoldsEdits() const override;
    void SetHoldsEdits(bool on) override;

    // Modal messages are skipped when set (screenshots, tests).
    void SetQuietMessages(bool quiet) { quiet_ = quiet; }
    QStringList Diagnostics() const { return diagnostics_; }
    // The link label's caption as the window words the link's status now.
    const QString& LinkCaption() const { return caption_; }

protected:
    void changeEvent(QEvent* e) override;  // a language switch: the status is worded again
    void closeEvent(QCloseEvent* e) override;

private:
    // The window's reactions to what the session reports (undo, offline edits and
    // documents, uploads, the kept serial port, the screenshot taken once settled).
    void FollowSession(const SessionEvent& event);
    void OfferOfflineEditsSoon(bool memoryRead);
    void ShowMessage(const QString& caption, const QString& text);

    struct Parts;
    AppContext& main_;
    StatusDialog& status_;
    AppOptions options_;
    std::unique_ptr<Parts> parts_;
    bool quiet_ = false;
    QStringList diagnostics_;
    QString caption_;
    QString hint_;
    std::optional<std::string> place_;  // the serial port the search tries; nullopt: the network
    bool placeShown_ = false;
    QStringList deniedPorts_;  // serial ports of this search the user may not open
};

}  // namespace kdsp
