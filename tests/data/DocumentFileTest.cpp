#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/DocumentFile.h"

namespace {
constexpr std::uint32_t kMarker = 0x8000000Au;

// Little-endian bytes built field by field, the way a test states a layout.
struct Bytes {
    QByteArray data;
    template <typename T>
    Bytes& operator<<(T v) {
        data.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Bytes& Raw(const QByteArray& b) {
        data.append(b);
        return *this;
    }
};

class DocumentFileTest : public ::testing::Test {
  protected:
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    void WriteRaw(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray ReadRaw(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    // One device "ABC" / "K52817QX", P points, one record.
    static MeasurementDataSet Example(int points) {
        MeasurementDataSet data;
        data.deviceCount = 1;
        data.pointCount = points;
        data.serialText[0] = "ABC";
        data.sensorModel[0] = "K52817QX";
        data.AppendRecord(1706683502);
        auto& e = data.entry(0, 0);
        for (int k = 0; k < 511; ++k)
            e.values[k] = static_cast<float>(k) + 0.5f;
        e.temperature = 24.5f;
        e.exposure = 10000;
        e.reserved = 0x11223344;
        return data;
    }
    QTemporaryDir dir_;
};

TEST_F(DocumentFileTest, WorkedExampleIs2101BytesInLayoutOrder) {
    const QString path = Path("one.vltd");
    ASSERT_TRUE(WriteDocumentFile(path, Example(511)).ok);
    Bytes want;
    want << std::int32_t{1} << std::int32_t{1} << std::int32_t{511} << std::int32_t{340}
         << std::int32_t{-1};
    want << std::uint8_t{3};
    want.Raw("ABC");
    want << std::uint8_t{8};
    want.Raw("K52817QX");
    for (int k = 0; k < 511; ++k)
        want << (static_cast<float>(k) + 0.5f);
    want << 24.5f << std::int32_t{10000} << std::int32_t{0x11223344};
    want << kMarker << std::int64_t{1706683502};
    const QByteArray got = ReadRaw(path);
    EXPECT_EQ(got.size(), 2101);
    EXPECT_EQ(got, want.data);
}

TEST_F(DocumentFileTest, RoundTripGivesAnIdenticalDataSet) {
    const QString path = Path("round.vltd");
    MeasurementDataSet data = Example(411);
    data.firstWavelength = 640;
    data.deviceCount = 2;
    data.serialText[1] = "S2";
    data.AppendRecord(-5);
    data.entry(1, 1).values[410] = -1.25f;
    data.referenceIndex = 1;
    ASSERT_TRUE(WriteDocumentFile(path, data).ok);
    MeasurementDataSet back;
    ASSERT_TRUE(ReadDocumentFile(path, back).ok);
    EXPECT_EQ(back.recordCount, 2);
    EXPECT_EQ(back.deviceCount, 2);
    EXPECT_EQ(back.pointCount, 411);
    EXPECT_EQ(back.firstWavelength, 640);
    EXPECT_EQ(back.referenceIndex, 1);
    EXPECT_EQ(back.serialText[1], QByteArray("S2"));
    EXPECT_EQ(back.sensorModel[0], QByteArray("K52817QX"));
    EXPECT_EQ(back.record(1).timeStamp, -5);
    EXPECT_EQ(back.entry(1, 1).values[410], -1.25f);
    EXPECT_EQ(back.entry(0, 0).reserved, 0x11223344);
    EXPECT_EQ(std::memcmp(back.entry(0, 0).values.data(), data.entry(0, 0).values.data(), 411 * 4),
              0);
}

TEST_F(DocumentFileTest, NaNValuesAndTemperatureAreStoredAndReadBackAsNaN) {
    // A record stored while a device did not answer: NaN values and temperature.
    MeasurementDataSet data = Example(3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto& e = data.entry(0, 0);
    e.values[0] = nan;
    e.values[2] = nan;
    e.temperature = nan;
    e.exposure = 0;
    const QString path = Path("nan.vltd");
    ASSERT_TRUE(WriteDocumentFile(path, data).ok);
    // Header 20, texts 4 + 9, values at 33: the quiet NaN's bits 0x7FC00000 as they are.
    const QByteArray bytes = ReadRaw(path);
    ASSERT_GE(bytes.size(), 33 + 16);
    EXPECT_EQ(bytes.mid(33, 16),
              (Bytes{} << 0x7FC00000u << 1.5f << 0x7FC00000u << 0x7FC00000u).data);

    MeasurementDataSet back;
    ASSERT_TRUE(ReadDocumentFile(path, back).ok);
    EXPECT_TRUE(std::isnan(back.entry(0, 0).values[0]));
    EXPECT_EQ(back.entry(0, 0).values[1], 1.5f);
    EXPECT_TRUE(std::isnan(back.entry(0, 0).values[2]));
    EXPECT_TRUE(std::isnan(back.entry(0, 0).temperature));
    EXPECT_EQ(back.entry(0, 0).exposure, 0);
}

TEST_F(DocumentFileTest, HeaderOnlyFiles) {
    MeasurementDataSet empty;
    ASSERT_TRUE(WriteDocumentFile(Path("e.vltd"), empty).ok);
    Bytes want;
    want << std::int32_t{0} << std::int32_t{0} << std::int32_t{511} << std::int32_t{340}
         << std::int32_t{-1};
    EXPECT_EQ(ReadRaw(Path("e.vltd")), want.data);

    MeasurementDataSet devicesOnly;
    devicesOnly.deviceCount = 2;
    devicesOnly.serialText = {"A", "BB"};
    ASSERT_TRUE(WriteDocumentFile(Path("d.vltd"), devicesOnly).ok);
    EXPECT_EQ(ReadRaw(Path("d.vltd")).size(), 20 + 2 + 3 + 1 + 1);

    MeasurementDataSet stampsOnly;
    for (int i = 0; i < 3; ++i)
        stampsOnly.AppendRecord(i);
    ASSERT_TRUE(WriteDocumentFile(Path("s.vltd"), stampsOnly).ok);
    EXPECT_EQ(ReadRaw(Path("s.vltd")).size(), 20 + 3 * 12);
}

TEST_F(DocumentFileTest, EntriesHoldPointCountValuesNot511) {
    MeasurementDataSet data = Example(251);
    data.firstWavelength = 190;
    data.AppendRecord(7);
    ASSERT_TRUE(WriteDocumentFile(Path("uv.vltd"), data).ok);
    EXPECT_EQ(ReadRaw(Path("uv.vltd")).size(), 20 + 4 + 9 + 2 * 1016 + 2 * 12);
}

TEST_F(DocumentFileTest, OldFourByteTimeFormIsSecondsSince1970) {
    Bytes file;
    file << std::int32_t{2} << std::int32_t{0} << std::int32_t{511} << std::int32_t{340}
         << std::int32_t{0};
    file << std::uint32_t{1706683502} << kMarker << std::int64_t{42};
    WriteRaw(Path("old.vltd"), file.data);
    MeasurementDataSet data;
    ASSERT_TRUE(ReadDocumentFile(Path("old.vltd"), data).ok);
    EXPECT_EQ(data.record(0).timeStamp, 1706683502);
    EXPECT_EQ(data.record(1).timeStamp, 42);
    EXPECT_EQ(data.referenceIndex, 0);

    Bytes negative;
    negative << std::int32_t{1} << std::int32_t{0} << std::int32_t{511} << std::int32_t{340}
             << std::int32_t{-1} << std::uint32_t{0xFFFFFFF0u};
    WriteRaw(Path("neg.vltd"), negative.data);
    ASSERT_TRUE(ReadDocumentFile(Path("neg.vltd"), data).ok);
    EXPECT_EQ(data.record(0).timeStamp, -16);  // a signed 32-bit word
}

TEST_F(DocumentFileTest, WideTextsAreReadAsEightBitText) {
    Bytes file;
    file << std::int32_t{0} << std::int32_t{1} << std::int32_t{511} << std::int32_t{340}
         << std::int32_t{-1};
    file << std::uint8_t{0xFF} << std::uint16_t{0xFFFE} << std::uint8_t{2} << u'A' << u'\u57fa';
    file << std::uint8_t{0xFF} << std::uint16_t{0xFFFE} << std::uint8_t{0xFF} << std::uint16_t{3}
         << u'x' << u'y' << u'z';
    WriteRaw(Path("wide.vltd"), file.data);
    MeasurementDataSet data;
    ASSERT_TRUE(ReadDocumentFile(Path("wide.vltd"), data).ok);
    EXPECT_EQ(data.serialText[0], QByteArray("A\xe5\x9f\xba"));
    EXPECT_EQ(data.sensorModel[0], QByteArray("xyz"));
}

class ArchiveTextPrefix : public ::testing::TestWithParam<std::pair<int, QByteArray>> {};

TEST_P(ArchiveTextPrefix, LengthFormsAtTheirBoundaries) {
    const auto& [length, prefix] = GetParam();
    QByteArray out;
    AppendArchiveText(out, QByteArray(length, 'q'));
    EXPECT_EQ(out.left(prefix.size()), prefix);
    EXPECT_EQ(out.size(), prefix.size() + length);

    // and the reader takes each form back
    QTemporaryDir dir;
    MeasurementDataSet data;
    data.deviceCount = 1;
    data.serialText[0] = QByteArray(length, 'q');
    const QString path = dir.filePath("t.vltd");
    ASSERT_TRUE(WriteDocumentFile(path, data).ok);
    MeasurementDataSet back;
    ASSERT_TRUE(ReadDocumentFile(path, back).ok);
    EXPECT_EQ(back.serialText[0].size(), length);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ArchiveTextPrefix,
    ::testing::Values(std::pair{0, QByteArray("\x00", 1)}, std::pair{254, QByteArray("\xFE")},
                      std::pair{255, QByteArray("\xFF\xFF\x00", 3)},
                      std::pair{65533, QByteArray("\xFF\xFD\xFF")},
                      std::pair{65534, QByteArray("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)}));

class FailedRead : public DocumentFileTest {
  protected:
    void SetUp() override {
        before_ = Example(511);
        before_.referenceIndex = 0;
        before_.serialText[5] = "kept";
    }
    void ExpectUnchanged(const MeasurementDataSet& data) {
        EXPECT_EQ(data.recordCount, 1);
        EXPECT_EQ(data.deviceCount, 1);
        EXPECT_EQ(data.pointCount, 511);
        EXPECT_EQ(data.referenceIndex, 0);
        EXPECT_EQ(data.serialText[0], QByteArray("ABC"));
        EXPECT_EQ(data.entry(0, 0).values[100], 100.5f);
        EXPECT_EQ(data.record(0).timeStamp, 1706683502);
    }
    FileResult Open(const QByteArray& bytes) {
        const QString path = Path("bad.vltd");
        WriteRaw(path, bytes);
        return ReadDocumentFile(path, before_);
    }
    MeasurementDataSet before_;
};

TEST_F(FailedRead, EveryTruncationIsAnUnexpectedFormatAndChangesNothing) {
    MeasurementDataSet source = Example(511);
    source.deviceCount = 1;
    source.AppendRecord(99);
    ASSERT_TRUE(WriteDocumentFile(Path("full.vltd"), source).ok);
    const QByteArray whole = ReadRaw(Path("full.vltd"));
    for (qsizetype cut : {qsizetype{1}, qsizetype{19}, qsizetype{20}, qsizetype{22}, qsizetype{33},
                          qsizetype{500}, whole.size() - 12, whole.size() - 1}) {
        const FileResult result = Open(whole.left(cut));
        EXPECT_FALSE(result.ok) << cut;
        EXPECT_EQ(result.message, QString::fromUtf8("予期しないファイル形式です。")) << cut;
        ExpectUnchanged(before_);
    }
}

TEST_F(FailedRead, HeaderBeyondCapacityIsRejected) {
    const std::int32_t headers[][3] = {{10001, 0, 511}, {0, 11, 511}, {0, 1, 512},
                                       {-1, 0, 511},    {0, -1, 511}, {0, 0, -1}};
    for (const auto& h : headers) {
        Bytes file;
        file << h[0] << h[1] << h[2] << std::int32_t{340} << std::int32_t{-1};
        file.Raw(QByteArray(4096, '\0'));
        const FileResult result = Open(file.data);
        EXPECT_EQ(result.message, QString::fromUtf8("予期しないファイル形式です。"))
            << h[0] << " " << h[1] << " " << h[2];
        ExpectUnchanged(before_);
    }
}

TEST_F(FailedRead, TextLengthBeyond31BitsFailsToOpen) {
    Bytes file;
    file << std::int32_t{0} << std::int32_t{1} << std::int32_t{511} << std::int32_t{340}
         << std::int32_t{-1};
    file << std::uint8_t{0xFF} << std::uint16_t{0xFFFF} << std::uint32_t{0xFFFFFFFFu}
         << std::uint64_t{0x80000000u};
    const FileResult result = Open(file.data);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8("ドキュメントを開くことに失敗しました。"));
    ExpectUnchanged(before_);
}

TEST_F(FailedRead, MissingFileFailsToOpen) {
    EXPECT_EQ(ReadDocumentFile(Path("none.vltd"), before_).message,
              QString::fromUtf8("ドキュメントを開くことに失敗しました。"));
    ExpectUnchanged(before_);
}

TEST_F(FailedRead, ZeroLengthFileOpensWithoutChangingTheDataSet) {
    const FileResult result = Open(QByteArray());
    EXPECT_TRUE(result.ok);
    ExpectUnchanged(before_);
}

TEST_F(FailedRead, SlotsBeyondTheFileKeepTheirTexts) {
    MeasurementDataSet empty;
    ASSERT_TRUE(WriteDocumentFile(Path("e.vltd"), empty).ok);
    ASSERT_TRUE(ReadDocumentFile(Path("e.vltd"), before_).ok);
    EXPECT_EQ(before_.recordCount, 0);
    EXPECT_EQ(before_.deviceCount, 0);
    EXPECT_EQ(before_.serialText[5], QByteArray("kept"));
}

// A file size limit makes the write fail part-way, as a full disk would.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

  private:
    rlimit saved_{};
};

TEST_F(DocumentFileTest, FailedSaveReportsAndKeepsThePreviousFile) {
    const QString path = Path("keep.vltd");
    WriteRaw(path, "previous contents");
    MeasurementDataSet big = Example(511);
    for (int i = 0; i < 50; ++i)
        big.AppendRecord(i);
    FileResult result;
    {
        FileSizeLimit limit(8192);
        result = WriteDocumentFile(path, big);
    }
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8("ドキュメントの保存に失敗しました。"));
    EXPECT_EQ(ReadRaw(path), QByteArray("previous contents"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);  // no temporary left behind
}

// A document holds one grid: devices of different grids are refused with the
// reason, before anything is written, whether the file is there or not.
TEST_F(DocumentFileTest, DevicesOfDifferentGridsAreRefusedAndNothingIsWritten) {
    const QString path = Path("keep.vltd");
    WriteRaw(path, "previous contents");
    MeasurementDataSet mixed = Example(511);
    mixed.deviceCount = 2;
    mixed.SetDeviceGrids({{190, 251}, {340, 511}});
    for (const QString& target : {path, Path("new.vltd")}) {
        const FileResult result = WriteDocumentFile(target, mixed);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(
            result.message,
            QString::fromUtf8("この記録には波長範囲の違う装置があります。文書ファイルには"
                              "一つの範囲しか保存できません。HDF5 (.h5) で保存してください。"));
    }
    EXPECT_EQ(ReadRaw(path), QByteArray("previous contents"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.vltd"});
    // Devices that turn out to share one grid make an ordinary document.
    mixed.SetDeviceGrids({{340, 511}, {340, 511}});
    ASSERT_TRUE(WriteDocumentFile(path, mixed).ok);
    MeasurementDataSet back;
    ASSERT_TRUE(ReadDocumentFile(path, back).ok);
    EXPECT_EQ(back.deviceCount, 2);
    EXPECT_EQ(back.grid(1), (WavelengthGrid{340, 511}));
}

TEST_F(DocumentFileTest, SaveReplacesTheOldFileAndKeepsItsPermissions) {
    const QString path = Path("perm.vltd");
    WriteRaw(path, "previous contents");
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, permissions));
    ASSERT_TRUE(WriteDocumentFile(path, Example(511)).ok);
    EXPECT_EQ(ReadRaw(path).size(), 2101);
    EXPECT_EQ(QFile::permissions(path) & 0x7077, permissions & 0x7077);  // owner, group, other
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(DocumentFileTest, SaveIntoMissingDirectoryFails) {
    const FileResult result = WriteDocumentFile(Path("no/such/dir/x.vltd"), Example(511));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8("ドキュメントの保存に失敗しました。"));
}

TEST_F(DocumentFileTest, SaveIntoReadOnlyDirectoryFails) {
    if (geteuid() == 0)
        GTEST_SKIP() << "directory permissions do not bind root";
    const QString sub = Path("ro");
    ASSERT_TRUE(QDir().mkdir(sub));
    const QString path = sub + "/keep.vltd";
    WriteRaw(path, "previous contents");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    const FileResult result = WriteDocumentFile(path, Example(511));
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(result.message, QString::fromUtf8("ドキュメントの保存に失敗しました。"));
    EXPECT_EQ(ReadRaw(path), QByteArray("previous contents"));
}
}  // namespace
