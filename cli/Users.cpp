#include "Users.h"

#include "Connection.h"
#include "Output.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"

namespace zmkctl {

using namespace zmk;

const char* const UsersUsage =
    "  users                        the registered users (table 4), one line each:\n"
    "                               record, name, level (its text; a level without a\n"
    "                               text as its number), password, code\n"
    "                               (tab-separated; password and code as **** unless\n"
    "                               --show-secrets)\n";

namespace {

constexpr int ExitOk = 0;
constexpr int ExitExchange = 1;
constexpr int ExitUsage = 2;
const QString Hidden = QStringLiteral("****");

class ReportFailure : public RetryQuestion {
public:
    explicit ReportFailure(ControllerLink& link) : link_(link) {}
    bool AskRetry(const QString& line1, const QString& line2) override {
        if (link_.Status != LinkStatus::Ok) err() << link_.StatusText() << Qt::endl;
        err() << line1 << ' ' << line2 << Qt::endl;
        return false;
    }

private:
    ControllerLink& link_;
};

// A text read from the controller, safe to print: control characters and
// the separator as \xNN.
QString Printable(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

}  // namespace

int UsersCommand(Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) {
        err() << "zmkctl: users takes no arguments" << Qt::endl;
        return ExitUsage;
    }
    if (conn.CheckOnly()) return ExitOk;
    ConfigImage image;
    ReportFailure failure(conn.link());
    TableEngine engine(conn.link(), image, failure);
    if (!engine.ReadTable({UsersTable, 0, UserCount}, nullptr)) return ExitExchange;
    const uint8_t* list = image.Table(UsersTable);
    for (int u = 0; u < UserCount; ++u) {
        const uint8_t* record = UserRecordAt(list, u);
        const int level = record[UserLevelAt];
        if (level == NoAccess) continue;
        out() << u + 1 << '\t' << Printable(UserNameText(record)) << '\t' << AccessLevelText(level)
              << '\t' << (conn.ShowSecrets() ? Printable(UserPasswordText(record)) : Hidden) << '\t'
              << (conn.ShowSecrets() ? Printable(UserCodeText(record)) : Hidden) << '\n';
    }
    out().flush();
    return ExitOk;
}

}  // namespace zmkctl
