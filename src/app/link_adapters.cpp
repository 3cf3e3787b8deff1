// Serial port, TCP socket and timers of the link window. Errors are swallowed:
// the link sees them only as silence or a failed open.
#include "app/link_adapters.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTcpSocket>
#include <QTimer>

namespace kdsp {

namespace {

void Deliver(QIODevice* dev, const std::function<void(std::span<const std::uint8_t>)>& sink) {
    const QByteArray data = dev->readAll();
    if (sink && !data.isEmpty())
        sink(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                           static_cast<std::size_t>(data.size())));
}

}  // namespace

WindowTransport::WindowTransport(std::optional<std::vector<std::string>> injectedPorts)
    : injected_(std::move(injectedPorts)), serial_(new QSerialPort), socket_(new QTcpSocket) {
    QObject::connect(serial_, &QSerialPort::readyRead, serial_, [this] { Deliver(serial_, OnSerialBytes); });
    QObject::connect(socket_, &QTcpSocket::readyRead, socket_, [this] { Deliver(socket_, OnTcpBytes); });
}

WindowTransport::~WindowTransport() {
    delete serial_;
    socket_->abort();
    delete socket_;
}

std::vector<std::string> WindowTransport::ListPorts() {
    if (injected_) return *injected_;
    std::vector<std::string> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) out.push_back(info.portName().toStdString());
    return out;
}

bool WindowTransport::OpenSerial(const std::string& name) {
    CloseSerial();
    serial_->setPortName(QString::fromStdString(name));
    serial_->setBaudRate(57600);
    serial_->setDataBits(QSerialPort::Data8);
    serial_->setParity(QSerialPort::NoParity);
    serial_->setStopBits(QSerialPort::OneStop);
    serial_->setFlowControl(QSerialPort::NoFlowControl);
    if (!serial_->open(QIODevice::ReadWrite)) return false;
    serial_->setDataTerminalReady(true);
    serial_->setRequestToSend(true);
    return true;
}

void WindowTransport::CloseSerial() {
    if (serial_->isOpen()) serial_->close();
}

bool WindowTransport::IsSerialOpen() const { return serial_->isOpen(); }

void WindowTransport::ConnectTcp(const std::string& host, int port) {
    socket_->abort();
    if (port < 1 || port > 65535) return;
    socket_->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void WindowTransport::DisconnectTcp() { socket_->abort(); }

void WindowTransport::Write(int kind, std::span<const std::uint8_t> bytes) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<qint64>(bytes.size());
    if (kind == TransportSerial) {
        if (serial_->isOpen()) serial_->write(data, size);
    } else if (socket_->state() == QAbstractSocket::ConnectedState) {
        socket_->write(data, size);
    }
}

void WindowTransport::Flush() {
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        socket_->flush();
        socket_->waitForBytesWritten(200);
    }
    if (serial_->isOpen()) serial_->waitForBytesWritten(200);
}

WindowTimers::WindowTimers() {
    const int intervals[3] = {SearchIntervalMs, TransferIntervalMs, HoldIntervalMs};
    for (int k = 0; k < 3; ++k) {
        timers_[k] = new QTimer;
        timers_[k]->setInterval(intervals[k]);
    }
}

WindowTimers::~WindowTimers() {
    for (QTimer* t : timers_) delete t;
}

QTimer* WindowTimers::Timer(LinkTimer timer) const { return timers_[static_cast<int>(timer)]; }

void WindowTimers::Start(LinkTimer timer) {
    if (!Timer(timer)->isActive()) Timer(timer)->start();
}

void WindowTimers::Stop(LinkTimer timer) { Timer(timer)->stop(); }

void WindowTimers::SetInterval(LinkTimer timer, int ms) { Timer(timer)->setInterval(ms); }

bool WindowTimers::IsRunning(LinkTimer timer) const { return Timer(timer)->isActive(); }

}  // namespace kdsp
