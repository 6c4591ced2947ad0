#pragma once

#include <QString>

namespace zmk {

// The program's folder layout: a base folder, eight working folders under it,
// the settings files in its "INI" folder and the temporary exchange files in
// the base folder itself.
//
// Base folder: the environment variable ZMK_HOME when set; else the folder of
// the program file when it can be written to (a portable installation); else
// the per-user data folder of the platform. Every path returned here is
// formed with it and uses '/' as separator; the base folder ends with '/'.

enum class WorkFolder {
    Config,    // "CONFIG": configuration files (.cnf)
    AlaFiles,  // "ALAFILES": saved diagnostic-message files
    AudFiles,  // "AUDFILES": saved operator-intervention files
    MomData,   // "MOMDATA": 5-minute measurement archive files
    HourData,  // "HOURDATA": hourly measurement archive files
    DayData,   // "DAYDATA": daily measurement archive files
    Report,    // "REPORT": passport workbooks
    Ini,       // "INI": settings files
};
inline constexpr int WorkFolderCount = 8;

// Temporary exchange files of the archive readings, deleted at program end.
enum class TempFile {
    Aud,  // "datafile.aud"
    Ala,  // "datafile.ala"
    Clb,  // "datafile.clb"
    Hdm,  // "datafile.hdm"
};

// Chooses the base folder afresh (see above) and keeps it for the run, then
// creates the base folder when missing and each working folder (one level)
// when missing. Failures to create are not reported: a later file operation
// in a missing folder simply fails. Returns the base folder.
QString SetUpFolders();

// The base folder by the rule above, neither kept nor created.
QString ChooseBaseFolder();

// The base folder kept by SetUpFolders; chosen (without creating anything)
// on first use when SetUpFolders has not run yet.
QString BaseFolder();

// Name of a working folder ("CONFIG", ...) and its path (no trailing '/').
QString WorkFolderName(WorkFolder folder);
QString WorkFolderPath(WorkFolder folder);

// A file in the base folder (templates, temporary files).
QString BaseFilePath(const QString& fileName);
// A file in the INI folder.
QString IniFilePath(const QString& fileName);

// The settings files of the INI folder.
QString MainSettingsPath();    // "zmk.ini"
QString ArchiveQueryPath();    // "rd_arh.ini"
QString ReportFormatPath();    // "rep_format.ini"
QString PhoneListPath();       // "fon_abonents.ini"
QString EthernetListPath();    // "ethr_abonents.ini"
QString ObjectListPath();      // "objects.ini"
QString TitlePath();           // "title.ini"

QString TempFileName(TempFile file);
QString TempFilePath(TempFile file);
// Deletes the four temporary exchange files where they exist.
void DeleteTempFiles();

}  // namespace zmk
