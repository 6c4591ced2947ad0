#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Reads PDF files back through poppler-utils (pdftotext, pdfinfo), as a
// reader of the printed pages would see them. Runs of blanks are folded
// into one: the tools cannot tell one blank from two in a printed line.
namespace pdftext {

inline bool Available() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

inline QString Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Pages of the file by pdfinfo; 0 when it is no PDF.
inline int PageCount(const QString& path) {
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    const auto match = pages.match(Run(QStringLiteral("pdfinfo"), {path}));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

inline QString Folded(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    return QString(text).replace(blanks, QStringLiteral(" "));
}

// The non-empty lines of page `page` (1-based) in reading order, each with
// its runs of blanks folded and trimmed.
inline QStringList PageLines(const QString& path, int page) {
    const QString text = Run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                              QStringLiteral("-l"), QString::number(page), path, QStringLiteral("-")});
    QStringList lines;
    for (const QString& line : text.split(u'\n')) {
        const QString folded = Folded(line).trimmed();
        if (!folded.isEmpty()) lines << folded;
    }
    return lines;
}

// The page's text as one string of folded lines joined by '\n'.
inline QString PageText(const QString& path, int page) { return PageLines(path, page).join(u'\n'); }

}  // namespace pdftext
