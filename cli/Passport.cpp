// zmkctl passport: the daily or monthly gas-quality passport into a workbook.
#include "Passport.h"

#include <QDate>
#include <QDir>
#include <optional>

#include "Connection.h"
#include "Interrupt.h"
#include "Output.h"
#include "common/Folders.h"
#include "common/MessageKind.h"
#include "link/ControllerLink.h"
#include "measurements/ArchiveBounds.h"
#include "reports/ObjectList.h"
#include "reports/PassportReader.h"
#include "reports/PassportWorkbook.h"
#include "settings/ReportFormat.h"
#include "tables/TableEngine.h"

namespace zmkctl {

const char* const PassportUsage =
    "  passport day --date YYYY-MM-DD --object N -o FILE.xlsx\n"
    "  passport month --month YYYY-MM --object N -o FILE.xlsx\n"
    "                               the gas-quality passport of the gas day (from the\n"
    "                               contract hour) or of the month, for object N of the\n"
    "                               objects list of the base folder (1-based, in the\n"
    "                               order the program shows it), written from the\n"
    "                               passport template with the decimals of\n"
    "                               rep_format.ini. Any finding of the reading (a date\n"
    "                               outside the archive, records of both analysers that\n"
    "                               do not match, Ctrl-C) leaves FILE as it was (exit 1)\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr uint8_t GasDayTable = 6;          // table 6 field 6: the contract hour
constexpr uint8_t ContractHourField = 6;

int Usage(const QString& message) {
    err() << "zmkctl: passport: " << message << Qt::endl << "usage:\n" << PassportUsage;
    return ExitUsage;
}

void PrintMessage(MessageKind kind, const QString& line1, const QString& line2) {
    const MessageLook look = MessageLookFor(kind, line1, line2);
    QStringList lines;
    for (const QString& l : {look.Line1, look.Line2, look.Line3})
        if (!l.trimmed().isEmpty()) lines << l.trimmed();
    err() << lines.join(QLatin1Char(' ')) << Qt::endl;
}

class ConsoleDialogue : public ArchiveReadDialogue {
public:
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        PrintMessage(kind, line1, line2);
    }
    bool AskQuestion(MessageKind kind, const QString& line1, const QString& line2) override {
        PrintMessage(kind, line1, line2);
        return false;
    }
    void ShowStatus(const QString& text) override {
        if (!text.isEmpty()) err() << text << Qt::endl;
    }
    void ProcessEvents() override {
        if (InterruptAsEsc::Interrupted()) ArchiveReading().AbortRequested = true;
    }
};

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

}  // namespace

int PassportCommand(Connection& conn, const QStringList& args) {
    if (args.isEmpty()) return Usage(QStringLiteral("day or month?"));
    const QString which = args[0];
    PassportKind kind;
    if (which == QLatin1String("day")) kind = PassportKind::Daily;
    else if (which == QLatin1String("month")) kind = PassportKind::Monthly;
    else return Usage(QStringLiteral("day or month, not \"%1\"").arg(which));

    QString date, object, output;
    const QString dateOption = kind == PassportKind::Daily ? QStringLiteral("--date") : QStringLiteral("--month");
    for (int i = 1; i < args.size(); ++i) {
        QString* target = nullptr;
        if (args[i] == dateOption) target = &date;
        else if (args[i] == QLatin1String("--object")) target = &object;
        else if (args[i] == QLatin1String("-o") || args[i] == QLatin1String("--output")) target = &output;
        else return Usage(QStringLiteral("unexpected %1").arg(args[i]));
        if (i + 1 >= args.size()) return Usage(QStringLiteral("%1 needs a value").arg(args[i]));
        *target = args[++i];
    }
    if (date.isEmpty() || object.isEmpty() || output.isEmpty())
        return Usage(QStringLiteral("%1, --object and -o are needed").arg(dateOption));
    const QDate day = kind == PassportKind::Daily ? QDate::fromString(date, QStringLiteral("yyyy-MM-dd"))
                                                  : QDate::fromString(date + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid() || day.year() < 2000 || day.year() > 2099)
        return Usage(QStringLiteral("%1: expected %2 of 2000..2099, got \"%3\"")
                         .arg(dateOption, kind == PassportKind::Daily ? QStringLiteral("YYYY-MM-DD") : QStringLiteral("YYYY-MM"), date));
    bool numberOk = false;
    const int number = object.toInt(&numberOk);
    ObjectList objects = EmptyObjectList();
    ReadObjectList(ObjectListPath(), objects);
    SortObjectList(objects);
    if (!numberOk || number < 1 || number > objects.Count)
        return Usage(objects.Count == 0 ? QStringLiteral("the objects list %1 is empty").arg(QDir::toNativeSeparators(ObjectListPath()))
                                        : QStringLiteral("--object: 1..%1, got \"%2\"").arg(objects.Count).arg(object));
    const QString objectName = ObjectName(objects.Entries[number - 1]);
    const QString templatePath = FindPassportTemplate(kind);
    if (templatePath.isEmpty()) {
        const FileMessage m = MissingTemplateMessage(kind);
        PrintMessage(m.kind, m.first, m.second);
        return ExitFailed;
    }
    if (conn.CheckOnly()) return ExitOk;

    ControllerLink& link = conn.link();
    ConfigImage image;
    ReportFailure failure(link);
    TableEngine engine(link, image, failure);
    ConsoleDialogue dialogue;
    ArchiveBoundsReading bounds;
    if (!ReadArchiveBounds(engine, nullptr, UnitDay, dialogue, bounds)) return ExitFailed;

    PackedDate chosen;
    chosen.Year = uint8_t(day.year() - 2000);
    chosen.Month = uint8_t(day.month());
    chosen.Day = uint8_t(day.day());
    const int unit = kind == PassportKind::Daily ? UnitDay : UnitMonth;
    if (CompareDates(chosen, bounds.Bounds.Oldest, unit) < 0 || CompareDates(chosen, bounds.Bounds.Newest, unit) > 0) {
        PrintMessage(MessageKind::InputError, QStringLiteral("В архиве нет данных за указанную дату"),
                     QStringLiteral("(см. период имеющихся в архиве данных)"));
        const PackedDate& o = bounds.Bounds.Oldest;
        const PackedDate& n = bounds.Bounds.Newest;
        err() << QString::asprintf("the daily archive holds %04d-%02d-%02d .. %04d-%02d-%02d", o.FullYear(), o.Month, o.Day,
                                   n.FullYear(), n.Month, n.Day)
              << Qt::endl;
        return ExitFailed;
    }
    chosen.Hour = *image.Field(GasDayTable, ContractHourField);

    std::optional<PassportData> data;
    {
        InterruptAsEsc interrupt;
        data = ReadPassport(link, kind, chosen, bounds.Bounds, dialogue);
    }
    if (InterruptAsEsc::Interrupted()) err() << "zmkctl: passport: interrupted" << Qt::endl;
    if (!data) return ExitFailed;

    ReportFormat format = DefaultReportFormat();
    ReadReportFormat(ReportFormatPath(), format);
    const PassportSheet sheet = BuildPassportSheet(*data, format, objectName);
    const WorkbookStatus status = WritePassportWorkbook(templatePath, output, sheet);
    const FileMessage m = WorkbookMessage(status, output);
    if (status != WorkbookStatus::Ok) {
        PrintMessage(m.kind, m.first, m.second);
        return ExitFailed;
    }
    out() << m.first << " (" << data->Chrom.Count() << (data->Chrom.Count() == 1 ? " record)" : " records)") << Qt::endl;
    return ExitOk;
}

}  // namespace zmkctl
