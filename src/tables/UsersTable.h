#pragma once

// The controller's users table (table 4): 16 user records of 22 bytes, and
// the rules every users list must satisfy before it is written.
//
// User record:
//   bytes 0..3    name, up to 4 characters (Windows-1251), blank-padded;
//                 four blanks = no user
//   byte 4        access level (AccessLevel)
//   byte 5        reserved, always 0
//   bytes 6..17   write password, up to 12 characters, blank-padded
//   bytes 18..21  identification code, up to 4 characters, blank-padded
// A record of level 0 carries blanks in name, password and code.

#include <QString>
#include <cstdint>
#include <optional>

#include "tables/Catalogue.h"

namespace zmk {

constexpr int UserCount = 16;
constexpr int UserRecordSize = 22;
constexpr int UsersListSize = UserCount * UserRecordSize;  // 352
constexpr int UserNameSize = 4;
constexpr int UserPasswordSize = 12;
constexpr int UserCodeSize = 4;
constexpr int UserNameAt = 0;
constexpr int UserLevelAt = 4;
constexpr int UserReservedAt = 5;
constexpr int UserPasswordAt = 6;
constexpr int UserCodeAt = 18;

// Table 7 field 4: the users table is destroyed (not 0).
constexpr int TableStatesTable = 7;
constexpr int TableStatesCount = 38;

enum AccessLevel : uint8_t {
    NoAccess = 0,       // "Нет доступа": no user
    Manufacturer = 1,   // "Производитель-наладчик": exactly one in a list
    Administrator = 2,  // "Администратор"
    Engineer = 3,       // "Инженер"
    Operator = 4,       // "Оператор"
};
constexpr int AccessLevelValues = 5;  // 0..4 have a text

inline uint8_t* UserRecordAt(uint8_t* list, int user) { return list + user * UserRecordSize; }
inline const uint8_t* UserRecordAt(const uint8_t* list, int user) { return list + user * UserRecordSize; }

// The level's text from the label list; a value without a text (a
// controller's answer can hold anything) is shown as its number.
QString AccessLevelText(int level);

// The name with its padding blanks removed (Windows-1251 → text).
QString UserNameText(const uint8_t* record);
// Password and code with their padding blanks at the end removed.
QString UserPasswordText(const uint8_t* record);
QString UserCodeText(const uint8_t* record);

bool IsBlankName(const uint8_t* record);
bool IsBlankCode(const uint8_t* record);

// Makes the record "no user": level 0, blanks in name, password and code,
// reserved byte 0.
void BlankUser(uint8_t* record);

// Blanks every record of level 0 and clears every reserved byte, as a list
// is stored before its rules are checked.
void NormalizeUsersList(uint8_t* list);

// The first rule a users list breaks: the two lines of the input-error
// message.
struct UsersListFault {
    QString line1;
    QString line2;
};

// What CheckUsersList looks for beyond the rules of the users dialog.
enum class UsersCheck {
    Dialog,         // the rules of the users dialog
    Configuration,  // also refuses a code whose first byte is 0 (a configuration file)
};

// Checks a users list (352 bytes) against the rules, in their order:
//  1. exactly one user of level 1;
//  2. for each user of a level other than 0, in list order: a name, a code,
//     and, against each later user of a level other than 0, another name and
//     another code (compared as the 4 blank-padded bytes).
// Returns the first fault, or nothing when the list keeps every rule.
std::optional<UsersListFault> CheckUsersList(const uint8_t* list, UsersCheck check = UsersCheck::Dialog);

}  // namespace zmk
