#pragma once

// Shared by the fuzz targets of the file readers: a check that stops the
// run with the condition that failed; a scratch folder of the process for
// the readers that take a path (created on first use, removed when the
// process ends; TMPDIR chooses where, a memory file system is fastest); the
// choice of the inputs that get the slow checks; and the text a settings
// file gives back for a text written into it.

#include <QByteArray>
#include <QHashFunctions>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/ProfileFile.h"

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::zmk::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace zmk::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A file named `name` in the scratch folder of this process.
inline QString ScratchPath(const QString& name) {
    static QTemporaryDir dir;
    if (!dir.isValid())
        Fail("scratch folder could not be created", __FILE__, __LINE__);
    return dir.filePath(name);
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("scratch file could not be written", __FILE__, __LINE__);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail("scratch file could not be read", __FILE__, __LINE__);
    return file.readAll();
}

// Checks too slow to run for every input (a write and read back of a whole
// settings file) run for one input in `share`, chosen by the input's hash,
// so that an input always gets the same checks and a finding reproduces.
inline bool Sampled(const QByteArray& input, size_t share) {
    return qHash(input) % share == 0;
}

// A text as it reads back after a settings writer stored it in a profile
// file: the dialect trims blanks, turns line ends into blanks and reads a
// value in matching quotes without them.
inline QString TextThroughProfile(const QString& text) {
    const QString section = QStringLiteral("S");
    const QString key = QStringLiteral("k");
    ProfileFile written;
    written.WriteString(section, key, text);
    ProfileFile read;
    read.Parse(written.Serialize());
    return read.ReadString(section, key);
}

}  // namespace zmk::fuzz
