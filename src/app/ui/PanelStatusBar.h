#pragma once

#include <QFrame>
#include <QLabel>
#include <QList>
#include <memory>
#include <vector>

#include "common/StatusBarPanel.h"

namespace zmk {

// A status-bar panel over a label of the main window.
class LabelPanel : public StatusBarPanel {
public:
    explicit LabelPanel(QLabel* label) : label_(label) {}
    void setText(const QString& text) override { label_->setText(text); }
    QString text() const override { return label_->text(); }
    void repaint() override { label_->repaint(); }
    QLabel* Label() const { return label_; }

private:
    QLabel* label_;
};

// A status bar of fixed-width panels, each a sunken label; the last panel
// of a bar also takes what is left of the width.
class PanelStatusBar : public QFrame {
    Q_OBJECT

public:
    PanelStatusBar(const QList<int>& widths, QWidget* parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    // Panel i as the engines see it; null outside 0..PanelCount()-1.
    StatusBarPanel* Panel(int index) const;
    QLabel* PanelLabel(int index) const;
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);

private:
    QList<QLabel*> labels_;
    std::vector<std::unique_ptr<LabelPanel>> panels_;
};

}  // namespace zmk
