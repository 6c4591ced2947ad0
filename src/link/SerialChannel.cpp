#include "link/SerialChannel.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <algorithm>
#include <map>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <cerrno>
#include <ctime>

namespace zmk {

namespace {

constexpr int32_t MinBaud = 110;
constexpr int32_t MaxBaud = 256000;

std::map<int, QString>& DeviceMap() {
    static std::map<int, QString> map;
    return map;
}

int32_t ClampBaud(int32_t baud) { return std::clamp(baud, MinBaud, MaxBaud); }

}  // namespace

QString ComPortDevice(int portNo) {
    const auto it = DeviceMap().find(portNo);
    if (it != DeviceMap().end()) return it->second;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNo);
#else
    return QStringLiteral("/dev/ttyS%1").arg(std::max(portNo - 1, 0));
#endif
}

void SetComPortDevice(int portNo, const QString& device) { DeviceMap()[portNo] = device; }

void ClearComPortDevices() { DeviceMap().clear(); }

SerialChannel::SerialChannel(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}

SerialChannel::~SerialChannel() { close(); }

bool SerialChannel::isOpen() const { return port_ && port_->isOpen(); }

void SerialChannel::close() {
    if (port_ && port_->isOpen()) port_->close();
}

bool SerialChannel::write(const uint8_t* data, int count) {
    if (!isOpen()) return false;
    if (port_->write(reinterpret_cast<const char*>(data), count) != count) return false;
    // A blocking write of the whole block: long enough for the block at the
    // current speed, with a second to spare.
    const int budgetMs = 1000 + int(int64_t(count) * 10 * 1000 / std::max<qint32>(port_->baudRate(), 1));
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(budgetMs)) return false;
    }
    return true;
}

int SerialChannel::readByte(uint8_t* byte) {
    if (!isOpen()) return -1;
    if (port_->bytesAvailable() == 0) return 0;
    char c = 0;
    const qint64 got = port_->read(&c, 1);
    if (got < 0) return -1;
    if (got == 0) return 0;
    *byte = uint8_t(c);
    return 1;
}

void SerialChannel::waitForData(int64_t timeoutNs) {
    if (timeoutNs <= 0) return;
    if (!isOpen() || port_->handle() < 0) {
        // A port that has failed has nothing to wait for; keep the caller's pace.
        timespec ts{time_t(timeoutNs / 1000000000), long(timeoutNs % 1000000000)};
        nanosleep(&ts, nullptr);
        return;
    }
    if (port_->bytesAvailable() > 0) return;
    pollfd pfd{port_->handle(), POLLIN, 0};
    timespec ts{time_t(timeoutNs / 1000000000), long(timeoutNs % 1000000000)};
    const int ready = ppoll(&pfd, 1, &ts, nullptr);
    if (ready > 0) {
        if (pfd.revents & POLLIN) {
            // Pull what arrived into the port's buffer.
            port_->waitForReadyRead(0);
        } else {
            // Hang-up or error without data: do not spin on it.
            nanosleep(&ts, nullptr);
        }
    }
}

void SerialChannel::waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) {
    if (timeoutNs <= 0) return;
    if (!isOpen() || port_->handle() < 0) {
        waiter.sleep(timeoutNs);
        return;
    }
    if (port_->bytesAvailable() > 0) return;
    QElapsedTimer elapsed;
    elapsed.start();
    if (waiter.wait(int(port_->handle()), LinkWaiter::Event::Readable, timeoutNs) != LinkWaiter::Result::Ready)
        return;
    // The port's own notifier normally has taken the bytes in by now; what
    // it has not is pulled in here.
    if (port_->bytesAvailable() > 0 || port_->waitForReadyRead(0)) return;
    // Readable without data: a hang-up or an error. It stays readable, so
    // the rest of the time is waited out instead of spinning on it.
    waiter.sleep(timeoutNs - elapsed.nsecsElapsed());
}

bool SerialChannel::setBaud(int32_t baud) {
    if (!isOpen()) return false;
    const int32_t clamped = ClampBaud(baud);
    if (port_->baudRate() == clamped) return true;
    return port_->setBaudRate(clamped);
}

void SerialChannel::purge() {
    if (isOpen()) port_->clear(QSerialPort::AllDirections);
}

// Lines a pseudo-terminal does not have may refuse to change; that is not an
// error of the exchange.
void SerialChannel::setRts(bool on) {
    if (isOpen()) port_->setRequestToSend(on);
}

void SerialChannel::setDtr(bool on) {
    if (isOpen()) port_->setDataTerminalReady(on);
}

bool SerialChannel::drain() {
    if (!isOpen() || port_->handle() < 0) return false;
    // The port's own buffer first, then the driver's queue down to the line.
    if (port_->bytesToWrite() > 0 && !port_->waitForBytesWritten(1000)) return false;
    int rc;
    do {
        rc = ::tcdrain(port_->handle());
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

int SerialChannel::carrierDetect() {
    if (!isOpen() || port_->handle() < 0) return -1;
    // Asked of the driver directly: a pseudo-terminal or an adapter without
    // modem lines refuses, and that is "cannot tell", not "carrier off".
    int lines = 0;
    if (::ioctl(port_->handle(), TIOCMGET, &lines) != 0) return -1;
    return (lines & TIOCM_CD) ? 1 : 0;
}

void SerialChannel::clearErrors() {
    if (port_) port_->clearError();
}

std::unique_ptr<SerialChannel> OpenComPort(int portNo, int32_t baud, int dataBits, int parity, int stopBits,
                                        int inQueue, int /*outQueue*/, bool dtrEnable, bool rtsEnable) {
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(ComPortDevice(portNo));
    if (!port->open(QIODevice::ReadWrite)) return nullptr;

    const int bits = std::clamp(dataBits, 4, 8);
    const QSerialPort::Parity parityValue =
        parity == 1 ? QSerialPort::EvenParity : parity == 2 ? QSerialPort::OddParity : QSerialPort::NoParity;
    const QSerialPort::StopBits stopValue = stopBits == 1   ? QSerialPort::OneAndHalfStop
                                            : stopBits == 2 ? QSerialPort::TwoStop
                                                            : QSerialPort::OneStop;
    // Fewer than five data bits do not exist on this platform; five is the nearest.
    const auto dataValue = QSerialPort::DataBits(std::max(bits, 5));
    const bool ok = port->setBaudRate(ClampBaud(baud)) && port->setDataBits(dataValue) &&
                    port->setParity(parityValue) && port->setStopBits(stopValue) &&
                    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        port->close();
        return nullptr;
    }
    (void)inQueue;  // the port buffer grows as needed; the driver keeps its own queues
    port->setReadBufferSize(0);
    port->setDataTerminalReady(dtrEnable);
    port->setRequestToSend(rtsEnable);
    port->clearError();
    return std::make_unique<SerialChannel>(std::move(port));
}

void ApplyPortDevices(const MainSettings& settings) {
    ClearComPortDevices();
    for (auto it = settings.PortDevices.cbegin(); it != settings.PortDevices.cend(); ++it)
        SetComPortDevice(it.key(), it.value());
}

}  // namespace zmk
