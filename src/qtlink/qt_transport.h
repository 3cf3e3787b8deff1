// The link's Transport on Qt: a QSerialPort at 57600 8N1 and a QTcpSocket.
// Errors are swallowed; received bytes go to the handlers the owner sets.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>

#include <functional>
#include <optional>
#include <string>

#include "core/link/link_interfaces.h"

namespace kdsp {

// What to tell a user whom the system refused a serial port, for the command line;
// the window says it in the user's language.
std::string DialoutHint();

class QtTransport : public QObject, public Transport {
    Q_OBJECT
public:
    using BytesHandler = std::function<void(std::span<const std::uint8_t>)>;
    // The socket closed by itself: wasConnected, and the system's reason.
    using ClosedHandler = std::function<void(bool, const std::string&)>;
    // Every write (sent true) and every read (false), for diagnosis.
    using TraceHandler = std::function<void(bool sent, std::span<const std::uint8_t>)>;

    explicit QtTransport(QObject* parent = nullptr);
    ~QtTransport() override;

    // Received bytes of each transport, as they arrive, and the end of a connection
    // that this side did not close.
    void SetHandlers(BytesHandler serial, BytesHandler tcp, ClosedHandler tcpClosed);
    // Replaces the machine's port list (the CLI's --serial, tests, --no-serial).
    void SetPortList(std::optional<std::vector<std::string>> ports) { portOverride_ = std::move(ports); }
    void SetTrace(TraceHandler trace) { trace_ = std::move(trace); }
    // The system's reason for the last serial port failure (a failed OpenSerial);
    // empty again with every open and close.
    const std::string& SerialError() const { return serialError_; }

    std::vector<std::string> ListPorts() override;
    bool OpenSerial(const std::string& name) override;
    void CloseSerial() override;
    bool IsSerialOpen() const override;
    void ConnectTcp(const std::string& host, int port) override;
    void DisconnectTcp() override;
    void Write(int kind, std::span<const std::uint8_t> bytes) override;

    // Gives pending output up to `ms` to leave (before the program ends).
    void FlushWrites(int ms);
    // Output written but not yet handed to the system; it leaves as the event loop runs.
    bool HasPendingWrites() const;
    // Closes the serial port and the socket (the link is done with both).
    void Close();

    // Told of a serial port the user may not open (on Linux: not in the dialout
    // group). The link itself only sees a port that stays silent.
    std::function<void(const std::string& port)> OnPermissionDenied;
    // The last open failed for want of permission.
    bool OpenDenied() const { return openDenied_; }

private:
    QSerialPort serial_;
    QTcpSocket socket_;
    BytesHandler onSerial_;
    BytesHandler onTcp_;
    ClosedHandler onTcpClosed_;
    bool tcpConnected_ = false;
    bool closingTcp_ = false;  // set while this side aborts the socket
    TraceHandler trace_;
    std::string serialError_;
    std::optional<std::vector<std::string>> portOverride_;
    bool openDenied_ = false;
};

}  // namespace kdsp
