#pragma once

// Reading the simulator's exchange log (--log FILE): one line per frame,
// "... RX <hex bytes>" for every request it received.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <array>
#include <vector>

// Every request frame the simulator received, in order.
inline QList<QByteArray> LoggedRequestFrames(const QString& logPath) {
    QList<QByteArray> frames;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return frames;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int rx = int(line.indexOf(" RX "));
        if (rx < 0) continue;
        frames.append(QByteArray::fromHex(QByteArray(line.mid(rx + 4)).replace(' ', "")));
    }
    return frames;
}

// (function, table, first, count) of every table read (1) and write (2)
// request; a write carries 16 bytes of credentials before its table.
inline std::vector<std::array<int, 4>> LoggedTableRequests(const QString& logPath, bool writesOnly = false) {
    std::vector<std::array<int, 4>> result;
    for (const QByteArray& bytes : LoggedRequestFrames(logPath)) {
        if (bytes.size() < 10 || (bytes[3] != 1 && bytes[3] != 2)) continue;
        if (writesOnly && bytes[3] != 2) continue;
        const int head = bytes[3] == 2 ? 21 : 5;
        if (bytes.size() < head + 3) continue;
        result.push_back({bytes[3], uint8_t(bytes[head]), uint8_t(bytes[head + 1]), uint8_t(bytes[head + 2])});
    }
    return result;
}
