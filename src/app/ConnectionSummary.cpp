#include "app/ConnectionSummary.h"

namespace zmk {

namespace {

const QString TimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

}  // namespace

bool IsLinkFailure(LinkStatus status) {
    switch (status) {
    case LinkStatus::Ok:
    case LinkStatus::Refused:      // the controller answered
    case LinkStatus::Aborted:      // stopped by the user
    case LinkStatus::Busy:
    case LinkStatus::BadFunction:  // never sent
        return false;
    default:
        return true;
    }
}

void ExchangeHistory::Note(LinkStatus status, const QString& text, const QDateTime& at) {
    at_ = at;
    lastOk_ = status == LinkStatus::Ok;
    text_ = lastOk_ ? QString() : text;
    if (IsLinkFailure(status))
        ++failedInARow_;
    else if (status == LinkStatus::Ok || status == LinkStatus::Refused)
        failedInARow_ = 0;
}

QList<SummaryLine> SummaryLines(const ConnectionFacts& facts) {
    if (!facts.connected) return {{QString(), QStringLiteral("Нет связи")}};
    QList<SummaryLine> lines;
    lines.append({QStringLiteral("Контроллер"),
                  facts.controllerName.isEmpty() ? QStringLiteral("(без наименования)") : facts.controllerName});
    lines.append({QStringLiteral("Адрес"), QString::number(facts.address)});
    lines.append({QStringLiteral("Код типа"), QString::number(facts.typeCode)});
    lines.append({QStringLiteral("Версия ПО"), QString::number(facts.softwareVersion)});
    lines.append({QStringLiteral("Канал связи"), facts.channel});
    lines.append({QStringLiteral("Связь установлена"), facts.connectedSince.toString(TimeFormat)});
    const ExchangeHistory& history = facts.exchanges;
    QString last = QStringLiteral("—");
    if (history.Any())
        last = history.LastAt().toString(TimeFormat) +
               (history.LastOk() ? QStringLiteral(", успешно") : QStringLiteral(", ") + history.LastText());
    lines.append({QStringLiteral("Последний обмен"), last});
    return lines;
}

QString DeadLinkWarning(const ConnectionFacts& facts) {
    const int failed = facts.exchanges.FailedInARow();
    if (!facts.connected || failed == 0) return {};
    const QString what = failed == 1 ? QStringLiteral("Последний обмен с контроллером не удался.")
                                     : QStringLiteral("Последние обмены с контроллером не удались (%1 подряд).").arg(failed);
    const QString todo = facts.modemLine
                             ? QStringLiteral("Завершите звонок кнопкой «Отключить связь» или выберите "
                                              "в меню «Связь с другим устройством».")
                             : QStringLiteral("Проверьте линию связи или выберите в меню «Связь с другим устройством».");
    return what + QLatin1Char(' ') + todo;
}

}  // namespace zmk
