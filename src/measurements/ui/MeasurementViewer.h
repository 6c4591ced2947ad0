#pragma once

#include <QDialog>
#include <functional>
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
class MeasurementViewer : public QDialog {
    Q_OBJECT

public:
    ~MeasurementViewer() override;

    const MeasurementTable& Table() const { return *table_; }
    MeasurementTableModel* Model() const { return model_; }

    QTableView* StringGrid1;     // the grid (a view over Model())
    QPushButton* BitBtnSave;     // "Сохранить в файле"
    QPushButton* BitBtnExcel;    // "Сохранить в формате Excel" (null in the moisture 5-minute viewer)
    QPushButton* BitBtnStatus;   // "Признаки состояния" (chromatograph viewers)
    QPushButton* BitBtnPrint;    // "Печать" (moisture-meter viewers)
    QPushButton* BitBtnExit;     // "Выход"

    // The record of the grid's current row; -1 when the row shows none.
    qsizetype CurrentRecord() const;

    // Printing of the moisture-meter viewers is a separate report; it is
    // reached through this hook (set once by the program). Without it the
    // "Печать" button is disabled.
    using PrintHandler = std::function<void(MeasurementViewer& viewer)>;
    static void SetPrintHandler(PrintHandler handler);

public slots:
    // "Сохранить в файле".
    void BitBtnSaveClick();
    // "Сохранить в формате Excel".
    void BitBtnExcelClick();
    void BitBtnPrintClick();

protected:
    MeasurementViewer(const MeasurementFileHeader& header, RecordStore records, QWidget* parent);

    // Builds the window; called by the concrete viewers' constructors.
    void FormCreate(bool statusButton, bool excelButton, bool printButton);
    // Column widths of the grid.
    virtual void SizeColumns() = 0;
    // Fits the window to its grid within the screen limits.
    void FitToScreen(int widthMargin, int heightMargin, int fixedWidth);

    std::unique_ptr<MeasurementTable> table_;
    MeasurementTableModel* model_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;

private:
    // A non-native save dialog with the design's title, folder, filter and name.
    QFileDialog* SaveDialog(const QString& folder, const QString& filter, const QString& name);
};

// Shared by both chromatograph viewers: the status window of `record`.
void ShowChromRecordStatus(const MeasurementTable& table, qsizetype record, QWidget* parent);

}  // namespace zmk
