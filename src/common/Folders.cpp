#include "common/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zmk {

namespace {

const char* const kHomeVariable = "ZMK_HOME";

QString WithSlash(QString path) {
    path = QDir::fromNativeSeparators(path);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

}  // namespace

QString ChooseBaseFolder() {
    const QString home = qEnvironmentVariable(kHomeVariable);
    if (!home.isEmpty())
        return WithSlash(QDir(home).absolutePath());
    if (QCoreApplication::instance()) {
        const QFileInfo programDir(QCoreApplication::applicationDirPath());
        if (programDir.isDir() && programDir.isWritable())
            return WithSlash(programDir.absoluteFilePath());
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.zmk");
    return WithSlash(data);
}

namespace {

QString& KeptBaseFolder() {
    static QString base;
    return base;
}

}  // namespace

QString SetUpFolders() {
    QString& base = KeptBaseFolder();
    base = ChooseBaseFolder();
    QDir().mkpath(base);
    for (int i = 0; i < WorkFolderCount; ++i) {
        const QString path = WorkFolderPath(WorkFolder(i));
        if (!QFileInfo(path).isDir())
            QDir().mkdir(path);
    }
    return base;
}

QString BaseFolder() {
    QString& base = KeptBaseFolder();
    if (base.isEmpty())
        base = ChooseBaseFolder();
    return base;
}

QString WorkFolderName(WorkFolder folder) {
    switch (folder) {
    case WorkFolder::Config:
        return QStringLiteral("CONFIG");
    case WorkFolder::AlaFiles:
        return QStringLiteral("ALAFILES");
    case WorkFolder::AudFiles:
        return QStringLiteral("AUDFILES");
    case WorkFolder::MomData:
        return QStringLiteral("MOMDATA");
    case WorkFolder::HourData:
        return QStringLiteral("HOURDATA");
    case WorkFolder::DayData:
        return QStringLiteral("DAYDATA");
    case WorkFolder::Report:
        return QStringLiteral("REPORT");
    case WorkFolder::Ini:
        return QStringLiteral("INI");
    }
    return {};
}

QString WorkFolderPath(WorkFolder folder) {
    return BaseFolder() + WorkFolderName(folder);
}

QString BaseFilePath(const QString& fileName) {
    return BaseFolder() + fileName;
}

QString IniFilePath(const QString& fileName) {
    return WorkFolderPath(WorkFolder::Ini) + u'/' + fileName;
}

QString MainSettingsPath() {
    return IniFilePath(QStringLiteral("zmk.ini"));
}
QString ArchiveQueryPath() {
    return IniFilePath(QStringLiteral("rd_arh.ini"));
}
QString ReportFormatPath() {
    return IniFilePath(QStringLiteral("rep_format.ini"));
}
QString PhoneListPath() {
    return IniFilePath(QStringLiteral("fon_abonents.ini"));
}
QString EthernetListPath() {
    return IniFilePath(QStringLiteral("ethr_abonents.ini"));
}
QString ObjectListPath() {
    return IniFilePath(QStringLiteral("objects.ini"));
}
QString TitlePath() {
    return IniFilePath(QStringLiteral("title.ini"));
}

QString TempFileName(TempFile file) {
    switch (file) {
    case TempFile::Aud:
        return QStringLiteral("datafile.aud");
    case TempFile::Ala:
        return QStringLiteral("datafile.ala");
    case TempFile::Clb:
        return QStringLiteral("datafile.clb");
    case TempFile::Hdm:
        return QStringLiteral("datafile.hdm");
    }
    return {};
}

QString TempFilePath(TempFile file) {
    return BaseFilePath(TempFileName(file));
}

void DeleteTempFiles() {
    for (TempFile f : {TempFile::Aud, TempFile::Ala, TempFile::Clb, TempFile::Hdm}) {
        const QString path = TempFilePath(f);
        if (QFileInfo::exists(path))
            QFile::remove(path);
    }
}

}  // namespace zmk
