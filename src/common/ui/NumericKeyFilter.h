#pragma once

#include <QObject>

class QComboBox;
class QLineEdit;

namespace zmk {

// Applies IntKeyFilter or FloatKeyFilter to the characters typed into a
// QLineEdit. Navigation and editing keys without a character (arrows, Delete,
// Home, End), Enter, Esc, Tab and Ctrl/Alt shortcuts are left alone, so that
// default buttons and clipboard shortcuts keep working.
class NumericKeyFilter : public QObject {
    Q_OBJECT

public:
    enum Kind { Integer, Float };

    explicit NumericKeyFilter(Kind kind, QObject* parent = nullptr);

    // Creates a filter owned by the edit and installs it there.
    static NumericKeyFilter* Install(QLineEdit* edit, Kind kind);
    // The same for an editable combo box. Its line edit hands the focus to
    // the box, which passes typed keys on to the edit directly, past the
    // edit's filters: the filter watches the box as well.
    static NumericKeyFilter* Install(QComboBox* box, Kind kind);

    Kind FilterKind() const { return kind_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Kind kind_;
};

}  // namespace zmk
