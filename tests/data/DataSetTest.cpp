#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "data/MeasurementDataSet.h"

namespace {
constexpr std::int64_t kStamp = 1706683502;  // 2024-01-31 15:45:02 in Tokyo

// Fills n records of `devices` slots; record r of slot d carries value r*100+d.
void Fill(MeasurementDataSet& data, int devices, int n) {
    data.deviceCount = devices;
    for (int i = 0; i < n; ++i) {
        const int r = data.AppendRecord(kStamp + i);
        ASSERT_EQ(r, i);
        for (int d = 0; d < devices; ++d) {
            data.entry(d, r).values.fill(static_cast<float>(r * 100 + d));
            data.entry(d, r).temperature = static_cast<float>(r);
            data.entry(d, r).exposure = r;
        }
    }
}

TEST(DataSetStorage, EmptyDataSetHoldsNoRecordBlocks) {
    MeasurementDataSet data;
    EXPECT_EQ(data.allocated(), 0);
    EXPECT_EQ(data.recordCount, 0);
    EXPECT_EQ(data.pointCount, 511);
    EXPECT_EQ(data.firstWavelength, 340);
    EXPECT_EQ(data.referenceIndex, -1);
    EXPECT_LT(sizeof(MeasurementDataSet), 1024u);
}

TEST(DataSetStorage, StoringNeverMovesRecordsAlreadyHeld) {
    MeasurementDataSet data;
    Fill(data, 1, 1);
    const MeasurementDataSet::Record* first = &data.record(0);
    Fill(data, 1, 0);
    for (int i = 0; i < 500; ++i)
        data.AppendRecord(kStamp);
    EXPECT_EQ(&data.record(0), first);
    EXPECT_EQ(data.entry(0, 0).values[0], 0.0f);
}

TEST(DataSetStorage, TenThousandthRecordStoredAndNextIgnored) {
    MeasurementDataSet data;
    for (int i = 0; i < MAX_RECORDS - 1; ++i)
        ASSERT_EQ(data.AppendRecord(kStamp), i);
    EXPECT_EQ(data.AppendRecord(kStamp + 1), MAX_RECORDS - 1);
    EXPECT_EQ(data.recordCount, MAX_RECORDS);
    EXPECT_EQ(data.AppendRecord(kStamp + 2), -1);
    EXPECT_EQ(data.recordCount, MAX_RECORDS);
    EXPECT_EQ(data.record(MAX_RECORDS - 1).timeStamp, kStamp + 1);
}

TEST(DataSetStorage, RecordWithoutDevicesIsItsTimeStampAlone) {
    MeasurementDataSet data;
    EXPECT_EQ(data.AppendRecord(kStamp), 0);
    EXPECT_EQ(data.recordCount, 1);
    EXPECT_EQ(data.record(0).timeStamp, kStamp);
}

struct DeleteCase {
    const char* name;
    int reference;
    int deleted;
    int referenceAfter;
};

class DeleteRecord : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteRecord, MovesLaterRecordsDownAndKeepsReferenceRules) {
    const DeleteCase& c = GetParam();
    MeasurementDataSet data;
    Fill(data, 2, 5);
    data.referenceIndex = c.reference;
    ASSERT_TRUE(data.RemoveRecord(c.deleted));
    EXPECT_EQ(data.recordCount, 4);
    EXPECT_EQ(data.referenceIndex, c.referenceAfter);
    for (int r = 0; r < 4; ++r) {
        const int original = r < c.deleted ? r : r + 1;
        EXPECT_EQ(data.record(r).timeStamp, kStamp + original);
        for (int d = 0; d < 2; ++d) {
            EXPECT_EQ(data.entry(d, r).values[510], static_cast<float>(original * 100 + d));
            EXPECT_EQ(data.entry(d, r).exposure, original);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DeleteRecord,
    ::testing::Values(DeleteCase{"BeforeReference", 3, 1, 2},  // stays on its record
                      DeleteCase{"AtReference", 3, 3, -1}, DeleteCase{"AfterReference", 1, 2, 1},
                      DeleteCase{"FirstWhileReferenceLast", 4, 0, 3},
                      DeleteCase{"JustBeforeReference", 1, 0, 0},
                      DeleteCase{"LastRecord", -1, 4, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataSetStorage, RemoveOutsideTheRecordsChangesNothing) {
    MeasurementDataSet data;
    Fill(data, 1, 2);
    EXPECT_FALSE(data.RemoveRecord(-1));
    EXPECT_FALSE(data.RemoveRecord(2));
    EXPECT_EQ(data.recordCount, 2);
}

TEST(DataSetStorage, DeletingTheOnlyRecordEmptiesAndStoringAgainWorks) {
    MeasurementDataSet data;
    Fill(data, 1, 1);
    data.entry(0, 0).reserved = 77;
    ASSERT_TRUE(data.RemoveRecord(0));
    EXPECT_EQ(data.recordCount, 0);
    EXPECT_EQ(data.AppendRecord(kStamp + 9), 0);
    EXPECT_EQ(data.record(0).timeStamp, kStamp + 9);
    // The reserved word is never assigned by storing: it stays as it was.
    EXPECT_EQ(data.entry(0, 0).reserved, 77);
}

struct LabelCase {
    const char* name;
    int reference;
    int comparison;
    const char* label;
};

class RecordLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(RecordLabel, SuffixFollowsReferenceThenComparison) {
    const LabelCase& c = GetParam();
    MeasurementDataSet data;
    data.AppendRecord(kStamp);
    data.referenceIndex = c.reference;
    EXPECT_EQ(data.RecordLabel(0, c.comparison), QString::fromUtf8(c.label));
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, RecordLabel,
    ::testing::Values(LabelCase{"Plain", -1, -1, "20240131_154502"},
                      LabelCase{"Reference", 0, -1, "20240131_154502 [基準]"},
                      LabelCase{"Comparison", -1, 0, "20240131_154502 [参照]"},
                      LabelCase{"ReferenceWins", 0, 0, "20240131_154502 [基準]"},
                      LabelCase{"OtherRecordsMarked", 3, 4, "20240131_154502"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordLabelPlaceholder, UnrepresentableStampsGiveAPlaceholderNotAFailure) {
    MeasurementDataSet data;
    for (std::int64_t stamp :
         {std::numeric_limits<std::int64_t>::max(), -(std::int64_t{1} << 62),
          std::numeric_limits<std::int64_t>::min(), std::int64_t{253402300800}}) {  // year 10000
        data.AppendRecord(stamp);
    }
    data.AppendRecord(kStamp);
    data.referenceIndex = 0;
    EXPECT_EQ(data.RecordLabel(0, -1), QString::fromUtf8("????????_?????? [基準]"));
    EXPECT_EQ(data.RecordLabel(1, 1), QString::fromUtf8("????????_?????? [参照]"));
    EXPECT_EQ(data.RecordLabel(2, -1), QString::fromUtf8("????????_??????"));
    EXPECT_EQ(data.RecordLabel(3, -1), QString::fromUtf8("????????_??????"));
    EXPECT_EQ(data.RecordLabel(4, -1), QString::fromUtf8("20240131_154502"));
}

TEST(RecordLabelPlaceholder, StampsBefore1970AreLocalTimeAsUsual) {
    MeasurementDataSet data;
    data.AppendRecord(-1);
    EXPECT_EQ(data.RecordLabel(0, -1), QString::fromUtf8("19700101_085959"));
}
}  // namespace
