// Faults the fuzz targets found, each pinned down with the smallest input that
// showed it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include <QFile>
#include <QTemporaryDir>

#include "data/DocumentFile.h"
#include "data/RatioAndPeak.h"
#include "export/DataSetCsv.h"

namespace {

template <typename T>
void Put(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// One device, one record of `points` values rising from 1, one marked time.
QByteArray OneRecordDocument(std::int32_t points, std::int32_t firstWavelength) {
    QByteArray out;
    for (std::int32_t v : {1, 1, points, firstWavelength, -1})
        Put(out, v);
    AppendArchiveText(out, "S10001");
    AppendArchiveText(out, "VIS-S10");
    for (int i = 0; i < points; ++i)
        Put(out, float(1 + i));
    Put(out, 25.0f);
    Put(out, std::int32_t{10000});
    Put(out, std::int32_t{0});
    Put(out, std::uint32_t{0x8000000Au});
    Put(out, std::int64_t{1700000000});
    return out;
}

class FirstWavelengthTest : public ::testing::TestWithParam<std::pair<std::int32_t, bool>> {
  protected:
    QTemporaryDir dir_;
};

// A first wavelength near the ends of int32 made W0 + i overflow in the CSV
// export (and in the peak and the graph's tick labels) of an opened document.
TEST_P(FirstWavelengthTest, GridBeyondTheWavelengthRangeIsRefused) {
    const auto [first, accepted] = GetParam();
    const QString path = dir_.filePath("grid.vltd");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(OneRecordDocument(100, first));
    }
    MeasurementDataSet data;
    data.AppendRecord(5);
    data.deviceCount = 1;
    const FileResult result = ReadDocumentFile(path, data);
    EXPECT_EQ(result.ok, accepted) << first;
    if (!accepted) {
        EXPECT_EQ(result.message, QString::fromUtf8(kDocumentUnexpectedFormat));
        EXPECT_EQ(data.firstWavelength, 340);  // the data set is as it was
        EXPECT_EQ(data.recordCount, 1);
        EXPECT_EQ(data.pointCount, 511);
        return;
    }
    EXPECT_EQ(data.firstWavelength, first);
    EXPECT_EQ(FindPeak(data.entry(0, 0).values, data.pointCount, first).wavelength, first + 99);
    const FileResult csv = ExportDataSetCsv(data, dir_.filePath("grid.csv"));
    ASSERT_TRUE(csv.ok);
    QFile written(dir_.filePath("grid.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains(QByteArray::number(first + 99) + ","));
}

INSTANTIATE_TEST_SUITE_P(Edges, FirstWavelengthTest,
                         ::testing::Values(std::pair{340, true}, std::pair{1000000, true},
                                           std::pair{-1000000, true}, std::pair{1000001, false},
                                           std::pair{-1000001, false},
                                           std::pair{INT_MAX - 60, false},
                                           std::pair{INT_MIN, false}));

}  // namespace
