#include "link/TcpChannel.h"

#include <QTcpSocket>
#include <algorithm>

namespace zmk {

namespace {
constexpr int SendTimeoutMs = 5000;
}

TcpChannel::TcpChannel(std::unique_ptr<QTcpSocket> socket) : socket_(std::move(socket)) {}

TcpChannel::~TcpChannel() { close(); }

std::unique_ptr<TcpChannel> TcpChannel::Connect(const QString& host, quint16 port, int timeoutMs, QString* error) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(host, port);
    if (!socket->waitForConnected(timeoutMs)) {
        if (error) *error = socket->errorString();
        return nullptr;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return std::make_unique<TcpChannel>(std::move(socket));
}

bool TcpChannel::isOpen() const { return socket_ && socket_->state() == QAbstractSocket::ConnectedState; }

void TcpChannel::close() {
    if (!socket_) return;
    socket_->abort();
}

bool TcpChannel::write(const uint8_t* data, int count) {
    if (!isOpen()) return false;
    if (socket_->write(reinterpret_cast<const char*>(data), count) != count) return false;
    while (socket_->bytesToWrite() > 0) {
        if (!socket_->waitForBytesWritten(SendTimeoutMs)) return false;
    }
    return true;
}

int TcpChannel::readByte(uint8_t* byte) {
    if (!socket_) return -1;
    if (socket_->bytesAvailable() > 0) {
        char c = 0;
        if (socket_->read(&c, 1) != 1) return -1;
        *byte = uint8_t(c);
        return 1;
    }
    // Nothing left to read and the peer is gone: the read has failed.
    return socket_->state() == QAbstractSocket::ConnectedState ? 0 : -1;
}

void TcpChannel::waitForData(int64_t timeoutNs) {
    if (!isOpen() || socket_->bytesAvailable() > 0 || timeoutNs <= 0) return;
    const int ms = int(std::max<int64_t>(1, (timeoutNs + 999999) / 1000000));
    socket_->waitForReadyRead(ms);
}

}  // namespace zmk
