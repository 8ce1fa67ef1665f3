// The trend CSV's bytes, worked out by hand from the sample run (tests/support/TrendSample.h).
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "export/TrendCsv.h"
#include "support/TrendSample.h"

namespace {

QByteArray Lines(std::initializer_list<const char*> lines) {
    QByteArray text;
    for (const char* line : lines)
        text += QByteArray(line) + "\r\n";
    return text;
}

QByteArray CsvOf(std::vector<TrendRequest> requests) {
    MeasurementDataSet data;
    FillTrendSample(data);
    TrendTable table;
    QString error;
    EXPECT_TRUE(ComputeTrend(data, requests, {}, table, error)) << error.toStdString();
    QByteArray text;
    WriteTrendCsv(table, [&text](const char* p, std::size_t n) {
        text.append(p, static_cast<qsizetype>(n));
    });
    return text;
}

TEST(TrendCsv, HeaderAndValuesInTheHouseFormats) {
    // 100.25 rounds to even: 100.2; (1 + 2 + 4) / 3 = 2.333; -3.25 gives -3.2.
    EXPECT_EQ(CsvOf({{TrendKind::Intensity, 450},
                     {TrendKind::BandMean, 500, 502},
                     {TrendKind::Peak},
                     {TrendKind::Temperature}}),
              Lines({"record,date,time,nm450_S1,nm450_S2,band500-502_S1,band500-502_S2,peak_S1,"
                     "peak_nm_S1,peak_S2,peak_nm_S2,temperature_S1,temperature_S2,",
                     "1,2024/03/01,23:59:58,100.2,nan,2.3,nan,1000.0,600,nan,nan,25.5,nan,",
                     "2,2024/03/02,00:00:03,0.0,10.0,0.0,10.0,1000.0,520,nan,nan,24.0,-3.2,",
                     "3,2024/03/02,00:01:03,100.0,10.0,100.0,10.0,100.0,340,10.0,340,26.0,20.0,"}));
}

TEST(TrendCsv, ColourColumnsFourDecimalsAndWholeKelvin) {
    const QList<QByteArray> lines =
        CsvOf({{TrendKind::Cct}, {TrendKind::Chromaticity}}).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "record,date,time,cct_K_S1,cct_K_S2,x_S1,y_S1,x_S2,y_S2,\r");
    // Record 2: a 520 nm line has no temperature; S2 holds a NaN point.
    EXPECT_TRUE(lines[2].startsWith("2,2024/03/02,00:00:03,nan,nan,0.0"));
    EXPECT_TRUE(lines[2].endsWith(",nan,nan,\r"));
    // Equal energy: 5490.8 K, x 0.334957, y 0.336336.
    EXPECT_EQ(lines[3], "3,2024/03/02,00:01:03,5491,5491,0.3350,0.3363,0.3350,0.3363,\r");
    EXPECT_EQ(lines[4], "");

    // u', v' of equal energy: 0.210462, 0.475490 (numpy, sums over 380..824 nm of this table).
    const QList<QByteArray> uv = CsvOf({{TrendKind::Uv}}).split('\n');
    ASSERT_EQ(uv.size(), 5);
    EXPECT_EQ(uv[0], "record,date,time,u_prime_S1,v_prime_S1,u_prime_S2,v_prime_S2,\r");
    EXPECT_EQ(uv[1],
              "1,2024/03/01,23:59:58,0.3921,0.5169,nan,nan,\r");  // numpy: 0.392053, 0.516890
    EXPECT_EQ(uv[3], "3,2024/03/02,00:01:03,0.2105,0.4755,0.2105,0.4755,\r");
}

TEST(TrendCsv, NoRecordsGivesTheHeaderAlone) {
    TrendTable table;
    table.serialText = {"A"};
    table.columns.push_back({TrendQuantity::PeakWavelength, 0, "peak_nm", {}});
    QByteArray text;
    WriteTrendCsv(table, [&text](const char* p, std::size_t n) {
        text.append(p, static_cast<qsizetype>(n));
    });
    EXPECT_EQ(text, "record,date,time,peak_nm_A,\r\n");
}

TEST(TrendCsv, FileWrittenWholeOrFailureReported) {
    MeasurementDataSet data;
    FillTrendSample(data);
    TrendTable table;
    QString error;
    const TrendRequest peak{TrendKind::Peak};
    ASSERT_TRUE(ComputeTrend(data, {&peak, 1}, {}, table, error));
    QTemporaryDir dir;
    const QString path = dir.filePath("trend.csv");
    ASSERT_TRUE(ExportTrendCsv(table, path).ok);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), 4);

    const FileResult missing = ExportTrendCsv(table, dir.filePath("no/such/folder/t.csv"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.opened);
    EXPECT_TRUE(missing.message.contains("t.csv"));
    const FileResult full = ExportTrendCsv(table, "/dev/full");
    EXPECT_FALSE(full.ok);
    EXPECT_TRUE(full.opened);
}

}  // namespace
