#include "tables/TableEngine.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/StatusBarPanel.h"
#include "link/ControllerLink.h"

namespace zmk {

namespace {

constexpr uint8_t ReadCode = 1;
constexpr uint8_t WriteCode = 2;
// Answer data (after the answer head): data bytes 1..3 repeat the request
// head, a read answer's field data follow them.
constexpr int EchoAt = 1;
constexpr int FieldsAt = 4;

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

bool EchoMatches(const ControllerLink& link, TableRequest r) {
    const uint8_t* echo = link.AnswerData() + EchoAt;
    return echo[0] == r.table && echo[1] == r.first && echo[2] == r.count;
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

TableEngine::TableEngine(ControllerLink& link, ConfigImage& image, RetryQuestion& retry)
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

bool TableEngine::ReadEmptyRange(uint8_t table, StatusBarPanel* status) {
    return TableExists(table) && ReadPiece({table, 0, 0}, status, true);
}

bool TableEngine::WriteEmptyRange(uint8_t table, StatusBarPanel* status) {
    return TableExists(table) && WritePiece({table, 0, 0}, status);
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
            if (link_.CarrierLost()) {
                retry_.CallLost(link_.StatusText());
                return false;
            }
            const bool again =
                retry_.AskRetry(QStringLiteral("Не выполнено чтение из таблицы %1.").arg(r.table), Quoted(r.table));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        // An answer that repeats another head, or that carries fewer data
        // bytes than the range needs, is never copied into the image.
        if (!EchoMatches(link_, r) || link_.AnswerDataLength() < FieldsAt + length) {
            const bool again = retry_.AskRetry(QStringLiteral("Несоответствие запрошенных и переданных данных."),
                                               MismatchLine2(r.table));
            Show(status, QString());
            if (again) continue;
            return false;
        }
        std::memcpy(dest, link_.AnswerData() + FieldsAt, size_t(length));
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
            if (link_.CarrierLost()) {
                retry_.CallLost(link_.StatusText());
                return false;
            }
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

}  // namespace zmk
