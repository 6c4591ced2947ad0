#include "events/ui/EventIndexDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/NumericKeyFilter.h"
#include "settings/ArchiveQuery.h"

namespace zmk {

namespace {

constexpr int CustomItem = int(EventIndexChoice::Custom);

struct ChoiceItem {
    const char* name;
    const char16_t* text;
};
const ChoiceItem ChoiceItems[] = {
    {"allRecords", u"Весь диапазон данных"},
    {"last100", u"Последние 100 записей"},
    {"last50", u"Последние 50 записей"},
    {"last10", u"Последние 10 записей"},
    {"customRange", u"Заданный диапазон данных"},
};

QLineEdit* NewEdit(QWidget* parent, const char* name, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(readOnly);
    if (!readOnly) NumericKeyFilter::Install(edit, NumericKeyFilter::Integer);
    return edit;
}

bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

EventIndexDialog::EventIndexDialog(EventKind kind, const EventArchiveBounds& bounds, QWidget* parent)
    : QDialog(parent), bounds_(bounds) {
    setWindowTitle(kind == EventKind::Diagnostics ? QStringLiteral("Индексы архивных записей диагностики")
                                                  : QStringLiteral("Индексы архивных записей о вмешательствах"));

    oldestEdit_ = NewEdit(this, "oldestIndex", true);
    newestEdit_ = NewEdit(this, "newestIndex", true);
    startEdit_ = NewEdit(this, "startIndex", false);
    countEdit_ = NewEdit(this, "recordCount", false);
    oldestEdit_->setText(QString::number(bounds_.oldest));
    newestEdit_->setText(QString::number(bounds_.newest));
    oldestEdit_->setFocusPolicy(Qt::NoFocus);
    newestEdit_->setFocusPolicy(Qt::NoFocus);
    startEdit_->installEventFilter(this);
    countEdit_->installEventFilter(this);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Индекс самой старой записи"), this), 0, 0);
    fields->addWidget(oldestEdit_, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Индекс самой новой записи"), this), 1, 0);
    fields->addWidget(newestEdit_, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Индекс записи начала чтения"), this), 2, 0);
    fields->addWidget(startEdit_, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Количество записей для чтения"), this), 3, 0);
    fields->addWidget(countEdit_, 3, 1);

    auto* group = new QGroupBox(QStringLiteral(" Задание для чтения данных "), this);
    group->setObjectName(QStringLiteral("indexChoice"));
    choices_ = new QButtonGroup(group);
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < int(std::size(ChoiceItems)); ++i) {
        auto* button = new QRadioButton(QString::fromUtf16(ChoiceItems[i].text), group);
        button->setObjectName(QString::fromLatin1(ChoiceItems[i].name));
        choices_->addButton(button, i);
        groupLayout->addWidget(button);
    }
    connect(choices_, &QButtonGroup::idClicked, this, &EventIndexDialog::chooseItem);

    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    // Enter presses the button that has the focus, never a default one: in
    // the fields it walks on.
    for (QPushButton* button : {acceptButton_, exitButton_}) {
        button->setAutoDefault(true);
        button->setDefault(false);
        button->setFixedWidth(100);
    }
    connect(acceptButton_, &QPushButton::clicked, this, &EventIndexDialog::acceptRange);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addLayout(fields);
    top->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(acceptButton_);
    buttons->addSpacing(40);
    buttons->addWidget(exitButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    setTabOrder(startEdit_, countEdit_);
    setTabOrder(countEdit_, acceptButton_);
    setTabOrder(acceptButton_, exitButton_);

    // The remembered item, selected and applied; opening stores nothing.
    const int item = std::clamp(int(ArchiveQuery().IndexChoice), 0, CustomItem);
    choices_->button(item)->setChecked(true);
    ApplyChoice(item);
}

void EventIndexDialog::ApplyChoice(int item) {
    const std::optional<EventIndexRange> range = RangeForChoice(EventIndexChoice(item), bounds_);
    const bool custom = !range.has_value();
    startEdit_->setText(custom ? QString() : QString::number(range->first));
    countEdit_->setText(custom ? QString() : QString::number(range->count));
    startEdit_->setEnabled(custom);
    countEdit_->setEnabled(custom);
    if (custom)
        startEdit_->setFocus();
    else
        acceptButton_->setFocus();
}

void EventIndexDialog::chooseItem(int item) {
    ArchiveQuery().IndexChoice = item;
    ApplyChoice(item);
}

bool EventIndexDialog::eventFilter(QObject* watched, QEvent* event) {
    if (IsEnter(event)) {
        if (watched == startEdit_) {
            countEdit_->setFocus();
            return true;
        }
        if (watched == countEdit_) {
            acceptButton_->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EventIndexDialog::acceptRange() {
    const EventIndexCheck check = CheckIndexInput(startEdit_->text(), countEdit_->text(), bounds_);
    if (!check.range) {
        ShowMessage(MessageKind::InputError, check.line1, check.line2);
        return;
    }
    range_ = *check.range;
    accept();
}

}  // namespace zmk
