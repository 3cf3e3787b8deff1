// LinkWindow: the hidden link window. It owns the transports, the link timers and
// the link itself, and is the link's host: it shows what the link reports.
#pragma once

#include <memory>

#include <QWidget>

#include "app/state/app_context.h"
#include "app/state/app_options.h"
#include "core/link/link_interfaces.h"

namespace kdsp {

class BoundButton;
class Link;
class StatusDialog;

class LinkWindow : public QWidget, public LinkHost {
public:
    LinkWindow(AppContext& main, StatusDialog& status, const AppOptions& options);
    ~LinkWindow() override;

    // Fills ComComboBox1 with the serial ports (the injected list when given).
    void ListPorts();
    // LinkBtn connects (starts the search), UnLinkBtn disconnects.
    void ConnectOrDisconnect(BoundButton* sender);
    bool Online() const;
    int FreshLink() const;
    void SendLinkCommand(int code);
    // The main window closes: tell the processor when online, flush the line.
    void CloseRequest();
    Link& link();

    // LinkHost
    void SetLinkLabel(const std::string& caption, const std::string& hint) override;
    void SetStatusText(const std::string& text) override;
    void SetStatusPort(const std::string& text) override;
    void SetStatusProgress(int percent) override;
    void ShowStatusDialog() override;
    void HideStatusDialog() override;
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void RefreshAllPages() override;
    void ShowLinkButtons(bool linkActive) override;
    void RebuildModeList(const std::vector<std::string>& items) override;
    void ShowDeviceIdentity(const std::string& text) override;
    void Diagnostic(const std::string& line) override;
    void ShowMainWindow() override;
    std::optional<TcpEndpoint> CurrentTcpEndpoint() const override;
    bool SuppressSend() const override;
    void SetSuppressSend(bool on) override;

    // Modal messages are skipped when set (screenshots, tests).
    void SetQuietMessages(bool quiet) { quiet_ = quiet; }
    QStringList Diagnostics() const { return diagnostics_; }

protected:
    void changeEvent(QEvent* e) override;  // a language switch: the link speaks it too
    void closeEvent(QCloseEvent* e) override;

private:
    struct Parts;
    AppContext& main_;
    StatusDialog& status_;
    AppOptions options_;
    std::unique_ptr<Parts> parts_;
    bool quiet_ = false;
    QStringList diagnostics_;
    QString port_;             // the port text as the link gave it
    QStringList deniedPorts_;  // serial ports of this search the user may not open
};

}  // namespace kdsp
