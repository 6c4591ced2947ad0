#include "reports/ui/PassportDateDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "common/ui/ListDialogFrame.h"
#include "reports/ui/ObjectDialog.h"
#include "reports/ui/ObjectListDialog.h"

namespace zmk {

namespace {

constexpr int kFormWidth = 470;
constexpr int kFormHeight = 300;
constexpr int kLeft = 16;
constexpr int kLabelWidth = 120;
constexpr int kFieldLeft = 140;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomMargin = 16;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

const char16_t* const kMonths[12] = {u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
                                     u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

}  // namespace

QString NoObjectText() { return QStringLiteral("Не введено наименование объекта"); }
QString NoDataForDateLine1() { return QStringLiteral("В архиве нет данных за указанную дату"); }
QString NoDataForDateLine2() { return QStringLiteral("(см. период имеющихся в архиве данных)"); }

PassportDateDialog::PassportDateDialog(PassportKind kind, const ArchiveBounds& bounds, int contractHour,
                                       ObjectList& objects, const QString& objectsPath, QWidget* parent)
    : QDialog(parent), kind_(kind), bounds_(bounds), contractHour_(contractHour), objects_(objects),
      objectsPath_(objectsPath) {
    BuildWindow();
    const PackedDate& newest = bounds_.Newest;
    yearSpin_->setValue(std::clamp(newest.FullYear(), kFirstYear, kLastYear));
    monthBox_->setCurrentIndex(std::clamp(int(newest.Month), 1, 12) - 1);
    fillDays();
    dayBox_->setCurrentIndex(std::clamp(int(newest.Day), 1, dayBox_->count()) - 1);
    fillObjects();
}

void PassportDateDialog::BuildWindow() {
    setWindowTitle(kind_ == PassportKind::Daily ? QStringLiteral(" Параметры отчета за сутки")
                                                : QStringLiteral(" Параметры отчета за месяц"));
    setFixedSize(kFormWidth, kFormHeight);
    const PackedDate& o = bounds_.Oldest;
    const PackedDate& n = bounds_.Newest;
    oldestLabel_ = MakeLabel(this,
                             QString::asprintf("Дата самой старой записи в архиве суточных данных:  %02d.%02d.%02d", o.Day,
                                               o.Month, o.Year),
                             "oldestLabel", QRect(kLeft, 12, kFormWidth - 2 * kLeft, kRowHeight));
    newestLabel_ = MakeLabel(this, QString::asprintf("Дата последней записи в архиве:  %02d.%02d.%02d", n.Day, n.Month, n.Year),
                             "newestLabel", QRect(kLeft, 36, kFormWidth - 2 * kLeft, kRowHeight));

    int top = 72;
    MakeLabel(this, QStringLiteral("Год"), "yearLabel", QRect(kLeft, top, kLabelWidth, kRowHeight));
    yearSpin_ = new QSpinBox(this);
    yearSpin_->setObjectName(QStringLiteral("yearSpin"));
    yearSpin_->setRange(kFirstYear, kLastYear);
    yearSpin_->setGeometry(kFieldLeft, top, 80, kRowHeight);
    top += 32;
    MakeLabel(this, QStringLiteral("Месяц"), "monthLabel", QRect(kLeft, top, kLabelWidth, kRowHeight));
    monthBox_ = new QComboBox(this);
    monthBox_->setObjectName(QStringLiteral("monthBox"));
    for (const char16_t* month : kMonths) monthBox_->addItem(QString::fromUtf16(month));
    monthBox_->setGeometry(kFieldLeft, top, 120, kRowHeight);
    top += 32;
    dayLabel_ = MakeLabel(this, QStringLiteral("День"), "dayLabel", QRect(kLeft, top, kLabelWidth, kRowHeight));
    dayBox_ = new QComboBox(this);
    dayBox_->setObjectName(QStringLiteral("dayBox"));
    dayBox_->setGeometry(kFieldLeft, top, 60, kRowHeight);
    if (kind_ == PassportKind::Monthly) {
        dayLabel_->hide();
        dayBox_->hide();
    }
    top += 32;
    MakeLabel(this, QStringLiteral("Объект"), "objectLabel", QRect(kLeft, top, kLabelWidth, kRowHeight));
    objectBox_ = new QComboBox(this);
    objectBox_->setObjectName(QStringLiteral("objectBox"));
    objectBox_->setGeometry(kFieldLeft, top, 310, kRowHeight);
    top += 32;
    MakeLabel(this, QStringLiteral("Список объектов"), "objectListLabel", QRect(kLeft, top, kLabelWidth, kRowHeight));
    objectListButton_ = new QPushButton(QStringLiteral("..."), this);
    objectListButton_->setObjectName(QStringLiteral("objectListButton"));
    objectListButton_->setGeometry(kFieldLeft, top, 30, kRowHeight);

    MakeAcceptCancelButtons(this, QSize(kFormWidth, kFormHeight), kButtonWidth, kButtonHeight, kButtonBottomMargin,
                            acceptButton_, cancelButton_);
    // A month's days follow the month and the year (29 February must not
    // stay chosen in a year without it).
    connect(monthBox_, &QComboBox::currentIndexChanged, this, &PassportDateDialog::fillDays);
    connect(yearSpin_, &QSpinBox::valueChanged, this, &PassportDateDialog::fillDays);
    connect(objectBox_, &QComboBox::activated, this, &PassportDateDialog::objectChosen);
    connect(objectListButton_, &QPushButton::clicked, this, &PassportDateDialog::openObjectList);
    connect(acceptButton_, &QPushButton::clicked, this, &PassportDateDialog::acceptDate);
}

void PassportDateDialog::fillDays() {
    const int days = DaysInMonth(yearSpin_->value(), monthBox_->currentIndex() + 1);
    const int day = std::min(std::max(dayBox_->currentIndex() + 1, 1), days);
    if (dayBox_->count() == days) return;
    const QSignalBlocker block(dayBox_);
    dayBox_->clear();
    for (int d = 1; d <= days; ++d) dayBox_->addItem(QString::number(d));
    dayBox_->setCurrentIndex(day - 1);
}

void PassportDateDialog::fillObjects() {
    const QSignalBlocker block(objectBox_);
    objectBox_->clear();
    for (int i = 0; i < objects_.Count; ++i) objectBox_->addItem(ObjectName(objects_.Entries[i]));
    if (objects_.Count < MaxObjects) objectBox_->addItem(QStringLiteral("Новый объект"));
    objectBox_->setCurrentIndex(objects_.Count > 0 ? std::min<int>(objects_.Selected, objects_.Count - 1) : -1);
}

void PassportDateDialog::objectChosen(int index) {
    if (index >= 0 && index < objects_.Count) {
        objects_.Selected = uint8_t(index);
        return;
    }
    if (index != objects_.Count || objects_.Count >= MaxObjects) return;
    ObjectEntry& entry = objects_.Entries[objects_.Count];
    ObjectDialog dialog(entry, ObjectDialog::NewEntry, this);
    if (dialog.exec() == QDialog::Accepted) {
        objects_.Selected = objects_.Count;
        ++objects_.Count;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        WriteObjectList(objectsPath_, objects_);
        QApplication::restoreOverrideCursor();
    } else {
        entry = ObjectEntry{};
    }
    fillObjects();
}

void PassportDateDialog::openObjectList() {
    ObjectListDialog dialog(objects_, objectsPath_, this);
    if (dialog.exec() == QDialog::Accepted) fillObjects();
}

void PassportDateDialog::acceptDate() {
    const int index = objectBox_->currentIndex();
    if (index < 0 || index >= objects_.Count) {
        ShowInputError(objectBox_, NoObjectText());
        return;
    }
    PackedDate date;
    date.Year = uint8_t(yearSpin_->value() - 2000);
    date.Month = uint8_t(monthBox_->currentIndex() + 1);
    date.Day = kind_ == PassportKind::Daily ? uint8_t(dayBox_->currentIndex() + 1) : 1;
    const int unit = kind_ == PassportKind::Daily ? UnitDay : UnitMonth;
    if (CompareDates(date, bounds_.Oldest, unit) < 0 || CompareDates(date, bounds_.Newest, unit) > 0) {
        ShowInputError(nullptr, NoDataForDateLine1(), NoDataForDateLine2());
        return;
    }
    objects_.Selected = uint8_t(index);
    date.Hour = uint8_t(contractHour_);
    chosen_ = date;
    accept();
}

}  // namespace zmk
