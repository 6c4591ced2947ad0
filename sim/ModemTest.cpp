// The simulator's Hayes modem on its own clock, and the misbehaving TCP listeners.
#include "Modem.h"
#include "SimProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace zmksim {
namespace {

constexpr ModemNanos kMs = 1'000'000;

// Drives a modem: what the computer types and what comes back, on a clock of our own.
struct ModemDriver {
    explicit ModemDriver(ModemOptions options = {}) : modem(options, [this](const std::string& l) { log += l + "\n"; }) {}

    std::string Type(const std::string& text) {
        HayesModem::Bytes toController, toComputer;
        modem.FromComputer(reinterpret_cast<const uint8_t*>(text.data()), text.size(), now, toController, toComputer);
        controller.append(toController.begin(), toController.end());
        return std::string(toComputer.begin(), toComputer.end());
    }
    std::string Wait(ModemNanos ms) {
        now += ms * kMs;
        HayesModem::Bytes toComputer;
        modem.Tick(now, toComputer);
        return std::string(toComputer.begin(), toComputer.end());
    }

    ModemNanos now = 1'000 * kMs;
    std::string log;
    std::string controller;  // what reached the controller
    HayesModem modem;
};

TEST(HayesModem, EchoAndVerboseUntilSwitchedOff) {
    ModemDriver d;
    EXPECT_EQ(d.Type("AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(d.Type("ate0\r"), "ate0\r\r\nOK\r\n");  // the command itself is still echoed
    EXPECT_EQ(d.Type(std::string("AT+CPAS\r\0", 9)), "\r\n+CPAS: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(d.Type("ATV0\r"), "0\r");
    EXPECT_EQ(d.Type("ATS0=0\r"), "0\r");
    // ATZ restores echo and verbose results (its own echo was still off).
    EXPECT_EQ(d.Type("ATZ\r"), "\r\nOK\r\n");
    // Typed in pieces, with line noise before the command.
    EXPECT_EQ(d.Type("xx A"), "xx A");
    EXPECT_EQ(d.Type("T\r"), "T\r\r\nOK\r\n");
    EXPECT_EQ(d.Type("hello\r"), "hello\r") << "no AT, no reply";
    // AT&F: the factory settings, echo and verbose results included.
    EXPECT_EQ(d.Type("ATE0V0\r"), "ATE0V0\r0\r");
    EXPECT_EQ(d.Type("AT&F\r"), "\r\nOK\r\n");
    EXPECT_EQ(d.Type("AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_TRUE(d.controller.empty());
}

TEST(HayesModem, StoredNumericProfileLandlineAndReportLines) {
    ModemOptions o;
    o.storedNumeric = true;
    o.landline = true;
    o.connectReport = true;
    o.dialDelay = 100 * kMs;
    ModemDriver d(o);
    EXPECT_EQ(d.Type("ATE0\r"), "ATE0\r0\r");
    EXPECT_EQ(d.Type("ATV1\r"), "\r\nOK\r\n");
    EXPECT_EQ(d.Type("ATZ\r"), "0\r") << "ATZ brings the stored numeric mode back";
    EXPECT_EQ(d.Type("ATE0V1\r"), "ATE0V1\r\r\nOK\r\n");
    EXPECT_EQ(d.Type("AT+CPAS\r"), "\r\nERROR\r\n");
    EXPECT_EQ(d.Type("ATD1\r"), "");
    EXPECT_EQ(d.Wait(100),
              "\r\nCARRIER 33600\r\n\r\nPROTOCOL: LAPM\r\n\r\nCOMPRESSION: V42BIS\r\n\r\nCONNECT 9600\r\n");
    EXPECT_TRUE(d.modem.Online());
}

TEST(HayesModem, CarrierGoesWithARequestOrAfterSilence) {
    ModemOptions o;
    o.dialDelay = 100 * kMs;
    o.dropAfterRequests = 2;
    ModemDriver d(o);
    d.Type("ATE0\r");
    d.Type("ATD1\r");
    d.Wait(100);
    ASSERT_TRUE(d.modem.Online());
    HayesModem::Bytes out;
    EXPECT_FALSE(d.modem.RequestPassed(out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(d.modem.RequestPassed(out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(d.modem.Online());
    EXPECT_FALSE(d.modem.CallUp());

    ModemOptions idle;
    idle.dialDelay = 100 * kMs;
    idle.inactivity = 1000 * kMs;
    ModemDriver e(idle);
    e.Type("ATE0\r");
    e.Type("ATD1\r");
    e.Wait(100);
    ASSERT_TRUE(e.modem.Online());
    EXPECT_EQ(e.Wait(600), "");
    e.Type("x");  // data keeps the call
    EXPECT_EQ(e.Wait(600), "");
    EXPECT_EQ(e.modem.NextDeadline(), e.now + 400 * kMs);
    EXPECT_EQ(e.Wait(400), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(e.modem.CallUp());
}

TEST(HayesModem, LateCallComesUpAfterItsDelay) {
    ModemOptions o;
    o.lateDelay = 5000 * kMs;
    std::string bad;
    ASSERT_TRUE(ParseDialScript("late", o.dialScript, &bad));
    ModemDriver d(o);
    d.Type("ATE0\r");
    d.Type("ATD1\r");
    EXPECT_EQ(d.Wait(4900), "");
    EXPECT_EQ(d.Wait(100), "\r\nCONNECT 9600\r\n");
    EXPECT_TRUE(d.modem.Online());
}

TEST(HayesModem, DialScriptThenConnect) {
    ModemOptions o;
    o.dialDelay = 300 * kMs;
    std::string bad;
    ASSERT_TRUE(ParseDialScript("busy, no_carrier,SILENT,NO DIALTONE", o.dialScript, &bad));
    ModemDriver d(o);
    d.Type("ATE0\r");
    const char* expected[] = {"\r\nBUSY\r\n", "\r\nNO CARRIER\r\n", "", "\r\nNO DIALTONE\r\n", "\r\nCONNECT 9600\r\n"};
    for (const char* reply : expected) {
        EXPECT_EQ(d.Type("ATD 123\r"), "");
        EXPECT_EQ(d.Wait(299), "") << "the result comes after the dial delay";
        EXPECT_EQ(d.Wait(1), reply);
    }
    EXPECT_EQ(d.modem.DialAttempts(), 5);
    EXPECT_TRUE(d.modem.Online());
    EXPECT_NE(d.log.find("RX ATD 123"), std::string::npos) << d.log;

    EXPECT_FALSE(ParseDialScript("BUSY,RING", o.dialScript, &bad));
    EXPECT_EQ(bad, "RING");
    EXPECT_FALSE(ParseDialScript("", o.dialScript, &bad));
}

TEST(HayesModem, EscapeNeedsGuardTimesOnBothSides) {
    ModemOptions o;
    o.guard = 1000 * kMs;
    o.dialDelay = 0;
    ModemDriver d(o);
    d.Type("ATE0\r");
    d.Type("ATD1\r");
    ASSERT_EQ(d.Wait(0), "\r\nCONNECT 9600\r\n");

    // Too soon after data: the pluses are data.
    d.Wait(500);
    EXPECT_EQ(d.Type("\xCC+++"), "");
    EXPECT_EQ(d.Wait(2000), "");
    EXPECT_TRUE(d.modem.Online());
    // Followed by data within the guard time: still data.
    EXPECT_EQ(d.Type("+++"), "");
    EXPECT_EQ(d.Wait(500), "");
    EXPECT_EQ(d.Type("x"), "");
    EXPECT_EQ(d.Wait(2000), "");
    EXPECT_TRUE(d.modem.Online());
    EXPECT_EQ(d.controller, "\xCC+++" "+++x");

    // Silence, "+++", silence: command mode, the call kept.
    EXPECT_EQ(d.Type("+++"), "");
    EXPECT_EQ(d.Wait(999), "");
    EXPECT_EQ(d.Wait(1), "\r\nOK\r\n");
    EXPECT_FALSE(d.modem.Online());
    EXPECT_TRUE(d.modem.CallUp());
    EXPECT_EQ(d.Type("ATO\r"), "\r\nCONNECT 9600\r\n");
    EXPECT_TRUE(d.modem.Online());

    d.Wait(1500);
    d.Type("+++");
    d.Wait(1000);
    EXPECT_EQ(d.Type("ath\r"), "\r\nOK\r\n");
    EXPECT_FALSE(d.modem.CallUp());
    EXPECT_EQ(d.Type("ATO\r"), "\r\nNO CARRIER\r\n");
}

TEST(HayesModem, GsmNotReady) {
    ModemOptions o;
    o.cpas = 3;
    ModemDriver d(o);
    d.Type("ATE0\r");
    EXPECT_EQ(d.Type("AT+CPAS\r"), "\r\n+CPAS: 3\r\n\r\nOK\r\n");
}

// --- The TCP listeners --------------------------------------------------------

bool Connects(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    close(fd);
    return ok;
}

TEST(SimTcp, RefusingListener) {
    SimProgram sim({"--tcp-refuse"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    EXPECT_FALSE(Connects(sim.Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(Connects(sim.Port()));
}

TEST(SimTcp, ListenerAcceptsAfterItsDelay) {
    const auto start = std::chrono::steady_clock::now();
    SimProgram sim({"--tcp-accept-delay-ms", "700"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    EXPECT_FALSE(Connects(sim.Port()));
    while (!Connects(sim.Port()) && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(700));
    EXPECT_LT(waited, std::chrono::seconds(5));
    // Once listening it serves requests as usual.
    const Bytes request = {0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9};
    const Bytes answer = sim.Exchange(request);
    ASSERT_GE(answer.size(), 6u);
    EXPECT_EQ(answer[0], 0x33);
}

TEST(SimTcp, ModemOptionsAreChecked) {
    for (std::vector<std::string> bad : {std::vector<std::string>{"--modem"},
                                         {"--pty", "--modem", "--dial-script", "BUSY,RING"},
                                         {"--tcp-refuse", "--tcp-accept-delay-ms", "10"},
                                         {"--pty", "--modem", "--cpas", "x"}}) {
        SimProgram sim(bad);
        EXPECT_EQ(sim.ExitCode(), 2);
        EXPECT_NE(sim.Errors(), "");
    }
}

}  // namespace
}  // namespace zmksim
