// Saving onto a disk that fills up: the failure is reported, and a document
// that existed before is still intact afterwards. Permissions do not stop the
// superuser (tests run as root in CI), so the disk is made full for real: a
// small tmpfs mounted by the test, the file size limit, or /dev/full.
#include <csignal>
#include <cstring>

#include <sys/mount.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/AppFixture.h"
#include "data/DocumentFile.h"
#include "export/DataSetCsv.h"
#include "export/Hdf5File.h"
#include "export/RowsCsv.h"
#include "session/LoggedRecordUpload.h"
#include "session/SensorInfo.h"

namespace {
// A file that was created but not written whole.
bool IsWriteFailure(const FileResult& result) {
    return !result.ok && result.opened;
}

// A tmpfs of a few pages mounted on a temporary folder for the test's life.
class TinyDisk {
  public:
    TinyDisk() {
        if (!dir_.isValid())
            return;
        const QByteArray path = QFile::encodeName(dir_.path());
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=256k") != 0) {
            reason_ = QString("cannot mount a tmpfs: %1").arg(std::strerror(errno));
            return;
        }
        mounted_ = true;
    }
    ~TinyDisk() {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    // No file can be created or changed in the folder from now on.
    bool MakeReadOnly() {
        return ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY, "size=256k") == 0;
    }
    QString reason() const { return reason_; }
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Takes every byte that is left.
    void Fill() {
        QFile filler(path("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        QFile more(path("filler2"));  // the last partial block
        if (more.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            while (more.write("x", 1) == 1) {
            }
    }
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString reason_;
};

MeasurementDataSet MakeData(int records, float seed) {
    MeasurementDataSet data;
    data.deviceCount = 2;
    data.serialText[0] = "S10001";
    data.serialText[1] = "S10002";
    for (int r = 0; r < records; ++r) {
        data.AppendRecord(1700000000 + r);
        for (int d = 0; d < 2; ++d) {
            auto& e = data.entry(d, r);
            for (int i = 0; i < 511; ++i)
                e.values[i] = seed + float(r * 1000 + d * 511 + i) * 0.25f;
            e.temperature = 25.5f;
            e.exposure = 10000;
        }
    }
    return data;
}

// Sensor information lines of about 13 kB.
std::vector<std::string> SensorLines(const char* model) {
    std::vector<std::string> lines{std::string("Sensor,") + model, "Serial,SN0042"};
    for (int i = 1; i <= 288; ++i)
        lines.push_back(std::to_string(i) + ",  500.0,    1234.5,    2345.6,   1.000");
    return lines;
}

// Logged records as the upload hands them out; each CSV line is a few kB.
std::vector<LoggedRecord> Records(int count) {
    std::vector<LoggedRecord> records(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r)
        records[static_cast<std::size_t>(r)].bytes.fill(static_cast<std::uint8_t>(r + 1));
    return records;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DiskFull : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!disk.mounted())
            GTEST_SKIP() << disk.reason().toStdString();
    }
    TinyDisk disk;
};

TEST_F(DiskFull, DocumentSaveFailsAndThePreviousFileStays) {
    const QString doc = disk.path("run.vltd");
    ASSERT_TRUE(WriteDocumentFile(doc, MakeData(3, 1.0f)).ok);
    const QByteArray before = ReadAll(doc);
    ASSERT_FALSE(before.isEmpty());
    disk.Fill();

    const FileResult result = WriteDocumentFile(doc, MakeData(20, 2.0f));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8(kDocumentSaveFailed));
    EXPECT_EQ(ReadAll(doc), before);
    EXPECT_EQ(disk.entries(), (QStringList{"filler", "filler2", "run.vltd"}))
        << "the temporary file was left behind";

    MeasurementDataSet back;
    ASSERT_TRUE(ReadDocumentFile(doc, back).ok);
    EXPECT_EQ(back.recordCount, 3);
    EXPECT_EQ(back.entry(1, 2).values[510], MakeData(3, 1.0f).entry(1, 2).values[510]);
}

TEST_F(DiskFull, CsvExportAndRecordAppendReportTheFailure) {
    const MeasurementDataSet data = MakeData(20, 3.0f);
    ASSERT_TRUE(ExportDataSetCsv(MakeData(1, 1.0f), disk.path("all.csv")).ok);
    const QByteArray before = ReadAll(disk.path("all.csv"));
    disk.Fill();
    const FileResult whole = ExportDataSetCsv(data, disk.path("all.csv"));
    EXPECT_FALSE(whole.ok);
    EXPECT_TRUE(whole.message.contains("all.csv")) << whole.message.toStdString();
    EXPECT_EQ(ReadAll(disk.path("all.csv")), before) << "a failed export destroyed the old file";
    EXPECT_EQ(disk.entries(), (QStringList{"all.csv", "filler", "filler2"}))
        << "the temporary file was left behind";
    const FileResult line = AppendRecordCsv(disk.path("log.csv"), data, 0, 0);
    EXPECT_FALSE(line.ok);
}

// A folder where no file can be made: every whole-file save fails before it
// touches the previous file, and leaves nothing behind.
TEST_F(DiskFull, AnUnwritableFolderKeepsThePreviousFiles) {
    const QStringList names{"run.h5", "run.rows.csv", "run.vltd", "sensor.csv"};
    ASSERT_TRUE(WriteDocumentFile(disk.path("run.vltd"), MakeData(1, 1.0f)).ok);
    ASSERT_TRUE(WriteHdf5File(disk.path("run.h5"), MakeData(1, 1.0f), "t").ok);
    ASSERT_TRUE(ExportRowsCsv(MakeData(1, 1.0f), disk.path("run.rows.csv")).ok);
    ASSERT_TRUE(SaveSensorInfoFile(disk.path("sensor.csv"), SensorLines("OLD")).ok);
    std::vector<QByteArray> before;
    for (const QString& name : names)
        before.push_back(ReadAll(disk.path(name)));
    ASSERT_TRUE(disk.MakeReadOnly()) << std::strerror(errno);

    const FileResult doc = WriteDocumentFile(disk.path("run.vltd"), MakeData(2, 2.0f));
    EXPECT_FALSE(doc.ok);
    EXPECT_EQ(doc.message, QString::fromUtf8(kDocumentSaveFailed));
    EXPECT_FALSE(WriteHdf5File(disk.path("run.h5"), MakeData(2, 2.0f), "t").ok);
    const FileResult rows = ExportRowsCsv(MakeData(2, 2.0f), disk.path("run.rows.csv"));
    EXPECT_FALSE(rows.opened);
    EXPECT_TRUE(rows.message.contains("run.rows.csv")) << rows.message.toStdString();
    EXPECT_FALSE(SaveSensorInfoFile(disk.path("sensor.csv"), SensorLines("NEW")).opened);
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_EQ(ReadAll(disk.path(names[i])), before[std::size_t(i)]) << names[i].toStdString();
    EXPECT_EQ(disk.entries(), names) << "a temporary file was left behind";
}

TEST_F(DiskFull, SensorInfoAndLoggedRecordSavesKeepThePreviousFiles) {
    const QString info = disk.path("sensor.csv");
    const QString stored = disk.path("stored.csv");
    ASSERT_TRUE(SaveSensorInfoFile(info, SensorLines("OLD")).ok);
    ASSERT_TRUE(SaveLoggedRecordsCsv(stored, Records(1), 511, 340).ok);
    const QByteArray infoBefore = ReadAll(info);
    const QByteArray storedBefore = ReadAll(stored);
    ASSERT_TRUE(infoBefore.startsWith("Sensor,OLD\r\n"));
    disk.Fill();

    const FileResult infoResult = SaveSensorInfoFile(info, SensorLines("NEW"));
    const FileResult storedResult = SaveLoggedRecordsCsv(stored, Records(40), 511, 340);
    EXPECT_TRUE(IsWriteFailure(infoResult));
    EXPECT_TRUE(IsWriteFailure(storedResult));
    EXPECT_TRUE(storedResult.message.contains(stored));
    EXPECT_EQ(ReadAll(info), infoBefore) << "a failed save destroyed the old sensor file";
    EXPECT_EQ(ReadAll(stored), storedBefore) << "a failed save destroyed the old record file";
    EXPECT_EQ(disk.entries(), (QStringList{"filler", "filler2", "sensor.csv", "stored.csv"}))
        << "a temporary file was left behind";
}

// The window's own save paths: File > Save and the CSV button report the
// failure in a message box; the saved document on disk and its title stay.
class DiskFullWindow : public AppTest {
  protected:
    TinyDisk disk;
};

TEST_F(DiskFullWindow, SaveAndSaveCsvReportAndKeepTheDocument) {
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    MakeFrame();
    const QString doc = disk.path("window.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return doc; };
    logic().StoreRecord();
    ASSERT_TRUE(frame_->OnFileSaveAs());
    const QByteArray before = ReadAll(doc);
    ASSERT_FALSE(before.isEmpty());

    for (int i = 0; i < 60; ++i)
        logic().StoreRecord();
    ASSERT_TRUE(frame_->document().isModified());
    disk.Fill();
    messages.clear();
    EXPECT_FALSE(frame_->OnFileSave());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8(kDocumentSaveFailed));
    EXPECT_TRUE(frame_->document().isModified());
    EXPECT_EQ(ReadAll(doc), before);

    messages.clear();
    prompts_.onCsvPath = [&] { return disk.path("window.csv"); };
    frame_->controller().SaveCsv();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains("window.csv")) << messages.first().toStdString();
}

// Without a mount: the file size limit stops the write part-way (the signal
// it raises is ignored, so the write fails with EFBIG as on a full disk).
TEST(FileSizeLimit, DocumentSaveFailsAndThePreviousFileStays) {
    QTemporaryDir dir;
    const QString doc = dir.filePath("run.vltd");
    ASSERT_TRUE(WriteDocumentFile(doc, MakeData(3, 1.0f)).ok);
    const QByteArray before = ReadAll(doc);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult result = WriteDocumentFile(doc, MakeData(40, 2.0f));
    const FileResult csv = ExportDataSetCsv(MakeData(40, 2.0f), dir.filePath("all.csv"));
    const FileResult appended = AppendRecordCsv(dir.filePath("log.csv"), MakeData(40, 2.0f), 39, 1);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8(kDocumentSaveFailed));
    EXPECT_EQ(ReadAll(doc), before);
    // The failed export leaves neither a partial file nor a temporary one.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"log.csv", "run.vltd"}));
    EXPECT_FALSE(csv.ok);
    EXPECT_TRUE(appended.ok) << "one line fits under the limit";
}

// An append that does not fit is cut back to where the record began: the file
// holds whole lines only, and once there is room the next record starts a line.
TEST(FileSizeLimit, AFailedAppendLeavesOnlyWholeLines) {
    QTemporaryDir dir;
    const QString log = dir.filePath("plan.csv");
    const MeasurementDataSet data = MakeData(3, 2.0f);
    ASSERT_TRUE(AppendRecordCsv(log, data, 0, 0).ok);
    const QByteArray before = ReadAll(log);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = rlim_t(before.size() + 100);  // room for part of a line
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult full = AppendRecordCsv(log, data, 1, 1);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(ReadAll(log), before) << "the part written was left in the file";

    ASSERT_TRUE(AppendRecordCsv(log, data, 2, 1).ok);  // room again
    const QList<QByteArray> lines = ReadAll(log).split('\n');
    ASSERT_EQ(lines.size(), 5 + 1);
    EXPECT_EQ(lines[3].count(','), lines[4].count(',')) << "one whole line per record";
}

TEST(FileSizeLimit, SensorInfoAndLoggedRecordSavesKeepThePreviousFiles) {
    QTemporaryDir dir;
    const QString info = dir.filePath("sensor.csv");
    const QString stored = dir.filePath("stored.csv");
    ASSERT_TRUE(SaveSensorInfoFile(info, SensorLines("OLD")).ok);
    ASSERT_TRUE(SaveLoggedRecordsCsv(stored, Records(1), 511, 340).ok);
    const QByteArray infoBefore = ReadAll(info);
    const QByteArray storedBefore = ReadAll(stored);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 8 * 1024;  // both new files are larger
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult infoResult = SaveSensorInfoFile(info, SensorLines("NEW"));
    const FileResult storedResult = SaveLoggedRecordsCsv(stored, Records(40), 511, 340);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(IsWriteFailure(infoResult));
    EXPECT_TRUE(IsWriteFailure(storedResult));
    EXPECT_EQ(ReadAll(info), infoBefore);
    EXPECT_EQ(ReadAll(stored), storedBefore);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"sensor.csv", "stored.csv"}));
}

TEST(DevFull, CsvExportReportsTheFailure) {
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(ExportDataSetCsv(MakeData(2, 1.0f), "/dev/full").ok);
    EXPECT_FALSE(AppendRecordCsv("/dev/full", MakeData(2, 1.0f), 1, 0).ok);
    // A device is written directly, not replaced by a temporary file.
    EXPECT_TRUE(IsWriteFailure(SaveSensorInfoFile("/dev/full", SensorLines("NEW"))));
    EXPECT_TRUE(IsWriteFailure(SaveLoggedRecordsCsv("/dev/full", Records(2), 511, 340)));
    EXPECT_FALSE(WriteDocumentFile("/dev/full", MakeData(2, 1.0f)).ok);
    EXPECT_TRUE(SaveSensorInfoFile("/dev/null", SensorLines("NEW")).ok);
}

}  // namespace
