#pragma once

#include <QDialog>
#include <QString>

#include "app/ConnectionState.h"

class QLabel;
class QPushButton;

namespace zmk {

// The shared message dialog: up to three centred lines and either the
// acknowledgement button or the "Да" / "Нет" pair. Its look comes from
// Shared().MessageKind; the answer of a question goes to
// Shared().QuestionAnswer, which is cleared when the dialog is created.
class MessageDialog : public QDialog {
    Q_OBJECT

public:
    // Sizes of the dialog's parts, in pixels.
    static constexpr int ButtonWidth = 75;
    static constexpr int ButtonHeight = 25;
    static constexpr int PixelsPerChar = 10;
    static constexpr int WidthMargin = 20;
    static constexpr int MinWidthExtra = 60;
    static constexpr int LineMargin = 14;
    static constexpr int HeightOneLine = 124;
    static constexpr int HeightTwoLines = 150;
    static constexpr int HeightThreeLines = 175;

    explicit MessageDialog(QWidget* parent = nullptr);

    // Sets caption, lines and buttons for the kind and the two caller lines,
    // sizes and places everything and centres the dialog on the screen.
    void Compose(int kind, const QString& first, const QString& second);

    // Width and height rules of the layout (also used by Compose).
    static int DialogHeight(const QString& line2, const QString& line3);
    static int DialogWidth(const QString& caption, const QString& line1, const QString& line2,
                           const QString& line3);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* BitBtnYes;  // "Да"
    QPushButton* BitBtnNo;   // "Нет", also Esc
    QPushButton* BitBtnOk;   // acknowledgement: icon, no caption

private slots:
    void BitBtnYesClick();

private:
    void FormCreate();
};

// Creates the message dialog for the current Shared().MessageKind and lays it
// out, without showing it. ShowMessageBox runs it modally and destroys it.
MessageDialog* CreateMessageBox(const QString& first, const QString& second, QWidget* parent = nullptr);

// Shows the shared message modally and destroys it. For a question the
// answer is in Shared().QuestionAnswer afterwards (true only after "Да").
void ShowMessageBox(const QString& first, const QString& second);


}  // namespace zmk
