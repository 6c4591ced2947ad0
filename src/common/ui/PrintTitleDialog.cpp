#include "common/ui/PrintTitleDialog.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/OrganisationName.h"

namespace zmk {

namespace {

constexpr int ButtonWidth = 100;
constexpr int ButtonHeight = 28;

}  // namespace

PrintTitleDialog::PrintTitleDialog(ReportKind kind, const PackedDate& start, const PackedDate& end, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("printTitleDialog"));
    setWindowTitle(QStringLiteral(" Данные для печати"));
    setModal(true);

    auto* column = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Наименование организации"), this));
    organisationEdit_ = new QLineEdit(this);
    organisationEdit_->setObjectName(QStringLiteral("organisationEdit"));
    organisationEdit_->setMaxLength(OrganisationNameLength);
    remembered_ = ReadOrganisationName();
    organisationEdit_->setText(remembered_);
    nameRow->addWidget(organisationEdit_, 1);
    column->addLayout(nameRow);
    auto* hint = new QLabel(QStringLiteral("( до 40 символов )"), this);
    hint->setObjectName(QStringLiteral("hintLabel"));
    hint->setAlignment(Qt::AlignRight);
    column->addWidget(hint);

    const QStringList texts = PrintDialogLines(kind, start, end);
    for (int i = 0; i < 3; ++i) {
        lines_[i] = new QLabel(texts.value(i), this);
        lines_[i]->setObjectName(QStringLiteral("line%1").arg(i + 1));
        lines_[i]->setAlignment(Qt::AlignCenter);
        if (i < 2) {
            QFont bold = lines_[i]->font();
            bold.setBold(true);
            lines_[i]->setFont(bold);
        }
        column->addWidget(lines_[i]);
    }
    column->addStretch();

    auto* buttons = new QHBoxLayout;
    printButton_ = new QPushButton(QStringLiteral("Печатать"), this);
    printButton_->setObjectName(QStringLiteral("printButton"));
    cancelButton_ = new QPushButton(QStringLiteral("Отменить"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {printButton_, cancelButton_}) {
        b->setFixedSize(ButtonWidth, ButtonHeight);
        b->setAutoDefault(false);
    }
    printButton_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(printButton_);
    buttons->addSpacing(40);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();
    column->addLayout(buttons);
    connect(printButton_, &QPushButton::clicked, this, &PrintTitleDialog::confirm);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(FormWidth, FormHeight);
    organisationEdit_->setFocus();
}

QString PrintTitleDialog::Organisation() const {
    QString name = organisationEdit_->text().left(OrganisationNameLength);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control) c = u' ';
    return name;
}

void PrintTitleDialog::confirm() {
    const QString name = Organisation();
    // Not remembering the name is no reason to stop the printing.
    if (name != remembered_) WriteOrganisationName(name);
    accept();
}

std::optional<QString> AskOrganisation(ReportKind kind, const PackedDate& start, const PackedDate& end,
                                       QWidget* parent) {
    PrintTitleDialog dialog(kind, start, end, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Organisation();
}

}  // namespace zmk
