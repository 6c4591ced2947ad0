// Arbitrary bytes as the main settings file "zmk.ini". The settings read
// must be usable (a modem command of at most 200 characters, the Ethernet
// record's port and rate untouched, port devices numbered 1..255 and not
// blank); changed settings written into the file must read back as written
// (the modem command as the settings dialect gives it back), and a change of
// one section must leave everything else read from the file as it was. The
// writes and reads back run for one input in WriteShare (Sampled): they
// cost several times the reading.
#include "FuzzSupport.h"
#include "settings/MainSettings.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr size_t WriteShare = 4;
constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

void CheckRead(const MainSettings& s) {
    const MainSettings defaults;
    FUZZ_CHECK(s.Command.size() <= MaxModemCommandLength);
    FUZZ_CHECK(s.Ethernet.Port == defaults.Ethernet.Port && s.Ethernet.Rate == defaults.Ethernet.Rate);
    for (auto it = s.PortDevices.cbegin(); it != s.PortDevices.cend(); ++it) {
        FUZZ_CHECK(it.key() >= 1 && it.key() <= 255);
        FUZZ_CHECK(!it.value().isEmpty() && it.value() == it.value().trimmed());
    }
}

MainSettings Read(const QString& path) {
    const MainSettings s = ReadMainSettingsFrom(path, ScreenWidth, ScreenHeight);
    CheckRead(s);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = ScratchPath(QStringLiteral("zmk.ini"));
    const QByteArray input = Bytes(data, size);
    WriteFile(path, input);
    const MainSettings s = Read(path);
    if (!Sampled(input, WriteShare))
        return 0;

    // Every section changed: all four are rewritten.
    MainSettings changed = s;
    changed.ChannelKind ^= 1;
    changed.Direct.Rate ^= 1;
    changed.Phone.Attempts ^= 1;
    changed.Ethernet.Address ^= 1;
    MainSettings snapshot = s;
    FUZZ_CHECK(WriteMainSettings(path, changed, snapshot));
    FUZZ_CHECK(snapshot == changed);
    const MainSettings back = Read(path);
    FUZZ_CHECK(back.Command == s.Command || back.Command == TextThroughProfile(s.Command));
    MainSettings expected = changed;
    expected.Command = back.Command;
    FUZZ_CHECK(back == expected);

    // One section changed: only it is rewritten.
    MainSettings ethernet = back;
    ethernet.Ethernet.ByteGapMs ^= 1;
    snapshot = back;
    FUZZ_CHECK(WriteMainSettings(path, ethernet, snapshot));
    FUZZ_CHECK(snapshot == ethernet);
    FUZZ_CHECK(Read(path) == ethernet);
    return 0;
}
