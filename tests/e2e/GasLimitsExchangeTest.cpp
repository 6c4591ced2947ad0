// The gas-parameter limits (tables 22..26) read and written against the
// simulated controller: the requests on the wire and what the controller
// holds afterwards.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimLink.h"
#include "link/ControllerLink.h"
#include "tables/GasLimits.h"
#include "tables/TableEngine.h"

using namespace zmk;

namespace {

using Request = std::array<int, 4>;  // function, table, first, count

class GasLimitsOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimLink>(SimTransport::Tcp, QStringList{QStringLiteral("--log"), LogPath()});
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        UsePassword("12345678    ");  // the simulator's registered setter
        ASSERT_TRUE(sim->Open(link)) << sim->message().toStdString();
    }
    void UsePassword(const char* password) {
        std::copy(password, password + 12, link.WritePassword.begin());
        const char* code = "1234";
        std::copy(code, code + 4, link.UserCode.begin());
    }
    QString LogPath() const { return dir.filePath(QStringLiteral("frames.log")); }
    // Every request the simulator received since the last call.
    std::vector<Request> Requests() {
        std::vector<Request> result;
        QFile f(LogPath());
        if (!f.open(QIODevice::ReadOnly)) return result;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int rx = int(line.indexOf(" RX "));
            if (rx < 0) continue;
            const QByteArray bytes = QByteArray::fromHex(line.mid(rx + 4).replace(' ', ""));
            if (bytes.size() < 10) continue;
            const int head = bytes[3] == 2 ? 21 : 5;
            result.push_back({bytes[3], uint8_t(bytes[head]), uint8_t(bytes[head + 1]), uint8_t(bytes[head + 2])});
        }
        std::vector<Request> fresh(result.begin() + std::min(seen, result.size()), result.end());
        seen = result.size();
        return fresh;
    }
    // The limits the controller holds, read with a separate image.
    LimitSets ControllerLimits() {
        ConfigImage fresh;
        TableEngine reader(link, fresh, noRetry);
        GasLimitCopies copies;
        EXPECT_TRUE(ReadGasLimitTables(reader, copies, nullptr)) << link.StatusText().toStdString();
        Requests();
        return LimitSetsFromImage(fresh);
    }

    QTemporaryDir dir;
    std::unique_ptr<SimLink> sim;
    ControllerLink link{0};
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine{link, image, noRetry};
    size_t seen = 0;
};

}  // namespace

TEST_F(GasLimitsOnSim, OnlyChangedFieldsAreWritten) {
    GasLimitCopies copies;
    Requests();
    ASSERT_TRUE(ReadGasLimitTables(engine, copies, nullptr)) << link.StatusText().toStdString();
    EXPECT_EQ(Requests(), (std::vector<Request>{{1, 22, 0, 18}, {1, 23, 0, 18}, {1, 24, 0, 18}, {1, 25, 0, 18},
                                                {1, 26, 0, 18}}));

    // Nothing changed: nothing is sent.
    ASSERT_TRUE(WriteGasLimitTables(engine, copies, nullptr));
    EXPECT_TRUE(Requests().empty());

    // Only the upper bound of one parameter: one request, one field of table 26.
    LimitSets sets = LimitSetsFromImage(image);
    sets[3][GasLimitKind::UpperBound] = 1.1f;
    StoreLimitSets(image, sets);
    ASSERT_TRUE(WriteGasLimitTables(engine, copies, nullptr)) << link.StatusText().toStdString();
    EXPECT_EQ(Requests(), (std::vector<Request>{{2, 26, 3, 1}}));
    EXPECT_EQ(ControllerLimits()[3][GasLimitKind::UpperBound], 1.1f);

    // Two tables: in table order, each by its own difference.
    ASSERT_TRUE(ReadGasLimitTables(engine, copies, nullptr));
    Requests();
    sets = LimitSetsFromImage(image);
    sets[17][GasLimitKind::LowerBound] = -50.0f;
    sets[0][GasLimitKind::DeadBand] = 0.02f;
    sets[17][GasLimitKind::DeadBand] = 0.03f;
    StoreLimitSets(image, sets);
    ASSERT_TRUE(WriteGasLimitTables(engine, copies, nullptr)) << link.StatusText().toStdString();
    const std::vector<Request> writes = Requests();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0][1], 22);
    EXPECT_EQ(writes[2], (Request{2, 25, 17, 1}));
    const LimitSets held = ControllerLimits();
    EXPECT_EQ(held[17][GasLimitKind::LowerBound], -50.0f);
    EXPECT_EQ(held[0][GasLimitKind::DeadBand], 0.02f);
    EXPECT_EQ(held[17][GasLimitKind::DeadBand], 0.03f);
    // Parameters 18 and 19 are neither read nor written.
    for (const Request& r : writes) EXPECT_LE(r[2] + r[3], LimitedGasParameters);
}

TEST_F(GasLimitsOnSim, ARefusedWriteEndsTheSequence) {
    GasLimitCopies copies;
    ASSERT_TRUE(ReadGasLimitTables(engine, copies, nullptr)) << link.StatusText().toStdString();
    const LimitSets before = LimitSetsFromImage(image);
    LimitSets sets = before;
    sets[1][GasLimitKind::DeadBand] = 0.2f;
    sets[1][GasLimitKind::UpperBound] = 5.0f;
    StoreLimitSets(image, sets);
    Requests();
    UsePassword("wrong       ");
    EXPECT_FALSE(WriteGasLimitTables(engine, copies, nullptr));
    EXPECT_FALSE(link.StatusText().isEmpty());
    // Table 22 was refused: table 26 was never tried.
    EXPECT_EQ(Requests(), (std::vector<Request>{{2, 22, 1, 1}}));
    UsePassword("12345678    ");
    const LimitSets held = ControllerLimits();
    EXPECT_EQ(held[1][GasLimitKind::DeadBand], before[1][GasLimitKind::DeadBand]);
    EXPECT_EQ(held[1][GasLimitKind::UpperBound], before[1][GasLimitKind::UpperBound]);
}
