#include "live/ChromatographStatus.h"

#include <array>

namespace zmk {

namespace {

constexpr int BitsPerByte = 8;
constexpr int StatusWordBits = 16;

// Controller status byte of a five-minute record; bit 2 has no text.
const std::array<const char*, BitsPerByte> FiveMinuteControllerTexts = {
    "Выполнялась ручная калибровка хроматографа",
    "Контроллер был выключен",
    nullptr,
    "Нештатное состояние хроматографа",
    "Значение вышло за допускаемые пределы",
    "Не было связи с хроматографом",
    "Хроматограф не обновил данные",
    "Выполнялась калибровка автоматическая хроматографа",
};

// Controller status byte of an hourly or daily record: the substitute values
// ("ЗПЗ") used in place of the chromatograph's own.
const std::array<const char*, BitsPerByte> HourDayControllerTexts = {
    nullptr,
    "Нет данных - контроллер был выключен",
    nullptr,
    "Использовалась ЗПЗ - был нештатный режим работы хроматографа",
    "Использовалась ЗПЗ - значение выходило за допускаемые пределы",
    "Использовалась ЗПЗ - не было связи с хроматографом",
    "Использовалась ЗПЗ - хроматограф не обновил данные",
    nullptr,
};

const std::array<const char*, StatusWordBits> ChromatographTexts = {
    " Неудачная автокалибровка",
    " Сумма ненормализованных параметров вне доп. пределов",
    " Ошибка ОЗУ",
    " Время удержания этана не в норме",
    " Ошибка связи",
    " Сбой часов реального времени",
    " Разряд батареи",
    " Хроматограф не отвечает",
    " Превышено рекомендуемое кол. анализов без ремонта",
    " Высота пика хроматограммы выше допускаемой",
    " Давление газа-носителя неуправляемо",
    " Температура термостата нестабильна",
    " Ошибка базовой линии хроматограммы",
    " Давление газа-носителя не в норме",
    " Слишком высокая температура термостата",
    " Не поступают данные от хроматографа",
};

QString Hex2(unsigned value) {
    return QStringLiteral("%1").arg(value & 0xFFu, 2, 16, QChar(u'0')).toUpper();
}

}  // namespace

QString ControllerStatusBitText(int mode, int bit) {
    if (bit < 0 || bit >= BitsPerByte)
        return {};
    const auto& texts =
        mode == ChromStatusFiveMinute ? FiveMinuteControllerTexts : HourDayControllerTexts;
    const char* text = texts[size_t(bit)];
    return text ? QString::fromUtf8(text) : QString();
}

QString ChromatographStatusBitText(int bit) {
    if (bit < 0 || bit >= StatusWordBits)
        return {};
    return QString::fromUtf8(ChromatographTexts[size_t(bit)]);
}

QStringList ControllerStatusLines(int mode, uint8_t status) {
    if (status == 0)
        return {QString::fromUtf8(ChromStatusNormal)};
    QStringList lines;
    for (int bit = 0; bit < BitsPerByte; ++bit) {
        if (!(status & (1u << bit)))
            continue;
        const QString text = ControllerStatusBitText(mode, bit);
        if (!text.isEmpty())
            lines << text;
    }
    return lines;
}

QStringList ChromatographStatusLines(uint8_t low, uint8_t high) {
    if (low == 0 && high == 0)
        return {QString::fromUtf8(ChromStatusNormal)};
    const unsigned word = unsigned(low) | (unsigned(high) << BitsPerByte);
    QStringList lines;
    for (int bit = 0; bit < StatusWordBits; ++bit)
        if (word & (1u << bit))
            lines << ChromatographStatusBitText(bit);
    return lines;
}

ChromStatusView DecodeChromStatus(int mode, uint8_t controllerStatus, uint8_t chromLow,
                                  uint8_t chromHigh) {
    const int effectiveMode = mode == ChromStatusFiveMinute ? ChromStatusFiveMinute : ChromStatusHourDay;
    ChromStatusView view;
    view.Controller.Visible = true;
    view.Controller.Heading = QStringLiteral("  Статус контроллера: 0x") + Hex2(controllerStatus);
    view.Controller.Lines = ControllerStatusLines(effectiveMode, controllerStatus);

    if (effectiveMode == ChromStatusFiveMinute &&
        !(controllerStatus & (ChromCtrlWasOff | ChromCtrlNoLink))) {
        view.Chromatograph.Visible = true;
        view.Chromatograph.Heading =
            QStringLiteral("  Статус хроматографа: 0x") + Hex2(chromHigh) + Hex2(chromLow);
        view.Chromatograph.Lines = ChromatographStatusLines(chromLow, chromHigh);
    }
    return view;
}

}  // namespace zmk
