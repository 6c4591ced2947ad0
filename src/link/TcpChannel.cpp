#include "link/TcpChannel.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <algorithm>

namespace zmk {

namespace {
constexpr int SendTimeoutMs = 5000;
}

TcpChannel::TcpChannel(std::unique_ptr<QTcpSocket> socket) : socket_(std::move(socket)) {}

TcpChannel::~TcpChannel() { close(); }

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

void TcpChannel::purge() {
    if (!socket_) return;
    // Data the system holds but the socket has not taken in yet counts too.
    while (socket_->waitForReadyRead(0) || socket_->bytesAvailable() > 0) {
        if (socket_->bytesAvailable() > 0) socket_->readAll();
        else break;
    }
}

void TcpChannel::waitForData(int64_t timeoutNs) {
    if (!isOpen() || socket_->bytesAvailable() > 0 || timeoutNs <= 0) return;
    const int ms = int(std::max<int64_t>(1, (timeoutNs + 999999) / 1000000));
    socket_->waitForReadyRead(ms);
}

void TcpChannel::waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) {
    if (!isOpen() || socket_->bytesAvailable() > 0 || timeoutNs <= 0) return;
    QElapsedTimer elapsed;
    elapsed.start();
    const auto result = waiter.wait(int(socket_->socketDescriptor()), LinkWaiter::Event::Readable, timeoutNs);
    if (result != LinkWaiter::Result::Ready) return;
    // The socket's own notifier normally has taken the bytes in (or seen the
    // peer close) by now; what it has not is pulled in here.
    if (socket_->bytesAvailable() > 0 || socket_->waitForReadyRead(0) || !isOpen()) return;
    // Readable without data on an open connection: nothing to take, and it
    // would stay readable; the rest of the time is waited out instead.
    waiter.sleep(timeoutNs - elapsed.nsecsElapsed());
}

}  // namespace zmk
