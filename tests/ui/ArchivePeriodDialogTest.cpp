#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "settings/MainSettings.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "measurements/ui/ArchivePeriodDialog.h"
#include "settings/ArchiveQuery.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

PackedDate D(int day, int month, int year, int hour = 0, int minute = 0, int second = 0) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

QString Text(const PackedDate& d) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute, d.Second);
}

// Answers every shared message shown while it lives and keeps what it showed.
struct MessageCatcher {
    QString caption, line1, line2;
    MessageKind kind = MessageKind::None;
    int seen = 0;
    MessageTrap trap{[this](MessageKind k, const MessageLook& look) {
        ++seen;
        kind = k;
        caption = look.Caption;
        line1 = look.Line1;
        line2 = look.Line2;
        return false;
    }};
};

// A widget of the dialog by its object name; a missing one stops the run.
template <typename T>
T* Child(const QWidget& dialog, const QString& name) {
    T* child = dialog.findChild<T*>(name);
    if (child == nullptr) qFatal("no %s \"%s\"", T::staticMetaObject.className(), qPrintable(name));
    return child;
}

QDateEdit* DateEdit(const QWidget& f, const char* name) { return Child<QDateEdit>(f, QLatin1String(name)); }
QComboBox* NumberBox(const QWidget& f, const char* name) { return Child<QComboBox>(f, QLatin1String(name)); }
QPushButton* Button(const QWidget& f, const char* name) { return Child<QPushButton>(f, QLatin1String(name)); }

// The period-kind buttons of each panel, in their order.
const char* const FiveMinuteKinds[] = {"fiveMinuteLastHour", "fiveMinuteLastDay", "fiveMinuteCustomPeriod"};
const char* const HourlyKinds[] = {"hourlyLastDay", "hourlyCustomPeriod"};
const char* const DailyKinds[] = {"dailyLastMonth", "dailyCustomPeriod"};

QRadioButton* KindButton(const QWidget& f, const char* name) { return Child<QRadioButton>(f, QLatin1String(name)); }

// 5-minute archive from 10.01.08 00:00 to 09.03.08 23:55, clock 10.03.08 00:02.
const ArchiveBounds FiveMinuteBounds{D(10, 1, 8, 0, 0), D(9, 3, 8, 23, 55)};
const PackedDate Clock = D(10, 3, 8, 0, 2, 41);

void SetFiveMinuteStart(ArchivePeriodDialog& f, QDate date, int hour, int minute) {
    DateEdit(f, "fiveMinuteStartDate")->setDate(date);
    NumberBox(f, "fiveMinuteStartHour")->setCurrentIndex(hour);
    NumberBox(f, "fiveMinuteStartMinute")->setCurrentIndex(minute);
}

void SetFiveMinuteEnd(ArchivePeriodDialog& f, QDate date, int hour, int minute) {
    DateEdit(f, "fiveMinuteEndDate")->setDate(date);
    NumberBox(f, "fiveMinuteEndHour")->setCurrentIndex(hour);
    NumberBox(f, "fiveMinuteEndMinute")->setCurrentIndex(minute);
}

// The contrast ratio of two colours, (L1 + 0.05) / (L2 + 0.05) of their
// relative luminances, the lighter one above.
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The period as the 5-minute panel shows it.
QString ShownFiveMinutePeriod(const ArchivePeriodDialog& f) {
    const auto shown = [&f](const char* date, const char* hour, const char* minute) {
        return DateEdit(f, date)->date().toString(QStringLiteral("dd.MM.yy")) +
               QStringLiteral(" %1:%2").arg(NumberBox(f, hour)->currentIndex()).arg(NumberBox(f, minute)->currentIndex());
    };
    return shown("fiveMinuteStartDate", "fiveMinuteStartHour", "fiveMinuteStartMinute") + QStringLiteral(" - ") +
           shown("fiveMinuteEndDate", "fiveMinuteEndHour", "fiveMinuteEndMinute");
}

}  // namespace

class ArchivePeriodDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ArchiveQuery() = ArchiveQueryRecord{};
        ArchiveQuery().PeriodStart = ToDateTime(D(1, 3, 8, 12, 37));
        ArchiveQuery().PeriodEnd = ToDateTime(D(2, 3, 8, 8, 5));
    }

    void panelsByMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("oldest");
        QTest::addColumn<QString>("newest");
        QTest::newRow("5-minute") << 3 << 290
                                  << QStringLiteral("Дата и время самой старой записи в архиве:  10.01.08 00:05")
                                  << QStringLiteral("Дата и время последней записи в архиве:  09.03.08 23:55");
        QTest::newRow("hourly") << 0 << 238
                                << QStringLiteral("Дата и время самой старой записи в архиве:  10.01.08 00ч")
                                << QStringLiteral("Дата и время последней записи в архиве:  09.03.08 23ч");
        QTest::newRow("daily") << 1 << 208
                               << QStringLiteral("Дата и время самой старой записи в архиве:  10.01.08")
                               << QStringLiteral("Дата и время последней записи в архиве:  09.03.08");
    }

    void panelsByMode() {
        QFETCH(int, mode);
        QFETCH(int, height);
        QFETCH(QString, oldest);
        QFETCH(QString, newest);
        ArchivePeriodDialog f(mode, {D(10, 1, 8, 0, 5), D(9, 3, 8, 23, 55)}, Clock);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCOMPARE(f.windowTitle(), QStringLiteral("Ввод периода времени запрашиваемых данных"));
        QCOMPARE(f.size(), QSize(590, height));
        QCOMPARE(Child<QWidget>(f, "fiveMinutePanel")->isVisible(), mode == 3);
        QCOMPARE(Child<QWidget>(f, "hourlyPanel")->isVisible(), mode == 0);
        QCOMPARE(Child<QWidget>(f, "dailyPanel")->isVisible(), mode == 1);
        const QString panel = mode == 3 ? QStringLiteral("fiveMinute") : mode == 0 ? QStringLiteral("hourly") : QStringLiteral("daily");
        QCOMPARE(Child<QLabel>(f, panel + QStringLiteral("Oldest"))->text(), oldest);
        QCOMPARE(Child<QLabel>(f, panel + QStringLiteral("Newest"))->text(), newest);
        QCOMPARE(Button(f, "acceptButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(Button(f, "cancelButton")->text(), QStringLiteral("Отменить"));
        QCOMPARE(NumberBox(f, "fiveMinuteStartHour")->count(), 24);
        QCOMPARE(NumberBox(f, "fiveMinuteStartMinute")->count(), 60);
        QCOMPARE(DateEdit(f, "fiveMinuteStartDate")->minimumDate(), QDate(2000, 1, 1));
    }

    void fiveMinuteChoices_data() {
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("checked");
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("last hour") << 0 << 0 << "09.03.08 23:2 - 10.03.08 0:2" << false;
        QTest::newRow("last day") << 1 << 1 << "09.03.08 0:2 - 10.03.08 0:2" << false;
        QTest::newRow("custom") << 2 << 2 << "01.03.08 12:37 - 02.03.08 8:5" << true;
        QTest::newRow("index past the last item") << 7 << 2 << "01.03.08 12:37 - 02.03.08 8:5" << true;
    }

    void fiveMinuteChoices() {
        QFETCH(int, remembered);
        QFETCH(int, checked);
        QFETCH(QString, period);
        QFETCH(bool, enabled);
        ArchiveQuery().PeriodKind = remembered;
        ArchivePeriodDialog f(3, FiveMinuteBounds, Clock);
        QVERIFY(KindButton(f, FiveMinuteKinds[checked])->isChecked());
        QCOMPARE(Child<QGroupBox>(f, "fiveMinutePeriodKind")->title(), QStringLiteral(" Задание периода"));
        QCOMPARE(KindButton(f, FiveMinuteKinds[0])->text(), QStringLiteral("За последний час"));
        QCOMPARE(KindButton(f, FiveMinuteKinds[1])->text(), QStringLiteral("За последние сутки"));
        QCOMPARE(KindButton(f, FiveMinuteKinds[2])->text(), QStringLiteral("Заданный период"));
        QCOMPARE(ShownFiveMinutePeriod(f), period);
        for (const char* name : {"fiveMinuteStartDate", "fiveMinuteStartHour", "fiveMinuteStartMinute",
                                 "fiveMinuteEndDate", "fiveMinuteEndHour", "fiveMinuteEndMinute"})
            QCOMPARE(Child<QWidget>(f, QLatin1String(name))->isEnabled(), enabled);
        QCOMPARE(ArchiveQuery().PeriodKind, remembered);  // opening stores nothing
    }

    // Every date picker shows its whole date, enabled (a custom period) or
    // not, in the designed 590-pixel width; the hour and minute boxes show
    // their two digits.
    void datePickersShowTheWholeDate_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("pickers");
        const QStringList fiveMinute = {"fiveMinuteStartDate", "fiveMinuteEndDate"};
        QTest::newRow("5-minute, last hour") << 3 << 0 << fiveMinute;
        QTest::newRow("5-minute, custom") << 3 << 2 << fiveMinute;
        QTest::newRow("hourly, last day") << 0 << 0 << QStringList{"hourlyStartDate", "hourlyEndDate"};
        QTest::newRow("hourly, custom") << 0 << 1 << QStringList{"hourlyStartDate", "hourlyEndDate"};
        QTest::newRow("daily, custom") << 1 << 1 << QStringList{"dailyStartDate", "dailyEndDate"};
    }

    void datePickersShowTheWholeDate() {
        QFETCH(int, mode);
        QFETCH(int, kind);
        QFETCH(QStringList, pickers);
        ArchiveQuery().PeriodKind = kind;
        ArchivePeriodDialog f(mode, FiveMinuteBounds, Clock);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCOMPARE(f.width(), 590);
        for (const QString& name : pickers) {
            const QDateEdit* edit = Child<QDateEdit>(f, name);
            QCOMPARE(edit->isEnabled(), kind > 0);
            QCOMPARE(edit->text(), edit->date().toString(QStringLiteral("dd.MM.yyyy")));
            const auto* line = edit->findChild<QLineEdit*>();
            QVERIFY(line != nullptr);
            const int needed = line->fontMetrics().horizontalAdvance(edit->text());
            // The text and the edit's margin of 2 pixels at either side.
            QVERIFY2(needed + 4 <= line->width(),
                     qPrintable(QStringLiteral("%1: %2 of %3 pixels").arg(name).arg(needed).arg(line->width())));
            // Disabled, the date is still dark enough on its ground to be read
            // (a contrast of 4.5 : 1 at least).
            const QPalette& palette = edit->palette();
            const double contrast = Contrast(palette.color(QPalette::Disabled, QPalette::Text),
                                             palette.color(QPalette::Disabled, QPalette::Base));
            QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(name).arg(contrast)));
            // The picker lies wholly inside the dialog.
            QVERIFY(f.rect().contains(QRect(edit->mapTo(&f, QPoint(0, 0)), edit->size())));
        }
        for (QComboBox* box : f.findChildren<QComboBox*>()) {
            if (!box->isVisible()) continue;
            QVERIFY2(box->width() >= box->minimumSizeHint().width(), qPrintable(box->objectName()));
        }
    }

    void lastHourAcrossMidnightAndClicksAreRemembered() {
        ArchiveQuery().PeriodKind = 2;
        ArchivePeriodDialog f(3, FiveMinuteBounds, D(1, 3, 8, 0, 40));
        f.show();
        KindButton(f, FiveMinuteKinds[0])->click();
        QCOMPARE(ArchiveQuery().PeriodKind, 0);
        QCOMPARE(ShownFiveMinutePeriod(f), QStringLiteral("29.02.08 23:40 - 01.03.08 0:40"));
        QVERIFY(!DateEdit(f, "fiveMinuteStartDate")->isEnabled());
        KindButton(f, FiveMinuteKinds[2])->click();
        QCOMPARE(ArchiveQuery().PeriodKind, 2);
        QVERIFY(DateEdit(f, "fiveMinuteStartDate")->isEnabled());
        QCOMPARE(ShownFiveMinutePeriod(f), QStringLiteral("01.03.08 12:37 - 02.03.08 8:5"));
    }

    void hourlyPanel() {
        const ArchiveBounds bounds{D(9, 3, 8, 10), D(10, 3, 8, 4)};
        // "Заданный период": the last day of the archive, clipped at its oldest record.
        ArchiveQuery().PeriodKind = 1;
        ArchivePeriodDialog custom(0, bounds, D(10, 3, 8, 5, 20));
        QVERIFY(KindButton(custom, HourlyKinds[1])->isChecked());
        QCOMPARE(DateEdit(custom, "hourlyStartDate")->date(), QDate(2008, 3, 9));
        QCOMPARE(NumberBox(custom, "hourlyStartHour")->currentIndex(), 10);
        QCOMPARE(DateEdit(custom, "hourlyEndDate")->date(), QDate(2008, 3, 10));
        QCOMPARE(NumberBox(custom, "hourlyEndHour")->currentIndex(), 4);
        QVERIFY(DateEdit(custom, "hourlyStartDate")->isEnabled());

        // "За последние сутки": 24 hourly records up to the hour before now.
        ArchiveQuery().PeriodKind = 0;
        ArchivePeriodDialog last(0, bounds, D(1, 3, 8, 0, 20));
        QVERIFY(KindButton(last, HourlyKinds[0])->isChecked());
        QCOMPARE(KindButton(last, HourlyKinds[0])->text(), QStringLiteral("За последние сутки"));
        QCOMPARE(DateEdit(last, "hourlyEndDate")->date(), QDate(2008, 2, 29));
        QCOMPARE(NumberBox(last, "hourlyEndHour")->currentIndex(), 23);
        QCOMPARE(DateEdit(last, "hourlyStartDate")->date(), QDate(2008, 2, 29));
        QCOMPARE(NumberBox(last, "hourlyStartHour")->currentIndex(), 0);
        QVERIFY(!NumberBox(last, "hourlyEndHour")->isEnabled());

        // From a remembered 5-minute "Заданный период" (2) the last item is chosen.
        ArchiveQuery().PeriodKind = 2;
        ArchivePeriodDialog past(0, bounds, D(10, 3, 8, 5, 20));
        QVERIFY(KindButton(past, HourlyKinds[1])->isChecked());
    }

    void dailyPanel() {
        // A start a month before 31.03.09 is 31.02.09, shown as 03.03.09.
        ArchiveQuery().PeriodKind = 1;
        ArchivePeriodDialog f(1, {D(1, 1, 8), D(31, 3, 9)}, D(2, 4, 9, 12));
        QVERIFY(KindButton(f, DailyKinds[1])->isChecked());
        QCOMPARE(DateEdit(f, "dailyStartDate")->date(), QDate(2009, 3, 3));
        QCOMPARE(DateEdit(f, "dailyEndDate")->date(), QDate(2009, 3, 31));

        // Clipped at the oldest record.
        ArchivePeriodDialog young(1, {D(20, 3, 9), D(31, 3, 9)}, D(2, 4, 9, 12));
        QCOMPARE(DateEdit(young, "dailyStartDate")->date(), QDate(2009, 3, 20));

        // "За последний месяц": from now - 1 day back one month.
        KindButton(f, DailyKinds[0])->click();
        QCOMPARE(KindButton(f, DailyKinds[0])->text(), QStringLiteral("За последний месяц"));
        QCOMPARE(ArchiveQuery().PeriodKind, 0);
        QCOMPARE(DateEdit(f, "dailyEndDate")->date(), QDate(2009, 4, 1));
        QCOMPARE(DateEdit(f, "dailyStartDate")->date(), QDate(2009, 3, 1));
        QVERIFY(!DateEdit(f, "dailyStartDate")->isEnabled());
        QVERIFY(!DateEdit(f, "dailyEndDate")->isEnabled());
    }

    void refusals_data() {
        QTest::addColumn<QDate>("startDate");
        QTest::addColumn<int>("startHour");
        QTest::addColumn<int>("startMinute");
        QTest::addColumn<QDate>("endDate");
        QTest::addColumn<int>("endHour");
        QTest::addColumn<int>("endMinute");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString order1 = QStringLiteral("Дата и время конца опроса должны быть");
        const QString order2 = QStringLiteral("больше даты и времени начала опроса");
        const QString none1 = QStringLiteral("В архиве нет данных за указанный период");
        const QString none2 = QStringLiteral("(см. период имеющихся в архиве данных)");
        QTest::newRow("end a minute before start") << QDate(2008, 2, 1) << 12 << 31 << QDate(2008, 2, 1) << 12 << 30
                                                   << order1 << order2;
        QTest::newRow("end a day before start") << QDate(2008, 2, 2) << 0 << 0 << QDate(2008, 2, 1) << 23 << 59
                                                << order1 << order2;
        QTest::newRow("both before the oldest") << QDate(2008, 1, 1) << 0 << 0 << QDate(2008, 1, 9) << 23 << 59
                                                << none1 << none2;
        QTest::newRow("both after the newest") << QDate(2008, 3, 9) << 23 << 56 << QDate(2008, 3, 10) << 0 << 0
                                               << none1 << none2;
    }

    void refusals() {
        QFETCH(QDate, startDate);
        QFETCH(int, startHour);
        QFETCH(int, startMinute);
        QFETCH(QDate, endDate);
        QFETCH(int, endHour);
        QFETCH(int, endMinute);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ArchiveQuery().PeriodKind = 2;
        const ArchiveQueryRecord before = ArchiveQuery();
        ArchivePeriodDialog f(3, FiveMinuteBounds, Clock);
        f.show();
        SetFiveMinuteStart(f, startDate, startHour, startMinute);
        SetFiveMinuteEnd(f, endDate, endHour, endMinute);
        MessageCatcher catcher;
        Button(f, "acceptButton")->click();
        QCOMPARE(catcher.seen, 1);
        QCOMPARE(catcher.caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(catcher.line1, line1);
        QCOMPARE(catcher.line2, line2);
        QVERIFY(f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QCOMPARE(DateEdit(f, "fiveMinuteStartDate")->date(), startDate);  // the user's values stay
        QCOMPARE(NumberBox(f, "fiveMinuteEndMinute")->currentIndex(), endMinute);
        QVERIFY(ArchiveQuery() == before);
    }

    void acceptance_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("remembered");
        // The custom 5-minute period: 12:37 is taken as typed.
        QTest::newRow("5-minute custom as typed") << 3 << 2 << "01.03.08 12:37:00" << "02.03.08 08:05:00" << true;
        // The last day ends after the newest record: clamped.
        QTest::newRow("5-minute last day") << 3 << 1 << "09.03.08 00:02:00" << "09.03.08 23:55:00" << false;
        QTest::newRow("hourly last day") << 0 << 0 << "09.03.08 00:00:00" << "09.03.08 23:00:00" << false;
        QTest::newRow("daily last month") << 1 << 0 << "09.02.08 00:00:00" << "09.03.08 00:00:00" << false;
    }

    void acceptance() {
        QFETCH(int, mode);
        QFETCH(int, kind);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, remembered);
        ArchiveQuery().PeriodKind = kind;
        const ArchiveQueryRecord before = ArchiveQuery();
        ArchivePeriodDialog f(mode, FiveMinuteBounds, Clock);
        f.show();
        Button(f, "acceptButton")->click();
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(Text(f.Start()), start);
        QCOMPARE(Text(f.End()), end);
        if (remembered) {
            QCOMPARE(ArchiveQuery().PeriodStart, ToDateTime(f.Start()));
            QCOMPARE(ArchiveQuery().PeriodEnd, ToDateTime(f.End()));
        } else {
            QVERIFY(ArchiveQuery() == before);
        }
    }

    void customPeriodIsClampedAndRemembered() {
        ArchiveQuery().PeriodKind = 2;
        ArchivePeriodDialog f(3, FiveMinuteBounds, Clock);
        f.show();
        SetFiveMinuteStart(f, QDate(2007, 12, 31), 7, 0);
        SetFiveMinuteEnd(f, QDate(2008, 1, 20), 13, 44);
        Button(f, "acceptButton")->click();
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(Text(f.Start()), QStringLiteral("10.01.08 00:00:00"));
        QCOMPARE(Text(f.End()), QStringLiteral("20.01.08 13:44:00"));
        QCOMPARE(ArchiveQuery().PeriodStart, ToDateTime(D(10, 1, 8)));
        QCOMPARE(ArchiveQuery().PeriodEnd, ToDateTime(D(20, 1, 8, 13, 44)));

        // A period that only overlaps the newest end is clamped there.
        ArchivePeriodDialog g(3, FiveMinuteBounds, Clock);
        g.show();
        SetFiveMinuteStart(g, QDate(2008, 3, 9), 23, 50);
        SetFiveMinuteEnd(g, QDate(2008, 3, 10), 0, 1);
        Button(g, "acceptButton")->click();
        QCOMPARE(g.result(), int(QDialog::Accepted));
        QCOMPARE(Text(g.End()), QStringLiteral("09.03.08 23:55:00"));
        // An end equal to the start is accepted.
        ArchivePeriodDialog h(3, FiveMinuteBounds, Clock);
        h.show();
        SetFiveMinuteStart(h, QDate(2008, 2, 1), 6, 7);
        SetFiveMinuteEnd(h, QDate(2008, 2, 1), 6, 7);
        Button(h, "acceptButton")->click();
        QCOMPARE(h.result(), int(QDialog::Accepted));
    }

    void hourlyAndDailyPrecision() {
        // Hourly: an end in the newest hour is not after it; the start in the
        // oldest hour is kept.
        ArchiveQuery().PeriodKind = 1;
        const ArchiveBounds bounds{D(9, 3, 8, 10), D(10, 3, 8, 4)};
        ArchivePeriodDialog f(0, bounds, D(10, 3, 8, 5, 20));
        f.show();
        DateEdit(f, "hourlyStartDate")->setDate(QDate(2008, 3, 9));
        NumberBox(f, "hourlyStartHour")->setCurrentIndex(9);
        DateEdit(f, "hourlyEndDate")->setDate(QDate(2008, 3, 9));
        NumberBox(f, "hourlyEndHour")->setCurrentIndex(9);
        MessageCatcher catcher;
        Button(f, "acceptButton")->click();
        QCOMPARE(catcher.seen, 1);
        QCOMPARE(catcher.line1, QStringLiteral("В архиве нет данных за указанный период"));
        NumberBox(f, "hourlyEndHour")->setCurrentIndex(10);
        Button(f, "acceptButton")->click();
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(Text(f.Start()), QStringLiteral("09.03.08 10:00:00"));
        QCOMPARE(Text(f.End()), QStringLiteral("09.03.08 10:00:00"));

        // Daily: the day alone counts.
        ArchivePeriodDialog d(1, {D(1, 1, 8, 10), D(9, 3, 8, 10)}, Clock);
        d.show();
        DateEdit(d, "dailyStartDate")->setDate(QDate(2008, 3, 9));
        DateEdit(d, "dailyEndDate")->setDate(QDate(2008, 3, 9));
        Button(d, "acceptButton")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(Text(d.Start()), QStringLiteral("09.03.08 00:00:00"));
        QCOMPARE(Text(d.End()), QStringLiteral("09.03.08 00:00:00"));
    }

    void archiveMessagesUseTheSharedDialog() {
        MessageCatcher catcher;
        MessageBoxArchiveMessages().ShowMessage(MessageKind::Info, NoArchiveDataText(), QString());
        QCOMPARE(catcher.seen, 1);
        QCOMPARE(catcher.kind, MessageKind::Info);
        QCOMPARE(catcher.caption, QString());
        QCOMPARE(catcher.line1, QStringLiteral("В архиве нет данных"));
    }

    void cancelAcceptsNothing() {
        ArchivePeriodDialog f(3, FiveMinuteBounds, Clock);
        f.show();
        Button(f, "cancelButton")->click();
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QVERIFY(!f.isVisible());
    }
};

QTEST_MAIN(ArchivePeriodDialogTest)
#include "ArchivePeriodDialogTest.moc"
