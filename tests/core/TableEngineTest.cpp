#include <gtest/gtest.h>

#include <iconv.h>

#include "FakeLink.h"
#include "common/StatusBarPanel.h"
#include "tables/TableEngine.h"
#include "common/DosCodePage.h"

using namespace zmk;

namespace {

// Remembers every question and answers from a script (false when it runs out).
struct ScriptedRetry : RetryQuestion {
    bool AskRetry(const QString& line1, const QString& line2) override {
        asked.push_back({line1, line2, panelAtQuestion ? panelAtQuestion->text() : QString()});
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    struct Asked {
        QString line1, line2, panel;
    };
    std::vector<Asked> asked;
    std::vector<bool> answers;
    StatusBarPanel* panelAtQuestion = nullptr;
};

// Keeps every text the panel was given.
struct RecordingPanel : TextPanel {
    void setText(const QString& t) override {
        TextPanel::setText(t);
        history.push_back(t);
    }
    std::vector<QString> history;
};

struct EngineFixture : ::testing::Test {
    EngineFixture() : link(1), engine(link, image, retry) {
        channel = UseScriptChannel(link, clock);
        link.AnswerWaitMs = 10;
        retry.panelAtQuestion = &panel;
        // A controller whose table fields all hold their field number;
        // writes are only echoed.
        channel->peer = [this](const std::vector<uint8_t>& req) {
            const bool write = req[3] == 2;
            const int head = write ? 21 : 5;
            const uint8_t table = req[head], first = req[head + 1], count = req[head + 2];
            const int size = Descriptor(table).fieldSize;
            std::vector<uint8_t> data{uint8_t(table + echoSkew), first, count};
            if (!write)
                for (int f = first; f < first + count; ++f)
                    for (int b = 0; b < size; ++b) data.push_back(uint8_t(f));
            if (shortData) data.resize(data.size() - 1);
            return AnswerFrame(1, uint8_t(req[3] | 0x80), 0, data);
        };
    }
    FakeClock clock;
    ControllerLink link;
    ConfigImage image;
    ScriptedRetry retry;
    TableEngine engine;
    ScriptChannel* channel = nullptr;
    RecordingPanel panel;
    int echoSkew = 0;
    bool shortData = false;
};

}  // namespace

TEST_F(EngineFixture, ReadSplitsAndFillsTheImage) {
    ASSERT_TRUE(engine.ReadTable({4, 0, 16}, &panel));
    ASSERT_EQ(channel->writes.size(), 2u);
    EXPECT_EQ(channel->writes[0][7], 11);  // fields 0..10: 242 bytes
    EXPECT_EQ(channel->writes[1][6], 11);
    EXPECT_EQ(channel->writes[1][7], 5);
    EXPECT_EQ(image.Field(4, 15)[21], 15);
    EXPECT_EQ(image.bytes[30 + 16 * 22], 0) << "nothing past the table";
    EXPECT_EQ(panel.history.front(), QStringLiteral("Чтение из таблицы 4 (поля 0-10)"));
    EXPECT_TRUE(panel.text().isEmpty());
}

TEST_F(EngineFixture, ProgressTexts) {
    const struct {
        TableRequest r;
        bool write;
        const char* text;
    } cases[] = {
        {{6, 0, 1}, false, "Чтение из таблицы 6 (поле 0)"},
        {{6, 0, 12}, false, "Чтение из таблицы 6 (поля 0-11)"},
        {{6, 4, 2}, false, "Чтение из таблицы 6 (поля 4-5)"},
        {{6, 3, 1}, true, "Запись в таблицу 6 (поле 3)"},
        {{22, 2, 5}, true, "Запись в таблицу 22 (поля 2-6)"},
    };
    for (const auto& c : cases) {
        panel.history.clear();
        ASSERT_TRUE(c.write ? engine.WriteTable(c.r, &panel) : engine.ReadTable(c.r, &panel));
        EXPECT_EQ(panel.history.front(), QString::fromUtf8(c.text));
    }
}

TEST_F(EngineFixture, FailedReadAsksAndRepeats) {
    channel->failWrites = true;
    retry.answers = {true, false};
    EXPECT_FALSE(engine.ReadTable({6, 0, 12}, &panel));
    ASSERT_EQ(retry.asked.size(), 2u);
    EXPECT_EQ(retry.asked[0].line1, QStringLiteral("Не выполнено чтение из таблицы 6."));
    EXPECT_EQ(retry.asked[0].line2, QStringLiteral("\" Системные параметры\""));
    EXPECT_EQ(retry.asked[0].panel, QStringLiteral("Команда 1.  Сбой при выполнении операции записи"));
    EXPECT_EQ(channel->writes.size(), 2u);
    EXPECT_TRUE(panel.text().isEmpty());
}

TEST_F(EngineFixture, QuietReadFailsSilently) {
    channel->failWrites = true;
    EXPECT_FALSE(engine.ReadTable({30, 0, 22}, &panel, false));
    EXPECT_TRUE(retry.asked.empty());
    EXPECT_TRUE(panel.history.empty());
}

TEST_F(EngineFixture, MismatchingOrShortAnswerNeverReachesTheImage) {
    image.Field(6, 0)[0] = 0xEE;
    for (int mode = 0; mode < 2; ++mode) {
        echoSkew = mode == 0 ? 1 : 0;
        shortData = mode == 1;
        retry.asked.clear();
        // Quiet reads ask about a mismatch too.
        EXPECT_FALSE(engine.ReadTable({6, 0, 12}, &panel, false));
        ASSERT_EQ(retry.asked.size(), 1u);
        EXPECT_EQ(retry.asked[0].line1, QStringLiteral("Несоответствие запрошенных и переданных данных."));
        EXPECT_EQ(retry.asked[0].line2, QStringLiteral("Табл. 6 \" Системные параметры\"."));
        EXPECT_EQ(image.Field(6, 0)[0], 0xEE);
    }
    // "Да" repeats; the next answer is right.
    echoSkew = 1;
    retry.answers = {true};
    channel->peer = [this, first = true](const std::vector<uint8_t>& req) mutable {
        std::vector<uint8_t> data{uint8_t(req[5] + (first ? 1 : 0)), req[6], req[7]};
        first = false;
        data.resize(3 + 12, 7);
        return AnswerFrame(1, 0x81, 0, data);
    };
    EXPECT_TRUE(engine.ReadTable({6, 0, 12}, &panel));
    EXPECT_EQ(image.Field(6, 0)[0], 7);
}

TEST_F(EngineFixture, WriteMessages) {
    channel->failWrites = true;
    EXPECT_FALSE(engine.WriteTable({5, 0, 1}, &panel));
    ASSERT_EQ(retry.asked.size(), 1u);
    EXPECT_EQ(retry.asked[0].line1, QStringLiteral("Не выполнена запись в таблицу 5."));
    EXPECT_EQ(retry.asked[0].line2, QStringLiteral("\" Наименование контроллера\"."));

    channel->failWrites = false;
    echoSkew = 2;
    EXPECT_FALSE(engine.WriteTable({5, 0, 1}, &panel));
    EXPECT_EQ(retry.asked.back().line1, QStringLiteral("Несоответствие заголовка ответа заголовку запроса на запись."));
    EXPECT_EQ(retry.asked.back().line2, QStringLiteral("Табл. 5 \" Наименование контроллера\"."));
}

TEST_F(EngineFixture, OutOfCatalogueRangesAreRefusedWithoutExchange) {
    for (TableRequest r : {TableRequest{1, 0, 1}, TableRequest{38, 0, 1}, TableRequest{6, 11, 2}, TableRequest{6, 0, 0}}) {
        EXPECT_FALSE(engine.ReadTable(r, &panel));
        EXPECT_FALSE(engine.WriteTable(r, &panel));
    }
    EXPECT_TRUE(channel->writes.empty());
}

// The write-by-difference rule: which requests go out for which changes.
TEST_F(EngineFixture, WriteByDifferenceChoosesTheCheaperRequests) {
    struct Case {
        uint8_t table, first, count;
        std::vector<int> changedFields;  // relative to first
        std::vector<std::array<int, 2>> expected;  // (first field, count) of each request
    };
    const Case cases[] = {
        {22, 0, 20, {}, {}},
        {22, 0, 20, {7}, {{7, 1}}},
        {22, 0, 20, {3, 4}, {{3, 2}}},
        {22, 0, 20, {0, 2}, {{0, 3}}},
        {22, 0, 20, {0, 19}, {{0, 1}, {19, 1}}},
        {22, 0, 18, {0, 2, 4, 6, 8, 10, 12, 14, 16}, {{0, 17}}},
        {21, 0, 20, {0, 19}, {{0, 20}}},
        {22, 0, 20, {0, 8, 15}, {{0, 1}, {8, 1}, {15, 1}}},  // equal costs: the runs
        {22, 2, 18, {0, 1, 17}, {{2, 2}, {19, 1}}},
        {22, 2, 10, {1, 2, 9}, {{3, 9}}},
        {13, 0, 16, {0, 15}, {{0, 1}, {15, 1}}},
        {13, 0, 16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {{0, 14}, {14, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "table " << int(c.table) << ", " << c.changedFields.size() << " changes");
        const int size = Descriptor(c.table).fieldSize;
        std::vector<uint8_t> old(image.Field(c.table, c.first), image.Field(c.table, c.first) + c.count * size);
        for (int f : c.changedFields) image.Field(c.table, c.first + f)[0] ^= 0x5A;
        channel->writes.clear();
        EXPECT_TRUE(engine.WriteTableChanges({c.table, c.first, c.count}, old.data(), &panel));
        ASSERT_EQ(channel->writes.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const auto& w = channel->writes[i];
            EXPECT_EQ(w[3], 2);
            EXPECT_EQ(w[21], c.table);
            EXPECT_EQ(w[22], c.expected[i][0]);
            EXPECT_EQ(w[23], c.expected[i][1]);
            EXPECT_EQ(int(w.size()), 23 + 3 + c.expected[i][1] * size);
            EXPECT_TRUE(std::equal(w.begin() + 24, w.end() - 2, image.Field(c.table, c.expected[i][0])))
                << "the request carries the image's values";
        }
    }
}

TEST_F(EngineFixture, FailedRunStopsTheRest) {
    std::vector<uint8_t> old(image.Field(22, 0), image.Field(22, 0) + 80);
    image.Field(22, 0)[0] = 1;
    image.Field(22, 19)[0] = 1;
    channel->failWrites = true;
    EXPECT_FALSE(engine.WriteTableChanges({22, 0, 20}, old.data(), &panel));
    EXPECT_EQ(channel->writes.size(), 1u);
    EXPECT_EQ(image.Field(22, 19)[0], 1) << "the image keeps the edited values";
}

namespace {
// One byte through iconv; -1 when iconv has no such character.
int Iconv(const char* from, const char* to, uint8_t byte) {
    iconv_t cd = iconv_open(to, from);
    char in = char(byte), out[8];
    char* ip = &in;
    char* op = out;
    size_t il = 1, ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    return (r == size_t(-1) || op - out != 1) ? -1 : uint8_t(out[0]);
}
}  // namespace

TEST(DosText, StandardCorrespondencesMatchIconv) {
    const std::vector<int> toDosExceptions = {0x95, 0xA6, 0xA7, 0xA9, 0xAB, 0xAC, 0xAD, 0xAE, 0xB2, 0xB3, 0xB6, 0xBB, 0xA0};
    int checked = 0;
    for (int b = 0; b < 256; ++b) {
        if (std::count(toDosExceptions.begin(), toDosExceptions.end(), b)) continue;
        const int expected = Iconv("CP1251", "CP866", uint8_t(b));
        if (expected < 0) continue;
        uint8_t byte = uint8_t(b);
        EncodeDosText(&byte, 1);
        EXPECT_EQ(byte, expected) << "Windows-1251 byte " << b;
        ++checked;
    }
    EXPECT_GT(checked, 128 + 64 + 10);
    for (int b = 0; b < 256; ++b) {
        const bool box = b >= 0xB0 && b <= 0xDF;
        if (box || b == 0x0F || b == 0x14 || b == 0x15 || b == 0xF9 || b == 0xFB || b == 0xFE || b == 0xFF) continue;
        const int expected = Iconv("CP866", "CP1251", uint8_t(b));
        if (expected < 0) continue;
        uint8_t byte = uint8_t(b);
        DecodeDosText(&byte, 1);
        EXPECT_EQ(byte, expected) << "CP866 byte " << b;
    }
}

TEST(DosText, Exceptions) {
    const std::pair<int, int> toDos[] = {
        {0x95, 0xF9}, {0xA6, '|'}, {0xA7, 0x15}, {0xA9, 'c'}, {0xAB, 0x11}, {0xAC, '-'}, {0xAD, '-'},
        {0xAE, 'r'},  {0xB2, 'I'}, {0xB3, 'i'},  {0xB6, 0x14}, {0xBB, 0x10}, {0x80, '_'}, {0x94, '_'},
        {0x96, '_'},  {0xA0, '_'}, {0xA3, '_'},  {0xA5, '_'}, {0xB1, '_'},  {0xB4, '_'}, {0xB5, '_'},
        {0xBC, '_'},  {0xBD, '_'}, {0xBE, '_'},
    };
    for (auto [from, to] : toDos) {
        uint8_t b = uint8_t(from);
        EncodeDosText(&b, 1);
        EXPECT_EQ(b, to) << "Windows-1251 " << std::hex << from;
    }
    const std::pair<int, int> fromDos[] = {
        {0x0F, 0xA4}, {0x14, 0xB6}, {0x15, 0xA7}, {0xB3, 0xA6}, {0xB6, 0xA6}, {0xB9, 0xA6}, {0xBA, 0xA6},
        {0xC6, 0xA6}, {0xC7, 0xA6}, {0xCC, 0xA6}, {0xC1, '-'},  {0xC2, '-'},  {0xC4, '-'},  {0xCA, '-'},
        {0xCB, '-'},  {0xCD, '-'},  {0xCF, '-'},  {0xD2, '-'},  {0xB7, '+'},  {0xBF, '+'},  {0xC0, '+'},
        {0xC5, '+'},  {0xCE, '+'},  {0xD3, '+'},  {0xDA, '+'},  {0xF9, 0x95}, {0xB0, '_'},  {0xB2, '_'},
        {0xDB, '_'},  {0xDF, '_'},  {0xFB, '_'},  {0xFE, '_'},  {0xFF, '_'},
    };
    for (auto [from, to] : fromDos) {
        uint8_t b = uint8_t(from);
        DecodeDosText(&b, 1);
        EXPECT_EQ(b, to) << "CP866 " << std::hex << from;
    }
}

TEST(DosText, NameRoundTrip) {
    // "ЗМК-10 Ёлки №5" in Windows-1251.
    const uint8_t win[] = {0xC7, 0xCC, 0xCA, '-', '1', '0', ' ', 0xA8, 0xEB, 0xEA, 0xE8, ' ', 0xB9, '5'};
    uint8_t text[sizeof win];
    std::copy(std::begin(win), std::end(win), text);
    EXPECT_EQ(EncodeDosText(text, int(sizeof text)), int(sizeof text));
    EXPECT_EQ(text[0], 0x87);
    EXPECT_EQ(text[7], 0xF0);
    DecodeDosText(text, int(sizeof text));
    EXPECT_TRUE(std::equal(std::begin(win), std::end(win), text));
}
