#include "common/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <limits>

#include "common/CheckedFile.h"
#include "common/Cp1251.h"

namespace zmk {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

QByteArrayView Trimmed(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// A value in matching single or double quotes reads without them, as the
// platform's profile functions do.
QByteArrayView Unquoted(QByteArrayView v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

// Line ends inside a written value or name would split the line on the next read.
QByteArray OneLine(QByteArray s) {
    s.replace('\r', ' ');
    s.replace('\n', ' ');
    return s;
}

}  // namespace

QByteArray ProfileFile::Fold(QByteArrayView name) {
    QByteArray out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = char(UpperCp1251(uint8_t(name[i])));
    return out;
}

QByteArray ProfileFile::Fold(const QString& name) {
    return Fold(QByteArrayView(ToCp1251(name.trimmed())));
}

bool ProfileFile::Load(const QString& path) {
    sections_.clear();
    sectionIndex_.clear();
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxFileSize)  // a folder, a device or a pipe is no settings file
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Read by what is really there, in pieces: a settings file is small, and
    // a device or a pipe put in its place must not be read without end.
    QByteArray contents;
    char chunk[16384];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (contents.size() + n > MaxFileSize)
            return false;
        contents.append(chunk, n);
    }
    Parse(contents);
    return true;
}

void ProfileFile::Parse(const QByteArray& contents) {
    sections_.clear();
    sectionIndex_.clear();
    sections_.append(Section{});  // lines before the first header
    qsizetype pos = 0;
    const qsizetype size = contents.size();
    while (pos < size) {
        qsizetype nl = contents.indexOf('\n', pos);
        Line line;
        if (nl < 0) {
            line.text = contents.sliced(pos);
            pos = size;
        } else {
            qsizetype end = nl;
            if (end > pos && contents[end - 1] == '\r')
                --end;
            line.text = contents.sliced(pos, end - pos);
            line.eol = contents.sliced(end, nl + 1 - end);
            pos = nl + 1;
        }

        QByteArrayView view(line.text);
        if (sections_.size() == 1 && sections_.front().lines.isEmpty() && view.startsWith(kUtf8Bom))
            view = view.sliced(kUtf8Bom.size());
        const QByteArrayView trimmed = Trimmed(view);

        if (trimmed.startsWith('[')) {
            qsizetype close = trimmed.indexOf(']');
            if (close < 0)
                close = trimmed.size();
            Section section;
            section.folded = Fold(Trimmed(trimmed.sliced(1, close - 1)));
            section.hasHeader = true;
            section.header = line.text;
            section.headerEol = line.eol;
            if (!sectionIndex_.contains(section.folded))  // the first of duplicates counts
                sectionIndex_.insert(section.folded, sections_.size());
            sections_.append(std::move(section));
            continue;
        }

        // Key lines count only inside a section; comments start with ';'.
        const qsizetype eq = view.indexOf('=');
        if (sections_.size() > 1 && eq > 0 && !trimmed.startsWith(';')) {
            const QByteArrayView key = Trimmed(view.first(eq));
            if (!key.isEmpty()) {
                qsizetype vs = eq + 1;
                while (vs < view.size() && IsBlank(view[vs]))
                    ++vs;
                line.folded = Fold(key);
                line.value = Trimmed(view.sliced(eq + 1)).toByteArray();
                line.valueStart = int(vs + (line.text.size() - view.size()));
            }
        }
        sections_.back().lines.append(std::move(line));
    }
}

QByteArray ProfileFile::Serialize() const {
    QByteArray out;
    bool open = false;  // the last piece had no line end and something follows
    auto put = [&](const QByteArray& text, const QByteArray& eol) {
        if (open)
            out += kCrLf;
        out += text;
        out += eol;
        open = eol.isEmpty();
    };
    for (const Section& section : sections_) {
        if (section.hasHeader)
            put(section.header, section.headerEol);
        for (const Line& line : section.lines)
            put(line.text, line.eol);
    }
    return out;
}

bool ProfileFile::Save(const QString& path) const {
    return WriteFileChecked(path, Serialize());
}

ProfileFile::Section* ProfileFile::FindSection(const QString& name) {
    const auto found = sectionIndex_.constFind(Fold(name));
    return found == sectionIndex_.constEnd() ? nullptr : &sections_[found.value()];
}

const ProfileFile::Section* ProfileFile::FindSection(const QString& name) const {
    return const_cast<ProfileFile*>(this)->FindSection(name);
}

const ProfileFile::Line* ProfileFile::FindKey(const Section& section, const QByteArray& folded) {
    // The first of duplicate keys counts, as on the platform.
    for (const Line& line : section.lines)
        if (line.valueStart >= 0 && line.folded == folded)
            return &line;
    return nullptr;
}

bool ProfileFile::HasSection(const QString& section) const {
    return FindSection(section) != nullptr;
}

bool ProfileFile::HasKey(const QString& section, const QString& key) const {
    const Section* s = FindSection(section);
    return s && FindKey(*s, Fold(key));
}

QByteArray ProfileFile::Value(const QString& section, const QString& key) const {
    const Section* s = FindSection(section);
    const Line* line = s ? FindKey(*s, Fold(key)) : nullptr;
    return line ? line->value : QByteArray();
}

QString ProfileFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Section* s = FindSection(section);
    const Line* line = s ? FindKey(*s, Fold(key)) : nullptr;
    if (!line)
        return def;
    return FromCp1251(Unquoted(line->value));
}

int ProfileFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const Section* s = FindSection(section);
    const Line* line = s ? FindKey(*s, Fold(key)) : nullptr;
    if (!line)
        return def;
    const QByteArrayView v = Trimmed(Unquoted(line->value));
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-'))
        negative = v[i++] == '-';
    if (i == v.size())
        return def;
    int64_t n = 0;
    for (; i < v.size(); ++i) {
        if (v[i] < '0' || v[i] > '9')
            return def;
        n = n * 10 + (v[i] - '0');
        if (n > int64_t(std::numeric_limits<int>::max()) + 1)
            return def;
    }
    if (negative)
        n = -n;
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return def;
    return int(n);
}

void ProfileFile::WriteValue(const QString& section, const QString& key, const QByteArray& rawValue) {
    const QByteArray value = OneLine(rawValue);
    if (sections_.isEmpty())
        sections_.append(Section{});
    Section* s = FindSection(section);
    if (!s) {
        Section added;
        added.folded = Fold(section);
        added.hasHeader = true;
        added.header = '[' + OneLine(ToCp1251(section.trimmed())) + ']';
        added.headerEol = kCrLf;
        sectionIndex_.insert(added.folded, sections_.size());
        sections_.append(std::move(added));
        s = &sections_.back();
    }

    const QByteArray folded = Fold(key);
    const QByteArray trimmed = Trimmed(value).toByteArray();
    for (Line& line : s->lines) {
        if (line.valueStart < 0 || line.folded != folded)
            continue;
        if (line.value == trimmed)
            return;  // unchanged: the line keeps its exact bytes
        // Keep the name, the '=' and the blanks as the file had them.
        line.text = line.text.left(line.valueStart) + value;
        line.value = trimmed;
        return;
    }

    Line line;
    const QByteArray name = OneLine(ToCp1251(key.trimmed()));
    line.text = name + '=' + value;
    line.eol = kCrLf;
    line.folded = folded;
    line.value = trimmed;
    line.valueStart = int(name.size() + 1);
    // After the last non-blank line of the section, so that a blank line
    // separating it from the next section stays where it is.
    qsizetype at = s->lines.size();
    while (at > 0 && Trimmed(s->lines[at - 1].text).isEmpty())
        --at;
    s->lines.insert(at, std::move(line));
}

void ProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
    WriteValue(section, key, ToCp1251(value));
}

void ProfileFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteValue(section, key, QByteArray::number(value));
}

}  // namespace zmk
