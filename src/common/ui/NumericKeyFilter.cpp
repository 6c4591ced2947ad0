#include "common/ui/NumericKeyFilter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "common/NumericKeyRules.h"

namespace zmk {

NumericKeyFilter::NumericKeyFilter(Kind kind, QObject* parent) : QObject(parent), kind_(kind) {}

NumericKeyFilter* NumericKeyFilter::Install(QLineEdit* edit, Kind kind) {
    auto* filter = new NumericKeyFilter(kind, edit);
    edit->installEventFilter(filter);
    return filter;
}

NumericKeyFilter* NumericKeyFilter::Install(QComboBox* box, Kind kind) {
    auto* filter = new NumericKeyFilter(kind, box);
    box->installEventFilter(filter);
    if (QLineEdit* edit = box->lineEdit())
        edit->installEventFilter(filter);
    return filter;
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr)
        if (auto* box = qobject_cast<QComboBox*>(watched))
            edit = box->lineEdit();
    if (edit == nullptr)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString typed = key->text();
    // Keys that type nothing, and control characters other than backspace
    // (Enter, Esc, Tab), belong to the dialog, not to the filter.
    if (typed.size() != 1)
        return typed.size() > 1;  // a composed string is never a valid number key
    const QChar c = typed.at(0);
    if (c.unicode() < 0x20 && c.unicode() != KeyBackspace)
        return false;
    if (c.unicode() == KeyBackspace)
        return false;  // backspace passes both filters; the edit handles it

    const QString text = edit->text();
    const int caret = edit->cursorPosition();
    const QChar accepted = kind_ == Integer ? IntKeyFilter(text, caret, c)
                                            : FloatKeyFilter(text, caret, c);
    if (accepted.isNull())
        return true;
    if (accepted == c)
        return false;
    edit->insert(QString(accepted));  // ',' typed as '.'
    return true;
}

}  // namespace zmk
