#pragma once

#include <QPushButton>
#include <QString>
#include <QTableView>
#include <QToolButton>
#include <QWidget>
#include <QtGlobal>

#include "NamedChild.h"

// The parts of a list dialog (ListDialogFrame) and of its entry dialogs, by
// their object names. A missing part ends the test at once.

template <typename T>
T* ListPart(const QWidget& form, const char* name) {
    return Named<T>(&form, QString::fromLatin1(name));
}

// The grid of the rows.
inline QTableView* ListGrid(const QWidget& form) {
    return ListPart<QTableView>(form, "rowsGrid");
}
inline QTableView* ListGrid(const QWidget* form) {
    return ListGrid(*form);
}

// "editButton", "addButton", "deleteButton", "acceptButton" or "cancelButton"
// (the last two also of the entry dialogs).
inline QPushButton* ListButton(const QWidget& form, const char* name) {
    return ListPart<QPushButton>(form, name);
}
inline QPushButton* ListButton(const QWidget* form, const char* name) {
    return ListButton(*form, name);
}

// "nameSortButton" or "secondSortButton", on the grid's heading.
inline QToolButton* SortButton(const QWidget& form, const char* name) {
    return ListPart<QToolButton>(form, name);
}
