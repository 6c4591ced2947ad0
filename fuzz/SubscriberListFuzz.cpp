// Arbitrary bytes as a subscriber list file: the Ethernet list
// ("ethr_abonents.ini") when it has the Ethernet list section, else the
// telephone list ("fon_abonents.ini"). The list read must be in range
// (count, current index, sort kind, texts that end inside their slots and
// are zero-padded); sorting must keep every entry, order the keys, keep
// entries with equal keys in their order and keep the current entry current;
// the list written into the file and read again must come back the same,
// its texts as the settings dialect gives them back. The write and read
// back runs for a share of the inputs (Sampled): the telephone file always
// gets all 200 entry sections, which makes it far slower than the reading.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <cstring>

#include "FuzzSupport.h"
#include "common/Cp1251.h"
#include "link/SubscriberList.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr size_t EthernetRoundTripShare = 4;
constexpr size_t PhoneRoundTripShare = 64;

QByteArray SlotText(const uint8_t* slot, int size) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(slot, 0, size_t(size)));
    return QByteArray(reinterpret_cast<const char*>(slot), end ? end - slot : size);
}

// Zero-terminated inside the slot and zero after the text.
bool CleanSlot(const uint8_t* slot, int size) {
    const qsizetype length = SlotText(slot, size).size();
    if (length >= size)
        return false;
    for (int i = int(length); i < size; ++i)
        if (slot[i] != 0)
            return false;
    return true;
}

QByteArray UpperText(const uint8_t* slot, int size) {
    QByteArray key = SlotText(slot, size);
    for (char& c : key)
        c = char(UpperCp1251(uint8_t(c)));
    return key;
}

template <typename Entry>
QByteArray EntryBytes(const Entry& entry) {
    return QByteArray(reinterpret_cast<const char*>(&entry), sizeof entry);
}

template <typename List>
void CheckHeader(const List& list) {
    FUZZ_CHECK(list.Count <= MaxAbonents);
    FUZZ_CHECK(list.Count == 0 ? list.Current == 0 : list.Current < list.Count);
    FUZZ_CHECK(list.SortKind == SortByName || list.SortKind == SortByKey);
}

template <typename List>
bool SameList(const List& a, const List& b) {
    return std::memcmp(&a, &b, sizeof(List)) == 0;
}

// Sort keys as byte strings: unsigned byte order is the order of the keys.
QByteArray SortKey(const PhoneAbonent& e, uint8_t kind) {
    return kind == SortByKey ? UpperText(e.Phone, AbonentPhoneSize) : UpperText(e.Name, AbonentNameSize);
}
QByteArray SortKey(const EthernetAbonent& e, uint8_t kind) {
    if (kind != SortByKey)
        return UpperText(e.Name, AbonentNameSize);
    const uint32_t ip = e.Ip();
    const char big[4] = {char(ip >> 24), char(ip >> 16), char(ip >> 8), char(ip)};
    return QByteArray(big, 4);
}

// The entries of each key in list order: a stable sort keeps every group.
template <typename List>
QMap<QByteArray, QList<QByteArray>> Groups(const List& list) {
    QMap<QByteArray, QList<QByteArray>> groups;
    for (int i = 0; i < list.Count; ++i)
        groups[SortKey(list.Entries[i], list.SortKind)].append(EntryBytes(list.Entries[i]));
    return groups;
}

template <typename List>
void CheckSorted(const List& before, const List& after) {
    FUZZ_CHECK(after.Count == before.Count && after.SortKind == before.SortKind);
    CheckHeader(after);
    const int count = after.Count;
    for (int i = 1; i < count; ++i)
        FUZZ_CHECK(!(SortKey(after.Entries[i], after.SortKind) < SortKey(after.Entries[i - 1], after.SortKind)));
    FUZZ_CHECK(Groups(before) == Groups(after));
    for (int i = count; i < MaxAbonents; ++i)
        FUZZ_CHECK(EntryBytes(after.Entries[i]) == EntryBytes(before.Entries[i]));
    if (count == 0)
        return;
    // The current entry is the last one named like the current one before.
    const QByteArray name = SlotText(before.Entries[before.Current].Name, AbonentNameSize);
    FUZZ_CHECK(SlotText(after.Entries[after.Current].Name, AbonentNameSize) == name);
    for (int i = after.Current + 1; i < count; ++i)
        FUZZ_CHECK(SlotText(after.Entries[i].Name, AbonentNameSize) != name);
}

// The entry as it reads back from a file it was written to.
PhoneAbonent Reread(const PhoneAbonent& e) {
    PhoneAbonent out = e;
    SetAbonentName(out, TextThroughProfile(AbonentName(e)));
    SetAbonentPhone(out, TextThroughProfile(AbonentPhone(e)));
    return out;
}
EthernetAbonent Reread(const EthernetAbonent& e) {
    EthernetAbonent out = e;
    SetAbonentName(out, TextThroughProfile(AbonentName(e)));
    return out;
}

template <typename List>
void CheckReread(const List& written, const List& read, int entries) {
    FUZZ_CHECK(read.Count == written.Count && read.Current == written.Current &&
               read.SortKind == written.SortKind);
    for (int i = 0; i < entries; ++i)
        FUZZ_CHECK(EntryBytes(read.Entries[i]) == EntryBytes(Reread(written.Entries[i])));
    for (int i = entries; i < MaxAbonents; ++i)
        FUZZ_CHECK(EntryBytes(read.Entries[i]) == EntryBytes(written.Entries[i]));
}

void CheckPhone(const QString& path, const QByteArray& input, bool roundTrip) {
    PhoneList list, stored;
    ReadPhoneList(path, list, stored);
    CheckHeader(list);
    FUZZ_CHECK(SameList(list, stored));
    for (const PhoneAbonent& e : list.Entries)
        FUZZ_CHECK(CleanSlot(e.Name, AbonentNameSize) && CleanSlot(e.Phone, AbonentPhoneSize));

    PhoneList sorted = list;
    SortPhoneList(sorted);
    CheckSorted(list, sorted);
    if (!roundTrip)
        return;

    // Every entry section is written, whatever the count.
    const QString written = ScratchPath(QStringLiteral("fon_abonents.ini"));
    WriteFile(written, input);
    ++stored.Count;  // anything that differs from the list makes the writer write
    FUZZ_CHECK(WritePhoneList(written, sorted, stored) == ListWriteResult::Written);
    FUZZ_CHECK(SameList(stored, sorted));
    PhoneList read, readStored;
    ReadPhoneList(written, read, readStored);
    CheckReread(sorted, read, MaxAbonents);
}

void CheckEthernet(const QString& path, const QByteArray& input, bool roundTrip) {
    EthernetList list, stored;
    ReadEthernetList(path, list, stored);
    CheckHeader(list);
    FUZZ_CHECK(SameList(list, stored));
    for (const EthernetAbonent& e : list.Entries)
        FUZZ_CHECK(CleanSlot(e.Name, AbonentNameSize));
    for (int i = list.Count; i < MaxAbonents; ++i)
        FUZZ_CHECK(EntryBytes(list.Entries[i]) == QByteArray(sizeof(EthernetAbonent), '\0'));

    EthernetList sorted = list;
    SortEthernetList(sorted);
    CheckSorted(list, sorted);
    if (!roundTrip)
        return;

    const QString written = ScratchPath(QStringLiteral("ethr_abonents.ini"));
    WriteFile(written, input);
    ++stored.Count;  // anything that differs from the list makes the writer write
    FUZZ_CHECK(WriteEthernetList(written, sorted, stored) == ListWriteResult::Written);
    FUZZ_CHECK(SameList(stored, sorted));
    EthernetList read, readStored;
    ReadEthernetList(written, read, readStored);
    CheckReread(sorted, read, sorted.Count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = ScratchPath(QStringLiteral("input.ini"));
    const QByteArray input = Bytes(data, size);
    WriteFile(path, input);
    ProfileFile probe;
    probe.Parse(input);
    if (probe.HasSection(QStringLiteral("ETHERNET_CONN_PAR")))
        CheckEthernet(path, input, Sampled(input, EthernetRoundTripShare));
    else
        CheckPhone(path, input, Sampled(input, PhoneRoundTripShare));
    return 0;
}
