#include "tables/ui/ProgramUserDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Cp1251.h"
#include "common/ui/NumericKeyFilter.h"
#include "common/ui/MessageDialog.h"
#include "common/MessageKind.h"

namespace zmk {

template <size_t N>
std::array<uint8_t, N> BlankPaddedCredential(const QString& text) {
    std::array<uint8_t, N> out;
    out.fill(' ');
    const QByteArray bytes = ToCp1251(text);
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), N), out.begin());
    return out;
}

template std::array<uint8_t, 4> BlankPaddedCredential<4>(const QString&);
template std::array<uint8_t, 12> BlankPaddedCredential<12>(const QString&);

ProgramUserDialog::ProgramUserDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Идентификация пользователя программы"));
    setFixedSize(FormWidth, FormHeight);

    LabelCode = new QLabel(QStringLiteral(" Код идентификации  пользователя"), this);
    EditCode = new QLineEdit(this);
    EditCode->setObjectName(QStringLiteral("EditCode"));
    EditCode->setMaxLength(CodeLength);
    EditCode->setEchoMode(QLineEdit::Password);
    EditCode->setFixedWidth(60);
    NumericKeyFilter::Install(EditCode, NumericKeyFilter::Integer);

    LabelPass = new QLabel(QStringLiteral(" Пароль на запись в контроллер"), this);
    EditPass = new QLineEdit(this);
    EditPass->setObjectName(QStringLiteral("EditPass"));
    EditPass->setMaxLength(PasswordLength);
    EditPass->setEchoMode(QLineEdit::Password);
    EditPass->setFixedWidth(110);

    BitBtnAccept = new QPushButton(QStringLiteral("Принять"), this);
    BitBtnExit = new QPushButton(QStringLiteral("Выход"), this);
    // Enter is handled by the dialog itself (field to field), never by a
    // default button.
    for (QPushButton* button : {BitBtnAccept, BitBtnExit}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFixedWidth(100);
    }

    auto* fields = new QGridLayout;
    fields->addWidget(LabelCode, 0, 0);
    fields->addWidget(EditCode, 0, 1);
    fields->addWidget(LabelPass, 1, 0);
    fields->addWidget(EditPass, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnAccept);
    buttons->addSpacing(20);
    buttons->addWidget(BitBtnExit);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(EditCode, EditPass);
    setTabOrder(EditPass, BitBtnAccept);
    setTabOrder(BitBtnAccept, BitBtnExit);
    EditCode->setFocus();

    connect(BitBtnAccept, &QPushButton::clicked, this, &ProgramUserDialog::BitBtnAcceptClick);
    connect(BitBtnExit, &QPushButton::clicked, this, &QDialog::reject);
}

void ProgramUserDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (focus == EditCode)
            EditPass->setFocus();
        else if (focus == EditPass)
            BitBtnAccept->setFocus();
        else if (auto* button = qobject_cast<QPushButton*>(focus))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgramUserDialog::BitBtnAcceptClick() {
    if (EditCode->text().isEmpty()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Не задан код идентификации пользователя"), QString());
        EditCode->setFocus();
        return;
    }
    Password = BlankPaddedCredential<PasswordLength>(EditPass->text());
    Code = BlankPaddedCredential<CodeLength>(EditCode->text());
    accept();
}

}  // namespace zmk
