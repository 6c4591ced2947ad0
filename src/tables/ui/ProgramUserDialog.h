#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zmk {

// "Идентификация пользователя программы": the identification code and the
// write password of the program's user, which the link adds to every
// request that writes into the controller. On acceptance Password() and
// Code() hold the typed texts in Windows-1251, blank-padded to 12 and 4
// bytes. Widgets for tests: "codeLabel", "codeEdit", "passwordLabel",
// "passwordEdit", "acceptButton", "exitButton".
class ProgramUserDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 384;
    static constexpr int FormHeight = 176;
    static constexpr int CodeLength = 4;
    static constexpr int PasswordLength = 12;

    explicit ProgramUserDialog(QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    const std::array<uint8_t, PasswordLength>& Password() const { return password_; }
    const std::array<uint8_t, CodeLength>& Code() const { return code_; }

protected:
    // Enter walks from the code to the password and on to "Принять".
    void keyPressEvent(QKeyEvent* event) override;

private:
    // "Принять": refuses an empty code, else keeps both credentials and accepts.
    void acceptCredentials();

    QLabel* codeLabel_;          // " Код идентификации  пользователя"
    QLineEdit* codeEdit_;        // at most 4 digits, masked
    QLabel* passwordLabel_;      // " Пароль на запись в контроллер"
    QLineEdit* passwordEdit_;    // at most 12 characters, masked
    QPushButton* acceptButton_;  // "Принять"
    QPushButton* exitButton_;    // "Выход"
    std::array<uint8_t, PasswordLength> password_{};
    std::array<uint8_t, CodeLength> code_{};
};

// The typed text as a fixed-size credential: blanks, then the text's
// Windows-1251 bytes from the start (cut when longer than the field).
template <size_t N>
std::array<uint8_t, N> BlankPaddedCredential(const QString& text);

extern template std::array<uint8_t, 4> BlankPaddedCredential<4>(const QString&);
extern template std::array<uint8_t, 12> BlankPaddedCredential<12>(const QString&);

}  // namespace zmk
