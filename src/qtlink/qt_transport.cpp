// Serial port and TCP client for the link. Neither ever raises an error to the
// user: a port that will not open or a socket that will not connect is just silent.
#include "qtlink/qt_transport.h"

#include <QSerialPortInfo>

namespace kdsp {

namespace {

std::span<const std::uint8_t> AsBytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

}  // namespace

std::string DialoutHint() {
    return "serial ports on Linux need membership of the dialout group: "
           "sudo usermod -aG dialout $USER, then log in again";
}

QtTransport::QtTransport(QObject* parent) : QObject(parent) {
    connect(&serial_, &QSerialPort::readyRead, this, [this] {
        const QByteArray data = serial_.readAll();
        if (trace_ && !data.isEmpty()) trace_(false, AsBytes(data));
        if (onSerial_ && !data.isEmpty()) onSerial_(AsBytes(data));
    });
    connect(&serial_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::NoError) return;
        // Cleared at once, so only what an open needs to know is kept.
        if (e == QSerialPort::PermissionError) openDenied_ = true;
        serialError_ = serial_.errorString().toStdString();
        serial_.clearError();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        const QByteArray data = socket_.readAll();
        if (trace_ && !data.isEmpty()) trace_(false, AsBytes(data));
        if (onTcp_ && !data.isEmpty()) onTcp_(AsBytes(data));
    });
    // Socket errors are not raised; a connection that ends (the processor hung up, or
    // it never came up) is told to the link, which reports it at once.
    connect(&socket_, &QAbstractSocket::errorOccurred, this, [](QAbstractSocket::SocketError) {});
    connect(&socket_, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::ConnectedState) tcpConnected_ = true;
        if (state != QAbstractSocket::UnconnectedState) return;
        const bool wasConnected = tcpConnected_;
        tcpConnected_ = false;
        if (!closingTcp_ && onTcpClosed_) onTcpClosed_(wasConnected, socket_.errorString().toStdString());
    });
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

QtTransport::~QtTransport() {
    onTcpClosed_ = nullptr;
    socket_.abort();
    if (serial_.isOpen()) serial_.close();
}

void QtTransport::SetHandlers(BytesHandler serial, BytesHandler tcp, ClosedHandler tcpClosed) {
    onSerial_ = std::move(serial);
    onTcp_ = std::move(tcp);
    onTcpClosed_ = std::move(tcpClosed);
}

std::vector<std::string> QtTransport::ListPorts() {
    if (portOverride_) return *portOverride_;
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.push_back(info.systemLocation().toStdString());
    return names;
}

bool QtTransport::OpenSerial(const std::string& name) {
    CloseSerial();
    serial_.setPortName(QString::fromStdString(name));
    serial_.setBaudRate(QSerialPort::Baud57600);
    serial_.setDataBits(QSerialPort::Data8);
    serial_.setParity(QSerialPort::NoParity);
    serial_.setStopBits(QSerialPort::OneStop);
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    openDenied_ = false;
    serialError_.clear();
    if (!serial_.open(QIODevice::ReadWrite)) {
        serial_.clearError();
        if (openDenied_ && OnPermissionDenied) OnPermissionDenied(name);
        return false;
    }
    // Some lines (pseudo-terminals) have no modem lines; that is no reason to fail.
    serial_.setDataTerminalReady(true);
    serial_.setRequestToSend(true);
    serial_.clearError();
    return true;
}

void QtTransport::CloseSerial() {
    if (serial_.isOpen()) serial_.close();
    serial_.clearError();
    serialError_.clear();
}

bool QtTransport::IsSerialOpen() const { return serial_.isOpen(); }

void QtTransport::ConnectTcp(const std::string& host, int port) {
    DisconnectTcp();
    if (port < 0 || port > 65535) return;
    // Writes made before the connection completes are buffered by the socket.
    socket_.connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void QtTransport::DisconnectTcp() {
    closingTcp_ = true;
    socket_.abort();
    closingTcp_ = false;
}

void QtTransport::Write(int kind, std::span<const std::uint8_t> bytes) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<qint64>(bytes.size());
    const bool open = kind == TransportSerial ? serial_.isOpen()
                                              : socket_.state() != QAbstractSocket::UnconnectedState;
    if (!open) return;
    if (trace_) trace_(true, bytes);
    if (kind == TransportSerial) {
        serial_.write(data, size);
        serial_.clearError();
        return;
    }
    socket_.write(data, size);
}

void QtTransport::FlushWrites(int ms) {
    if (serial_.isOpen() && serial_.bytesToWrite() > 0) serial_.waitForBytesWritten(ms);
    if (socket_.state() == QAbstractSocket::ConnectedState && socket_.bytesToWrite() > 0)
        socket_.waitForBytesWritten(ms);
}

bool QtTransport::HasPendingWrites() const {
    return (serial_.isOpen() && serial_.bytesToWrite() > 0) ||
           (socket_.state() == QAbstractSocket::ConnectedState && socket_.bytesToWrite() > 0);
}

void QtTransport::Close() {
    CloseSerial();
    DisconnectTcp();
}

}  // namespace kdsp
