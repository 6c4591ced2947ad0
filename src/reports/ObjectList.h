#pragma once

// The object list: the metering sites passports are made for, each with a
// name and a controller address, kept in "objects.ini" in the INI folder.
//
// objects.ini:
//   [OBJECT_LIST]  obj_num   = count (default 0)
//                  sort_prz  = sort mode (default 0)
//                  obj_index = selected (default 0)
//   [OBJECT_n]     contr_adr = controller address (default 1)
//   (n = 1..count) obj_name  = name (default empty)
// Sections of objects beyond the count (left from a longer list) stay in the
// file and are ignored.

#include <QString>
#include <cstdint>

namespace zmk {

inline constexpr int MaxObjects = 50;
inline constexpr int ObjectNameSize = 50;                      // bytes of the name slot
inline constexpr int ObjectNameMaxChars = ObjectNameSize - 1;  // terminator included in the slot
inline constexpr int MinObjectAddress = 1;
inline constexpr int MaxObjectAddress = 255;

enum ObjectSortMode : uint8_t {
    ObjectsByName = 0,
    ObjectsByAddress = 1,
};

#pragma pack(push, 1)
// One object, 51 bytes: Windows-1251 name, NUL-terminated and NUL-padded;
// controller address 1..255 (shown and edited only).
struct ObjectEntry {
    uint8_t Name[ObjectNameSize];
    uint8_t Address;
};

// The list held for the whole run. Entries are in display order; unused
// entries are all zero.
struct ObjectList {
    uint8_t Count;     // 0..MaxObjects
    uint8_t SortMode;  // ObjectSortMode
    uint8_t Selected;  // index of the current object (the one of the last passport)
    ObjectEntry Entries[MaxObjects];
};
#pragma pack(pop)

static_assert(sizeof(ObjectEntry) == 51);
static_assert(sizeof(ObjectList) == 3 + 51 * MaxObjects);

// Byte-for-byte comparison (unused entries included).
bool operator==(const ObjectList& a, const ObjectList& b);
bool operator==(const ObjectEntry& a, const ObjectEntry& b);

// An all-zero list.
ObjectList EmptyObjectList();

// Name of an entry as text.
QString ObjectName(const ObjectEntry& entry);
// Stores a name, cut to ObjectNameMaxChars; false when it was cut or had
// characters outside Windows-1251 (those become '?').
bool SetObjectName(ObjectEntry& entry, const QString& name);

// The object list of the run (read at start-up).
ObjectList& Objects();

// Reads objects.ini into list, starting from an all-zero list: at most
// MaxObjects objects, names cut to ObjectNameMaxChars. Values that cannot be
// right in a hand-edited file are taken as follows: a count below 0 reads as
// 0 and above MaxObjects as MaxObjects; a sort mode other than 0 or 1 as 0;
// a selected index outside the list as 0; an address outside 1..255 or not
// a number as 1. Returns false when the file could not be read (the list is
// then empty).
bool ReadObjectList(const QString& path, ObjectList& list);

// Writes the three list keys and the two keys of objects 1..count into the
// file, keeping everything else in it. The file is rewritten only when its
// contents change. False when it had to be written and could not be.
bool WriteObjectList(const QString& path, const ObjectList& list);

// Puts the list in order of its sort mode (stable; names compared by their
// Windows-1251 upper-case bytes, addresses unsigned) when it has at least
// two objects. The current object stays current: afterwards it is the last
// entry whose name equals the name of the current object before the sort.
void SortObjectList(ObjectList& list);

// Removes entry index: later entries move up, the freed last entry is
// zeroed, the selected index decreases by one unless it is 0. Nothing
// happens when index is outside the list.
void DeleteObject(ObjectList& list, int index);

}  // namespace zmk
