#pragma once

// The momentary-data windows of the analysers: what the controller last
// received from its chromatograph (the 18 gas parameters with their zones)
// and from its moisture meter (the dew points and the pressure), refreshed
// every second while they are open.

#include "live/ui/PollingWindow.h"
#include "settings/ReportFormat.h"

class QLabel;
class QTableWidget;

namespace zmk {

// "Мгновенные данные хроматографа, зоны параметров газа": the poll time
// ("timeValue") and the grid ("valueGrid", one row a parameter 0..17, the
// columns name, value, zone); "toggleButton", "exitButton".
class ChromatographMomentaryWindow : public PollingWindow {
    Q_OBJECT

public:
    static constexpr int FormWidth = 760;
    static constexpr int FormHeight = 520;
    enum Column { NameColumn = 0, ValueColumn = 1, ZoneColumn = 2 };

    // hexaneInList: the connection's flag; while it is false, the hexane row
    // is grey, shows "--" and has no zone.
    ChromatographMomentaryWindow(CommandHost& host, bool hexaneInList, const ReportFormat& format,
                                 QWidget* parent = nullptr);

private:
    void showValues();
    void showZones();

    bool hexaneInList_;
    ReportFormat format_;
    QLabel* time_;
    QTableWidget* grid_;
};

// " Мгновенные данные влагомера": the time of the data ("timeValue") and the
// grid ("valueGrid", rows PV21..PV24, columns name and value);
// "toggleButton", "exitButton".
class MoistureMomentaryWindow : public PollingWindow {
    Q_OBJECT

public:
    static constexpr int FormWidth = 676;
    static constexpr int FormHeight = 224;

    MoistureMomentaryWindow(CommandHost& host, const ReportFormat& format, QWidget* parent = nullptr);

private:
    void showValues();

    ReportFormat format_;
    QLabel* time_;
    QTableWidget* grid_;
};

}  // namespace zmk
