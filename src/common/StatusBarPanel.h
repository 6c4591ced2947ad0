#pragma once

#include <QString>

namespace zmk {

// One panel of a status bar, as the engines see it. The window layer
// implements it over its status bars; engines only set texts on it.
class StatusBarPanel {
public:
    virtual ~StatusBarPanel() = default;
    virtual void setText(const QString& text) = 0;
    virtual QString text() const = 0;
    // Paints the panel now, without waiting for the event loop.
    virtual void repaint() {}
};

// A panel that only remembers its text (command-line use and tests).
class TextPanel : public StatusBarPanel {
public:
    void setText(const QString& text) override { text_ = text; }
    QString text() const override { return text_; }

private:
    QString text_;
};

}  // namespace zmk
