#pragma once

#include <QDialog>

#include "measurements/ArchiveBounds.h"
#include "reports/ObjectList.h"
#include "reports/PassportReader.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace zmk {

// The parameters of a passport: the object and the date (the day of a daily
// passport, the month of a monthly one), shown with the daily archive's
// oldest and newest records. The object list can be opened from here and a
// new object added ("Новый объект", written to objects.ini at once). On
// "Принять" the date must lie in the archive (to the day or to the month);
// input errors are MessageKind 2 messages and keep the dialog open.
// Widgets for tests: "oldestLabel", "newestLabel", "yearSpin", "monthBox",
// "dayLabel", "dayBox", "objectBox", "objectListButton", "acceptButton",
// "cancelButton".
class PassportDateDialog : public QDialog {
    Q_OBJECT

public:
    PassportDateDialog(PassportKind kind, const ArchiveBounds& bounds, int contractHour, ObjectList& objects,
                       const QString& objectsPath, QWidget* parent = nullptr);

    // The accepted date: year − 2000, month, day (1 for a month), the contract hour.
    PackedDate Chosen() const { return chosen_; }

private:
    void BuildWindow();
    void fillDays();
    void fillObjects();
    void objectChosen(int index);
    void openObjectList();
    void acceptDate();

    PassportKind kind_;
    ArchiveBounds bounds_;
    int contractHour_;
    ObjectList& objects_;
    QString objectsPath_;
    PackedDate chosen_;

    QLabel* oldestLabel_;
    QLabel* newestLabel_;
    QSpinBox* yearSpin_;
    QComboBox* monthBox_;
    QLabel* dayLabel_;
    QComboBox* dayBox_;
    QComboBox* objectBox_;
    QPushButton* objectListButton_;
    QPushButton* acceptButton_;
    QPushButton* cancelButton_;
};

// "Не введено наименование объекта"
QString NoObjectText();
// "В архиве нет данных за указанную дату" / "(см. период имеющихся в архиве данных)"
QString NoDataForDateLine1();
QString NoDataForDateLine2();

}  // namespace zmk
