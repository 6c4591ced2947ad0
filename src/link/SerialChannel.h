#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "link/LinkChannel.h"
#include "settings/MainSettings.h"

class QSerialPort;

namespace zmk {

// A serial port as a byte channel of the link engine and the modem dialogue.
class SerialChannel : public LinkChannel {
public:
    explicit SerialChannel(std::unique_ptr<QSerialPort> port);
    ~SerialChannel() override;

    bool isOpen() const override;
    void close() override;
    bool write(const uint8_t* data, int count) override;
    int readByte(uint8_t* byte) override;
    void waitForData(int64_t timeoutNs) override;
    void waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) override;
    bool setBaud(int32_t baud) override;
    void purge() override;
    void setRts(bool on) override;
    void setDtr(bool on) override;
    bool drain() override;
    int carrierDetect() override;
    void clearErrors() override;

    QSerialPort* port() const { return port_.get(); }

private:
    std::unique_ptr<QSerialPort> port_;
};

// Device behind serial port number n. On Windows "COMn"; elsewhere the
// mapping set from the settings, else the n-th conventional device (/dev/ttyS<n-1>).
QString ComPortDevice(int portNo);
void SetComPortDevice(int portNo, const QString& device);
void ClearComPortDevices();
// Takes the port devices of the settings ("COM_PORTS").
void ApplyPortDevices(const MainSettings& settings);

// Opens the port exclusively with the given line settings: baud clamped to
// 110..256000, data bits to 4..8; parity 0 none, 1 even, 2 odd (else none);
// stop bits 0 one, 1 one and a half, 2 two (else one). Null when any step fails.
std::unique_ptr<SerialChannel> OpenComPort(int portNo, int32_t baud, int dataBits, int parity, int stopBits,
                                        int inQueue, int outQueue, bool dtrEnable, bool rtsEnable);

}  // namespace zmk
