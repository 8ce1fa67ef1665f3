#include <sys/resource.h>

#include <csignal>
#include <limits>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "export/DataSetCsv.h"
#include "export/RowsCsv.h"

namespace {
constexpr std::int64_t kStamp0 = 1710454509;  // 2024/03/15 07:15:09 in Tokyo

QByteArray Lines(std::initializer_list<const char*> lines) {
    QByteArray text;
    for (const char* line : lines)
        text += QByteArray(line) + "\r\n";
    return text;
}

class DataSetCsvTest : public ::testing::Test {
  protected:
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QByteArray Read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    // Two devices, three records, three points from 340 nm; value(d, r, i) = d*100 + r*10 + i.
    static MeasurementDataSet TwoByThree() {
        MeasurementDataSet data;
        data.deviceCount = 2;
        data.pointCount = 3;
        data.serialText[0] = "SN-A";
        data.serialText[1] = "SN-B";
        for (int r = 0; r < 3; ++r) {
            data.AppendRecord(kStamp0 + 3600 * r);
            for (int d = 0; d < 2; ++d) {
                auto& e = data.entry(d, r);
                e.temperature = d == 0 ? 25.04f + static_cast<float>(r) : -3.25f;
                for (int i = 0; i < 3; ++i)
                    e.values[i] = static_cast<float>(d * 100 + r * 10 + i);
            }
        }
        data.entry(1, 2).values[2] = 1234.56f;
        return data;
    }
    QTemporaryDir dir_;
};

TEST_F(DataSetCsvTest, WholeDataSetTwoDevicesThreeRecords) {
    ASSERT_TRUE(ExportDataSetCsv(TwoByThree(), Path("a.csv")).ok);
    EXPECT_EQ(
        Read(Path("a.csv")),
        Lines({"Velarim Spectrum data( TRX Model)", "device,SN-A,SN-A,SN-A,SN-B,SN-B,SN-B,",
               "date,2024/03/15,2024/03/15,2024/03/15,2024/03/15,2024/03/15,2024/03/15,",
               "time,07:15:09,08:15:09,09:15:09,07:15:09,08:15:09,09:15:09,",
               "temperature,25.0,26.0,27.0,-3.2,-3.2,-3.2,", "340,0.0,10.0,20.0,100.0,110.0,120.0,",
               "341,1.0,11.0,21.0,101.0,111.0,121.0,", "342,2.0,12.0,22.0,102.0,112.0,1234.6,"}));
}

TEST_F(DataSetCsvTest, EmptyDataSetHasLabelsOnly) {
    MeasurementDataSet data;
    data.deviceCount = 2;  // devices but no records
    ASSERT_TRUE(ExportDataSetCsv(data, Path("e.csv")).ok);
    const QList<QByteArray> lines = Read(Path("e.csv")).split('\n');
    ASSERT_EQ(lines.size(), 5 + 511 + 1);
    EXPECT_EQ(lines[0], "Velarim Spectrum data( TRX Model)\r");
    EXPECT_EQ(lines[1], "device,\r");
    EXPECT_EQ(lines[2], "date,\r");
    EXPECT_EQ(lines[3], "time,\r");
    EXPECT_EQ(lines[4], "temperature,\r");
    EXPECT_EQ(lines[5], "340,\r");
    EXPECT_EQ(lines[515], "850,\r");
    EXPECT_EQ(lines[516], "");
}

TEST_F(DataSetCsvTest, NearInfraredGridRunsFrom640To1050InBothLayouts) {
    MeasurementDataSet data;
    data.deviceCount = 2;
    data.pointCount = 411;
    data.firstWavelength = 640;
    data.AppendRecord(kStamp0);
    ASSERT_TRUE(ExportDataSetCsv(data, Path("nir.csv")).ok);
    const QList<QByteArray> lines = Read(Path("nir.csv")).split('\n');
    ASSERT_EQ(lines.size(), 5 + 411 + 1);
    EXPECT_EQ(lines[5], "640,0.0,0.0,\r");
    EXPECT_EQ(lines[415], "1050,0.0,0.0,\r");

    ASSERT_TRUE(AppendRecordCsv(Path("nir-b.csv"), data, 0, 0).ok);
    const QList<QByteArray> b = Read(Path("nir-b.csv")).split('\n');
    ASSERT_GE(b.size(), 3);
    const QList<QByteArray> header3 = b[2].split(',');
    ASSERT_EQ(header3.size(), 2 + 2 * 412 + 1);
    EXPECT_EQ(header3[2], "temp");
    EXPECT_EQ(header3[3], "640");
    EXPECT_EQ(header3[413], "1050");
    EXPECT_EQ(header3[414], "temp");
    EXPECT_EQ(header3[415], "640");
}

// UV 190-440, visible 340-850 and NIR 640-1050 nm, two records: one row (or
// column) per wavelength of the three together, empty cells where a device
// has no point; value(d, r, nm) = d*10000 + r*2000 + nm, 7777 beyond the grid.
TEST_F(DataSetCsvTest, DevicesOfDifferentGridsShareTheRowsOfAllTheirWavelengths) {
    MeasurementDataSet data;
    data.deviceCount = 3;
    const std::vector<WavelengthGrid> grids = {{190, 251}, {340, 511}, {640, 411}};
    data.SetDeviceGrids(grids);
    for (int r = 0; r < 2; ++r) {
        data.AppendRecord(kStamp0 + 3600 * r);
        for (int d = 0; d < 3; ++d) {
            auto& e = data.entry(d, r);
            e.temperature = 20.0f + 1.5f * static_cast<float>(d);
            for (int i = 0; i < 511; ++i) {
                e.values[i] =
                    i < grids[d].pointCount
                        ? static_cast<float>(d * 10000 + r * 2000 + grids[d].firstWavelength + i)
                        : 7777.0f;
            }
        }
    }
    ASSERT_TRUE(ExportDataSetCsv(data, Path("mixed.csv")).ok);
    const QList<QByteArray> lines = Read(Path("mixed.csv")).split('\n');
    ASSERT_EQ(lines.size(), 5 + 861 + 1);
    EXPECT_EQ(lines[4], "temperature,20.0,20.0,21.5,21.5,23.0,23.0,\r");
    const auto row = [&](int nm) { return lines[5 + nm - 190]; };
    EXPECT_EQ(row(190), "190,190.0,2190.0,,,,,\r");
    EXPECT_EQ(row(339), "339,339.0,2339.0,,,,,\r");
    EXPECT_EQ(row(340), "340,340.0,2340.0,10340.0,12340.0,,,\r");
    EXPECT_EQ(row(440), "440,440.0,2440.0,10440.0,12440.0,,,\r");
    EXPECT_EQ(row(441), "441,,,10441.0,12441.0,,,\r");
    EXPECT_EQ(row(640), "640,,,10640.0,12640.0,20640.0,22640.0,\r");
    EXPECT_EQ(row(850), "850,,,10850.0,12850.0,20850.0,22850.0,\r");
    EXPECT_EQ(row(851), "851,,,,,20851.0,22851.0,\r");
    EXPECT_EQ(row(1050), "1050,,,,,21050.0,23050.0,\r");

    ASSERT_TRUE(AppendRecordCsv(Path("mixed-plan.csv"), data, 1, 0).ok);
    const QList<QByteArray> plan = Read(Path("mixed-plan.csv")).split('\n');
    ASSERT_EQ(plan.size(), 4 + 1);
    const QList<QByteArray> header = plan[2].chopped(1).split(',');
    const QList<QByteArray> cells = plan[3].chopped(1).split(',');
    ASSERT_EQ(header.size(), 2 + 3 * 862 + 1);
    ASSERT_EQ(cells.size(), header.size());
    // Device d's block: its temperature, then a cell per wavelength from 190 nm.
    const auto at = [](int d, int nm) { return 2 + d * 862 + 1 + nm - 190; };
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(header[at(d, 190) - 1], "temp");
        EXPECT_EQ(header[at(d, 190)], "190");
        EXPECT_EQ(header[at(d, 1050)], "1050");
    }
    EXPECT_EQ(cells[at(0, 190) - 1], "20.0");
    EXPECT_EQ(cells[at(2, 190) - 1], "23.0");
    EXPECT_EQ(cells[at(0, 190)], "2190.0");
    EXPECT_EQ(cells[at(0, 440)], "2440.0");
    EXPECT_EQ(cells[at(0, 441)], "");
    EXPECT_EQ(cells[at(1, 339)], "");
    EXPECT_EQ(cells[at(1, 340)], "12340.0");
    EXPECT_EQ(cells[at(1, 850)], "12850.0");
    EXPECT_EQ(cells[at(1, 851)], "");
    EXPECT_EQ(cells[at(2, 639)], "");
    EXPECT_EQ(cells[at(2, 640)], "22640.0");
    EXPECT_EQ(cells[at(2, 1050)], "23050.0");
    EXPECT_EQ(cells.back(), "");
}

TEST_F(DataSetCsvTest, AppendedRecordWithHeaderBlock) {
    MeasurementDataSet data = TwoByThree();
    data.pointCount = 2;
    data.firstWavelength = 5;  // shows the "%3d" padding of header 3
    ASSERT_TRUE(AppendRecordCsv(Path("b.csv"), data, 1, 0).ok);
    EXPECT_EQ(Read(Path("b.csv")), Lines({"Velarim Spectrum data( TRX Model)", "device,SN-A,SN-B,",
                                          "date,time,temp,  5,  6,temp,  5,  6,",
                                          "2024/03/15,08:15:09,26.0,10.0,11.0,-3.2,110.0,111.0,"}));
}

TEST_F(DataSetCsvTest, NaNCellsArePrintedAsNanInBothLayouts) {
    // Device 1 did not answer for record 1: NaN values and temperature.
    MeasurementDataSet data = TwoByThree();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto& e = data.entry(1, 1);
    e.values.fill(nan);
    e.temperature = nan;
    ASSERT_TRUE(ExportDataSetCsv(data, Path("n.csv")).ok);
    const QList<QByteArray> lines = Read(Path("n.csv")).split('\n');
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[4], "temperature,25.0,26.0,27.0,-3.2,nan,-3.2,\r");
    EXPECT_EQ(lines[5], "340,0.0,10.0,20.0,100.0,nan,120.0,\r");
    EXPECT_EQ(lines[7], "342,2.0,12.0,22.0,102.0,nan,1234.6,\r");

    data.pointCount = 2;
    ASSERT_TRUE(AppendRecordCsv(Path("m.csv"), data, 1, 1).ok);
    EXPECT_EQ(Read(Path("m.csv")), Lines({"2024/03/15,08:15:09,26.0,10.0,11.0,nan,nan,nan,"}));
}

TEST_F(DataSetCsvTest, HeaderBlockFollowsTheFlagNotTheFile) {
    const MeasurementDataSet data = TwoByThree();
    const QString path = Path("plan.csv");
    ASSERT_TRUE(AppendRecordCsv(path, data, 0, 0).ok);
    ASSERT_TRUE(AppendRecordCsv(path, data, 1, 1).ok);
    ASSERT_TRUE(AppendRecordCsv(path, data, 2, 0).ok);  // a new run on the same file
    const QList<QByteArray> lines = Read(path).split('\n');
    ASSERT_EQ(lines.size(), 9 + 1);
    EXPECT_TRUE(lines[3].startsWith("2024/03/15,07:15:09,"));
    EXPECT_TRUE(lines[4].startsWith("2024/03/15,08:15:09,"));
    EXPECT_EQ(lines[5], "Velarim Spectrum data( TRX Model)\r");
    EXPECT_EQ(lines[7], lines[2]);
    EXPECT_TRUE(lines[8].startsWith("2024/03/15,09:15:09,"));

    const QString fresh = Path("fresh.csv");
    ASSERT_TRUE(AppendRecordCsv(fresh, data, 2, 1).ok);
    EXPECT_TRUE(Read(fresh).startsWith("2024/03/15,09:15:09,27.0,20.0,"));  // no header block
}

TEST_F(DataSetCsvTest, IndexThatNamesNoRecordWritesNothing) {
    const MeasurementDataSet data = TwoByThree();
    EXPECT_TRUE(AppendRecordCsv(Path("none.csv"), data, 3, 0).ok);
    EXPECT_TRUE(AppendRecordCsv(Path("none.csv"), data, -1, 0).ok);
    EXPECT_FALSE(QFile::exists(Path("none.csv")));
}

TEST_F(DataSetCsvTest, UnrepresentableTimeStampGetsPlaceholdersAndTheRestIsComplete) {
    MeasurementDataSet data = TwoByThree();
    data.record(1).timeStamp = std::numeric_limits<std::int64_t>::max();
    data.record(2).timeStamp = -(std::int64_t{1} << 62);
    ASSERT_TRUE(ExportDataSetCsv(data, Path("p.csv")).ok);
    const QList<QByteArray> lines = Read(Path("p.csv")).split('\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[2],
              "date,2024/03/15,???\?/?\?/??,???\?/?\?/??,2024/03/15,???\?/?\?/??,???\?/?\?/??,\r");
    EXPECT_EQ(lines[3], "time,07:15:09,??:??:??,??:??:??,07:15:09,??:??:??,??:??:??,\r");
    EXPECT_EQ(lines[7], "342,2.0,12.0,22.0,102.0,112.0,1234.6,\r");
    ASSERT_TRUE(AppendRecordCsv(Path("p2.csv"), data, 1, 1).ok);
    EXPECT_TRUE(Read(Path("p2.csv")).startsWith("???\?/?\?/??,??:??:??,26.0,"));
}

TEST_F(DataSetCsvTest, FileThatCannotBeOpenedIsReportedAsNotOpened) {
    const FileResult result = ExportDataSetCsv(TwoByThree(), Path("no/such/dir/x.csv"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.opened);
}

// A file size limit makes the writes fail part-way, as a full disk would.
TEST_F(DataSetCsvTest, WriteErrorIsReportedNotPassedOverAsSuccess) {
    MeasurementDataSet data = TwoByThree();
    data.pointCount = 511;
    for (int i = 0; i < 200; ++i)
        data.AppendRecord(kStamp0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    const FileResult whole = ExportDataSetCsv(data, Path("full.csv"));
    const FileResult one = AppendRecordCsv(Path("full.csv"), data, 0, 0);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(whole.ok);
    EXPECT_TRUE(whole.opened);
    EXPECT_TRUE(whole.message.contains("full.csv"));
    EXPECT_FALSE(one.ok);
    EXPECT_TRUE(one.opened);
}
// Two devices of different grids (340-342 and 341-343 nm), ten records: one
// line per record and device over the wavelengths of both, empty cells where a
// device has no point, floats as their shortest texts, NaN as "nan".
TEST_F(DataSetCsvTest, RowsCsvHasOneLinePerRecordAndDevice) {
    MeasurementDataSet data;
    data.deviceCount = 2;
    data.SetDeviceGrids({{340, 3}, {341, 3}});
    data.serialText[0] = "SN-A";
    data.serialText[1] = "SN-B";
    data.sensorModel[0] = "VIS-1";
    data.sensorModel[1] = "UV-2";
    for (int r = 0; r < 10; ++r) {
        data.AppendRecord(kStamp0 + 60 * r);
        auto& a = data.entry(0, r);
        a.temperature = 25.5f;
        a.exposure = 10000;
        a.values[0] = static_cast<float>(r) + 0.25f;
        a.values[1] = r == 3 ? std::numeric_limits<float>::quiet_NaN() : 0.1f;
        a.values[2] = 1234.56f;
        a.values[3] = 7777.0f;  // beyond its grid: never written
        auto& b = data.entry(1, r);
        b.temperature = -3.25f;
        b.exposure = 250;
        b.values[0] = 100.0f + static_cast<float>(r);
        b.values[1] = 1e-7f;
        b.values[2] = 16777216.0f;
    }
    ASSERT_TRUE(ExportRowsCsv(data, Path("r.rows.csv")).ok);
    EXPECT_EQ(Read(Path("r.rows.csv")),
              Lines({"record,date,time,serial,sensor_model,temperature_C,exposure_us,"
                     "340,341,342,343,",
                     "1,2024/03/15,07:15:09,SN-A,VIS-1,25.5,10000,0.25,0.1,1234.56,,",
                     "1,2024/03/15,07:15:09,SN-B,UV-2,-3.25,250,,100,1e-07,16777216,",
                     "2,2024/03/15,07:16:09,SN-A,VIS-1,25.5,10000,1.25,0.1,1234.56,,",
                     "2,2024/03/15,07:16:09,SN-B,UV-2,-3.25,250,,101,1e-07,16777216,",
                     "3,2024/03/15,07:17:09,SN-A,VIS-1,25.5,10000,2.25,0.1,1234.56,,",
                     "3,2024/03/15,07:17:09,SN-B,UV-2,-3.25,250,,102,1e-07,16777216,",
                     "4,2024/03/15,07:18:09,SN-A,VIS-1,25.5,10000,3.25,nan,1234.56,,",
                     "4,2024/03/15,07:18:09,SN-B,UV-2,-3.25,250,,103,1e-07,16777216,",
                     "5,2024/03/15,07:19:09,SN-A,VIS-1,25.5,10000,4.25,0.1,1234.56,,",
                     "5,2024/03/15,07:19:09,SN-B,UV-2,-3.25,250,,104,1e-07,16777216,",
                     "6,2024/03/15,07:20:09,SN-A,VIS-1,25.5,10000,5.25,0.1,1234.56,,",
                     "6,2024/03/15,07:20:09,SN-B,UV-2,-3.25,250,,105,1e-07,16777216,",
                     "7,2024/03/15,07:21:09,SN-A,VIS-1,25.5,10000,6.25,0.1,1234.56,,",
                     "7,2024/03/15,07:21:09,SN-B,UV-2,-3.25,250,,106,1e-07,16777216,",
                     "8,2024/03/15,07:22:09,SN-A,VIS-1,25.5,10000,7.25,0.1,1234.56,,",
                     "8,2024/03/15,07:22:09,SN-B,UV-2,-3.25,250,,107,1e-07,16777216,",
                     "9,2024/03/15,07:23:09,SN-A,VIS-1,25.5,10000,8.25,0.1,1234.56,,",
                     "9,2024/03/15,07:23:09,SN-B,UV-2,-3.25,250,,108,1e-07,16777216,",
                     "10,2024/03/15,07:24:09,SN-A,VIS-1,25.5,10000,9.25,0.1,1234.56,,",
                     "10,2024/03/15,07:24:09,SN-B,UV-2,-3.25,250,,109,1e-07,16777216,"}));

    // An empty data set still has its header; a folder that is not there is
    // reported as not opened, naming the file.
    MeasurementDataSet empty;
    empty.deviceCount = 1;
    empty.pointCount = 2;
    ASSERT_TRUE(ExportRowsCsv(empty, Path("e.rows.csv")).ok);
    EXPECT_EQ(Read(Path("e.rows.csv")),
              Lines({"record,date,time,serial,sensor_model,temperature_C,exposure_us,340,341,"}));
    const FileResult missing = ExportRowsCsv(data, Path("no/such/dir/x.rows.csv"));
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.message,
              QString::fromUtf8("ファイルを開けません: ") + Path("no/such/dir/x.rows.csv"));
}

}  // namespace
