#include "tables/UsersTable.h"

#include <algorithm>
#include <cstring>

#include "common/Cp1251.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

QString PaddedText(const uint8_t* bytes, int size) {
    int length = size;
    while (length > 0 && bytes[length - 1] == ' ') --length;
    return FromCp1251(QByteArrayView(bytes, length));
}

bool AllBlanks(const uint8_t* bytes, int size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == ' '; });
}

UsersListFault NumberedFault(int user, const char* line2) {
    return {QStringLiteral("Номер пользователя в таблице: %1.").arg(user + 1), QString::fromUtf8(line2)};
}

UsersListFault PairFault(int earlier, int later, const char* line2) {
    return {QStringLiteral("Пользователи   %1 и %2.").arg(earlier + 1).arg(later + 1), QString::fromUtf8(line2)};
}

}  // namespace

QString AccessLevelText(int level) {
    if (level >= 0 && level < AccessLevelValues) return GroupLabel(AccessLevelLabels, AccessLevelCount, level);
    return QString::number(level);
}

QString UserNameText(const uint8_t* record) {
    return PaddedText(record + UserNameAt, UserNameSize).trimmed();
}

QString UserPasswordText(const uint8_t* record) { return PaddedText(record + UserPasswordAt, UserPasswordSize); }

QString UserCodeText(const uint8_t* record) { return PaddedText(record + UserCodeAt, UserCodeSize); }

bool IsBlankName(const uint8_t* record) { return AllBlanks(record + UserNameAt, UserNameSize); }

bool IsBlankCode(const uint8_t* record) { return AllBlanks(record + UserCodeAt, UserCodeSize); }

void BlankUser(uint8_t* record) {
    std::memset(record, ' ', UserRecordSize);
    record[UserLevelAt] = NoAccess;
    record[UserReservedAt] = 0;
}

void NormalizeUsersList(uint8_t* list) {
    for (int u = 0; u < UserCount; ++u) {
        uint8_t* record = UserRecordAt(list, u);
        if (record[UserLevelAt] == NoAccess) BlankUser(record);
        record[UserReservedAt] = 0;
    }
}

std::optional<UsersListFault> CheckUsersList(const uint8_t* list, UsersCheck check) {
    int manufacturers = 0;
    for (int u = 0; u < UserCount; ++u)
        if (UserRecordAt(list, u)[UserLevelAt] == Manufacturer) ++manufacturers;
    if (manufacturers == 0)
        return UsersListFault{QStringLiteral("В списке зарегистрированных пользователей"),
                              QStringLiteral("не зарегистрирован производитель-наладчик")};
    if (manufacturers > 1)
        return UsersListFault{QStringLiteral("Может быть зарегистрирован"),
                              QStringLiteral("только один производитель-наладчик")};

    for (int m = 0; m < UserCount; ++m) {
        const uint8_t* record = UserRecordAt(list, m);
        if (record[UserLevelAt] == NoAccess) continue;
        if (IsBlankName(record)) return NumberedFault(m, "Не задано имя пользователя");
        if (IsBlankCode(record) || (check == UsersCheck::Configuration && record[UserCodeAt] == 0))
            return NumberedFault(m, "Не задан код идентификации пользователя");
        for (int n = m + 1; n < UserCount; ++n) {
            const uint8_t* later = UserRecordAt(list, n);
            if (later[UserLevelAt] == NoAccess) continue;
            if (std::memcmp(record + UserNameAt, later + UserNameAt, UserNameSize) == 0)
                return PairFault(m, n, "Совпадение имен пользователей");
            if (std::memcmp(record + UserCodeAt, later + UserCodeAt, UserCodeSize) == 0)
                return PairFault(m, n, "Совпадение кодов идентификации пользователя");
        }
    }
    return std::nullopt;
}

}  // namespace zmk
