#include <limits>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "device/CommandTable.h"
#include "session/LoggedRecordUpload.h"
#include "support/ScriptedTransport.h"

namespace {
// A file that was created but not written whole.
bool IsWriteFailure(const FileResult& result) {
    return !result.ok && result.opened;
}

// An LX device with `count` logged records; record k has aux 7k, temperature
// 20.25 + k, voltage 3.3 + k / 100 and spectrum point i = 10 i + k.
// Records listed in `lost` go unanswered.
struct LoggingDevice {
    std::int32_t count = 0;
    bool answerCount = true;
    std::vector<int> lost;
    int served = 0;

    std::vector<std::uint8_t> Answer(CommandWord w) {
        if (w == CMD_GET_STORED_COUNT)
            return answerCount ? Int32Reply(count) : std::vector<std::uint8_t>{};
        if (!(w == CMD_GET_STORED_RECORD))
            return {};
        const int k = served++;
        if (std::find(lost.begin(), lost.end(), k) != lost.end())
            return {};
        std::vector<std::uint8_t> b(LOGGED_RECORD_BYTES, 0xEE);
        for (int i = 0; i < 511; ++i)
            PutFloat(b, std::size_t(i) * 4, float(10 * i + k));
        PutU32(b, 2044, std::uint32_t(7 * k));
        PutFloat(b, 2068, 20.25f + k);
        PutFloat(b, 2072, 3.3f + k / 100.0f);
        PutU32(b, 2076, std::uint32_t(k));
        return b;
    }
};

TEST(LoggedRecordUpload, NoRecords) {
    LoggingDevice device;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    upload.RunToEnd();
    EXPECT_EQ(upload.uploadedCount(), 0);
    ASSERT_EQ(port.words.size(), 1u);
    EXPECT_EQ(port.words[0].value(), 0x00040016u);
}

TEST(LoggedRecordUpload, TwelveRecordsInOrderWithListLines) {
    LoggingDevice device;
    device.count = 12;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    upload.RunToEnd();
    ASSERT_EQ(upload.uploadedCount(), 12);
    // The count once, then the identical record word twelve times.
    ASSERT_EQ(port.words.size(), 13u);
    for (std::size_t i = 1; i < 13; ++i) {
        EXPECT_EQ(port.words[i].value(), 0x08300017u);
        EXPECT_EQ(port.words[i].length, 2096);
    }
    EXPECT_EQ(LoggedRecordListLine(upload.records()[0]), "1     0 20.2 3.30");
    EXPECT_EQ(LoggedRecordListLine(upload.records()[9]), "10    63 29.2 3.39");
    EXPECT_EQ(LoggedRecordListLine(upload.records()[11]), "12    77 31.2 3.41");
    EXPECT_FLOAT_EQ(upload.records()[9].spectrum(100), 1009.0f);
}

TEST(LoggedRecordUpload, FailedCountReadsAsNoRecords) {
    LoggingDevice device;
    device.count = 5;
    device.answerCount = false;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    EXPECT_EQ(upload.Begin(), 0);
    EXPECT_FALSE(upload.countRead());
    EXPECT_FALSE(upload.Step());
    EXPECT_EQ(port.words.size(), 1u);
}

TEST(LoggedRecordUpload, CountAboveStoreIsCutToTenThousand) {
    LoggingDevice device;
    device.count = 12345;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    EXPECT_EQ(upload.Begin(), MAX_LOGGED_RECORDS);
    EXPECT_EQ(upload.reportedCount(), 12345);
    int steps = 0;
    while (upload.Step())
        ++steps;
    EXPECT_EQ(steps + 1, MAX_LOGGED_RECORDS);
    EXPECT_EQ(upload.uploadedCount(), MAX_LOGGED_RECORDS);
    EXPECT_EQ(port.words.size(), 1u + MAX_LOGGED_RECORDS);
}

TEST(LoggedRecordUpload, NegativeCountReadsNothing) {
    LoggingDevice device;
    device.count = -3;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    EXPECT_EQ(upload.Begin(), 0);
}

TEST(LoggedRecordUpload, LostRecordIsZeroFilledAndLaterRecordsFollow) {
    LoggingDevice device;
    device.count = 3;
    device.lost = {1};
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    upload.RunToEnd();
    ASSERT_EQ(upload.uploadedCount(), 3);
    EXPECT_EQ(upload.failedRecords(), 1);
    EXPECT_EQ(LoggedRecordListLine(upload.records()[1]), "1     0 0.0 0.00");
    EXPECT_EQ(LoggedRecordListLine(upload.records()[2]), "3    14 22.2 3.32");
}

TEST(LoggedRecordUpload, StoppingEarlyKeepsTheRecordsRead) {
    LoggingDevice device;
    device.count = 12;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    upload.Begin();
    for (int i = 0; i < 4; ++i)
        upload.Step();
    EXPECT_FALSE(upload.done());
    EXPECT_EQ(upload.uploadedCount(), 4);
    EXPECT_EQ(LoggedRecordListLine(upload.records()[3]), "4    21 23.2 3.33");
}

TEST(LoggedRecordUpload, NoDeviceFindsNothing) {
    LoggedRecordUpload upload(nullptr);
    upload.RunToEnd();
    EXPECT_EQ(upload.uploadedCount(), 0);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(LoggedRecordCsv, HeaderAndLineWidths) {
    LoggingDevice device;
    device.count = 2;
    ScriptedTransport port([&](CommandWord w) { return device.Answer(w); });
    LoggedRecordUpload upload(&port);
    upload.RunToEnd();

    QTemporaryDir dir;
    const QString path = dir.filePath("logged.csv");
    ASSERT_TRUE(SaveLoggedRecordsCsv(path, upload.records(), 511, 340).ok);
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    ASSERT_EQ(lines.size(), 4);  // header, two records, and nothing after the last CR LF
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_TRUE(lines[0].startsWith("no,temperature, voltage,340,341,"));
    EXPECT_TRUE(lines[0].endsWith("849,850,\r"));
    EXPECT_EQ(lines[0].count(','), 3 + 511);
    EXPECT_TRUE(lines[1].startsWith("1,20.2,3.30,0.0,10.0,20.0,"));
    EXPECT_TRUE(lines[2].startsWith("2,21.2,3.31,1.0,11.0,"));
    EXPECT_TRUE(lines[2].endsWith(",5101.0,\r"));
    EXPECT_EQ(lines[1].count(','), 3 + 511);
}

TEST(LoggedRecordCsv, NoRecordsGivesTheHeaderAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.csv");
    ASSERT_TRUE(SaveLoggedRecordsCsv(path, {}, 251, 190).ok);
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes.startsWith("no,temperature, voltage,190,191,"));
    EXPECT_TRUE(bytes.endsWith("439,440,\r\n"));
    EXPECT_EQ(bytes.count('\n'), 1);
}

TEST(LoggedRecordCsv, SmallValuesKeepTheirWidthAndSign) {
    LoggedRecord record;
    std::vector<std::uint8_t> b(LOGGED_RECORD_BYTES, 0);
    PutFloat(b, 0, -0.04f);
    PutFloat(b, 4, 5.0f);
    PutFloat(b, 8, 1234.56f);
    PutFloat(b, 2068, -5.0f);
    PutFloat(b, 2072, 0.125f);
    std::copy(b.begin(), b.end(), record.bytes.begin());
    EXPECT_EQ(LoggedRecordCsvLine(record, 3), "1,-5.0,0.12,-0.0,5.0,1234.6,");
}

TEST(LoggedRecordCsv, NaNCellsArePrintedAsNan) {
    LoggedRecord record;
    std::vector<std::uint8_t> b(LOGGED_RECORD_BYTES, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PutFloat(b, 0, nan);
    PutFloat(b, 4, 5.0f);
    PutFloat(b, 2068, nan);
    PutFloat(b, 2072, 0.125f);
    std::copy(b.begin(), b.end(), record.bytes.begin());
    QTemporaryDir dir;
    const QString path = dir.filePath("nan.csv");
    ASSERT_TRUE(SaveLoggedRecordsCsv(path, std::vector<LoggedRecord>{record}, 2, 340).ok);
    EXPECT_EQ(ReadAll(path),
              QByteArray("no,temperature, voltage,340,341,\r\n1,nan,0.12,nan,5.0,\r\n"));
}

TEST(LoggedRecordCsv, UnwritablePathIsReported) {
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/dir/x.csv");
    const FileResult result = SaveLoggedRecordsCsv(path, {}, 511, 340);
    EXPECT_FALSE(result.opened);
    EXPECT_TRUE(result.message.contains(path));
}

TEST(LoggedRecordCsv, FullDiskIsReportedAsWriteFailure) {
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    LoggedRecord record;
    std::vector<LoggedRecord> records(200, record);
    EXPECT_TRUE(IsWriteFailure(SaveLoggedRecordsCsv("/dev/full", records, 511, 340)));
}

}  // namespace
