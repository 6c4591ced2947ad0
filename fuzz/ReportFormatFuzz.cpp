// Arbitrary bytes as "rep_format.ini", the data presentation format. A file
// of at least 32 bytes is taken as its first 32 bytes, anything shorter as
// the defaults; whatever the bytes, every number of decimals handed to the
// viewers, workbooks and passports is within 0..7, the viewers' decimals
// agree with the derived ParameterDigits, and the format written and read
// back is the same.
#include <cstring>

#include "FuzzSupport.h"
#include "measurements/WorkbookTitles.h"
#include "settings/ReportFormat.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

bool InRange(int decimals) {
    return decimals >= 0 && decimals <= MaxReportDecimals;
}

bool SameDecimals(const ValueDecimals& a, const ValueDecimals& b) {
    return std::memcmp(a.gas, b.gas, sizeof a.gas) == 0 && a.temperature == b.temperature &&
           a.pressure == b.pressure;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = ScratchPath(QStringLiteral("rep_format.ini"));
    WriteFile(path, Bytes(data, size));

    ReportFormat format;
    const bool read = ReadReportFormat(path, format);
    FUZZ_CHECK(read == (size >= size_t(ReportFormatSize)));
    if (read)
        FUZZ_CHECK(std::memcmp(&format, data, ReportFormatSize) == 0);
    else
        FUZZ_CHECK(format == DefaultReportFormat());

    for (int byte = -1; byte <= ReportFormatDialogBytes; ++byte) {
        const int decimals = FormatDecimals(format, ReportFormatByte(byte));
        FUZZ_CHECK(InRange(decimals));
        if (byte >= 0 && byte < ReportFormatDialogBytes && format.Format[byte] <= MaxReportDecimals)
            FUZZ_CHECK(decimals == format.Format[byte]);
    }
    for (int p = -1; p <= ReportGasParameters; ++p) {
        FUZZ_CHECK(InRange(ParameterDigitsOf(format, p)));
        FUZZ_CHECK(InRange(GasParameterDecimals(format, p)));
        if (p < 0 || p >= ReportGasParameters)
            FUZZ_CHECK(ParameterDigitsOf(format, p) == 0 && GasParameterDecimals(format, p) == 0);
    }
    FUZZ_CHECK(InRange(TemperatureDecimals(format)) && InRange(PressureDecimals(format)));

    const ValueDecimals decimals = ArchiveValueDecimals(format);
    for (int p = 0; p < ReportGasParameters; ++p)
        FUZZ_CHECK(InRange(decimals.gas[p]));
    FUZZ_CHECK(SameDecimals(ArchiveDecimalsFromFile(path), decimals));

    // What the format dialog derives on acceptance is what the viewers use.
    ReportFormat derived = format;
    DeriveParameterDigits(derived);
    FUZZ_CHECK(std::memcmp(derived.Format, format.Format, sizeof format.Format) == 0);
    for (int p = 0; p < ReportGasParameters; ++p)
        FUZZ_CHECK(ParameterDigitsOf(derived, p) == GasParameterDecimals(derived, p));

    const QString written = ScratchPath(QStringLiteral("rep_format_written.ini"));
    FUZZ_CHECK(WriteReportFormat(written, derived));
    FUZZ_CHECK(ReadFile(written).size() == ReportFormatSize);
    ReportFormat back;
    FUZZ_CHECK(ReadReportFormat(written, back) && back == derived);
    return 0;
}
