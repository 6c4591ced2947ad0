#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace zmk {

// A settings file in the Windows profile dialect: "[section]" lines followed
// by "key=value" lines. Section and key names compare without regard to case;
// values are kept as the file's bytes (Windows-1251). Lines that are neither
// (comments, blank lines, anything unreadable) are kept as they are, so that
// rewriting one section leaves the rest of a hand-edited file untouched.
class ProfileFile {
public:
    // Reads the file; a missing or unreadable file gives an empty profile
    // (returns false then, which callers may ignore).
    bool Load(const QString& path);
    // Builds the profile from file contents (tests, and Load itself).
    void Parse(const QByteArray& contents);
    // The whole file as it would be written.
    QByteArray Serialize() const;
    // Writes through a temporary file in the same folder and a rename, so a
    // failure leaves the old file whole. False when the file could not be written.
    bool Save(const QString& path) const;

    bool HasSection(const QString& section) const;
    bool HasKey(const QString& section, const QString& key) const;
    // Raw value bytes; empty when absent.
    QByteArray Value(const QString& section, const QString& key) const;
    // Text value converted from Windows-1251; def when the key is absent.
    // A value in matching single or double quotes reads without them.
    QString ReadString(const QString& section, const QString& key, const QString& def = {}) const;
    // Decimal integer (optional sign, surrounding blanks allowed, quotes as
    // for ReadString); def when absent or not a valid 32-bit integer.
    int ReadInteger(const QString& section, const QString& key, int def) const;

    // Sets a value, adding the section (at the end) and the key (at the end of
    // its section) when missing; an existing key keeps its place in the file.
    // A value equal to the one in the file leaves its line untouched. Line
    // ends inside the value are written as blanks.
    void WriteValue(const QString& section, const QString& key, const QByteArray& value);
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

    // Files larger than this are refused by Load (treated as unreadable).
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

private:
    struct Line {
        QByteArray text;    // the line without its line end
        QByteArray eol;     // its line end as read ("\r\n", "\n"; empty on an unterminated last line)
        QByteArray folded;  // upper-cased key name when this is a key line, else empty
        QByteArray value;   // trimmed value of a key line
        int valueStart = -1;  // offset of the value in text; -1 for lines that are not key lines
    };
    struct Section {
        QByteArray folded;     // upper-cased name
        bool hasHeader = false;  // false only for the lines before the first header
        QByteArray header;     // the header line as read
        QByteArray headerEol;
        QList<Line> lines;
    };
    static QByteArray Fold(const QString& name);
    static QByteArray Fold(QByteArrayView name);
    Section* FindSection(const QString& name);
    const Section* FindSection(const QString& name) const;
    static const Line* FindKey(const Section& section, const QByteArray& folded);
    QList<Section> sections_;
    // Folded section name -> position of its first section: lists of a
    // few hundred sections are read key by key.
    QHash<QByteArray, qsizetype> sectionIndex_;
};

}  // namespace zmk
