// Arbitrary bytes from the line, fed to the link engine's receive loop and
// answer checks on simulated time. The first input byte picks the request
// (plain read, read to address 255, write of the controller's own address);
// the rest arrives as the answer stream. Whatever arrives, the engine must not
// crash or overrun, and a success needs a valid checksum and the right code.
#include <QCoreApplication>
#include <cstdlib>

#include "FakeLink.h"

using namespace zmk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    FakeClock clock;
    ControllerLink link(1);
    link.SetClock(&clock);
    link.ClosePortEachExchange = 0;
    link.Attempts = 1 + (data[0] >> 6);
    link.AnswerWaitMs = 20;
    link.ByteGapMs = 5;
    auto channel = std::make_unique<ScriptChannel>(clock);
    ScriptChannel* ch = channel.get();
    link.PortHandle = std::move(channel);
    // Each attempt gets the stream again, the way a noisy line repeats itself.
    const std::vector<uint8_t> stream(data + 1, data + size);
    ch->peer = [&stream](const std::vector<uint8_t>&) { return stream; };

    bool ok = false;
    uint8_t code = 1;
    switch (data[0] % 3) {
    case 0: {
        const uint8_t body[3] = {0, 0, 18};
        ok = link.SendRequest(1, body, 3);
        break;
    }
    case 1: {
        link.Address = 255;
        const uint8_t body[3] = {4, 0, 11};
        ok = link.SendRequest(1, body, 3);
        break;
    }
    default: {
        code = 2;
        const uint8_t body[4] = {3, 0, 1, uint8_t(data[0] >> 2)};
        ok = link.SendRequest(2, body, 4);
        break;
    }
    }
    if (ok) {
        const int length = link.AnswerBuf[2];
        if (length < 6 || Crc16(link.AnswerBuf.data(), uint16_t(length)) != 0 ||
            link.AnswerBuf[3] != (code | 0x80))
            std::abort();
    } else if (link.Status == LinkStatus::Refused) {
        // A refusal is the request's own function code without the answer bit.
        if (link.AnswerBuf[3] != code) std::abort();
    } else if (link.Status != LinkStatus::NoAnswer && link.Status != LinkStatus::ByteGap &&
               link.Status != LinkStatus::BadChecksum && link.Status != LinkStatus::OtherAnswer) {
        std::abort();
    }
    (void)link.StatusText();
    return 0;
}
