#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>
#include <vector>

#include "events/EventFile.h"
#include "events/EventRecords.h"
#include "events/InterventionDecoder.h"

class QLabel;
class QPushButton;
class QTableView;

namespace zmk {

// How the rows of an event viewer came: read from the controller by index
// or by period (raw records, decoded here), or opened from a saved file.
enum class EventViewMode { ByIndex = 0, ByPeriod = 1, FromFile = 2 };

// The decoded rows of one event list, for the grid: a narrow unnamed first
// column, then the seven texts of a row (diagnostics: "Дата", "Время",
// "Событие", "Объект / Причина" under "Сообщение", current value, setpoint,
// unit; interventions: "Дата", "Время", name, old and new value, unit,
// operator). Headings are several lines.
class EventRowsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int ColumnCount = 8;

    EventRowsModel(EventKind kind, const std::vector<DiagnosticRow>* diagnostics,
                   const std::vector<InterventionRow>* interventions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    EventKind kind_;
    const std::vector<DiagnosticRow>* diagnostics_;
    const std::vector<InterventionRow>* interventions_;
};

// The diagnostic viewer and the intervention viewer: the title of the list
// (by index, by period or from a file), the grid over the rows, a status
// line that tells of records failing their checksum, and the buttons
// "Выход", "Сохранить в файле" and "Печать" (the printed list, offered when
// there are rows). Modal; the newest row is current on opening and the
// focus is on "Выход".
// Widgets by object name: "rowView", "statusLine", "exitButton",
// "saveButton", "printButton".
class EventViewer : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 992;

    // Diagnostics read from the controller; `firstIndex` for ByIndex.
    static std::unique_ptr<EventViewer> ForDiagnostics(const EventFileHeader& header,
                                                       const std::vector<DiagnosticRecord>& records,
                                                       EventViewMode mode, uint32_t firstIndex,
                                                       QWidget* parent = nullptr);
    // Interventions read from the controller; `names` says how the
    // controller keeps its name (table 0 field 12 of the image).
    static std::unique_ptr<EventViewer> ForInterventions(const EventFileHeader& header,
                                                         const std::vector<InterventionRecord>& records,
                                                         EventViewMode mode, uint32_t firstIndex,
                                                         ControllerTextCodePage names, QWidget* parent = nullptr);
    // A saved file as ReadEventFile gave it; its kind decides the viewer.
    static std::unique_ptr<EventViewer> ForFile(EventKind kind, EventFileContents contents,
                                                QWidget* parent = nullptr);

    EventKind Kind() const { return kind_; }
    EventViewMode Mode() const { return mode_; }
    const EventFileHeader& Header() const { return header_; }
    const std::vector<DiagnosticRow>& DiagnosticRows() const { return diagnostics_; }
    const std::vector<InterventionRow>& InterventionRows() const { return interventions_; }
    EventRowsModel* Model() const { return model_; }
    QTableView* RowView() const { return rowView_; }

private slots:
    // "Сохранить в файле": the header and the rows into an ".ala" / ".aud" file.
    void saveToFile();
    // "Печать": the print-data dialog, then the printed list's preview.
    void printList();

private:
    EventViewer(EventKind kind, EventViewMode mode, const EventFileHeader& header, QWidget* parent);
    // Builds the window once the rows are in.
    void BuildWindow(const QString& title, bool damaged);
    int RowCount() const;

    EventKind kind_;
    EventViewMode mode_;
    EventFileHeader header_;
    std::vector<DiagnosticRow> diagnostics_;
    std::vector<InterventionRow> interventions_;

    EventRowsModel* model_ = nullptr;
    QTableView* rowView_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
};

}  // namespace zmk
