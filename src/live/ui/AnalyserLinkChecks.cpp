#include "live/ui/AnalyserLinkChecks.h"

#include <QString>

#include "common/MessageKind.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "live/MomentaryData.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"

namespace zmk {

namespace {

bool CheckAnalyserLink(CommandHost& host, int field, const QString& noLink) {
    TableEngine& tables = host.Tables();
    {
        BusyCursor busy;
        if (!tables.ReadTable({uint8_t(AnalyserLinkTable), uint8_t(field), 1}, host.MessagePanel())) return false;
    }
    if (StatusBarPanel* panel = host.MessagePanel()) panel->setText(QString());
    if (*tables.Image().Field(AnalyserLinkTable, field) != 0) return true;
    ShowMessage(MessageKind::Info, noLink, QStringLiteral("(см. текущее состояние контроллера)"));
    return false;
}

}  // namespace

bool CheckChromatographLink(CommandHost& host) {
    return CheckAnalyserLink(host, ChromLinkField, QStringLiteral("Нет связи с хроматографом"));
}

bool CheckMoistureMeterLink(CommandHost& host) {
    return CheckAnalyserLink(host, MoistureLinkField, QStringLiteral("Нет связи с влагомером"));
}

}  // namespace zmk
