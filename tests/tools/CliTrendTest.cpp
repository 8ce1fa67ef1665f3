// velarim-cli trend over a document file: the CSV on stdout or in --csv, series in the order
// given, and one-line refusals.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "data/DocumentFile.h"
#include "export/DataSetFormats.h"
#include "export/Hdf5File.h"
#include "support/ProgramRun.h"
#include "support/TrendSample.h"

namespace {

class CliTrend : public ::testing::Test {
  protected:
    void SetUp() override {
        MeasurementDataSet data;
        FillTrendSample(data);
        file_ = dir_.filePath("run.vltd");
        ASSERT_TRUE(WriteDocumentFile(file_, data).ok);
    }
    ProgramRun Run(QStringList args) {
        args.prepend("trend");
        return RunProgram(VELARIM_CLI_PATH, args);
    }
    QTemporaryDir dir_;
    QString file_;
};

TEST_F(CliTrend, SeriesInTheOrderGivenOnStdoutAndInAFile) {
    const ProgramRun run = Run({file_, "--temperature", "--nm", "450", "--band", "500-502"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "record,date,time,temperature_S1,temperature_S2,nm450_S1,nm450_S2,"
              "band500-502_S1,band500-502_S2,\r\n"
              "1,2024/03/01,23:59:58,25.5,nan,100.2,nan,2.3,nan,\r\n"
              "2,2024/03/02,00:00:03,24.0,-3.2,0.0,10.0,0.0,10.0,\r\n"
              "3,2024/03/02,00:01:03,26.0,20.0,100.0,10.0,100.0,10.0,\r\n");
    EXPECT_TRUE(run.err.isEmpty());

    const QString csv = dir_.filePath("out.csv");
    const ProgramRun toFile = Run({"--peak", "--csv", csv, file_, "--cct"});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    EXPECT_TRUE(toFile.out.isEmpty());
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0],
              "record,date,time,peak_S1,peak_nm_S1,peak_S2,peak_nm_S2,cct_K_S1,cct_K_S2,\r");
    EXPECT_EQ(lines[3], "3,2024/03/02,00:01:03,100.0,340,10.0,340,5491,5491,\r");

    // u', v' of equal energy through the table: 0.210462, 0.475490 (numpy).
    const ProgramRun uv = Run({file_, "--uv", "--xy"});
    ASSERT_EQ(uv.exitCode, 0) << uv.err.toStdString();
    const QStringList uvLines = uv.out.split("\r\n");
    ASSERT_EQ(uvLines.size(), 5);
    EXPECT_EQ(uvLines[0],
              "record,date,time,u_prime_S1,v_prime_S1,u_prime_S2,v_prime_S2,x_S1,y_S1,x_S2,y_S2,");
    EXPECT_EQ(uvLines[3],
              "3,2024/03/02,00:01:03,0.2105,0.4755,0.2105,0.4755,0.3350,0.3363,0.3350,0.3363,");
}

TEST_F(CliTrend, BadRequestsAreRefusedOnOneLine) {
    struct Bad {
        QStringList args;
        const char* named;
    };
    const QString missing = dir_.filePath("missing.vltd");
    for (const Bad& b :
         {Bad{{"FILE"}, "at least one series"}, Bad{{"FILE", "--nm", "851"}, "851 nm"},
          Bad{{"FILE", "--nm", "339"}, "339 nm"}, Bad{{"FILE", "--band", "800-900"}, "900 nm"},
          Bad{{"FILE", "--band", "5x0-600"}, "5x0-600"},
          Bad{{"FILE", "--nm"}, "--nm needs a value"}, Bad{{"FILE", "--nm", "abc"}, "abc"},
          Bad{{"FILE", "--colour"}, "--colour"}, Bad{{"FILE", "other.vltd", "--xy"}, "other.vltd"},
          Bad{{"--xy"}, "FILE.vltd"}, Bad{{"MISSING", "--xy"}, "missing.vltd"}}) {
        QStringList args = b.args;
        args.replaceInStrings("FILE", file_);
        args.replaceInStrings("MISSING", missing);
        const ProgramRun run = Run(args);
        EXPECT_GE(run.exitCode, 1) << b.named;
        EXPECT_TRUE(run.out.isEmpty()) << b.named;
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(b.named)) << run.err.toStdString();
    }
}

// Devices of three kinds (ultraviolet U 190..440, visible V 340..850, near-infrared N
// 640..1050 nm) can only be kept in an HDF5 file; each series on each device's own grid.
TEST_F(CliTrend, MixedGridsFromAnHdf5File) {
    MeasurementDataSet data;
    data.deviceCount = 3;
    data.SetDeviceGrids({{190, 251}, {340, 511}, {640, 411}});
    data.serialText = {"U", "V", "N"};
    data.AppendRecord(kTrendStamp0);
    for (int i = 0; i < 511; ++i) {
        data.entry(0, 0).values[i] = float(i);  // 190 + i nm
        data.entry(1, 0).values[i] = 100.0f;    // equal energy
        data.entry(2, 0).values[i] = 2.0f * i;  // 640 + i nm
    }
    const QString file = dir_.filePath("mixed.h5");
    ASSERT_TRUE(WriteHdf5File(file, data, "test").ok);
    MeasurementDataSet back;
    ASSERT_TRUE(ReadDataSetFile(file, back).ok);
    if (!back.hasMixedGrids())
        GTEST_SKIP() << "the HDF5 file does not keep each device's grid";

    const ProgramRun run =
        Run({file, "--nm", "300", "--nm", "700", "--band", "400-440", "--peak", "--cct"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "record,date,time,nm300_U,nm300_V,nm300_N,nm700_U,nm700_V,nm700_N,"
              "band400-440_U,band400-440_V,band400-440_N,peak_U,peak_nm_U,peak_V,peak_nm_V,"
              "peak_N,peak_nm_N,cct_K_U,cct_K_V,cct_K_N,\r\n"
              "1,2024/03/01,23:59:58,110.0,nan,nan,nan,100.0,120.0,230.0,100.0,nan,"
              "250.0,440,100.0,340,820.0,1050,nan,5491,nan,\r\n");

    // Outside every grid: refused on one line.
    const ProgramRun refused = Run({file, "--nm", "1051"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.count('\n'), 1);
    EXPECT_TRUE(
        refused.err.contains("1051 nm is outside the wavelength grid (the grid runs from "
                             "190 to 1050 nm)"))
        << refused.err.toStdString();
}

}  // namespace
