#pragma once

#include <QByteArray>
#include <QString>

namespace zmk {

// Writes a file so that afterwards it holds either all of the new bytes or
// exactly what it held before. The bytes go to a temporary file in the same
// folder, unbuffered, and every write is checked; Commit() forces them to the
// disk and only then renames the temporary file over the target. A full disk,
// a file-size limit or a read-only folder therefore fails the write and
// leaves the old file alone. An uncommitted temporary file is removed.
//
// Every file the program stores (settings, lists, archive files, workbooks,
// configuration files, reports) is written through this class or one of the
// two functions below it.
class CheckedFile {
public:
    explicit CheckedFile(const QString& path);
    ~CheckedFile();
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    // Creates the temporary file. False when the folder cannot take it.
    bool Open();
    // Appends bytes; false (and every later call fails) when any of them
    // could not be written.
    bool Write(const void* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Flushes the bytes to the disk and renames the temporary file over the
    // target. False on any failure so far or now; the target is untouched then.
    bool Commit();
    // Drops the temporary file; the target is untouched.
    void Discard();

    // Closes the temporary file and leaves it in place, uncommitted.
    void KeepTemporary();

    const QString& Path() const { return path_; }
    const QString& TemporaryPath() const { return tempPath_; }
    // The system's text for the first failure (empty when there was none).
    QString ErrorText() const;

private:
    void Fail(int error);

    QString path_;
    QString tempPath_;
    int fd_ = -1;
    int error_ = 0;
    bool failed_ = false;
};

// The whole file in one go through CheckedFile.
bool WriteFileChecked(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Creates an empty file with a name of its own in the folder of path, for a
// library that writes its output under a name it is given; empty on failure.
// Hand the result to CommitWrittenFile (or remove it).
QString ReserveTemporaryFile(const QString& path);

// For a file that a library has already written under tempPath (in the same
// folder as path): forces it to the disk and renames it over path. The
// temporary file is removed on failure; path is untouched then.
bool CommitWrittenFile(const QString& tempPath, const QString& path, QString* error = nullptr);

}  // namespace zmk
