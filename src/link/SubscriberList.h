#pragma once

// Subscriber lists of the telephone and the Ethernet link: the in-memory
// blocks, their settings files ("fon_abonents.ini", "ethr_abonents.ini") and
// the ordering of the entries. QtCore only; the list and entry dialogs are in
// link/ui/SubscriberListDialog and link/ui/SubscriberDialog.

#include <QString>
#include <cstddef>
#include <cstdint>

namespace zmk {

// Entries a list holds at most.
inline constexpr int MaxAbonents = 200;

// Sort kinds of a list ("sort_prz").
enum AbonentSortKind : uint8_t {
    SortByName = 0,
    SortByKey = 1,  // telephone number, or IP address
};

// Text slots: zero-terminated Windows-1251, zero-padded.
inline constexpr int AbonentNameSize = 50;   // at most 49 characters
inline constexpr int AbonentPhoneSize = 30;  // at most 29 characters

#pragma pack(push, 1)

// One telephone subscriber, 82 bytes.
struct PhoneAbonent {
    uint8_t Name[AbonentNameSize];
    uint8_t Address;        // controller address 1..255
    uint8_t ModbusAddress;  // kept and written back, never edited
    uint8_t Phone[AbonentPhoneSize];
};

// One Ethernet subscriber, 59 bytes. Multi-byte numbers are kept least
// significant byte first whatever the host, so the block is its own file image.
struct EthernetAbonent {
    uint8_t Name[AbonentNameSize];  // byte 49 is always 0
    uint8_t Address;                // controller address 1..255
    uint8_t IpBytes[4];             // IPv4 number, first octet most significant
    uint8_t PortBytes[4];           // TCP port, int32

    // The IPv4 number: 192.168.1.20 is 0xC0A80114.
    uint32_t Ip() const;
    void SetIp(uint32_t ip);
    // Octet 0..3 of the address as written, the first one being the most significant.
    uint8_t IpOctet(int index) const;
    int32_t Port() const;
    void SetPort(int32_t port);
};

// The telephone list: count, current index, sort kind and 200 entries.
struct PhoneList {
    uint8_t Count;
    uint8_t Current;
    uint8_t SortKind;
    PhoneAbonent Entries[MaxAbonents];
};

// The Ethernet list, laid out like the telephone list.
struct EthernetList {
    uint8_t Count;
    uint8_t Current;
    uint8_t SortKind;
    EthernetAbonent Entries[MaxAbonents];
};

#pragma pack(pop)

static_assert(sizeof(PhoneAbonent) == 82);
static_assert(offsetof(PhoneAbonent, Address) == 50);
static_assert(offsetof(PhoneAbonent, ModbusAddress) == 51);
static_assert(offsetof(PhoneAbonent, Phone) == 52);
static_assert(sizeof(EthernetAbonent) == 59);
static_assert(offsetof(EthernetAbonent, Address) == 50);
static_assert(offsetof(EthernetAbonent, IpBytes) == 51);
static_assert(offsetof(EthernetAbonent, PortBytes) == 55);
static_assert(sizeof(PhoneList) == 3 + 200 * 82);
static_assert(sizeof(EthernetList) == 3 + 200 * 59);

// Entry texts (Windows-1251 slot <-> text). Setters cut what does not fit.
QString AbonentName(const PhoneAbonent& entry);
QString AbonentName(const EthernetAbonent& entry);
QString AbonentPhone(const PhoneAbonent& entry);
void SetAbonentName(PhoneAbonent& entry, const QString& name);
void SetAbonentName(EthernetAbonent& entry, const QString& name);
void SetAbonentPhone(PhoneAbonent& entry, const QString& phone);

// "%d.%d.%d.%d", first octet first.
QString IpAddressText(const EthernetAbonent& entry);
// "%d.%d.%d.%d:%d", the address and the port.
QString IpPortText(const EthernetAbonent& entry);

// An entry as a missing file section reads: empty texts, controller and
// MODBUS address 1, IP number and port 0. New entries start from it.
PhoneAbonent EmptyPhoneAbonent();
EthernetAbonent EmptyEthernetAbonent();

// All zero: count 0, current 0, sorted by name, every entry empty.
void ClearList(PhoneList& list);
void ClearList(EthernetList& list);

// Current entry of a non-empty list; nullptr when the list is empty. A current
// index past the count (a block not read from a file) is taken as the last entry.
const PhoneAbonent* CurrentAbonent(const PhoneList& list);
const EthernetAbonent* CurrentAbonent(const EthernetList& list);

// Removes the current entry of a non-empty list: the entries after it move up
// by one, the freed last entry is cleared, the current index goes down by one
// unless it is 0 and the count by one. Nothing happens to an empty list.
void DeleteCurrentAbonent(PhoneList& list);
void DeleteCurrentAbonent(EthernetList& list);

// Puts the first Count entries in order of the list's sort kind and keeps the
// current entry current (by name; when several entries share it, the last of
// them). Names and telephone numbers compare in Windows-1251 upper case, byte
// by byte; IP numbers as unsigned numbers. Entries with equal keys keep their
// order.
void SortPhoneList(PhoneList& list);
void SortEthernetList(EthernetList& list);

// Read a list file into the list and into stored, the copy of the state last
// read or saved that the writer compares with. A missing or unreadable file
// gives the empty list; values out of range (count above 200, a current index
// not below the count, an unknown sort kind) are brought into range.
// The telephone file has all 200 entry sections; the Ethernet file as many as
// its count says (sections after those are ignored).
void ReadPhoneList(const QString& path, PhoneList& list, PhoneList& stored);
void ReadEthernetList(const QString& path, EthernetList& list, EthernetList& stored);

enum class ListWriteResult {
    Unchanged,  // the list equals the stored state: the file was not touched
    Written,    // the file was rewritten and stored updated
    Failed,     // the file could not be read or written; stored is left as it was
};

// Write the list file when the list differs from stored. Other sections, keys
// and comments of an existing file are kept. The telephone file gets all 200
// entry sections; the Ethernet file only the first count ("ip_adr" as a signed
// decimal number), so sections of a longer former list stay in the file unread.
ListWriteResult WritePhoneList(const QString& path, const PhoneList& list, PhoneList& stored);
ListWriteResult WriteEthernetList(const QString& path, const EthernetList& list,
                                  EthernetList& stored);

// The program's two subscriber lists, each with the state last read or
// saved, read at start-up and shared by the connection dialogs.
struct SubscriberLists {
    PhoneList phone;
    PhoneList phoneStored;
    EthernetList ethernet;
    EthernetList ethernetStored;
};
SubscriberLists& Subscribers();

}  // namespace zmk
