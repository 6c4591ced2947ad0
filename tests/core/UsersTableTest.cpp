#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "QtPrinters.h"
#include "tables/UsersTable.h"

using namespace zmk;

namespace {

struct User {
    int at;                   // 0-based record
    const char* name;         // blank-padded to 4
    uint8_t level;
    const char* password;     // blank-padded to 12
    const char* code;         // blank-padded to 4 ("\0": a 0 byte, then blanks)
};

using List = std::array<uint8_t, UsersListSize>;

void Put(uint8_t* dst, const char* text, int size, int textSize = -1) {
    std::memset(dst, ' ', size);
    const int n = textSize >= 0 ? textSize : int(std::strlen(text));
    std::memcpy(dst, text, std::min(n, size));
}

List MakeList(const std::vector<User>& users) {
    List list;
    for (int u = 0; u < UserCount; ++u) BlankUser(UserRecordAt(list.data(), u));
    for (const User& user : users) {
        uint8_t* r = UserRecordAt(list.data(), user.at);
        Put(r + UserNameAt, user.name, UserNameSize);
        r[UserLevelAt] = user.level;
        r[UserReservedAt] = 0;
        Put(r + UserPasswordAt, user.password, UserPasswordSize);
        // "\0": a 0 byte followed by blanks.
        Put(r + UserCodeAt, user.code, UserCodeSize, user.code[0] == '\0' ? 1 : -1);
    }
    return list;
}

const User Setter{0, "NAL", Manufacturer, "12345678", "1234"};

}  // namespace

// Each list breaks one rule once (or one rule before another, to show the
// order); the first fault found is the message shown.
TEST(UsersList, EveryRuleInItsOrder) {
    struct Case {
        const char* what;
        std::vector<User> users;
        UsersCheck check;
        const char* line1;  // nullptr: the list keeps every rule
        const char* line2;
    };
    const Case cases[] = {
        {"a sound list", {Setter, {3, "ADM", Administrator, "", "77"}, {15, "OPR", Operator, "pw", "5"}},
         UsersCheck::Dialog, nullptr, nullptr},
        {"no level 1 is refused before anything else",
         {{0, "    ", Administrator, "", "    "}, {1, "ADM", Administrator, "", "77"}}, UsersCheck::Dialog,
         "В списке зарегистрированных пользователей", "не зарегистрирован производитель-наладчик"},
        {"two of level 1", {Setter, {9, "NAL2", Manufacturer, "", "9"}}, UsersCheck::Dialog,
         "Может быть зарегистрирован", "только один производитель-наладчик"},
        {"no name", {Setter, {4, "    ", Engineer, "", "77"}}, UsersCheck::Dialog,
         "Номер пользователя в таблице: 5.", "Не задано имя пользователя"},
        {"no code", {Setter, {6, "ENG", Engineer, "x", "    "}}, UsersCheck::Dialog,
         "Номер пользователя в таблице: 7.", "Не задан код идентификации пользователя"},
        {"the name comes before the code", {Setter, {2, "    ", Operator, "", "    "}}, UsersCheck::Dialog,
         "Номер пользователя в таблице: 3.", "Не задано имя пользователя"},
        {"same names, positions of the earlier and the later user",
         {Setter, {1, "ADM", Administrator, "", "77"}, {4, "ADM", Operator, "", "78"}}, UsersCheck::Dialog,
         "Пользователи   2 и 5.", "Совпадение имен пользователей"},
        {"same codes", {Setter, {2, "ADM", Administrator, "", "1234"}}, UsersCheck::Dialog,
         "Пользователи   1 и 3.", "Совпадение кодов идентификации пользователя"},
        {"a three- and a four-letter name sharing three letters differ",
         {Setter, {1, "ADM", Administrator, "", "77"}, {2, "ADMN", Administrator, "", "78"}}, UsersCheck::Dialog,
         nullptr, nullptr},
        {"a user of level 0 is never compared",
         {Setter, {1, "ADM", Administrator, "", "77"}, {2, "ADM", NoAccess, "", "77"}}, UsersCheck::Dialog, nullptr,
         nullptr},
        {"a code beginning with a 0 byte passes the dialog", {Setter, {1, "ADM", Administrator, "", "\0"}},
         UsersCheck::Dialog, nullptr, nullptr},
        {"and is refused in a configuration", {Setter, {1, "ADM", Administrator, "", "\0"}},
         UsersCheck::Configuration, "Номер пользователя в таблице: 2.", "Не задан код идентификации пользователя"},
        {"an unknown level counts as a registered user", {Setter, {1, "XX", 9, "", "    "}}, UsersCheck::Dialog,
         "Номер пользователя в таблице: 2.", "Не задан код идентификации пользователя"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const List list = MakeList(c.users);
        const auto fault = CheckUsersList(list.data(), c.check);
        if (c.line1 == nullptr) {
            EXPECT_FALSE(fault.has_value()) << (fault ? fault->line1.toStdString() + " / " + fault->line2.toStdString() : "");
            continue;
        }
        ASSERT_TRUE(fault.has_value());
        EXPECT_EQ(fault->line1, QString::fromUtf8(c.line1));
        EXPECT_EQ(fault->line2, QString::fromUtf8(c.line2));
    }
}

TEST(UsersList, NormalizingBlanksLevelZeroAndClearsTheReservedByte) {
    List list = MakeList({Setter, {1, "OLD", NoAccess, "secret", "42"}});
    UserRecordAt(list.data(), 0)[UserReservedAt] = 7;
    NormalizeUsersList(list.data());
    const uint8_t* removed = UserRecordAt(list.data(), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(removed), UserRecordSize),
              std::string("    ") + '\0' + '\0' + std::string(16, ' '));
    const uint8_t* kept = UserRecordAt(list.data(), 0);
    EXPECT_EQ(kept[UserReservedAt], 0);
    EXPECT_EQ(UserNameText(kept), QStringLiteral("NAL"));
    EXPECT_EQ(UserPasswordText(kept), QStringLiteral("12345678"));
    EXPECT_EQ(UserCodeText(kept), QStringLiteral("1234"));
}

TEST(UsersList, LevelTextsAndUnknownLevels) {
    EXPECT_EQ(AccessLevelText(0), QStringLiteral("Нет доступа"));
    EXPECT_EQ(AccessLevelText(1), QStringLiteral("Производитель-наладчик"));
    EXPECT_EQ(AccessLevelText(4), QStringLiteral("Оператор"));
    EXPECT_EQ(AccessLevelText(9), QStringLiteral("9"));
    EXPECT_EQ(AccessLevelText(255), QStringLiteral("255"));
}
