#pragma once

#include <QDialog>
#include <memory>

#include "measurements/MeasurementTable.h"

class QFileDialog;
class QHBoxLayout;
class QPushButton;
class QTableView;

namespace zmk {

// What the four measurement viewers share: the grid over the record table,
// the buttons, saving the data to a measurement file and exporting them to
// a workbook. The viewers are modal and only read the header and records.
// Widgets by object name: the grid "recordView" and the buttons
// "saveButton" ("Сохранить в файле"), "workbookButton" ("Сохранить в
// формате Excel", not in the moisture 5-minute viewer), "statusButton"
// ("Признаки состояния", chromatograph viewers), "printButton" ("Печать",
// moisture-meter viewers) and "exitButton" ("Выход").
class MeasurementViewer : public QDialog {
    Q_OBJECT

public:
    ~MeasurementViewer() override;

    const MeasurementTable& Table() const { return *table_; }
    MeasurementTableModel* Model() const { return model_; }

    // The record of the grid's current row; -1 when the row shows none.
    qsizetype CurrentRecord() const;

protected:
    // The buttons a viewer has besides "Сохранить в файле" and "Выход".
    struct Buttons {
        bool status = false;    // "Признаки состояния"; with it a double-click shows the record's status too
        bool workbook = false;  // "Сохранить в формате Excel"
        bool print = false;     // "Печать"
    };

    MeasurementViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent);

    // Builds the window; called by the concrete viewers' constructors.
    void BuildWindow(Buttons buttons);
    // Column widths of the grid.
    virtual void SizeColumns(QTableView* recordView) = 0;
    // Fits the window to its grid within the screen limits.
    void FitToScreen(int widthMargin, int heightMargin, int fixedWidth);

private slots:
    // "Сохранить в файле": the records into a measurement file.
    void saveToFile();
    // "Сохранить в формате Excel".
    void exportWorkbook();
    // "Печать" (moisture-meter viewers, offered when there are records): the
    // print-data dialog, then the printed report's preview.
    void printRecords();
    // "Признаки состояния" or a double-click on a record row: the status
    // window of the current record (chromatograph viewers).
    void showRecordStatus();

private:
    // A non-native save dialog with the viewer's title, folder, filter and name.
    QFileDialog* NewSaveDialog(const QString& folder, const QString& filter, const QString& name);
    QPushButton* AddButton(QHBoxLayout* row, const char* name, const QString& text);

    std::unique_ptr<MeasurementTable> table_;
    MeasurementTableModel* model_ = nullptr;

    QTableView* recordView_ = nullptr;       // a view over Model()
    QPushButton* saveButton_ = nullptr;
    QPushButton* workbookButton_ = nullptr;  // null without Buttons::workbook
    QPushButton* statusButton_ = nullptr;    // null without Buttons::status
    QPushButton* printButton_ = nullptr;     // null without Buttons::print
    QPushButton* exitButton_ = nullptr;
};

// Shared by both chromatograph viewers: the status window of `record`.
void ShowChromRecordStatus(const MeasurementTable& table, qsizetype record, QWidget* parent);

}  // namespace zmk
