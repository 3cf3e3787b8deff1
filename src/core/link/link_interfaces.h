// The three small interfaces through which the link reaches the outside world:
// the transports, its timers and the window (or CLI) that shows what it does.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kdsp {

// Values of the link's TransportKind.
inline constexpr int TransportSerial = 1;
inline constexpr int TransportTcp = 2;

// The processor's network end point as it leaves the factory.
inline constexpr const char* FactoryTcpHost = "192.168.1.100";
inline constexpr int FactoryTcpPort = 8889;

// Serial port and TCP client. Every operation swallows its own errors: a failure
// shows up to the link only as a false return or as silence from the processor.
class Transport {
public:
    virtual ~Transport() = default;

    // The serial ports present, in the order the port list shows them.
    virtual std::vector<std::string> ListPorts() = 0;
    // Closes any open port first; 57600 8N1, DTR and RTS on, no flow control.
    virtual bool OpenSerial(const std::string& name) = 0;
    virtual void CloseSerial() = 0;
    virtual bool IsSerialOpen() const = 0;

    // Non-blocking: the connection completes in the background.
    virtual void ConnectTcp(const std::string& host, int port) = 0;
    virtual void DisconnectTcp() = 0;

    // One complete frame as one write on the transport of kind TransportSerial or
    // TransportTcp (the link's TransportKind when the frame is sent).
    virtual void Write(int kind, std::span<const std::uint8_t> bytes) = 0;
};

enum class LinkTimer {
    Search,    // Timer1, 1000 ms: processor search
    Transfer,  // Timer2, 100 ms (200 ms while a TCP link is set up): transfer steps
    Hold,      // HoldTimer, 20 ms: write queues, keep-alive, loss detection
    Reconnect,  // the wait before the next attempt to reconnect (stopped when it fires)
};

inline constexpr int SearchIntervalMs = 1000;
inline constexpr int TransferIntervalMs = 100;
inline constexpr int TransferTcpIntervalMs = 200;
inline constexpr int HoldIntervalMs = 20;

// The owner calls Link::OnSearchTick, OnTransferTick, OnHoldTick and
// OnReconnectTick when the respective timer fires. Starting a running timer
// leaves it running.
class LinkTimers {
public:
    virtual ~LinkTimers() = default;
    virtual void Start(LinkTimer timer) = 0;
    virtual void Stop(LinkTimer timer) = 0;
    virtual void SetInterval(LinkTimer timer, int ms) = 0;
    virtual bool IsRunning(LinkTimer timer) const = 0;
    // A monotonic clock in milliseconds: how long a request has waited for its answer.
    virtual long NowMs() const = 0;
};

struct TcpEndpoint {
    std::string host;
    int port = 0;
};

// What the link is doing, as its label and the status dialog show it. The link
// reports the status; the front end puts it in its own words.
enum class LinkStatus {
    Disconnected,  // not connected: at the start, and after the user disconnects
    Searching,     // the link button was pressed: looking for the processor
    Linking,       // the processor answered: the first read runs
    Online,
    Recalling,     // a stored mode was recalled: the processor is loading it
    Loading,       // the pages are read again (after a recall, or a reload)
    Saving,        // a save as stored mode waits for its confirmation
    Uploading,
    Verifying,     // an upload is read back
    Reconnecting,
    Offline,       // the link was lost, or an attempt to connect failed
};

// The modal messages the link asks for (one OK button each).
enum class LinkNotice {
    Saved,          // the processor confirmed a save as stored mode
    SaveFailed,     // a save held behind edits was dropped by a transfer
    Disconnected,   // the link was lost
    ConnectFailed,  // the search or the read failed
};

// What the link shows or asks of the front end: its status, the device-status
// dialog, messages, the page refresh, the link buttons and the stored-mode list.
class LinkHost {
public:
    virtual ~LinkHost() = default;

    // The link label `LinkLabel`: the status as the link reports it now.
    virtual void ShowLinkStatus(LinkStatus status) = 0;

    // The device-status dialog: the status it shows, where the search tries now (a
    // serial port by name, or nullopt for the network), the transfer's percentage.
    virtual void SetStatusText(LinkStatus status) = 0;
    virtual void SetStatusPlace(const std::optional<std::string>& serialPort) = 0;
    virtual void SetStatusProgress(int percent) = 0;
    virtual void ShowStatusDialog() = 0;  // make visible and bring to the front
    virtual void HideStatusDialog() = 0;

    // A modal message with one OK button.
    virtual void ShowNotice(LinkNotice notice) = 0;

    // RefreshPages(20): every page from the device image.
    virtual void RefreshAllPages() = 0;
    // ControlAction(LinkBtn, 20) when linkActive, ControlAction(UnLinkBtn, 20) otherwise.
    virtual void ShowLinkButtons(bool linkActive) = 0;
    // SysModeBox rebuilt with these nine items, keeping its selected index.
    virtual void RebuildModeList(const std::vector<std::string>& items) = 0;
    // The device identity pane `DeviceIDLabel` (eight hex digits).
    virtual void ShowDeviceIdentity(const std::string& text) = 0;
    // One line for the hidden diagnostic memo.
    virtual void Diagnostic(const std::string& line) = 0;
    // Make the main window visible (the online event does this).
    virtual void ShowMainWindow() = 0;
    // The TCP end point as the window's address and port boxes hold it now. Asked at
    // each TCP connect, so what the user typed meanwhile is what is tried; nothing
    // keeps the one given to Link::SetTcpEndpoint.
    virtual std::optional<TcpEndpoint> CurrentTcpEndpoint() const { return std::nullopt; }

    // The window's SuppressSend flag: set while the window moves its own controls.
    virtual bool SuppressSend() const = 0;
    virtual void SetSuppressSend(bool on) = 0;
};

}  // namespace kdsp
