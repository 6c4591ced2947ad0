#include "common/CheckedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zmk {

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// A link is written through: the file it names gets the new bytes and the
// link stays a link.
QString FinalTarget(const QString& path) {
    QFileInfo info(path);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops)
        info = QFileInfo(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

bool SyncAndClose(int fd, int* error) {
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // Some file systems (pipes, some special files) cannot sync; those are
    // refused by the rename anyway, so only real write errors count here.
    if (rc != 0 && errno != EINVAL && errno != EROFS) {
        *error = errno;
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0 && errno != EINTR) {
        *error = errno;
        return false;
    }
    return true;
}

void SyncFolder(const QString& file) {
    const int dir = ::open(Native(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);  // best effort: the rename itself has been done
    ::close(dir);
}

bool RenameOver(const QString& from, const QString& to, int* error) {
    // A folder, a device or a pipe under the target's name is never replaced.
    struct stat st {};
    if (::stat(Native(to).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
        return false;
    }
    if (::rename(Native(from).constData(), Native(to).constData()) != 0) {
        *error = errno;
        return false;
    }
    SyncFolder(to);
    return true;
}

QString ErrorString(int error) {
    return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

CheckedFile::CheckedFile(const QString& path) : path_(path) {}

CheckedFile::~CheckedFile() {
    Discard();
}

bool CheckedFile::Open() {
    Discard();
    failed_ = false;
    error_ = 0;
    const QString target = FinalTarget(path_);
    struct stat old {};
    const bool existed = ::stat(Native(target).constData(), &old) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString candidate = target + QStringLiteral(".tmp%1").arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        // The creation mode is the usual one for new files (less the umask).
        fd_ = ::open(Native(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempPath_ = candidate;
            break;
        }
        if (errno != EEXIST) {
            Fail(errno);
            return false;
        }
    }
    if (fd_ < 0) {
        Fail(EEXIST);
        return false;
    }
    if (existed)
        ::fchmod(fd_, old.st_mode & 07777);  // the replacement keeps the old file's permissions
    return true;
}

bool CheckedFile::Write(const void* data, qint64 size) {
    if (failed_ || fd_ < 0) {
        if (!failed_) Fail(EBADF);
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            return false;
        }
        if (n == 0) {
            Fail(ENOSPC);
            return false;
        }
        p += n;
        size -= n;
    }
    return true;
}

bool CheckedFile::Commit() {
    if (failed_ || fd_ < 0) {
        if (!failed_) Fail(EBADF);
        Discard();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    int error = 0;
    if (!SyncAndClose(fd, &error) || !RenameOver(tempPath_, FinalTarget(path_), &error)) {
        Fail(error);
        ::unlink(Native(tempPath_).constData());
        tempPath_.clear();
        return false;
    }
    tempPath_.clear();
    return true;
}

void CheckedFile::KeepTemporary() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    tempPath_.clear();
}

void CheckedFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.isEmpty()) {
        ::unlink(Native(tempPath_).constData());
        tempPath_.clear();
    }
}

QString CheckedFile::ErrorText() const {
    return ErrorString(error_);
}

void CheckedFile::Fail(int error) {
    if (!failed_) error_ = error;
    failed_ = true;
}

bool WriteFileChecked(const QString& path, const QByteArray& bytes, QString* error) {
    CheckedFile file(path);
    const bool ok = file.Open() && file.Write(bytes) && file.Commit();
    if (!ok && error) *error = file.ErrorText();
    return ok;
}

QString ReserveTemporaryFile(const QString& path) {
    CheckedFile file(path);
    if (!file.Open() || !file.Write(QByteArray())) return QString();
    // Close our handle but keep the file: the library writes it by name.
    QString temp = file.TemporaryPath();
    file.KeepTemporary();
    return temp;
}

bool CommitWrittenFile(const QString& tempPath, const QString& path, QString* error) {
    int code = 0;
    const int fd = ::open(Native(tempPath).constData(), O_RDWR | O_CLOEXEC);
    bool ok = fd >= 0;
    if (!ok) code = errno;
    struct stat st {};
    if (ok && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)) {
        code = EIO;  // an empty result is never a finished file
        ::close(fd);
        ok = false;
    }
    ok = ok && SyncAndClose(fd, &code) && RenameOver(tempPath, FinalTarget(path), &code);
    if (!ok) {
        ::unlink(Native(tempPath).constData());
        if (error) *error = ErrorString(code);
    }
    return ok;
}

}  // namespace zmk
