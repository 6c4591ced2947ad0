#include "reports/ui/ReportFormatDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "common/ui/MessageDialog.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kMargin = 16;
constexpr int kHeadingTop = 10;
constexpr int kHeadingHeight = 18;
constexpr int kRowHeight = 24;
constexpr int kRowStep = 30;
constexpr int kLabelWidth = 200;
constexpr int kComboWidth = 60;
constexpr int kFieldLeft = 250;
constexpr int kGroupInnerLeft = 16;
constexpr int kGroupTopPadding = 22;
constexpr int kGroupBottomPadding = 8;
constexpr int kGroupGap = 8;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomMargin = 16;

// Item index = number of decimals.
const char* const kItems[] = {" 0 ", " 1", " 2", " 3", " 4", " 5", " 6", " 7"};

}  // namespace

ReportFormatDialog::ReportFormatDialog(ReportFormat& format, QWidget* parent)
    : QDialog(parent), format_(&format) {
    BuildWindow();
    for (int i = 0; i < ReportFormatDialogBytes; ++i) {
        const int digits = format.Format[i];
        // A byte outside 0..7 (a damaged file) shows no selection.
        decimalsBoxes_[size_t(i)]->setCurrentIndex(digits <= MaxReportDecimals ? digits : -1);
    }
}

bool ReportFormatDialog::IsEditable(int byte) {
    return byte >= 0 && byte < ReportFormatDialogBytes && byte != FmtCompressibility &&
           byte != FmtDensityRelative;
}

void ReportFormatDialog::BuildWindow() {
    setWindowTitle(QStringLiteral("Формат представления данных"));
    setFixedSize(FormWidth, FormHeight);

    headingLabel_ = new QLabel(QStringLiteral("Точность представления данных"), this);
    headingLabel_->setObjectName(QStringLiteral("headingLabel"));
    headingLabel_->setAlignment(Qt::AlignCenter);
    headingLabel_->setGeometry(0, kHeadingTop, FormWidth, kHeadingHeight);
    headingNoteLabel_ = new QLabel(QStringLiteral("(количество знаков после запятой)"), this);
    headingNoteLabel_->setObjectName(QStringLiteral("headingNoteLabel"));
    headingNoteLabel_->setAlignment(Qt::AlignCenter);
    headingNoteLabel_->setGeometry(0, kHeadingTop + kHeadingHeight, FormWidth, kHeadingHeight);

    auto makeRow = [&](QWidget* parent, int byte, const QString& caption, int left, int top) {
        auto* label = new QLabel(caption, parent);
        label->setObjectName(QStringLiteral("decimalsLabel%1").arg(byte));
        label->setGeometry(left, top, kLabelWidth, kRowHeight);
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("decimalsBox%1").arg(byte));
        for (const char* item : kItems)
            combo->addItem(QString::fromUtf8(item));
        combo->setGeometry(kFieldLeft - (parent == this ? 0 : kMargin), top, kComboWidth, kRowHeight);
        label->setBuddy(combo);
        decimalsLabels_[size_t(byte)] = label;
        decimalsBoxes_[size_t(byte)] = combo;
    };
    auto makeGroup = [&](const QString& name, const QString& title, int top, int rows) {
        auto* group = new QGroupBox(title, this);
        group->setObjectName(name);
        group->setGeometry(kMargin, top, FormWidth - 2 * kMargin,
                           kGroupTopPadding + rows * kRowStep + kGroupBottomPadding - (kRowStep - kRowHeight));
        return group;
    };

    int top = kHeadingTop + 2 * kHeadingHeight + 14;
    makeRow(this, FmtComponents, QStringLiteral("МД составляющих газа"), kMargin, top);
    top += kRowStep;
    makeRow(this, FmtCompressibility, QStringLiteral("Фактор сжимаемости"), kMargin, top);
    top += kRowStep;
    makeRow(this, FmtTemperature, QStringLiteral("Температура"), kMargin, top);
    top += kRowStep;
    makeRow(this, FmtPressure, QStringLiteral("Давление"), kMargin, top);
    top += kRowStep + kGroupGap;

    densityGroup_ = makeGroup(QStringLiteral("densityGroup"), QStringLiteral(" Плотность "), top, 2);
    makeRow(densityGroup_, FmtDensityAbsolute, QStringLiteral("Абсолютная"), kGroupInnerLeft, kGroupTopPadding);
    makeRow(densityGroup_, FmtDensityRelative, QStringLiteral("Относительная"), kGroupInnerLeft,
            kGroupTopPadding + kRowStep);
    top += densityGroup_->height() + kGroupGap;

    auto unitRows = [&](QGroupBox* group, int first) {
        const QString units[] = {QStringLiteral("ккал/м3"), QStringLiteral("МДж/м3"),
                                 QStringLiteral("кВт-год/м3")};
        for (int i = 0; i < 3; ++i)
            makeRow(group, first + i, units[i], kGroupInnerLeft, kGroupTopPadding + i * kRowStep);
    };
    heatGroup_ = makeGroup(QStringLiteral("heatGroup"), QStringLiteral(" Теплота сгорания "), top, 3);
    unitRows(heatGroup_, FmtHeatKcal);
    top += heatGroup_->height() + kGroupGap;
    wobbeGroup_ = makeGroup(QStringLiteral("wobbeGroup"), QStringLiteral(" Число Воббе "), top, 3);
    unitRows(wobbeGroup_, FmtWobbeKcal);

    for (int i = 0; i < ReportFormatDialogBytes; ++i) {
        const bool editable = IsEditable(i);
        decimalsBoxes_[size_t(i)]->setEnabled(editable);
        decimalsLabels_[size_t(i)]->setEnabled(editable);
    }

    const int buttonTop = FormHeight - kButtonHeight - kButtonBottomMargin;
    const int gap = (FormWidth - 2 * kButtonWidth) / 3;
    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    acceptButton_->setGeometry(gap, buttonTop, kButtonWidth, kButtonHeight);
    acceptButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Отменить"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setGeometry(2 * gap + kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);

    connect(acceptButton_, &QPushButton::clicked, this, &ReportFormatDialog::acceptFormat);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void ReportFormatDialog::acceptFormat() {
    for (int i = 0; i < ReportFormatDialogBytes; ++i) {
        if (IsEditable(i) && decimalsBoxes_[size_t(i)]->currentIndex() < 0) {
            ShowMessage(MessageKind::InputError, QStringLiteral("Введены не все данные"), QString());
            decimalsBoxes_[size_t(i)]->setFocus();
            return;
        }
    }
    for (int i = 0; i < ReportFormatDialogBytes; ++i)
        if (IsEditable(i))
            format_->Format[i] = uint8_t(decimalsBoxes_[size_t(i)]->currentIndex());
    DeriveParameterDigits(*format_);
    accept();
}

}  // namespace zmk
