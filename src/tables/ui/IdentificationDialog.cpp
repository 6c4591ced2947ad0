#include "tables/ui/IdentificationDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "tables/Identification.h"

namespace zmk {

IdentificationDialog::IdentificationDialog(const uint8_t* table0, bool full, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Параметры идентификации контроллера"));
    setFixedSize(FormWidth, FormHeight);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    const QList<IdentificationRow> rows = IdentificationRows(table0, full);
    for (int i = 0; i < rows.size(); ++i) {
        const IdentificationRow& row = rows[i];
        auto* label = new QLabel(row.label.join(QLatin1Char('\n')), this);
        label->setObjectName(QStringLiteral("identLabel%1").arg(i));
        label->setEnabled(row.shown);
        auto* value = new QLabel(row.value, this);
        value->setObjectName(QStringLiteral("identValue%1").arg(i));
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setEnabled(row.shown);
        value->setProperty("alarm", row.alarm);
        if (row.alarm) value->setStyleSheet(QStringLiteral("color: red;"));
        grid->addWidget(label, i, 0);
        grid->addWidget(value, i, 1);
        labels_.append(label);
        values_.append(value);
    }

    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    exitButton_->setFixedWidth(100);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exitButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    exitButton_->setFocus();
}

}  // namespace zmk
