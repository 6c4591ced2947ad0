#include "tables/Identification.h"

namespace zmk {

QString TwoDigitsOrStars(int value, int min, int max) {
    return value >= min && value <= max ? QString::asprintf("%02d", value) : QStringLiteral("**");
}

QList<IdentificationRow> IdentificationRows(const uint8_t* t, bool full) {
    QList<IdentificationRow> rows;
    auto add = [&](QStringList label, const QString& value, bool always, bool alarm = false) {
        IdentificationRow row;
        row.label = std::move(label);
        row.shown = always || full;
        row.value = row.shown ? value : QString();
        row.alarm = row.shown && alarm;
        rows.append(row);
    };

    add({QStringLiteral("Код типа контроллера")}, QString::number(t[IdentTypeCode]), true);
    add({QStringLiteral("Версия программного обеспечения")}, QString::number(t[IdentSoftwareVersion]), true);
    add({QStringLiteral("Версия аппаратного обеспечения")}, QString::number(t[IdentHardwareVersion]), false);

    const uint8_t* d = t + IdentSoftwareDate;  // year, month, day, hour, minute, second
    add({QStringLiteral("Дата создания ПО")},
        QStringLiteral("%1.%2.%3  %4:%5:%6")
            .arg(TwoDigitsOrStars(d[2], 1, 31), TwoDigitsOrStars(d[1], 1, 12), TwoDigitsOrStars(d[0], 0, 99),
                 TwoDigitsOrStars(d[3], 0, 23), TwoDigitsOrStars(d[4], 0, 59), TwoDigitsOrStars(d[5], 0, 59)),
        false);

    QString order = QStringLiteral(" ? ");
    if (t[IdentByteOrder] == 0) order = QStringLiteral("Мл. адрес - ст. байт");
    if (t[IdentByteOrder] == 1) order = QStringLiteral("Мл. адрес - мл. байт");
    add({QStringLiteral("Порядок расположения байтов")}, order, false);

    const int destroyed = t[IdentDestroyedTable];
    add({QStringLiteral("Наличие разрушенных таблиц")},
        destroyed != 0 ? QStringLiteral("Разрушена таблица %1").arg(destroyed) : QStringLiteral("Разрушенных таблиц нет"),
        false, destroyed != 0);

    add({QStringLiteral("Возможность работы на разных"), QStringLiteral("скоростях обмена")},
        t[IdentSeveralRates] == 0 ? QStringLiteral("Нет") : QStringLiteral("Есть"), false);

    add({QStringLiteral("Возможность изменения адреса"), QStringLiteral("контроллера")},
        t[IdentFixedAddress] != 0 ? QStringLiteral("Нет. Адрес = %1").arg(t[IdentFixedAddress]) : QStringLiteral("Есть"),
        false);

    const uint8_t* p = t + IdentProtocolVersion;
    add({QStringLiteral("Номер последней версии протокола"), QStringLiteral("PKS-MN47-R, которая поддерживается"),
         QStringLiteral("контроллером")},
        QStringLiteral("%1.%2.%3").arg(p[0]).arg(p[1]).arg(p[2]), false);
    return rows;
}

}  // namespace zmk
