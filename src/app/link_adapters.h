// Qt side of the link for the window: the serial port and TCP socket behind
// the Transport interface, and three QTimers behind LinkTimers.
#pragma once

#include <functional>
#include <optional>

#include <QObject>

#include "core/link/link_interfaces.h"

class QSerialPort;
class QTcpSocket;
class QTimer;

namespace kdsp {

class WindowTransport : public Transport {
public:
    // `injectedPorts`: when set, the port list the search uses instead of the PC's.
    explicit WindowTransport(std::optional<std::vector<std::string>> injectedPorts);
    ~WindowTransport() override;

    std::vector<std::string> ListPorts() override;
    bool OpenSerial(const std::string& name) override;
    void CloseSerial() override;
    bool IsSerialOpen() const override;
    void ConnectTcp(const std::string& host, int port) override;
    void DisconnectTcp() override;
    void Write(int kind, std::span<const std::uint8_t> bytes) override;

    // Pushes what is still buffered out before the program ends.
    void Flush();

    std::function<void(std::span<const std::uint8_t>)> OnSerialBytes;
    std::function<void(std::span<const std::uint8_t>)> OnTcpBytes;

private:
    std::optional<std::vector<std::string>> injected_;
    QSerialPort* serial_;
    QTcpSocket* socket_;
};

class WindowTimers : public LinkTimers {
public:
    WindowTimers();
    ~WindowTimers() override;
    void Start(LinkTimer timer) override;
    void Stop(LinkTimer timer) override;
    void SetInterval(LinkTimer timer, int ms) override;
    bool IsRunning(LinkTimer timer) const override;

    QTimer* Timer(LinkTimer timer) const;

private:
    QTimer* timers_[3];
};

}  // namespace kdsp
