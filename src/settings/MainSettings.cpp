#include "settings/MainSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/ProfileFile.h"

namespace zmk {

namespace {

const QString kCurrPar = QStringLiteral("CURR_PAR");
const QString kDirConnPar = QStringLiteral("DIR_CONN_PAR");
const QString kFonConnPar = QStringLiteral("FON_CONN_PAR");
const QString kEthernetConnPar = QStringLiteral("ETHERNET_CONN_PAR");
const QString kComPorts = QStringLiteral("COM_PORTS");

constexpr int kMaxPortNo = 255;

// One-byte fields keep the low 8 bits of the number read ("Adr=300" is 44).
uint8_t LowByte(int value) {
    return uint8_t(value & 0xFF);
}

int32_t CentredPosition(int screenSize, int32_t windowSize) {
    const int64_t pos = (int64_t(screenSize) - windowSize) / 2;  // truncated toward zero
    return int32_t(std::clamp<int64_t>(pos, INT32_MIN, INT32_MAX));
}

ChannelParams ReadRecord(const ProfileFile& f, const QString& section, const ChannelParams& def) {
    ChannelParams r;
    r.Port = LowByte(f.ReadInteger(section, QStringLiteral("COMPort"), def.Port));
    r.Address = LowByte(f.ReadInteger(section, QStringLiteral("Adr"), def.Address));
    r.Rate = f.ReadInteger(section, QStringLiteral("Rate"), def.Rate);
    r.Preambles = LowByte(f.ReadInteger(section, QStringLiteral("Preambles"), def.Preambles));
    r.Attempts = LowByte(f.ReadInteger(section, QStringLiteral("Repeat"), def.Attempts));
    r.ByteGapMs = f.ReadInteger(section, QStringLiteral("TimeOut"), def.ByteGapMs);
    r.AnswerWaitS = f.ReadInteger(section, QStringLiteral("WaitTime"), def.AnswerWaitS);
    return r;
}

// Without port and rate: the Ethernet section does not hold them.
void WriteRecordCommon(ProfileFile& f, const QString& section, const ChannelParams& r) {
    f.WriteInteger(section, QStringLiteral("Adr"), r.Address);
    f.WriteInteger(section, QStringLiteral("Preambles"), r.Preambles);
    f.WriteInteger(section, QStringLiteral("Repeat"), r.Attempts);
    f.WriteInteger(section, QStringLiteral("TimeOut"), r.ByteGapMs);
    f.WriteInteger(section, QStringLiteral("WaitTime"), r.AnswerWaitS);
}

void WriteSerialRecord(ProfileFile& f, const QString& section, const ChannelParams& r) {
    f.WriteInteger(section, QStringLiteral("COMPort"), r.Port);
    f.WriteInteger(section, QStringLiteral("Adr"), r.Address);
    f.WriteInteger(section, QStringLiteral("Rate"), r.Rate);
    f.WriteInteger(section, QStringLiteral("Preambles"), r.Preambles);
    f.WriteInteger(section, QStringLiteral("Repeat"), r.Attempts);
    f.WriteInteger(section, QStringLiteral("TimeOut"), r.ByteGapMs);
    f.WriteInteger(section, QStringLiteral("WaitTime"), r.AnswerWaitS);
}

// Modem commands longer than the connection dialog allows can only come from
// a hand-edited file; they are cut rather than refused, so the rest of the
// command stays usable.
QString CutCommand(const QString& command) {
    return command.left(MaxModemCommandLength);
}

bool CurrChanged(const MainSettings& a, const MainSettings& b) {
    return a.ChannelKind != b.ChannelKind || a.FreePortWait != b.FreePortWait ||
           a.DoClosePort != b.DoClosePort || a.FormWidth != b.FormWidth ||
           a.FormHeight != b.FormHeight || a.FormLeft != b.FormLeft || a.FormTop != b.FormTop;
}

bool PhoneChanged(const MainSettings& a, const MainSettings& b) {
    return a.Phone != b.Phone || a.DefaultCommand != b.DefaultCommand ||
           CutCommand(a.Command) != CutCommand(b.Command) || a.PhoneConnectWait != b.PhoneConnectWait ||
           a.AutoRepeat != b.AutoRepeat || a.PhoneConnRepeat != b.PhoneConnRepeat;
}

bool EthernetChanged(const MainSettings& a, const MainSettings& b) {
    const ChannelParams& x = a.Ethernet;
    const ChannelParams& y = b.Ethernet;
    return x.Address != y.Address || x.Preambles != y.Preambles || x.Attempts != y.Attempts ||
           x.ByteGapMs != y.ByteGapMs || x.AnswerWaitS != y.AnswerWaitS ||
           a.EthernetConnectWait != b.EthernetConnectWait || a.EthernetConnRepeat != b.EthernetConnRepeat;
}

}  // namespace

MainSettings& Settings() {
    static MainSettings settings;
    return settings;
}

static MainSettings& Snapshot() {
    static MainSettings snapshot;
    return snapshot;
}

const MainSettings& SettingsSnapshot() {
    return Snapshot();
}

void TakeSettingsSnapshot() {
    Snapshot() = Settings();
}

MainSettings ReadMainSettingsFrom(const QString& path, int screenWidth, int screenHeight) {
    ProfileFile f;
    f.Load(path);  // a missing or unreadable file leaves every default

    const MainSettings def;
    MainSettings s;
    s.ChannelKind = LowByte(f.ReadInteger(kCurrPar, QStringLiteral("Conn_Prz"), def.ChannelKind));
    s.FreePortWait = f.ReadInteger(kCurrPar, QStringLiteral("Free_Port_Wait"), def.FreePortWait);
    s.DoClosePort = f.ReadInteger(kCurrPar, QStringLiteral("Do_Close_Port"), def.DoClosePort) != 0;
    s.FormWidth = f.ReadInteger(kCurrPar, QStringLiteral("Form_Width"), def.FormWidth);
    s.FormHeight = f.ReadInteger(kCurrPar, QStringLiteral("Form_Height"), def.FormHeight);
    s.FormLeft = f.ReadInteger(kCurrPar, QStringLiteral("Form_Left"), CentredPosition(screenWidth, s.FormWidth));
    s.FormTop = f.ReadInteger(kCurrPar, QStringLiteral("Form_Top"), CentredPosition(screenHeight, s.FormHeight));

    s.Direct = ReadRecord(f, kDirConnPar, def.Direct);

    s.Phone = ReadRecord(f, kFonConnPar, def.Phone);
    s.DefaultCommand = f.ReadInteger(kFonConnPar, QStringLiteral("Default_Command"), def.DefaultCommand) != 0;
    s.Command = CutCommand(f.ReadString(kFonConnPar, QStringLiteral("Command"), def.Command));
    s.PhoneConnectWait = f.ReadInteger(kFonConnPar, QStringLiteral("ConnectWaitTime"), def.PhoneConnectWait);
    s.AutoRepeat = f.ReadInteger(kFonConnPar, QStringLiteral("AutoRepeat"), def.AutoRepeat) != 0;
    s.PhoneConnRepeat = f.ReadInteger(kFonConnPar, QStringLiteral("Conn_Repeat"), def.PhoneConnRepeat);
    s.EscapeGuardMs = f.ReadInteger(kFonConnPar, QStringLiteral("Escape_Guard"), def.EscapeGuardMs);

    // Port and rate are not part of the Ethernet section; they keep their defaults.
    s.Ethernet = ReadRecord(f, kEthernetConnPar, def.Ethernet);
    s.Ethernet.Port = def.Ethernet.Port;
    s.Ethernet.Rate = def.Ethernet.Rate;
    s.EthernetConnectWait =
        f.ReadInteger(kEthernetConnPar, QStringLiteral("ConnectWaitTime"), def.EthernetConnectWait);
    s.EthernetConnRepeat = f.ReadInteger(kEthernetConnPar, QStringLiteral("Conn_Repeat"), def.EthernetConnRepeat);

    if (f.HasSection(kComPorts)) {
        for (int n = 1; n <= kMaxPortNo; ++n) {
            const QString device = f.ReadString(kComPorts, QStringLiteral("COM%1").arg(n)).trimmed();
            if (!device.isEmpty())
                s.PortDevices.insert(n, device);
        }
    }
    return s;
}

void ReadMainSettings(const QString& path, int screenWidth, int screenHeight) {
    Settings() = ReadMainSettingsFrom(path, screenWidth, screenHeight);
    TakeSettingsSnapshot();
}

bool WriteMainSettings(const QString& path, const MainSettings& current, MainSettings& snapshot) {
    const bool curr = CurrChanged(current, snapshot);
    const bool direct = current.Direct != snapshot.Direct;
    const bool phone = PhoneChanged(current, snapshot);
    const bool ethernet = EthernetChanged(current, snapshot);
    if (!curr && !direct && !phone && !ethernet)
        return true;

    ProfileFile f;
    if (!f.Load(path) && QFileInfo::exists(path))
        return false;  // there but unreadable (or too large): rewriting it would lose it

    if (curr) {
        f.WriteInteger(kCurrPar, QStringLiteral("Conn_Prz"), current.ChannelKind);
        f.WriteInteger(kCurrPar, QStringLiteral("Free_Port_Wait"), current.FreePortWait);
        f.WriteInteger(kCurrPar, QStringLiteral("Do_Close_Port"), current.DoClosePort ? 1 : 0);
        f.WriteInteger(kCurrPar, QStringLiteral("Form_Width"), current.FormWidth);
        f.WriteInteger(kCurrPar, QStringLiteral("Form_Height"), current.FormHeight);
        f.WriteInteger(kCurrPar, QStringLiteral("Form_Left"), current.FormLeft);
        f.WriteInteger(kCurrPar, QStringLiteral("Form_Top"), current.FormTop);
    }
    if (direct)
        WriteSerialRecord(f, kDirConnPar, current.Direct);
    if (phone) {
        WriteSerialRecord(f, kFonConnPar, current.Phone);
        f.WriteInteger(kFonConnPar, QStringLiteral("Default_Command"), current.DefaultCommand ? 1 : 0);
        // A command that reads back unchanged keeps the file's bytes: a value
        // in another encoding would not survive a round trip through text.
        const QString command = CutCommand(current.Command);
        if (!f.HasKey(kFonConnPar, QStringLiteral("Command")) ||
            f.ReadString(kFonConnPar, QStringLiteral("Command")) != command)
            f.WriteString(kFonConnPar, QStringLiteral("Command"), command);
        f.WriteInteger(kFonConnPar, QStringLiteral("ConnectWaitTime"), current.PhoneConnectWait);
        f.WriteInteger(kFonConnPar, QStringLiteral("AutoRepeat"), current.AutoRepeat ? 1 : 0);
        f.WriteInteger(kFonConnPar, QStringLiteral("Conn_Repeat"), current.PhoneConnRepeat);
    }
    if (ethernet) {
        WriteRecordCommon(f, kEthernetConnPar, current.Ethernet);
        f.WriteInteger(kEthernetConnPar, QStringLiteral("ConnectWaitTime"), current.EthernetConnectWait);
        f.WriteInteger(kEthernetConnPar, QStringLiteral("Conn_Repeat"), current.EthernetConnRepeat);
    }

    if (!f.Save(path))
        return false;

    if (curr) {
        snapshot.ChannelKind = current.ChannelKind;
        snapshot.FreePortWait = current.FreePortWait;
        snapshot.DoClosePort = current.DoClosePort;
        snapshot.FormWidth = current.FormWidth;
        snapshot.FormHeight = current.FormHeight;
        snapshot.FormLeft = current.FormLeft;
        snapshot.FormTop = current.FormTop;
    }
    if (direct)
        snapshot.Direct = current.Direct;
    if (phone) {
        snapshot.Phone = current.Phone;
        snapshot.DefaultCommand = current.DefaultCommand;
        snapshot.Command = current.Command;
        snapshot.PhoneConnectWait = current.PhoneConnectWait;
        snapshot.AutoRepeat = current.AutoRepeat;
        snapshot.PhoneConnRepeat = current.PhoneConnRepeat;
    }
    if (ethernet) {
        snapshot.Ethernet = current.Ethernet;
        snapshot.EthernetConnectWait = current.EthernetConnectWait;
        snapshot.EthernetConnRepeat = current.EthernetConnRepeat;
    }
    return true;
}

bool WriteMainSettings(const QString& path) {
    return WriteMainSettings(path, Settings(), Snapshot());
}

}  // namespace zmk
