#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A base folder of its own for the life of the object: a fresh temporary
// folder chosen through ZMK_HOME, with the "INI" folder in it. The previous
// ZMK_HOME comes back when it ends. Tests that need the eight working
// folders call SetUpFolders() themselves, as the program does at start-up.
class BaseFolder {
public:
    BaseFolder() : previous_(qgetenv("ZMK_HOME")), hadPrevious_(qEnvironmentVariableIsSet("ZMK_HOME")) {
        qputenv("ZMK_HOME", QFile::encodeName(dir_.path()));
        QDir().mkpath(Ini());
    }
    ~BaseFolder() {
        if (hadPrevious_)
            qputenv("ZMK_HOME", previous_);
        else
            qunsetenv("ZMK_HOME");
    }
    BaseFolder(const BaseFolder&) = delete;
    BaseFolder& operator=(const BaseFolder&) = delete;

    bool IsValid() const { return dir_.isValid(); }
    // The folder with a trailing '/'.
    QString Path() const { return dir_.path() + '/'; }
    QString Ini() const { return dir_.path() + QStringLiteral("/INI"); }
    QString File(const QString& relative) const { return dir_.filePath(relative); }

    // Writes a file below the base folder whole; false when it could not.
    bool Write(const QString& relative, const QByteArray& bytes) const {
        QFile file(File(relative));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};
