#include "reports/PassportWorkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <charconv>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>
#include <zip.h>

#include "common/CheckedFile.h"
#include "common/Folders.h"

#ifndef ZMK_DATA_DIR
#define ZMK_DATA_DIR ""
#endif

namespace zmk {

namespace {

// One entry of a workbook package.
struct PackageEntry {
    std::string Name;
    QByteArray Bytes;
};

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

bool ReadPackage(const QString& path, std::vector<PackageEntry>& entries) {
    int error = 0;
    ZipHandle archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) return false;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
            !(stat.valid & ZIP_STAT_NAME) || stat.size > (64u << 20))
            return false;
        PackageEntry entry{stat.name, QByteArray(qsizetype(stat.size), Qt::Uninitialized)};
        zip_file_t* file = zip_fopen_index(archive.get(), zip_uint64_t(i), 0);
        if (!file) return false;
        const zip_int64_t read = zip_fread(file, entry.Bytes.data(), stat.size);
        zip_fclose(file);
        if (read != zip_int64_t(stat.size)) return false;
        entries.push_back(std::move(entry));
    }
    return true;
}

bool WritePackage(const QString& path, std::vector<PackageEntry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    for (PackageEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.Bytes.constData(), zip_uint64_t(entry.Bytes.size()), 0);
        if (!source) {
            zip_discard(archive);
            return false;
        }
        if (zip_file_add(archive, entry.Name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

PackageEntry* FindEntry(std::vector<PackageEntry>& entries, const std::string& name) {
    for (PackageEntry& entry : entries)
        if (entry.Name == name) return &entry;
    return nullptr;
}

bool ParseXml(const PackageEntry& entry, pugi::xml_document& doc) {
    return doc.load_buffer(entry.Bytes.constData(), size_t(entry.Bytes.size()),
                           pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
}

// The package path of the workbook's first sheet (the active sheet of the templates).
std::string FirstSheetPath(std::vector<PackageEntry>& entries) {
    PackageEntry* book = FindEntry(entries, "xl/workbook.xml");
    PackageEntry* rels = FindEntry(entries, "xl/_rels/workbook.xml.rels");
    if (!book || !rels) return {};
    pugi::xml_document bookDoc, relsDoc;
    if (!ParseXml(*book, bookDoc) || !ParseXml(*rels, relsDoc)) return {};
    const pugi::xml_node sheet = bookDoc.child("workbook").child("sheets").child("sheet");
    const char* id = sheet.attribute("r:id").value();
    if (!*id) return {};
    for (pugi::xml_node rel : relsDoc.child("Relationships").children("Relationship")) {
        if (std::string(rel.attribute("Id").value()) != id) continue;
        std::string target = rel.attribute("Target").value();
        if (target.empty()) return {};
        return target[0] == '/' ? target.substr(1) : "xl/" + target;
    }
    return {};
}

std::string ColumnLetters(int column) {
    std::string letters;
    for (int c = column; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters;
}

// The column of a cell reference ("AB12" -> 28); 0 when there is none.
int ColumnOf(const char* reference) {
    int column = 0;
    for (const char* p = reference; *p >= 'A' && *p <= 'Z'; ++p) column = column * 26 + (*p - 'A' + 1);
    return column;
}

int NumberAttribute(const pugi::xml_node& node, const char* name) { return node.attribute(name).as_int(0); }

// Sets cell values in the sheet XML, keeping each cell's style.
class SheetCells {
public:
    explicit SheetCells(pugi::xml_node sheetData) : data_(sheetData) {}

    void SetNumber(int row, int column, double value) {
        pugi::xml_node c = Cell(row, column);
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text - 1, value);
        *written.ptr = '\0';
        c.append_child("v").text().set(text);
    }
    void SetText(int row, int column, const QString& value) {
        pugi::xml_node c = Cell(row, column);
        c.append_attribute("t").set_value("inlineStr");
        pugi::xml_node t = c.append_child("is").append_child("t");
        t.append_attribute("xml:space").set_value("preserve");
        t.text().set(value.toUtf8().constData());
    }

private:
    // The cell, emptied of its value and type; created in order when missing.
    pugi::xml_node Cell(int row, int column) {
        pugi::xml_node r = Row(row);
        pugi::xml_node c;
        pugi::xml_node before;
        for (pugi::xml_node n : r.children("c")) {
            const int col = ColumnOf(n.attribute("r").value());
            if (col == column) {
                c = n;
                break;
            }
            if (col > column) {
                before = n;
                break;
            }
        }
        if (!c) {
            c = before ? r.insert_child_before("c", before) : r.append_child("c");
            c.append_attribute("r").set_value((ColumnLetters(column) + std::to_string(row)).c_str());
        }
        c.remove_attribute("t");
        while (c.first_child()) c.remove_child(c.first_child());
        return c;
    }

    pugi::xml_node Row(int row) {
        if (lastRow_ && NumberAttribute(lastRow_, "r") == row) return lastRow_;
        pugi::xml_node before;
        for (pugi::xml_node n : data_.children("row")) {
            const int r = NumberAttribute(n, "r");
            if (r == row) return lastRow_ = n;
            if (r > row) {
                before = n;
                break;
            }
        }
        pugi::xml_node n = before ? data_.insert_child_before("row", before) : data_.append_child("row");
        n.append_attribute("r").set_value(row);
        return lastRow_ = n;
    }

    pugi::xml_node data_;
    pugi::xml_node lastRow_;
};

struct StringWriter : pugi::xml_writer {
    QByteArray Bytes;
    void write(const void* data, size_t size) override { Bytes.append(static_cast<const char*>(data), qsizetype(size)); }
};

}  // namespace

QString PassportTemplateName(PassportKind kind) {
    return kind == PassportKind::Daily ? QStringLiteral("day_report_title_v10.xlsx")
                                       : QStringLiteral("mon_report_title_v10.xlsx");
}

QStringList PassportTemplateFolders() {
    QStringList folders;
    const QString program = QCoreApplication::applicationDirPath();
    if (!program.isEmpty()) {
        folders << program;
        folders << QDir::cleanPath(program + QStringLiteral("/../share/zmk"));
    }
    const QString installed = QStringLiteral(ZMK_DATA_DIR);
    if (!installed.isEmpty() && !folders.contains(QDir::cleanPath(installed))) folders << QDir::cleanPath(installed);
    return folders;
}

QString FindPassportTemplate(PassportKind kind) {
    const QString name = PassportTemplateName(kind);
    for (const QString& folder : PassportTemplateFolders()) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo(path).isFile()) return path;
    }
    return QString();
}

FileMessage MissingTemplateMessage(PassportKind kind) {
    return {MessageKind::Info, QStringLiteral("В рабочем каталоге отсутствует файл %1").arg(PassportTemplateName(kind)),
            QStringLiteral("Обратитесь к разработчику программного обеспечения")};
}

QString FileNameSafe(const QString& name) {
    QString safe = name;
    for (QChar& ch : safe) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f || QStringLiteral("/\\:*?\"<>|").contains(ch))
            ch = QLatin1Char('_');
    }
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String("..")) safe.replace(QLatin1Char('.'), QLatin1Char('_'));
    return safe;
}

QString PassportFileName(PassportKind kind, const PackedDate& chosen, const QString& objectName) {
    const QString object = FileNameSafe(objectName);
    if (kind == PassportKind::Daily)
        return object + QString::asprintf("_day_%02d%02d%02d.xlsx", chosen.Year, chosen.Month, chosen.Day);
    return object + QString::asprintf("_mon_%02d%02d.xlsx", chosen.Year, chosen.Month);
}

QString PassportOutputPath(PassportKind kind, const PackedDate& chosen, const QString& objectName) {
    return WorkFolderPath(WorkFolder::Report) + QLatin1Char('/') + PassportFileName(kind, chosen, objectName);
}

QString ReportExistsLine1(const QString& path) {
    return QStringLiteral("Файл отчета %1 уже есть.").arg(QFileInfo(path).fileName());
}
QString ReportExistsLine2() { return QStringLiteral("Вы хотите заменить существующий отчет?"); }

WorkbookStatus WritePassportWorkbook(const QString& templatePath, const QString& outputPath,
                                     const PassportSheet& sheet) {
    std::vector<PackageEntry> entries;
    if (!ReadPackage(templatePath, entries)) return WorkbookStatus::FileError;
    const std::string sheetPath = FirstSheetPath(entries);
    PackageEntry* sheetEntry = sheetPath.empty() ? nullptr : FindEntry(entries, sheetPath);
    if (!sheetEntry) return WorkbookStatus::FileError;
    pugi::xml_document doc;
    if (!ParseXml(*sheetEntry, doc)) return WorkbookStatus::FileError;
    pugi::xml_node sheetData = doc.child("worksheet").child("sheetData");
    if (!sheetData) return WorkbookStatus::FileError;

    SheetCells cells(sheetData);
    cells.SetText(PassportLayout::ObjectRow, PassportLayout::ObjectColumn, sheet.ObjectName);
    if (!sheet.PeriodLine.isEmpty())
        cells.SetText(PassportLayout::PeriodRow, PassportLayout::PeriodColumn, sheet.PeriodLine);
    for (const PassportCell& cell : sheet.Cells) {
        if (const double* number = std::get_if<double>(&cell.Value))
            cells.SetNumber(cell.Row, cell.Column, *number);
        else
            cells.SetText(cell.Row, cell.Column, std::get<QString>(cell.Value));
    }
    StringWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    sheetEntry->Bytes = writer.Bytes;

    const QString tempPath = ReserveTemporaryFile(outputPath);
    if (tempPath.isEmpty()) return WorkbookStatus::CannotCreate;
    if (!WritePackage(tempPath, entries)) {
        QFile::remove(tempPath);
        return WorkbookStatus::FileError;
    }
    return CommitWrittenFile(tempPath, outputPath) ? WorkbookStatus::Ok : WorkbookStatus::FileError;
}

}  // namespace zmk
