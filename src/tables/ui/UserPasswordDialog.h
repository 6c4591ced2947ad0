#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace zmk {

// "Идентификация пользователя программы" opened from the users list: one
// user's write password and identification code, each typed twice. On
// acceptance Password() and Code() hold the typed texts in Windows-1251,
// blank-padded to 12 and 4 bytes. Widgets for tests: "passwordEdit",
// "passwordRepeatEdit", "codeEdit", "codeRepeatEdit", "acceptButton",
// "exitButton".
class UserPasswordDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 354;
    static constexpr int FormHeight = 308;
    static constexpr int PasswordLength = 12;
    static constexpr int CodeLength = 4;

    // A new user: all four fields empty.
    explicit UserPasswordDialog(QWidget* parent = nullptr);
    // An existing user: both password fields show the password, both code
    // fields the code (blank-padded bytes; the padding is not shown).
    UserPasswordDialog(const uint8_t* password, const uint8_t* code, QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    const std::array<uint8_t, PasswordLength>& Password() const { return password_; }
    const std::array<uint8_t, CodeLength>& Code() const { return code_; }

protected:
    // Enter walks the fields and on to "Принять".
    void keyPressEvent(QKeyEvent* event) override;

private:
    // "Принять": both passwords alike, both codes alike, a code given.
    void acceptCredentials();

    QLineEdit* passwordEdit_;
    QLineEdit* passwordRepeatEdit_;
    QLineEdit* codeEdit_;
    QLineEdit* codeRepeatEdit_;
    QPushButton* acceptButton_;  // "Принять"
    QPushButton* exitButton_;    // "Выход"
    std::array<uint8_t, PasswordLength> password_{};
    std::array<uint8_t, CodeLength> code_{};
};

}  // namespace zmk
