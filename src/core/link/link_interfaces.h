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

// What the link tells a front end that shows the link's own work (a status line, a
// progress display, connect/disconnect, the stored-mode list), and the two things it
// asks of it. Only a front end with such a display implements it, and only what it
// shows: the base shows nothing. The session passes the reports on. Nothing here is
// worded: each front end words the statuses and notices in its own language.
class LinkDisplay {
public:
    virtual ~LinkDisplay() = default;

    // The link's status now (offline, searching, online, reconnecting...).
    virtual void StatusChanged(LinkStatus /*status*/) {}

    // A search or transfer at work: the status of the step, where the search tries
    // now (a serial port by name, or nullopt for the network) and how far a transfer
    // has come in percent. WorkGoesOn comes with every tick of it (not while the
    // link reconnects by itself), WorkEnded once it is over, either way.
    virtual void WorkStatus(LinkStatus /*status*/) {}
    virtual void WorkPlace(const std::optional<std::string>& /*serialPort*/) {}
    virtual void WorkProgress(int /*percent*/) {}
    virtual void WorkGoesOn() {}
    virtual void WorkEnded() {}

    // Something the user is to be told and acknowledge.
    virtual void Notify(LinkNotice /*notice*/) {}

    // The image holds the processor's memory, just read (or read again after a recall).
    virtual void ImageLoaded() {}
    // Whether a link is up or being made (disconnect offered) or not (connect offered).
    virtual void LinkActive(bool /*active*/) {}
    // The stored modes' names changed: the nine items "N-name" of the mode list.
    virtual void ModeNamesChanged(const std::vector<std::string>& /*items*/) {}
    // The processor's identity as eight hex digits (empty before one is read).
    virtual void IdentityChanged(const std::string& /*text*/) {}
    // One line of the link's own diagnosis.
    virtual void Diagnostic(const std::string& /*line*/) {}
    // The processor's memory is read and the link is online.
    virtual void CameOnline() {}
    // The TCP end point as the front end holds it now. Asked at each TCP connect, so
    // what the user typed meanwhile is what is tried; nothing keeps the one given to
    // Link::SetTcpEndpoint.
    virtual std::optional<TcpEndpoint> CurrentTcpEndpoint() const { return std::nullopt; }

    // True while the front end moves its own controls to the image's values: what
    // they store then is not sent. The link clears it when a connection starts or ends.
    virtual bool HoldsEdits() const { return false; }
    virtual void SetHoldsEdits(bool /*on*/) {}
};

}  // namespace kdsp
