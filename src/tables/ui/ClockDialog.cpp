#include "tables/ui/ClockDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"

namespace zmk {

namespace {

QLabel* Value(const QString& text, bool differs, QWidget* parent, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setProperty("differs", differs);
    if (differs) label->setStyleSheet(QStringLiteral("color: red;"));
    return label;
}

}  // namespace

ClockDialog::ClockDialog(const ClockReading& controller, const ClockReading& computer, QWidget* parent)
    : QDialog(parent), controller_(controller), computer_(computer) {
    open_.start();
    setWindowTitle(QStringLiteral("Текущие дата и время"));
    setFixedSize(FormWidth, FormHeight);
    const ClockDifferences red = CompareClocks(controller, computer);

    auto* grid = new QGridLayout;
    auto* inController = new QLabel(QStringLiteral("В контроллере"), this);
    auto* inComputer = new QLabel(QStringLiteral("В ЭВМ"), this);
    inController->setAlignment(Qt::AlignCenter);
    inComputer->setAlignment(Qt::AlignCenter);
    grid->addWidget(inController, 0, 1);
    grid->addWidget(inComputer, 0, 2);
    struct Row {
        const char16_t* caption;
        const char* name;
        QString controllerText;
        QString computerText;
        bool differs;
    };
    const Row rows[] = {
        {u"Дата\n( дд.мм.гг )", "Date", ClockDateText(controller.time), ClockDateText(computer.time), red.date},
        {u"Время\n( чч:мм:сс )", "Time", ClockTimeText(controller.time), ClockTimeText(computer.time), red.time},
        {u"День\nнедели", "Weekday", ClockWeekdayText(controller.weekday), ClockWeekdayText(computer.weekday),
         red.weekday},
        {u"Тип\nвремени", "Kind", TimeKindText(controller.winter), TimeKindText(computer.winter), red.kind},
    };
    int r = 1;
    for (const Row& row : rows) {
        const QString name = QString::fromLatin1(row.name);
        grid->addWidget(new QLabel(QString::fromUtf16(row.caption), this), r, 0);
        grid->addWidget(Value(row.controllerText, row.differs, this, QStringLiteral("controller") + name), r, 1);
        grid->addWidget(Value(row.computerText, false, this, QStringLiteral("computer") + name), r, 2);
        ++r;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    correctButton_ = new QPushButton(QStringLiteral("Скорректировать в устройстве"), this);
    correctButton_->setObjectName(QStringLiteral("correctButton"));
    correctButton_->setEnabled(!red.sameToTheSecond && ClockCorrectable(controller.time));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    for (QPushButton* button : {correctButton_, exitButton_}) button->setAutoDefault(false);
    connect(correctButton_, &QPushButton::clicked, this, &ClockDialog::correct);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(correctButton_);
    buttons->addSpacing(24);
    buttons->addWidget(exitButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    exitButton_->setFocus();
}

void ClockDialog::correct() {
    hide();
    if (Ask(MessageKind::Question, QStringLiteral("Вы уверены, что часы ЭВМ показывают правильное время?"))) {
        const int elapsed = int((open_.elapsed() + 500) / 1000);
        correction_ = ClockCorrection(LaterBy(controller_.time, elapsed), LaterBy(computer_.time, elapsed));
        accept();
        return;
    }
    reject();
}

}  // namespace zmk
