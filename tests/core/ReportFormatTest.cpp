#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "settings/ReportFormat.h"

using namespace zmk;

namespace {

QByteArray Bytes(const ReportFormat& format) {
    return QByteArray(reinterpret_cast<const char*>(&format), sizeof format);
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray Sequence(int size) {
    QByteArray data;
    for (int i = 0; i < size; ++i)
        data += char(i % 8);
    return data;
}

}  // namespace

TEST(ReportFormatFile, ReadingMissingShortLongAndGarbageFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rep_format.ini"));
    const QByteArray fours(ReportFormatSize, char(4));
    struct Case {
        const char* what;
        bool present;
        QByteArray contents;
        bool ok;
        QByteArray expected;
    };
    QByteArray garbage(ReportFormatSize, char(0xC8));
    garbage[3] = '\n';
    const std::vector<Case> cases = {
        {"missing", false, {}, false, fours},
        {"empty", true, {}, false, fours},
        {"one byte short", true, Sequence(31), false, fours},
        {"exact", true, Sequence(32), true, Sequence(32)},
        {"longer: first 32 bytes", true, Sequence(40), true, Sequence(32)},
        {"garbage bytes taken as read", true, garbage, true, garbage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path);
        if (c.present)
            WriteAll(path, c.contents);
        ReportFormat format;
        std::memset(&format, 0x55, sizeof format);
        EXPECT_EQ(ReadReportFormat(path, format), c.ok);
        EXPECT_EQ(Bytes(format), c.expected);
    }
}

TEST(ReportFormatFile, ReadingAFolderGivesDefaults) {
    QTemporaryDir dir;
    ReportFormat format;
    EXPECT_FALSE(ReadReportFormat(dir.path(), format));
    EXPECT_TRUE(format == DefaultReportFormat());
}

TEST(ReportFormatFile, WriteReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rep_format.ini"));
    WriteAll(path, QByteArray(100, 'x'));

    ReportFormat format;
    std::memcpy(&format, Sequence(32).constData(), sizeof format);
    ASSERT_TRUE(WriteReportFormat(path, format));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), Sequence(32));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"rep_format.ini"}));

    ReportFormat back;
    ASSERT_TRUE(ReadReportFormat(path, back));
    EXPECT_TRUE(back == format);
}

TEST(ReportFormatFile, WriteIntoMissingFolderFails) {
    QTemporaryDir dir;
    EXPECT_FALSE(WriteReportFormat(dir.filePath(QStringLiteral("INI/rep_format.ini")),
                                   DefaultReportFormat()));
}

TEST(ReportFormatDigits, DerivedFromTheDialogBytes) {
    ReportFormat format = DefaultReportFormat();
    format.Format[FmtComponents] = 3;
    format.Format[FmtDensityAbsolute] = 4;
    format.Format[FmtHeatMJ] = 2;
    format.Format[FmtWobbeMJ] = 2;
    format.Format[FmtTemperature] = 1;
    // Bytes that must not leak into the table.
    format.Format[FmtCompressibility] = 7;
    format.Format[FmtPressure] = 6;
    format.Format[FmtDensityRelative] = 7;
    format.Format[FmtHeatKcal] = 5;
    format.Format[FmtHeatKWh] = 6;
    format.Format[FmtWobbeKcal] = 5;
    format.Format[FmtWobbeKWh] = 6;
    const ReportFormat before = format;
    DeriveParameterDigits(format);

    const int expected[ReportGasParameters] = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 4, 2, 3, 3, 2, 1, 0, 0};
    for (int i = 0; i < ReportGasParameters; ++i) {
        EXPECT_EQ(format.ParameterDigits[i], expected[i]) << "parameter " << i;
        EXPECT_EQ(ParameterDigitsOf(format, i), expected[i]) << "parameter " << i;
    }
    EXPECT_EQ(std::memcmp(format.Format, before.Format, sizeof format.Format), 0);
}

TEST(ReportFormatDigits, ViewerDecimalsComeFromTheDialogBytesNotTheTable) {
    ReportFormat format;
    std::memset(&format, 0, sizeof format);
    std::memset(format.ParameterDigits, 7, sizeof format.ParameterDigits);
    format.Format[FmtComponents] = 1;
    format.Format[FmtTemperature] = 2;
    format.Format[FmtPressure] = 3;
    format.Format[FmtDensityAbsolute] = 4;
    format.Format[FmtHeatMJ] = 5;
    format.Format[FmtWobbeMJ] = 6;

    const int expected[ReportGasParameters] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5, 4, 6, 1, 1, 5, 2, 0, 0};
    for (int i = 0; i < ReportGasParameters; ++i)
        EXPECT_EQ(GasParameterDecimals(format, i), expected[i]) << "parameter " << i;
    EXPECT_EQ(GasParameterDecimals(format, -1), 0);
    EXPECT_EQ(GasParameterDecimals(format, ReportGasParameters), 0);
    EXPECT_EQ(TemperatureDecimals(format), 2);
    EXPECT_EQ(PressureDecimals(format), 3);
    EXPECT_EQ(ParameterDigitsOf(format, -1), 0);
    EXPECT_EQ(ParameterDigitsOf(format, ReportGasParameters), 0);
}

TEST(ReportFormatDigits, DamagedBytesAreClampedToSevenDecimals) {
    ReportFormat format;
    std::memset(&format, 0xFF, sizeof format);
    EXPECT_EQ(GasParameterDecimals(format, 0), MaxReportDecimals);
    EXPECT_EQ(TemperatureDecimals(format), MaxReportDecimals);
    EXPECT_EQ(PressureDecimals(format), MaxReportDecimals);
    EXPECT_EQ(ParameterDigitsOf(format, 5), MaxReportDecimals);
    EXPECT_EQ(FormatDecimals(format, FmtHeatKcal), MaxReportDecimals);
}
