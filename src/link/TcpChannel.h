#pragma once

#include <memory>

#include "link/LinkChannel.h"

class QTcpSocket;

namespace zmk {

// A connected TCP socket as the byte channel of the Ethernet link
// (ConnectTcp of TcpConnect.h makes the connection).
class TcpChannel : public LinkChannel {
public:
    explicit TcpChannel(std::unique_ptr<QTcpSocket> socket);
    ~TcpChannel() override;

    bool isOpen() const override;
    void close() override;
    bool write(const uint8_t* data, int count) override;
    // 1 byte of the waiting data, 0 when none waits, -1 when the connection failed.
    int readByte(uint8_t* byte) override;
    void waitForData(int64_t timeoutNs) override;
    void waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) override;
    // Discards everything that has arrived and not been read (a late answer
    // to an earlier request).
    void purge() override;

    QTcpSocket* socket() const { return socket_.get(); }

private:
    std::unique_ptr<QTcpSocket> socket_;
};

}  // namespace zmk
