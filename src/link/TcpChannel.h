#pragma once

#include <QString>
#include <memory>

#include "link/LinkChannel.h"

class QTcpSocket;

namespace zmk {

// A connected TCP socket as the byte channel of the Ethernet link.
class TcpChannel : public LinkChannel {
public:
    explicit TcpChannel(std::unique_ptr<QTcpSocket> socket);
    ~TcpChannel() override;

    // Connects to host:port within timeoutMs; null with *error set otherwise.
    static std::unique_ptr<TcpChannel> Connect(const QString& host, quint16 port, int timeoutMs,
                                               QString* error = nullptr);

    bool isOpen() const override;
    void close() override;
    bool write(const uint8_t* data, int count) override;
    // 1 byte of the waiting data, 0 when none waits, -1 when the connection failed.
    int readByte(uint8_t* byte) override;
    void waitForData(int64_t timeoutNs) override;

    QTcpSocket* socket() const { return socket_.get(); }

private:
    std::unique_ptr<QTcpSocket> socket_;
};

}  // namespace zmk
