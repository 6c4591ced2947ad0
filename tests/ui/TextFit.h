#pragma once

// Texts that a window cannot show in full: labels, check and radio boxes,
// buttons, group-box titles and the column titles of grids, each measured
// with its own font against the room its widget gives it.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QTableView>
#include <QTextDocument>
#include <QWidget>

namespace textfit {

inline QString Describe(const QWidget& w, const QString& text, QSize needs, QSize has) {
    return QStringLiteral("%1 \"%2\" %3: needs %4x%5, has %6x%7")
        .arg(QString::fromLatin1(w.metaObject()->className()), w.objectName(), text.simplified())
        .arg(needs.width())
        .arg(needs.height())
        .arg(has.width())
        .arg(has.height());
}

// The room a label's text has and the size its text takes.
inline void CheckLabel(const QLabel& label, QStringList& clipped) {
    const QString text = label.text();
    if (text.trimmed().isEmpty() || Qt::mightBeRichText(text) || label.textFormat() == Qt::RichText) return;
    QRect room = label.contentsRect();
    const int margin = label.margin();
    room.adjust(margin, margin, -margin, -margin);
    const QFontMetrics metrics(label.font());
    if (label.wordWrap()) {
        // Wrapped: the lines must fit the height, and no word may be wider than the label.
        const QRect needs = metrics.boundingRect(QRect(0, 0, room.width(), 100000), int(Qt::TextWordWrap), text);
        int widest = 0;
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        if (needs.height() > room.height() + 1 || widest > room.width())
            clipped << Describe(label, text, QSize(widest, needs.height()), room.size());
        return;
    }
    const QRect needs = metrics.boundingRect(QRect(0, 0, 100000, 100000), int(label.alignment()), text);
    if (needs.width() > room.width() || needs.height() > room.height() + 1)
        clipped << Describe(label, text, needs.size(), room.size());
}

inline void CheckButton(const QAbstractButton& button, QStringList& clipped) {
    const QString text = button.text();
    if (text.trimmed().isEmpty()) return;
    int needs = 0;
    if (qobject_cast<const QCheckBox*>(&button) != nullptr || qobject_cast<const QRadioButton*>(&button) != nullptr) {
        needs = button.sizeHint().width();
    } else if (qobject_cast<const QPushButton*>(&button) != nullptr) {
        // The text and the frame's margins; the style's minimum width aside.
        const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
        needs = QFontMetrics(button.font()).horizontalAdvance(QString(text).remove(u'&')) + margin +
                (button.icon().isNull() ? 0 : button.iconSize().width() + 4);
    } else {
        return;
    }
    if (needs > button.width()) clipped << Describe(button, text, QSize(needs, 0), button.size());
}

inline void CheckGroupBox(const QGroupBox& box, QStringList& clipped) {
    const QString title = box.title();
    if (title.isEmpty()) return;
    const int needs = QFontMetrics(box.font()).horizontalAdvance(QString(title).remove(u'&')) + 16;
    if (needs > box.width()) clipped << Describe(box, title, QSize(needs, 0), box.size());
}

// Column titles of a grid (several lines each) against their sections.
inline void CheckHeader(const QHeaderView& header, QStringList& clipped) {
    const QAbstractItemModel* model = header.model();
    if (model == nullptr || header.isHidden()) return;
    const QFontMetrics metrics(header.font());
    for (int s = 0; s < header.count(); ++s) {
        if (header.isSectionHidden(s)) continue;
        const QString text = model->headerData(s, header.orientation()).toString();
        if (text.trimmed().isEmpty()) continue;
        const QRect needs = metrics.boundingRect(QRect(0, 0, 100000, 100000), 0, text);
        // The style's padding of a header section on both sides.
        const int padding = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
        const int room = header.orientation() == Qt::Horizontal ? header.sectionSize(s) : header.width();
        if (needs.width() + padding > room || needs.height() > header.height())
            clipped << Describe(header, text, QSize(needs.width() + padding, needs.height()),
                                QSize(room, header.height()));
    }
}

// The cells of a grid (a small one: every cell is measured) against their columns.
inline void CheckCells(const QTableView& view, QStringList& clipped) {
    const QAbstractItemModel* model = view.model();
    if (model == nullptr || model->rowCount() > 1000) return;
    const QFontMetrics metrics(view.font());
    const int margin = 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c) {
            if (view.isColumnHidden(c)) continue;
            const QModelIndex index = model->index(r, c);
            const QString text = index.data().toString();
            if (text.trimmed().isEmpty()) continue;
            // Elided with the whole text as its tooltip: readable in full.
            if (view.textElideMode() != Qt::ElideNone && index.data(Qt::ToolTipRole).toString() == text) continue;
            const int needs = metrics.horizontalAdvance(text) + margin;
            if (needs > view.columnWidth(c))
                clipped << Describe(view, QStringLiteral("%1 (row %2, column %3)").arg(text).arg(r).arg(c),
                                    QSize(needs, 0), QSize(view.columnWidth(c), 0));
        }
}

// Every text of `root` that is shown (to `root`) and does not fit.
inline QStringList ClippedTexts(const QWidget& root) {
    QStringList clipped;
    for (const QLabel* label : root.findChildren<QLabel*>())
        if (label->isVisibleTo(&root)) CheckLabel(*label, clipped);
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&root)) CheckButton(*button, clipped);
    for (const QGroupBox* box : root.findChildren<QGroupBox*>())
        if (box->isVisibleTo(&root)) CheckGroupBox(*box, clipped);
    for (const QHeaderView* header : root.findChildren<QHeaderView*>())
        if (header->isVisibleTo(&root)) CheckHeader(*header, clipped);
    for (const QTableView* view : root.findChildren<QTableView*>())
        if (view->isVisibleTo(&root)) CheckCells(*view, clipped);
    return clipped;
}

}  // namespace textfit
