#pragma once

#include <QDialog>
#include <QString>

#include <functional>

#include "common/MessageKind.h"

class QLabel;
class QPushButton;

namespace zmk {

// The shared message dialog: up to three centred lines and either the
// acknowledgement button or the "Да" / "Нет" pair, as the kind's look says.
// Widgets for tests: labels "line1".."line3", buttons "yesButton",
// "noButton" and "okButton".
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
    // Room of a title bar's icon and buttons beside the caption.
    static constexpr int TitleBarAllowance = 100;
    static constexpr int HeightOneLine = 124;
    static constexpr int HeightTwoLines = 150;
    static constexpr int HeightThreeLines = 175;

    explicit MessageDialog(QWidget* parent = nullptr);

    // Sets caption, lines and buttons for the kind and the two caller lines,
    // sizes and places everything and centres the dialog on the screen.
    void Compose(MessageKind kind, const QString& first, const QString& second);

    // Width and height rules of the layout (also used by Compose).
    static int DialogHeight(const QString& line2, const QString& line3);
    static int DialogWidth(const QString& caption, const QString& line1, const QString& line2,
                           const QString& line3);

    MessageKind Kind() const { return kind_; }
    // The text of line 1..3.
    QString LineText(int line) const;
    // True once "Да" was pressed (a question's answer); false until then.
    bool Answer() const { return answer_; }

private:
    void answerYes();

    QLabel* lines_[3];
    QPushButton* yesButton_;  // "Да"
    QPushButton* noButton_;   // "Нет", also Esc
    QPushButton* okButton_;   // acknowledgement: icon, no caption
    MessageKind kind_ = MessageKind::None;
    bool answer_ = false;
};

// Creates the message dialog of the kind and lays it out, without showing it.
MessageDialog* CreateMessageBox(MessageKind kind, const QString& first, const QString& second,
                                QWidget* parent = nullptr);

// Shows the shared message of the kind modally.
void ShowMessage(MessageKind kind, const QString& first, const QString& second = {});

// Shows a question of the kind (Question, RetryQuestion, ArchiveDatesQuestion)
// modally; true only after "Да".
bool Ask(MessageKind kind, const QString& first, const QString& second = {});

// Takes every message and question in place of the dialog while it is set
// (tests and scripted runs): gets the kind and the two lines and returns the
// answer. Returns the handler it replaces; an empty handler restores the dialog.
using MessageHandler = std::function<bool(MessageKind kind, const QString& first, const QString& second)>;
MessageHandler SetMessageHandler(MessageHandler handler);

}  // namespace zmk
