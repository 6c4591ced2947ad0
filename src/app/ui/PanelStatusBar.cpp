#include "app/ui/PanelStatusBar.h"

#include <QHBoxLayout>
#include <algorithm>

namespace zmk {

PanelStatusBar::PanelStatusBar(const QList<int>& widths, QWidget* parent) : QFrame(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    for (int i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setFixedWidth(widths[i]);
        label->setMinimumHeight(label->fontMetrics().height() + 6);
        labels_.append(label);
        panels_.push_back(std::make_unique<LabelPanel>(label));
        layout->addWidget(label);
    }
    layout->addStretch();
}

StatusBarPanel* PanelStatusBar::Panel(int index) const {
    return index >= 0 && index < PanelCount() ? panels_[size_t(index)].get() : nullptr;
}

QLabel* PanelStatusBar::PanelLabel(int index) const {
    return index >= 0 && index < PanelCount() ? labels_[index] : nullptr;
}

QString PanelStatusBar::PanelText(int index) const {
    const QLabel* label = PanelLabel(index);
    return label != nullptr ? label->text() : QString();
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
    if (QLabel* label = PanelLabel(index)) label->setText(text);
}

int PanelStatusBar::PanelWidth(int index) const {
    const QLabel* label = PanelLabel(index);
    return label != nullptr ? label->width() : 0;
}

void PanelStatusBar::SetPanelWidth(int index, int width) {
    if (QLabel* label = PanelLabel(index)) label->setFixedWidth(std::max(width, 0));
}

}  // namespace zmk
