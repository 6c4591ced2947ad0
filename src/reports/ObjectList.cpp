#include "reports/ObjectList.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>

#include "common/Cp1251.h"
#include "common/ProfileFile.h"

namespace zmk {

namespace {

const QString ListSection = QStringLiteral("OBJECT_LIST");
const QString CountKey = QStringLiteral("obj_num");
const QString SortKey = QStringLiteral("sort_prz");
const QString SelectedKey = QStringLiteral("obj_index");
const QString AddressKey = QStringLiteral("contr_adr");
const QString NameKey = QStringLiteral("obj_name");

QString ObjectSection(int number) {
    return QStringLiteral("OBJECT_%1").arg(number);
}

// The name bytes up to the terminator.
QByteArray NameBytes(const ObjectEntry& entry) {
    const auto* begin = entry.Name;
    const auto* end = std::find(begin, begin + ObjectNameSize, uint8_t(0));
    return QByteArray(reinterpret_cast<const char*>(begin), end - begin);
}

// The name in upper case, byte by byte within Windows-1251.
QByteArray NameKeyBytes(const ObjectEntry& entry) {
    QByteArray key = NameBytes(entry);
    for (char& c : key)
        c = char(UpperCp1251(uint8_t(c)));
    return key;
}

}  // namespace

bool operator==(const ObjectList& a, const ObjectList& b) {
    return std::memcmp(&a, &b, sizeof(ObjectList)) == 0;
}

bool operator==(const ObjectEntry& a, const ObjectEntry& b) {
    return std::memcmp(&a, &b, sizeof(ObjectEntry)) == 0;
}

ObjectList EmptyObjectList() {
    ObjectList list;
    std::memset(&list, 0, sizeof list);
    return list;
}

QString ObjectName(const ObjectEntry& entry) {
    return FromCp1251Slot(entry.Name, ObjectNameSize);
}

bool SetObjectName(ObjectEntry& entry, const QString& name) {
    return ToCp1251Slot(name, entry.Name, ObjectNameSize);
}

ObjectList& Objects() {
    static ObjectList list = EmptyObjectList();
    return list;
}

bool ReadObjectList(const QString& path, ObjectList& list) {
    list = EmptyObjectList();
    ProfileFile file;
    if (!file.Load(path))
        return false;

    const int count = std::clamp(file.ReadInteger(ListSection, CountKey, 0), 0, MaxObjects);
    const int sort = file.ReadInteger(ListSection, SortKey, ObjectsByName);
    const int selected = file.ReadInteger(ListSection, SelectedKey, 0);
    list.Count = uint8_t(count);
    list.SortMode = sort == ObjectsByAddress ? ObjectsByAddress : ObjectsByName;
    list.Selected = selected >= 0 && selected < count ? uint8_t(selected) : 0;

    for (int i = 0; i < count; ++i) {
        const QString section = ObjectSection(i + 1);
        ObjectEntry& entry = list.Entries[i];
        const int address = file.ReadInteger(section, AddressKey, MinObjectAddress);
        entry.Address = address >= MinObjectAddress && address <= MaxObjectAddress
                            ? uint8_t(address)
                            : uint8_t(MinObjectAddress);
        SetObjectName(entry, file.ReadString(section, NameKey));
        // A NUL inside the value ends the name; the slot stays NUL-padded.
        auto* nul = std::find(entry.Name, entry.Name + ObjectNameSize, uint8_t(0));
        std::fill(nul, entry.Name + ObjectNameSize, uint8_t(0));
    }
    return true;
}

bool WriteObjectList(const QString& path, const ObjectList& list) {
    ProfileFile file;
    const bool existed = file.Load(path);
    if (!existed && QFileInfo::exists(path))
        return false;  // there but unreadable (or too large): rewriting it would lose it
    const QByteArray before = existed ? file.Serialize() : QByteArray();

    const int count = std::min<int>(list.Count, MaxObjects);
    file.WriteInteger(ListSection, CountKey, count);
    file.WriteInteger(ListSection, SortKey, list.SortMode);
    file.WriteInteger(ListSection, SelectedKey, list.Selected);
    for (int i = 0; i < count; ++i) {
        const QString section = ObjectSection(i + 1);
        file.WriteInteger(section, AddressKey, list.Entries[i].Address);
        file.WriteValue(section, NameKey, NameBytes(list.Entries[i]));
    }

    if (existed && file.Serialize() == before)
        return true;
    return file.Save(path);
}

void SortObjectList(ObjectList& list) {
    const int count = std::min<int>(list.Count, MaxObjects);
    if (count < 2)
        return;
    const int selected = list.Selected < count ? list.Selected : 0;
    const QByteArray currentName = NameBytes(list.Entries[selected]);

    ObjectEntry* begin = list.Entries;
    ObjectEntry* end = list.Entries + count;
    if (list.SortMode == ObjectsByAddress) {
        std::stable_sort(begin, end, [](const ObjectEntry& a, const ObjectEntry& b) {
            return a.Address < b.Address;
        });
    } else {
        // Keys first: upper-casing inside the comparison would repeat it n log n times.
        std::array<std::pair<QByteArray, ObjectEntry>, MaxObjects> keyed;
        for (int i = 0; i < count; ++i)
            keyed[size_t(i)] = {NameKeyBytes(list.Entries[i]), list.Entries[i]};
        std::stable_sort(keyed.begin(), keyed.begin() + count,
                         [](const auto& a, const auto& b) {
                             // Byte strings compared as unsigned bytes.
                             return std::lexicographical_compare(
                                 a.first.begin(), a.first.end(), b.first.begin(), b.first.end(),
                                 [](char x, char y) { return uint8_t(x) < uint8_t(y); });
                         });
        for (int i = 0; i < count; ++i)
            list.Entries[i] = keyed[size_t(i)].second;
    }

    for (int i = 0; i < count; ++i)
        if (NameBytes(list.Entries[i]) == currentName)
            list.Selected = uint8_t(i);
}

void DeleteObject(ObjectList& list, int index) {
    const int count = std::min<int>(list.Count, MaxObjects);
    if (index < 0 || index >= count)
        return;
    for (int i = index; i + 1 < count; ++i)
        list.Entries[i] = list.Entries[i + 1];
    std::memset(&list.Entries[count - 1], 0, sizeof(ObjectEntry));
    if (list.Selected > 0)
        --list.Selected;
    list.Count = uint8_t(count - 1);
}

}  // namespace zmk
