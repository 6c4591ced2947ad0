#pragma once

#include <QDialog>

#include "events/EventArchiveReader.h"
#include "events/EventRecords.h"

class QButtonGroup;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace zmk {

// "Индексы архивных записей диагностики" / "... о вмешательствах": the
// range of running indexes to read from an event archive. The five items of
// " Задание для чтения данных " fill and lock the start and the count, or
// empty and open them ("Заданный диапазон данных"); the item chosen is
// remembered at once in ArchiveQuery().IndexChoice (the caller saves it).
// Widgets by object name: "oldestIndex", "newestIndex" (read-only),
// "startIndex", "recordCount", the group "indexChoice" with the buttons
// "allRecords", "last100", "last50", "last10", "customRange", and
// "acceptButton" ("Принять"), "exitButton" ("Выход").
class EventIndexDialog : public QDialog {
    Q_OBJECT

public:
    EventIndexDialog(EventKind kind, const EventArchiveBounds& bounds, QWidget* parent = nullptr);

    // Valid after acceptance: the start index and the count (reduced to what
    // is left up to the newest record).
    const EventIndexRange& Range() const { return range_; }

protected:
    // Enter walks from the start to the count and on to "Принять".
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void chooseItem(int item);
    void acceptRange();

private:
    void ApplyChoice(int item);

    EventArchiveBounds bounds_;
    EventIndexRange range_;
    QLineEdit* oldestEdit_;
    QLineEdit* newestEdit_;
    QLineEdit* startEdit_;
    QLineEdit* countEdit_;
    QButtonGroup* choices_;
    QPushButton* acceptButton_;
    QPushButton* exitButton_;
};

}  // namespace zmk
