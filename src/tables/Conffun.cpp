#include "tables/Conffun.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/StatusBarPanel.h"
#include "link/Hgcbox.h"

namespace zmk {

namespace {

constexpr uint8_t ReadCode = 1;
constexpr uint8_t WriteCode = 2;
constexpr int EchoOffset = 5;   // answer bytes 5..7 repeat the request head
constexpr int DataOffset = 8;   // a read answer's field data
constexpr int FrameOverhead = 10;  // answer bytes besides the field data of a read

void Show(StatusBarPanel* status, const QString& text) {
    if (!status) return;
    status->setText(text);
    status->repaint();
}

QString Quoted(int table) { return QStringLiteral("\"%1\"").arg(TableName(table)); }

QString MismatchLine2(int table) { return QStringLiteral("Табл. %1 %2.").arg(table).arg(Quoted(table)); }

QString RangeText(const char* one, const char* many, TableRequest r) {
    if (r.count < 2) return QString::fromUtf8(one).arg(r.table).arg(r.first);
    return QString::fromUtf8(many).arg(r.table).arg(r.first).arg(r.first + r.count - 1);
}

bool EchoMatches(const hgcbox& link, TableRequest r) {
    return link.AnswerBuf[EchoOffset] == r.table && link.AnswerBuf[EchoOffset + 1] == r.first &&
           link.AnswerBuf[EchoOffset + 2] == r.count;
}

// --- DOS Cyrillic translation tables -------------------------------------

struct DosTables {
    uint8_t toDos[256];
    uint8_t fromDos[256];
};

DosTables BuildDosTables() {
    DosTables t{};
    for (int i = 0; i < 256; ++i) t.toDos[i] = t.fromDos[i] = uint8_t(i);

    // Windows-1251 -> CP866: letters, then the other characters both pages have.
    for (int i = 0; i < 32; ++i) t.toDos[0xC0 + i] = uint8_t(0x80 + i);  // А..Я
    for (int i = 0; i < 16; ++i) t.toDos[0xE0 + i] = uint8_t(0xA0 + i);  // а..п
    for (int i = 0; i < 16; ++i) t.toDos[0xF0 + i] = uint8_t(0xE0 + i);  // р..я
    const uint8_t shared[][2] = {{0xA8, 0xF0}, {0xB8, 0xF1}, {0xAA, 0xF2}, {0xBA, 0xF3}, {0xAF, 0xF4},
                                 {0xBF, 0xF5}, {0xA1, 0xF6}, {0xA2, 0xF7}, {0xB0, 0xF8}, {0xB7, 0xFA},
                                 {0xB9, 0xFC}, {0xA4, 0xFD}};
    for (const auto& p : shared) t.toDos[p[0]] = p[1];
    for (int c = 0x80; c <= 0x94; ++c) t.toDos[c] = '_';
    for (int c = 0x96; c <= 0xA0; ++c) t.toDos[c] = '_';
    for (uint8_t c : {0xA3, 0xA5, 0xB1, 0xB4, 0xB5, 0xBC, 0xBD, 0xBE}) t.toDos[c] = '_';
    const uint8_t toDosExceptions[][2] = {{0x95, 0xF9}, {0xA6, '|'}, {0xA7, 0x15}, {0xA9, 'c'}, {0xAB, 0x11},
                                          {0xAC, '-'},  {0xAD, '-'}, {0xAE, 'r'},  {0xB2, 'I'}, {0xB3, 'i'},
                                          {0xB6, 0x14}, {0xBB, 0x10}};
    for (const auto& p : toDosExceptions) t.toDos[p[0]] = p[1];

    // CP866 -> Windows-1251.
    for (int i = 0; i < 32; ++i) t.fromDos[0x80 + i] = uint8_t(0xC0 + i);
    for (int i = 0; i < 16; ++i) t.fromDos[0xA0 + i] = uint8_t(0xE0 + i);
    for (int i = 0; i < 16; ++i) t.fromDos[0xE0 + i] = uint8_t(0xF0 + i);
    for (const auto& p : shared) t.fromDos[p[1]] = p[0];
    t.fromDos[0x0F] = 0xA4;
    t.fromDos[0x14] = 0xB6;
    t.fromDos[0x15] = 0xA7;
    t.fromDos[0xF9] = 0x95;
    // Box drawing: verticals become a broken bar, horizontals a dash, the rest a cross.
    for (int c = 0xB3; c <= 0xDA; ++c) t.fromDos[c] = '+';
    for (uint8_t c : {0xB3, 0xB4, 0xB5, 0xB6, 0xB9, 0xBA, 0xC6, 0xC7, 0xCC}) t.fromDos[c] = 0xA6;
    for (uint8_t c : {0xC1, 0xC2, 0xC4, 0xCA, 0xCB, 0xCD, 0xCF, 0xD0, 0xD1, 0xD2}) t.fromDos[c] = '-';
    for (uint8_t c : {0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFB, 0xFE, 0xFF}) t.fromDos[c] = '_';
    return t;
}

const DosTables& Dos() {
    static const DosTables tables = BuildDosTables();
    return tables;
}

}  // namespace

uint8_t* ConfigImage::Table(int table) {
    const TableDescriptor& d = Descriptor(table);
    return d.fieldCount > 0 ? bytes.data() + d.offset : nullptr;
}

const uint8_t* ConfigImage::Table(int table) const {
    return const_cast<ConfigImage*>(this)->Table(table);
}

uint8_t* ConfigImage::Field(int table, int field) {
    uint8_t* t = Table(table);
    return t ? t + field * Descriptor(table).fieldSize : nullptr;
}

bool ValidRequest(TableRequest r) {
    const TableDescriptor& d = Descriptor(r.table);
    return d.fieldCount > 0 && r.count > 0 && r.first + r.count <= d.fieldCount;
}

TableEngine::TableEngine(hgcbox& link, ConfigImage& image, RetryQuestion& retry)
    : link_(link), image_(image), retry_(retry) {}

bool TableEngine::ReadTable(TableRequest r, StatusBarPanel* status, bool interactive) {
    if (!ValidRequest(r)) return false;
    const int step = FieldsPerRead(r.table);
    for (int f = r.first; f < r.first + r.count; f += step) {
        const TableRequest piece{r.table, uint8_t(f), uint8_t(std::min(step, r.first + r.count - f))};
        if (!ReadPiece(piece, status, interactive)) return false;
    }
    return true;
}

bool TableEngine::ReadPiece(TableRequest r, StatusBarPanel* status, bool interactive) {
    const int size = Descriptor(r.table).fieldSize;
    const int length = r.count * size;
    uint8_t* dest = image_.Field(r.table, r.first);
    const uint8_t body[3] = {r.table, r.first, r.count};
    for (;;) {
        if (interactive) Show(status, RangeText("Чтение из таблицы %1 (поле %2)", "Чтение из таблицы %1 (поля %2-%3)", r));
        else if (status) status->repaint();
        const bool sent = link_.SendRequest(ReadCode, body, 3);
        if (status) status->repaint();
        if (!sent) {
            if (!interactive) return false;
            Show(status, link_.StatusText());
            const bool again =
                retry_.AskRetry(QStringLiteral("Не выполнено чтение из таблицы %1.").arg(r.table), Quoted(r.table));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        // An answer that repeats another head, or that carries fewer data
        // bytes than the range needs, is never copied into the image.
        if (!EchoMatches(link_, r) || link_.AnswerBuf[2] < FrameOverhead + length) {
            const bool again = retry_.AskRetry(QStringLiteral("Несоответствие запрошенных и переданных данных."),
                                               MismatchLine2(r.table));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        std::memcpy(dest, &link_.AnswerBuf[DataOffset], size_t(length));
        if (interactive) Show(status, QString());
        return true;
    }
}

bool TableEngine::WriteTable(TableRequest r, StatusBarPanel* status) {
    if (!ValidRequest(r)) return false;
    const int step = FieldsPerWrite(r.table);
    for (int f = r.first; f < r.first + r.count; f += step) {
        const TableRequest piece{r.table, uint8_t(f), uint8_t(std::min(step, r.first + r.count - f))};
        if (!WritePiece(piece, status)) return false;
    }
    return true;
}

bool TableEngine::WritePiece(TableRequest r, StatusBarPanel* status) {
    const int length = r.count * Descriptor(r.table).fieldSize;
    uint8_t body[3 + MaxWriteData];
    body[0] = r.table;
    body[1] = r.first;
    body[2] = r.count;
    std::memcpy(body + 3, image_.Field(r.table, r.first), size_t(length));
    for (;;) {
        Show(status, RangeText("Запись в таблицу %1 (поле %2)", "Запись в таблицу %1 (поля %2-%3)", r));
        if (!link_.SendRequest(WriteCode, body, 3 + length)) {
            Show(status, link_.StatusText());
            const bool again = retry_.AskRetry(QStringLiteral("Не выполнена запись в таблицу %1.").arg(r.table),
                                               Quoted(r.table) + QLatin1Char('.'));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        if (!EchoMatches(link_, r)) {
            const bool again = retry_.AskRetry(
                QStringLiteral("Несоответствие заголовка ответа заголовку запроса на запись."), MismatchLine2(r.table));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        Show(status, QString());
        return true;
    }
}

bool TableEngine::WriteTableChanges(TableRequest r, const uint8_t* old, StatusBarPanel* status) {
    if (!ValidRequest(r)) return false;
    const int size = Descriptor(r.table).fieldSize;
    const uint8_t* now = image_.Field(r.table, r.first);
    if (std::memcmp(now, old, size_t(r.count * size)) == 0) return true;

    std::vector<bool> changed(r.count);
    for (int i = 0; i < r.count; ++i)
        changed[size_t(i)] = std::memcmp(now + i * size, old + i * size, size_t(size)) != 0;
    const int lo = int(std::find(changed.begin(), changed.end(), true) - changed.begin());
    const int hi = r.count - 1 - int(std::find(changed.rbegin(), changed.rend(), true) - changed.rbegin());
    const int span = hi - lo + 1;
    const bool contiguous = std::all_of(changed.begin() + lo, changed.begin() + hi + 1, [](bool c) { return c; });
    const TableRequest covering{r.table, uint8_t(r.first + lo), uint8_t(span)};
    if (span <= 2 || contiguous) return WriteTable(covering, status);

    struct Run {
        int start, end;
    };
    std::vector<Run> runs;
    int runsCost = 0;
    for (int i = lo; i <= hi;) {
        if (!changed[size_t(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 <= hi && changed[size_t(j + 1)]) ++j;
        runs.push_back({i, j});
        runsCost += WriteCost(j - i + 1, size);
        i = j + 1;
    }
    if (WriteCost(span, size) < runsCost) return WriteTable(covering, status);
    bool ok = true;
    for (const Run& run : runs) {
        ok = WriteTable({r.table, uint8_t(r.first + run.start), uint8_t(run.end - run.start + 1)}, status);
        if (!ok) break;
    }
    return ok;
}

int EncodeDosText(uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) bytes[i] = Dos().toDos[bytes[i]];
    return length;
}

int DecodeDosText(uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) bytes[i] = Dos().fromDos[bytes[i]];
    return length;
}

}  // namespace zmk
