#include "link/SubscriberList.h"

#include <QByteArray>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/Cp1251.h"
#include "common/ProfileFile.h"

namespace zmk {

namespace {

// Telephone list file.
const QString kPhoneSection = QStringLiteral("FON_CONN_PAR");
const char* const kPhoneEntrySection = "FON_ABONENT_%1";
// Ethernet list file.
const QString kEthernetSection = QStringLiteral("ETHERNET_CONN_PAR");
const char* const kEthernetEntrySection = "ETHERNET_ABONENT_%1";

const QString kCount = QStringLiteral("users_num");
const QString kCurrent = QStringLiteral("user_index");
const QString kSortKind = QStringLiteral("sort_prz");
const QString kName = QStringLiteral("user_name");
const QString kAddress = QStringLiteral("contr_adr");
const QString kModbusAddress = QStringLiteral("adr_modbus");
const QString kPhone = QStringLiteral("phone_code");
const QString kIp = QStringLiteral("ip_adr");
const QString kPort = QStringLiteral("port");

constexpr int kDefaultAddress = 1;
constexpr int kDefaultModbusAddress = 1;

QString EntrySection(const char* format, int index) {
    return QString::fromLatin1(format).arg(index + 1);
}

// The bytes of a zero-terminated slot, without the terminator; never reads
// past the slot.
QByteArray SlotBytes(const uint8_t* slot, int size) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(slot, 0, size_t(size)));
    const int length = end == nullptr ? size : int(end - slot);
    return QByteArray(reinterpret_cast<const char*>(slot), length);
}

QByteArray UpperKey(const uint8_t* slot, int size) {
    QByteArray key = SlotBytes(slot, size);
    for (char& c : key)
        c = char(UpperCp1251(uint8_t(c)));
    return key;
}

// A settings value kept in a one-byte field: the low 8 bits of the number.
uint8_t LowByte(int value) {
    return uint8_t(uint32_t(value) & 0xFFu);
}

// Count, current index and sort kind from a file brought into range.
template <typename List>
void ReadHeader(const ProfileFile& file, const QString& section, List& list) {
    list.Count = std::min<uint8_t>(LowByte(file.ReadInteger(section, kCount, 0)), MaxAbonents);
    const uint8_t current = LowByte(file.ReadInteger(section, kCurrent, 0));
    list.Current = list.Count == 0 ? 0 : std::min<uint8_t>(current, list.Count - 1);
    const uint8_t sortKind = LowByte(file.ReadInteger(section, kSortKind, 0));
    list.SortKind = sortKind == SortByKey ? SortByKey : SortByName;
}

template <typename List>
void WriteHeader(ProfileFile& file, const QString& section, const List& list) {
    file.WriteInteger(section, kCount, std::min<int>(list.Count, MaxAbonents));
    file.WriteInteger(section, kCurrent, list.Current);
    file.WriteInteger(section, kSortKind, list.SortKind);
}

template <typename List>
int ClampedCount(const List& list) {
    return std::min<int>(list.Count, MaxAbonents);
}

// Orders the first Count entries. Every entry goes to the first position of
// the sorted keys that holds its key and is not yet taken, so entries with
// equal keys keep their order. The current index then points at the last
// entry named like the current one before.
template <typename List, typename Key, typename KeyOf>
void SortEntries(List& list, KeyOf keyOf) {
    using Entry = std::remove_reference_t<decltype(list.Entries[0])>;
    const int count = ClampedCount(list);
    if (count == 0)
        return;
    const int current = std::min<int>(list.Current, count - 1);
    const QByteArray currentName = SlotBytes(list.Entries[current].Name, AbonentNameSize);

    QList<Key> keys(count);
    for (int i = 0; i < count; ++i)
        keys[i] = keyOf(list.Entries[i]);
    QList<Key> sorted = keys;
    std::sort(sorted.begin(), sorted.end());

    QList<Entry> placed(count);
    QList<bool> taken(count, false);
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            if (!taken[j] && sorted[j] == keys[i]) {
                placed[j] = list.Entries[i];
                taken[j] = true;
                break;
            }
        }
    }
    for (int j = 0; j < count; ++j)
        list.Entries[j] = placed[j];

    for (int j = 0; j < count; ++j) {
        if (SlotBytes(list.Entries[j].Name, AbonentNameSize) == currentName)
            list.Current = uint8_t(j);
    }
}

template <typename List>
void DeleteCurrent(List& list) {
    const int count = ClampedCount(list);
    if (count == 0)
        return;
    const int current = std::min<int>(list.Current, count - 1);
    for (int i = current; i + 1 < count; ++i)
        list.Entries[i] = list.Entries[i + 1];
    std::memset(&list.Entries[count - 1], 0, sizeof list.Entries[0]);
    list.Current = uint8_t(current > 0 ? current - 1 : 0);
    list.Count = uint8_t(count - 1);
}

// Loads the file that is to be rewritten. False when the file exists but
// cannot be read: writing it then would lose what else it holds.
bool LoadForRewrite(ProfileFile& file, const QString& path) {
    return file.Load(path) || !QFileInfo::exists(path);
}

template <typename List>
bool SameList(const List& a, const List& b) {
    return std::memcmp(&a, &b, sizeof(List)) == 0;
}

}  // namespace

uint32_t EthernetAbonent::Ip() const {
    return uint32_t(IpBytes[0]) | uint32_t(IpBytes[1]) << 8 | uint32_t(IpBytes[2]) << 16 |
           uint32_t(IpBytes[3]) << 24;
}

void EthernetAbonent::SetIp(uint32_t ip) {
    for (int i = 0; i < 4; ++i)
        IpBytes[i] = uint8_t(ip >> (8 * i));
}

uint8_t EthernetAbonent::IpOctet(int index) const {
    return index >= 0 && index < 4 ? IpBytes[3 - index] : 0;
}

int32_t EthernetAbonent::Port() const {
    const uint32_t raw = uint32_t(PortBytes[0]) | uint32_t(PortBytes[1]) << 8 |
                         uint32_t(PortBytes[2]) << 16 | uint32_t(PortBytes[3]) << 24;
    return int32_t(raw);
}

void EthernetAbonent::SetPort(int32_t port) {
    const uint32_t raw = uint32_t(port);
    for (int i = 0; i < 4; ++i)
        PortBytes[i] = uint8_t(raw >> (8 * i));
}

QString AbonentName(const PhoneAbonent& entry) {
    return FromCp1251Slot(entry.Name, AbonentNameSize);
}

QString AbonentName(const EthernetAbonent& entry) {
    return FromCp1251Slot(entry.Name, AbonentNameSize);
}

QString AbonentPhone(const PhoneAbonent& entry) {
    return FromCp1251Slot(entry.Phone, AbonentPhoneSize);
}

void SetAbonentName(PhoneAbonent& entry, const QString& name) {
    ToCp1251Slot(name, entry.Name, AbonentNameSize);
}

void SetAbonentName(EthernetAbonent& entry, const QString& name) {
    ToCp1251Slot(name, entry.Name, AbonentNameSize);
}

void SetAbonentPhone(PhoneAbonent& entry, const QString& phone) {
    ToCp1251Slot(phone, entry.Phone, AbonentPhoneSize);
}

QString IpAddressText(const EthernetAbonent& entry) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(entry.IpOctet(0))
        .arg(entry.IpOctet(1))
        .arg(entry.IpOctet(2))
        .arg(entry.IpOctet(3));
}

QString IpPortText(const EthernetAbonent& entry) {
    return IpAddressText(entry) + QLatin1Char(':') + QString::number(entry.Port());
}

PhoneAbonent EmptyPhoneAbonent() {
    PhoneAbonent entry;
    std::memset(&entry, 0, sizeof entry);
    entry.Address = kDefaultAddress;
    entry.ModbusAddress = kDefaultModbusAddress;
    return entry;
}

EthernetAbonent EmptyEthernetAbonent() {
    EthernetAbonent entry;
    std::memset(&entry, 0, sizeof entry);
    entry.Address = kDefaultAddress;
    return entry;
}

void ClearList(PhoneList& list) {
    std::memset(&list, 0, sizeof list);
}

void ClearList(EthernetList& list) {
    std::memset(&list, 0, sizeof list);
}

const PhoneAbonent* CurrentAbonent(const PhoneList& list) {
    const int count = ClampedCount(list);
    return count == 0 ? nullptr : &list.Entries[std::min<int>(list.Current, count - 1)];
}

const EthernetAbonent* CurrentAbonent(const EthernetList& list) {
    const int count = ClampedCount(list);
    return count == 0 ? nullptr : &list.Entries[std::min<int>(list.Current, count - 1)];
}

void DeleteCurrentAbonent(PhoneList& list) {
    DeleteCurrent(list);
}

void DeleteCurrentAbonent(EthernetList& list) {
    DeleteCurrent(list);
}

void SortPhoneList(PhoneList& list) {
    if (list.SortKind == SortByKey) {
        SortEntries<PhoneList, QByteArray>(list, [](const PhoneAbonent& e) {
            return UpperKey(e.Phone, AbonentPhoneSize);
        });
    } else {
        SortEntries<PhoneList, QByteArray>(list, [](const PhoneAbonent& e) {
            return UpperKey(e.Name, AbonentNameSize);
        });
    }
}

void SortEthernetList(EthernetList& list) {
    if (list.SortKind == SortByKey) {
        SortEntries<EthernetList, uint32_t>(list, [](const EthernetAbonent& e) { return e.Ip(); });
    } else {
        SortEntries<EthernetList, QByteArray>(list, [](const EthernetAbonent& e) {
            return UpperKey(e.Name, AbonentNameSize);
        });
    }
}

void ReadPhoneList(const QString& path, PhoneList& list, PhoneList& stored) {
    ProfileFile file;
    file.Load(path);  // a missing file reads as defaults
    ClearList(list);
    ReadHeader(file, kPhoneSection, list);
    for (int i = 0; i < MaxAbonents; ++i) {
        const QString section = EntrySection(kPhoneEntrySection, i);
        PhoneAbonent& entry = list.Entries[i];
        SetAbonentName(entry, file.ReadString(section, kName));
        entry.Address = LowByte(file.ReadInteger(section, kAddress, kDefaultAddress));
        entry.ModbusAddress =
            LowByte(file.ReadInteger(section, kModbusAddress, kDefaultModbusAddress));
        SetAbonentPhone(entry, file.ReadString(section, kPhone));
    }
    stored = list;
}

void ReadEthernetList(const QString& path, EthernetList& list, EthernetList& stored) {
    ProfileFile file;
    file.Load(path);
    ClearList(list);
    ReadHeader(file, kEthernetSection, list);
    for (int i = 0; i < list.Count; ++i) {
        const QString section = EntrySection(kEthernetEntrySection, i);
        EthernetAbonent& entry = list.Entries[i];
        SetAbonentName(entry, file.ReadString(section, kName));
        entry.Address = LowByte(file.ReadInteger(section, kAddress, kDefaultAddress));
        entry.SetIp(uint32_t(file.ReadInteger(section, kIp, 0)));
        entry.SetPort(file.ReadInteger(section, kPort, 0));
    }
    stored = list;
}

ListWriteResult WritePhoneList(const QString& path, const PhoneList& list, PhoneList& stored) {
    if (SameList(list, stored))
        return ListWriteResult::Unchanged;
    ProfileFile file;
    if (!LoadForRewrite(file, path))  // keep whatever else the file holds
        return ListWriteResult::Failed;
    WriteHeader(file, kPhoneSection, list);
    for (int i = 0; i < MaxAbonents; ++i) {
        const QString section = EntrySection(kPhoneEntrySection, i);
        const PhoneAbonent& entry = list.Entries[i];
        file.WriteString(section, kName, AbonentName(entry));
        file.WriteInteger(section, kAddress, entry.Address);
        file.WriteInteger(section, kModbusAddress, entry.ModbusAddress);
        file.WriteString(section, kPhone, AbonentPhone(entry));
    }
    if (!file.Save(path))
        return ListWriteResult::Failed;
    stored = list;
    return ListWriteResult::Written;
}

ListWriteResult WriteEthernetList(const QString& path, const EthernetList& list,
                                  EthernetList& stored) {
    if (SameList(list, stored))
        return ListWriteResult::Unchanged;
    ProfileFile file;
    if (!LoadForRewrite(file, path))
        return ListWriteResult::Failed;
    WriteHeader(file, kEthernetSection, list);
    const int count = ClampedCount(list);
    for (int i = 0; i < count; ++i) {
        const QString section = EntrySection(kEthernetEntrySection, i);
        const EthernetAbonent& entry = list.Entries[i];
        file.WriteString(section, kName, AbonentName(entry));
        file.WriteInteger(section, kAddress, entry.Address);
        file.WriteInteger(section, kIp, int32_t(entry.Ip()));
        file.WriteInteger(section, kPort, entry.Port());
    }
    if (!file.Save(path))
        return ListWriteResult::Failed;
    stored = list;
    return ListWriteResult::Written;
}

SubscriberLists& Subscribers() {
    static SubscriberLists lists;
    return lists;
}

}  // namespace zmk
