#pragma once

// The passport workbook: a copy of the template workbook of its kind with the
// passport's cells set in its sheet. Only cell values change; every style,
// merged cell, width and number format of the template stays as it is. The
// copy is written under a temporary name in the output folder and renamed
// over the output when it is complete.

#include <QString>
#include <QStringList>

#include "measurements/Workbook.h"
#include "reports/PassportSheet.h"

namespace zmk {

// "day_report_title_v10.xlsx" or "mon_report_title_v10.xlsx".
QString PassportTemplateName(PassportKind kind);
// Where the templates are looked for, in order: the program's own folder,
// then the data folder of the installation ("share/zmk" beside the program's
// "bin", then under the install prefix the program was built for).
QStringList PassportTemplateFolders();
// The template of a kind in the first of those folders that holds it; empty
// when none does.
QString FindPassportTemplate(PassportKind kind);
// The missing template: kind 6, "В рабочем каталоге отсутствует файл %s" (bare
// file name) / "Обратитесь к разработчику программного обеспечения".
FileMessage MissingTemplateMessage(PassportKind kind);

// The object name as part of a file name: characters a file name cannot
// hold (path separators, \ : * ? " < > | and control characters) become '_'.
QString FileNameSafe(const QString& name);
// "<object>_day_yymmdd.xlsx" or "<object>_mon_yymm.xlsx" (bare file name).
QString PassportFileName(PassportKind kind, const PackedDate& chosen, const QString& objectName);
// The passport file in the REPORT folder of the base folder.
QString PassportOutputPath(PassportKind kind, const PackedDate& chosen, const QString& objectName);
// The overwrite question, kind 3: "Файл отчета %s уже есть." (bare file
// name) / "Вы хотите заменить существующий отчет?".
QString ReportExistsLine1(const QString& path);
QString ReportExistsLine2();

// Copies the template to `outputPath` with the sheet's cells set: the object
// name in G2 (the top-left cell of "G2:AB2"), the period line in V4, numbers
// as numbers and texts as texts. Ok, FileError for a template that cannot be
// read as a workbook or an output that could not be written (the output is
// then as it was), CannotCreate when no temporary file could be made beside
// the output. The messages are those of WorkbookMessage.
WorkbookStatus WritePassportWorkbook(const QString& templatePath, const QString& outputPath,
                                     const PassportSheet& sheet);

}  // namespace zmk
