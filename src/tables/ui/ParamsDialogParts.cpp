#include "tables/ui/ParamsDialogParts.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/NumericKeyFilter.h"
#include "link/BaudRates.h"
#include "tables/LinkParams.h"

namespace zmk {

QString ConfirmCaption(ParamsMode mode) {
    return mode == ParamsMode::Device ? QStringLiteral("Записать в устройство") : QStringLiteral("Принять");
}

QComboBox* NumberList(QWidget* parent, const char* name, int from, int to, bool editable) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    for (int n = from; n <= to; ++n) list->addItem(QString::number(n));
    if (editable) {
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->lineEdit()->setMaxLength(3);
        NumericKeyFilter::Install(list->lineEdit(), NumericKeyFilter::Integer);
    }
    list->setCurrentIndex(-1);
    return list;
}

QComboBox* RateChoiceList(QWidget* parent, const char* name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    for (int32_t rate : RateList) list->addItem(QString::number(rate));
    list->setCurrentIndex(-1);
    return list;
}

QComboBox* TextList(QWidget* parent, const char* name, const QStringList& items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

QLineEdit* DigitsField(QWidget* parent, const char* name, int maxDigits) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxDigits);
    NumericKeyFilter::Install(edit, NumericKeyFilter::Integer);
    return edit;
}

void SelectStored(QComboBox* list, int position, int storedValue) {
    if (position >= 0 && position < list->count()) {
        list->setCurrentIndex(position);
        return;
    }
    list->setCurrentIndex(-1);
    list->setPlaceholderText(QStringLiteral(" ? (%1)").arg(storedValue));
}

void SetTypedNumber(QComboBox* list, int value) {
    const int position = list->findText(QString::number(value));
    list->setCurrentIndex(position);
    list->setEditText(QString::number(value));
}

QHBoxLayout* ConfirmButtons(QDialog* dialog, ParamsMode mode, QPushButton** confirm) {
    auto* ok = new QPushButton(ConfirmCaption(mode), dialog);
    ok->setObjectName(QStringLiteral("confirmButton"));
    auto* cancel = new QPushButton(QStringLiteral("Отменить"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {ok, cancel}) b->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addSpacing(20);
    row->addWidget(cancel);
    row->addStretch();
    *confirm = ok;
    return row;
}

void ShowInputProblem(const InputProblem& problem) {
    ShowMessage(MessageKind::InputError, problem.Line1, problem.Line2);
}

}  // namespace zmk
