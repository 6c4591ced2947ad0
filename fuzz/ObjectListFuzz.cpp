// Arbitrary bytes as "objects.ini", the object list of the passports. The
// list read must be in range (count, sort mode, selected object, addresses
// 1..255 for the objects, zero-padded names that end inside their slots, all
// zero past the count); sorting must keep every object, order the keys, keep
// objects with equal keys in their order and keep the current object
// current; the list written into the file and read again must come back the
// same (names as the settings dialect gives them back), and writing the same
// list once more must leave the file as it is. The write and read back runs
// for one input in RoundTripShare (Sampled): it costs several times the
// reading.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <cstring>

#include "FuzzSupport.h"
#include "common/Cp1251.h"
#include "reports/ObjectList.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr size_t RoundTripShare = 4;

QByteArray NameText(const ObjectEntry& e) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(e.Name, 0, ObjectNameSize));
    return QByteArray(reinterpret_cast<const char*>(e.Name), end ? end - e.Name : ObjectNameSize);
}

bool CleanName(const ObjectEntry& e) {
    const qsizetype length = NameText(e).size();
    if (length > ObjectNameMaxChars)
        return false;
    for (int i = int(length); i < ObjectNameSize; ++i)
        if (e.Name[i] != 0)
            return false;
    return true;
}

QByteArray EntryBytes(const ObjectEntry& e) {
    return QByteArray(reinterpret_cast<const char*>(&e), sizeof e);
}

// Sort keys as byte strings: unsigned byte order is the order of the keys.
QByteArray SortKey(const ObjectEntry& e, uint8_t mode) {
    if (mode == ObjectsByAddress)
        return QByteArray(1, char(e.Address));
    QByteArray key = NameText(e);
    for (char& c : key)
        c = char(UpperCp1251(uint8_t(c)));
    return key;
}

// The objects of each key in list order: a stable sort keeps every group.
QMap<QByteArray, QList<QByteArray>> Groups(const ObjectList& list) {
    QMap<QByteArray, QList<QByteArray>> groups;
    for (int i = 0; i < list.Count; ++i)
        groups[SortKey(list.Entries[i], list.SortMode)].append(EntryBytes(list.Entries[i]));
    return groups;
}

void CheckList(const ObjectList& list) {
    FUZZ_CHECK(list.Count <= MaxObjects);
    FUZZ_CHECK(list.SortMode == ObjectsByName || list.SortMode == ObjectsByAddress);
    FUZZ_CHECK(list.Count == 0 ? list.Selected == 0 : list.Selected < list.Count);
    for (int i = 0; i < list.Count; ++i) {
        FUZZ_CHECK(list.Entries[i].Address >= MinObjectAddress);
        FUZZ_CHECK(CleanName(list.Entries[i]));
    }
    for (int i = list.Count; i < MaxObjects; ++i)
        FUZZ_CHECK(EntryBytes(list.Entries[i]) == QByteArray(sizeof(ObjectEntry), '\0'));
}

void CheckSorted(const ObjectList& before, const ObjectList& after) {
    FUZZ_CHECK(after.Count == before.Count && after.SortMode == before.SortMode);
    CheckList(after);
    for (int i = 1; i < after.Count; ++i)
        FUZZ_CHECK(!(SortKey(after.Entries[i], after.SortMode) < SortKey(after.Entries[i - 1], after.SortMode)));
    FUZZ_CHECK(Groups(before) == Groups(after));
    if (after.Count == 0)
        return;
    const QByteArray name = NameText(before.Entries[before.Selected]);
    FUZZ_CHECK(NameText(after.Entries[after.Selected]) == name);
    for (int i = after.Selected + 1; i < after.Count; ++i)
        FUZZ_CHECK(NameText(after.Entries[i]) != name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = Bytes(data, size);
    const QString path = ScratchPath(QStringLiteral("objects.ini"));
    WriteFile(path, input);

    ObjectList list;
    FUZZ_CHECK(ReadObjectList(path, list));
    CheckList(list);

    ObjectList sorted = list;
    SortObjectList(sorted);
    CheckSorted(list, sorted);
    if (!Sampled(input, RoundTripShare))
        return 0;

    FUZZ_CHECK(WriteObjectList(path, sorted));
    const QByteArray written = ReadFile(path);
    FUZZ_CHECK(WriteObjectList(path, sorted));
    FUZZ_CHECK(ReadFile(path) == written);

    ObjectList read;
    FUZZ_CHECK(ReadObjectList(path, read));
    FUZZ_CHECK(read.Count == sorted.Count && read.SortMode == sorted.SortMode &&
               read.Selected == sorted.Selected);
    for (int i = 0; i < MaxObjects; ++i) {
        ObjectEntry expected = sorted.Entries[i];
        if (i < sorted.Count)
            SetObjectName(expected, TextThroughProfile(ObjectName(sorted.Entries[i])));
        FUZZ_CHECK(read.Entries[i] == expected);
    }
    return 0;
}
