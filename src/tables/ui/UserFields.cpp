#include "tables/ui/UserFields.h"

#include <QLineEdit>
#include <QValidator>

#include "common/Cp1251.h"
#include "common/NumericKeyRules.h"
#include "common/ui/NumericKeyFilter.h"
#include "tables/UsersTable.h"

namespace zmk {

namespace {

// Refuses an edit (a key, a paste, a drop) whose text has a character the
// field cannot store; with `digits`, also one its key filter would swallow.
class UserTextValidator : public QValidator {
public:
    UserTextValidator(bool digits, QObject* parent) : QValidator(parent), digits_(digits) {}

    State validate(QString& input, int&) const override {
        bool ok = true;
        ToCp1251(input, &ok);
        if (!ok) return Invalid;
        if (digits_) {
            for (QChar c : input)
                if (c == QChar(KeyBackspace) || IntKeyFilter(QString(), 0, c) != c) return Invalid;
        }
        return Acceptable;
    }

private:
    bool digits_;
};

QLineEdit* MakeEdit(QWidget* parent, const char* objectName, int maxLength, bool masked, bool digits) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setMaxLength(maxLength);
    if (masked) edit->setEchoMode(QLineEdit::Password);
    edit->setValidator(new UserTextValidator(digits, edit));
    if (digits) NumericKeyFilter::Install(edit, NumericKeyFilter::Integer);
    return edit;
}

}  // namespace

QLineEdit* MakeUserNameEdit(QWidget* parent, const char* objectName) {
    return MakeEdit(parent, objectName, UserNameSize, false, false);
}

QLineEdit* MakePasswordEdit(QWidget* parent, const char* objectName) {
    return MakeEdit(parent, objectName, UserPasswordSize, true, false);
}

QLineEdit* MakeCodeEdit(QWidget* parent, const char* objectName) {
    return MakeEdit(parent, objectName, UserCodeSize, true, true);
}

}  // namespace zmk
