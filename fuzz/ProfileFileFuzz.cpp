// Arbitrary bytes as a settings file in the profile dialect. An untouched
// profile must write the input back byte for byte (parsed in memory and
// loaded from a file alike); lookups by the program's names and by names
// found in the input must agree with one another; writing a key must read
// back the same after the profile is written out and parsed again, and must
// leave every other key of the file as it was.
#include <QList>
#include <QString>

#include "FuzzSupport.h"
#include "common/Cp1251.h"
#include "common/ProfileFile.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

struct Name {
    QString section;
    QString key;
};

// Names the program reads and writes.
const Name ProgramNames[] = {
    {"CURR_PAR", "Conn_Prz"},         {"DIR_CONN_PAR", "Rate"},    {"FON_CONN_PAR", "Command"},
    {"ETHERNET_CONN_PAR", "TimeOut"}, {"COM_PORTS", "COM1"},       {"FON_ABONENT_1", "user_name"},
    {"ETHERNET_ABONENT_2", "ip_adr"}, {"OBJECT_LIST", "obj_num"},  {"OBJECT_1", "obj_name"},
};

constexpr int MaxNamesFromInput = 8;
constexpr int DefaultA = 0x5EED;
constexpr int DefaultB = -0x5EED;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Key names (before '=') with the section name of the header above them
// (after '['), as the input spells them; the reader's own rules decide
// whether they name anything.
QList<Name> NamesFromInput(const QByteArray& input) {
    QList<Name> names;
    QString section;
    for (const QByteArray& line : input.split('\n')) {
        const qsizetype open = line.indexOf('[');
        if (open >= 0) {
            const qsizetype close = line.indexOf(']', open);
            section = FromCp1251(line.mid(open + 1, close < 0 ? -1 : close - open - 1));
        }
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            names.append({section, FromCp1251(line.left(eq))});
        if (names.size() == MaxNamesFromInput)
            break;
    }
    return names;
}

void CheckLookups(const ProfileFile& f, const QByteArray& input, const QString& section, const QString& key) {
    const bool hasKey = f.HasKey(section, key);
    FUZZ_CHECK(!hasKey || f.HasSection(section));
    const QByteArray value = f.Value(section, key);
    FUZZ_CHECK(hasKey || value.isEmpty());
    FUZZ_CHECK(!value.contains('\n'));
    FUZZ_CHECK(value.isEmpty() || (!IsBlank(value.front()) && !IsBlank(value.back())));

    // An integer does not depend on the default; anything else gives the default.
    const int a = f.ReadInteger(section, key, DefaultA);
    const int b = f.ReadInteger(section, key, DefaultB);
    FUZZ_CHECK(a == b || (a == DefaultA && b == DefaultB));
    FUZZ_CHECK(hasKey || a == DefaultA);
    if (a == b) {
        bool ok = false;
        FUZZ_CHECK(f.ReadString(section, key).toInt(&ok) == a && ok);
    }
    if (!hasKey) {
        const QString marker = QStringLiteral("\x01missing");
        FUZZ_CHECK(f.ReadString(section, key, marker) == marker);
    }

    // Writing back what a key holds changes nothing (a carriage return inside
    // a value is written as a blank, as every line end).
    if (hasKey && !value.contains('\r')) {
        ProfileFile copy = f;
        copy.WriteValue(section, key, value);
        FUZZ_CHECK(copy.Serialize() == input);
    }
}

bool SameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = Bytes(data, size);

    ProfileFile f;
    f.Parse(input);
    FUZZ_CHECK(f.Serialize() == input);

    const QString path = ScratchPath(QStringLiteral("profile.ini"));
    WriteFile(path, input);
    ProfileFile loaded;
    FUZZ_CHECK(loaded.Load(path));
    FUZZ_CHECK(loaded.Serialize() == input);

    QList<Name> names(std::begin(ProgramNames), std::end(ProgramNames));
    names.append(NamesFromInput(input));
    for (const Name& n : names)
        CheckLookups(f, input, n.section, n.key);

    // Writes as the settings writers make them: an integer, a text taken from
    // the input (line ends and all) and a raw value, into sections that may
    // or may not be there already.
    const int number = int(qHash(input));
    const QString text = FromCp1251(input.left(60));
    const Name written[] = {ProgramNames[0], ProgramNames[2], ProgramNames[8]};
    ProfileFile w = f;
    w.WriteInteger(written[0].section, written[0].key, number);
    w.WriteString(written[1].section, written[1].key, text);
    w.WriteValue(written[2].section, written[2].key, input.right(40));

    ProfileFile r;
    r.Parse(w.Serialize());
    FUZZ_CHECK(r.Serialize() == w.Serialize());
    FUZZ_CHECK(r.ReadInteger(written[0].section, written[0].key, number + 1) == number);
    for (const Name& n : written) {
        FUZZ_CHECK(r.HasKey(n.section, n.key));
        FUZZ_CHECK(r.Value(n.section, n.key) == w.Value(n.section, n.key));
        FUZZ_CHECK(r.ReadString(n.section, n.key) == w.ReadString(n.section, n.key));
    }
    FUZZ_CHECK(!r.Value(written[1].section, written[1].key).contains('\r'));
    for (const Name& n : names) {
        bool isWritten = false;
        for (const Name& m : written)
            isWritten = isWritten || (SameName(n.section, m.section) && SameName(n.key, m.key));
        if (!isWritten)
            FUZZ_CHECK(r.Value(n.section, n.key) == f.Value(n.section, n.key));
    }
    return 0;
}
