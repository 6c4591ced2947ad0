#pragma once

#include <QTextStream>

namespace zmkctl {

// The command's standard output and error, as text.
inline QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}
inline QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

}  // namespace zmkctl
