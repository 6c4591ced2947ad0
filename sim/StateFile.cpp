#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zmksim {

namespace {

// Tables and a full intervention archive take about 2.4 MB.
constexpr std::size_t kLargestImage = 4 * 1024 * 1024;

std::string Reason(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

StateFileRead ReadStateFile(const std::string& path, Bytes& image, std::string& error) {
    image.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return StateFileRead::Missing;
        error = Reason("cannot open", path);
        return StateFileRead::Failed;
    }
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = Reason("cannot read", path);
            close(fd);
            return StateFileRead::Failed;
        }
        if (n == 0) break;
        image.insert(image.end(), buffer, buffer + n);
        if (image.size() > kLargestImage) {
            error = path + " is far larger than a state file";
            close(fd);
            return StateFileRead::Failed;
        }
    }
    close(fd);
    return StateFileRead::Loaded;
}

bool WriteStateFile(const std::string& path, const Bytes& image, std::string& error) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = Reason("cannot create a temporary file next to", path);
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::size_t done = 0;
    while (done < image.size()) {
        const ssize_t n = write(fd, image.data() + done, image.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = Reason("cannot write", temp);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) {
        error = Reason("cannot flush", temp);
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    if (close(fd) != 0) {
        error = Reason("cannot close", temp);
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        error = Reason("cannot rename the temporary file to", path);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace zmksim
