#pragma once

#include <QDialog>
#include <QString>
#include <optional>

#include "common/PackedDate.h"
#include "common/ReportKind.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zmk {

// " Данные для печати": shows what is about to be printed (three lines by
// the report's kind and period) and asks for the name of the organisation
// that heads the report, at most 40 characters, offered from "title.ini".
// "Печатать" remembers a changed name in "title.ini" (a failure to write it
// does not stop the printing) and confirms; "Отменить" changes nothing.
// Widgets by object name: "organisationEdit", "hintLabel", labels
// "line1".."line3", buttons "printButton" and "cancelButton".
class PrintTitleDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 532;
    static constexpr int FormHeight = 212;

    PrintTitleDialog(ReportKind kind, const PackedDate& start, const PackedDate& end, QWidget* parent = nullptr);

    // The organisation name as typed (control characters as blanks).
    QString Organisation() const;

private slots:
    void confirm();

private:
    QLineEdit* organisationEdit_;
    QLabel* lines_[3];
    QPushButton* printButton_;
    QPushButton* cancelButton_;
    QString remembered_;
};

// Shows the dialog modally; the organisation name after "Печатать",
// nullopt after "Отменить".
std::optional<QString> AskOrganisation(ReportKind kind, const PackedDate& start, const PackedDate& end,
                                       QWidget* parent = nullptr);

}  // namespace zmk
