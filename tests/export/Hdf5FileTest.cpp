// The HDF5 export: its layout as another HDF5 reader sees it, the exact round
// trip through the document file, devices of different grids (format 2),
// refusal of other files, and a read by h5py.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "export/DataSetFormats.h"
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"

namespace {
constexpr std::int64_t kStamp0 = 1710454509;  // 2024/03/15 07:15:09 in Tokyo
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Two devices, three records, four points from 500 nm; value(d, r, i) =
// d*100 + r*10 + i + 0.25, one NaN (a device that did not answer).
MeasurementDataSet TwoByThree() {
    MeasurementDataSet data;
    data.deviceCount = 2;
    data.pointCount = 4;
    data.firstWavelength = 500;
    data.referenceIndex = 1;
    data.serialText[0] = "SN-A";
    data.serialText[1] = "\xff\x80 raw";  // not UTF-8: kept as the bytes they are
    data.sensorModel[0] = "K52817QX-03";
    data.sensorModel[1] = "";
    for (int r = 0; r < 3; ++r) {
        data.AppendRecord(kStamp0 + 3600 * r);
        for (int d = 0; d < 2; ++d) {
            auto& e = data.entry(d, r);
            e.temperature = 25.5f + static_cast<float>(d);
            e.exposure = 1000 * (r + 1);
            e.reserved = d == 1 ? -7 : 0x12345678;
            for (int i = 0; i < 4; ++i)
                e.values[i] = static_cast<float>(d * 100 + r * 10 + i) + 0.25f;
        }
    }
    data.entry(1, 2).values[3] = kNaN;
    data.entry(1, 2).temperature = kNaN;
    return data;
}

// A larger data set whose values no filter shortcut reproduces: full spectra,
// a record that does not compress, extreme time stamps.
MeasurementDataSet Varied(int devices, int records) {
    MeasurementDataSet data;
    data.deviceCount = devices;
    data.firstWavelength = 340;
    data.referenceIndex = records - 1;
    std::uint32_t noise = 12345;
    for (int d = 0; d < devices; ++d)
        data.serialText[d] = "VL" + QByteArray::number(d * 7);
    for (int r = 0; r < records; ++r) {
        data.AppendRecord(r == 0 ? std::numeric_limits<std::int64_t>::min() : kStamp0 - r);
        for (int d = 0; d < devices; ++d) {
            auto& e = data.entry(d, r);
            for (int i = 0; i < 511; ++i) {
                noise = noise * 1664525u + 1013904223u;
                const float v = r == 1 ? std::bit_cast<float>(noise & 0x7F7FFFFFu)
                                       : static_cast<float>(1000 + (noise >> 24)) / 8.0f;
                e.values[i] = v;
            }
            e.temperature = -10.0f + 0.125f * static_cast<float>(r);
            e.exposure = r * 3 + d;
            e.reserved = static_cast<std::int32_t>(noise);
        }
    }
    return data;
}

// UV, visible and NIR devices (190-440, 340-850, 640-1050 nm), five records of
// noisy values on each device's grid and 7777 beyond it; one NaN.
MeasurementDataSet ThreeGrids() {
    MeasurementDataSet data = Varied(3, 5);
    data.SetDeviceGrids({{190, 251}, {340, 511}, {640, 411}});
    for (int d = 0; d < 3; ++d) {
        data.sensorModel[d] = d == 0 ? "K60293QX" : d == 1 ? "VIS-S10" : "K52817QX-03";
        for (int r = 0; r < 5; ++r)
            std::fill(data.entry(d, r).values.begin() + data.grid(d).pointCount,
                      data.entry(d, r).values.end(), 7777.0f);
    }
    data.entry(2, 3).values[410] = kNaN;
    return data;
}

// Device d of data alone, as a document of its own grid.
MeasurementDataSet OneDevice(const MeasurementDataSet& data, int d) {
    MeasurementDataSet one;
    one.deviceCount = 1;
    one.SetGrid(data.grid(d));
    one.referenceIndex = data.referenceIndex;
    one.serialText[0] = data.serialText[d];
    one.sensorModel[0] = data.sensorModel[d];
    for (int r = 0; r < data.recordCount; ++r) {
        one.AppendRecord(data.record(r).timeStamp);
        one.entry(0, r) = data.entry(d, r);
    }
    return one;
}

class Hdf5FileTest : public ::testing::Test {
  protected:
    void SetUp() override { SilenceHdf5Errors(); }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static H5Handle Open(const QString& path, unsigned mode = H5F_ACC_RDONLY) {
        return FileHandle(H5Fopen(QFile::encodeName(path).constData(), mode, H5P_DEFAULT));
    }
    static std::vector<hsize_t> Shape(hid_t set) {
        H5Handle space = SpaceHandle(H5Dget_space(set));
        std::vector<hsize_t> dims(
            static_cast<std::size_t>(H5Sget_simple_extent_ndims(space.get())));
        H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
        return dims;
    }
    static std::int64_t IntAttribute(hid_t owner, const char* name) {
        H5Handle a = AttributeHandle(H5Aopen(owner, name, H5P_DEFAULT));
        H5Handle type = TypeHandle(H5Aget_type(a.get()));
        EXPECT_TRUE(H5Tequal(type.get(), H5T_STD_I32LE) > 0) << name;
        std::int64_t v = 0;
        H5Aread(a.get(), H5T_NATIVE_INT64, &v);
        return v;
    }
    template <typename T>
    static std::vector<T> Values(hid_t file, const char* name, hid_t memType) {
        H5Handle set = DataSetHandle(H5Dopen2(file, name, H5P_DEFAULT));
        std::size_t count = 1;
        for (hsize_t n : Shape(set.get()))
            count *= n;
        std::vector<T> values(count);
        EXPECT_GE(H5Dread(set.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0)
            << name;
        return values;
    }
    static std::string TextAttribute(hid_t owner, const char* name) {
        H5Handle a = AttributeHandle(H5Aopen(owner, name, H5P_DEFAULT));
        H5Handle type = TypeHandle(H5Aget_type(a.get()));
        EXPECT_TRUE(H5Tis_variable_str(type.get()) > 0) << name;
        EXPECT_EQ(H5Tget_cset(type.get()), H5T_CSET_UTF8) << name;
        char* text = nullptr;
        H5Aread(a.get(), type.get(), &text);
        std::string out = text ? text : "";
        H5free_memory(text);
        return out;
    }
    QTemporaryDir dir_;
};

TEST_F(Hdf5FileTest, LayoutAsAnotherReaderSeesIt) {
    ASSERT_TRUE(WriteHdf5File(Path("a.h5"), TwoByThree(), "VL_Tool 1.9.0").ok);
    EXPECT_TRUE(Bytes(Path("a.h5")).startsWith("\x89HDF\r\n\x1a\n"));
    H5Handle file = Open(Path("a.h5"));
    ASSERT_TRUE(file);
    EXPECT_EQ(IntAttribute(file.get(), "format_version"), 1);
    EXPECT_EQ(IntAttribute(file.get(), "device_count"), 2);
    EXPECT_EQ(IntAttribute(file.get(), "record_count"), 3);
    EXPECT_EQ(IntAttribute(file.get(), "point_count"), 4);
    EXPECT_EQ(IntAttribute(file.get(), "first_wavelength_nm"), 500);
    EXPECT_EQ(IntAttribute(file.get(), "reference_index"), 1);
    EXPECT_EQ(TextAttribute(file.get(), "created_by"), "VL_Tool 1.9.0");

    struct Expected {
        const char* name;
        hid_t type;
        std::vector<hsize_t> shape;
        const char* units;
    };
    const Expected sets[] = {
        {"spectra", H5T_IEEE_F32LE, {2, 3, 4}, "counts"},
        {"wavelength_nm", H5T_STD_I32LE, {4}, "nm"},
        {"time", H5T_STD_I64LE, {3}, "seconds since 1970-01-01T00:00:00Z"},
        {"temperature_C", H5T_IEEE_F32LE, {2, 3}, "degC"},
        {"exposure_us", H5T_STD_I32LE, {2, 3}, "us"},
        {"reserved", H5T_STD_I32LE, {2, 3}, nullptr},
    };
    for (const Expected& e : sets) {
        SCOPED_TRACE(e.name);
        H5Handle set = DataSetHandle(H5Dopen2(file.get(), e.name, H5P_DEFAULT));
        ASSERT_TRUE(set);
        H5Handle type = TypeHandle(H5Dget_type(set.get()));
        EXPECT_GT(H5Tequal(type.get(), e.type), 0);
        EXPECT_EQ(Shape(set.get()), e.shape);
        if (e.units) {
            EXPECT_EQ(TextAttribute(set.get(), "units"), e.units);
        }
    }

    // /spectra: one chunk per record holding all devices, shuffled then deflated.
    H5Handle spectra = DataSetHandle(H5Dopen2(file.get(), "spectra", H5P_DEFAULT));
    H5Handle dcpl = PropertyHandle(H5Dget_create_plist(spectra.get()));
    hsize_t chunk[3] = {};
    ASSERT_EQ(H5Pget_chunk(dcpl.get(), 3, chunk), 3);
    EXPECT_EQ(std::vector<hsize_t>(chunk, chunk + 3), (std::vector<hsize_t>{2, 1, 4}));
    ASSERT_EQ(H5Pget_nfilters(dcpl.get()), 2);
    unsigned flags = 0, level = 0;
    std::size_t n = 1;
    EXPECT_EQ(H5Pget_filter2(dcpl.get(), 0, &flags, &n, &level, 0, nullptr, nullptr),
              H5Z_FILTER_SHUFFLE);
    n = 1;
    EXPECT_EQ(H5Pget_filter2(dcpl.get(), 1, &flags, &n, &level, 0, nullptr, nullptr),
              H5Z_FILTER_DEFLATE);
    EXPECT_EQ(level, 1u);

    // The values through the library's own filter pipeline.
    float values[2][3][4];
    ASSERT_GE(H5Dread(spectra.get(), H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values), 0);
    EXPECT_EQ(values[0][0][0], 0.25f);
    EXPECT_EQ(values[0][2][1], 21.25f);
    EXPECT_EQ(values[1][1][3], 113.25f);
    EXPECT_TRUE(std::isnan(values[1][2][3]));
    std::int32_t wavelength[4];
    H5Handle grid = DataSetHandle(H5Dopen2(file.get(), "wavelength_nm", H5P_DEFAULT));
    H5Dread(grid.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, wavelength);
    EXPECT_EQ(std::vector<int>(wavelength, wavelength + 4), (std::vector<int>{500, 501, 502, 503}));
    std::int64_t time[3];
    H5Handle times = DataSetHandle(H5Dopen2(file.get(), "time", H5P_DEFAULT));
    H5Dread(times.get(), H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, time);
    EXPECT_EQ(time[2], kStamp0 + 7200);

    H5Handle serial = DataSetHandle(H5Dopen2(file.get(), "devices/serial", H5P_DEFAULT));
    H5Handle serialType = TypeHandle(H5Dget_type(serial.get()));
    EXPECT_GT(H5Tis_variable_str(serialType.get()), 0);
    EXPECT_EQ(H5Tget_cset(serialType.get()), H5T_CSET_UTF8);
    char* texts[2] = {};
    ASSERT_GE(H5Dread(serial.get(), serialType.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, texts), 0);
    EXPECT_STREQ(texts[0], "SN-A");
    EXPECT_STREQ(texts[1], "\xff\x80 raw");
    H5Handle space = SpaceHandle(H5Dget_space(serial.get()));
    H5Dvlen_reclaim(serialType.get(), space.get(), H5P_DEFAULT, texts);
}

TEST_F(Hdf5FileTest, DocumentThroughHdf5AndBackIsByteIdentical) {
    for (const auto& [devices, records] : {std::pair{3, 40}, std::pair{10, 2}, std::pair{1, 600},
                                           std::pair{2, 0}, std::pair{0, 3}, std::pair{0, 0}}) {
        SCOPED_TRACE(testing::Message() << devices << " devices, " << records << " records");
        ASSERT_TRUE(WriteDocumentFile(Path("in.vltd"), Varied(devices, records)).ok);
        MeasurementDataSet read;
        ASSERT_TRUE(ReadDocumentFile(Path("in.vltd"), read).ok);
        ASSERT_TRUE(WriteHdf5File(Path("mid.h5"), read, "VL_Tool test").ok);
        MeasurementDataSet back;
        const FileResult result = ReadDataSetFile(Path("mid.h5"), back);
        ASSERT_TRUE(result.ok) << result.message.toStdString();
        ASSERT_TRUE(WriteDocumentFile(Path("out.vltd"), back).ok);
        EXPECT_EQ(Bytes(Path("out.vltd")), Bytes(Path("in.vltd")));
    }
}

// Small files, and files of several megabytes whose chunks cross the reader's
// read-ahead blocks or are larger than one (64 records of ten devices).
TEST_F(Hdf5FileTest, EveryLayoutReadsBackTheSameValues) {
    const MeasurementDataSet small = Varied(3, 21), large = Varied(10, 150);
    const std::pair<const MeasurementDataSet*, Hdf5Layout> cases[] = {
        {&small, Hdf5Layout{1, false, true, 4, 1}},
        {&small, Hdf5Layout{8, true, true, 9, 2}},
        {&small, Hdf5Layout{1, true, false, 1, 2}},
        {&small, Hdf5Layout{5, true, true, 0, 2}},
        {&large, Hdf5Layout{}},
        {&large, Hdf5Layout{64, true, true, 0, 2}}};
    for (const auto& [data, layout] : cases) {
        SCOPED_TRACE(testing::Message() << data->deviceCount << " devices, " << layout.chunkRecords
                                        << " records a chunk");
        ASSERT_TRUE(WriteDocumentFile(Path("want.vltd"), *data).ok);
        ASSERT_TRUE(WriteHdf5File(Path("l.h5"), *data, "t", layout).ok);
        MeasurementDataSet back;
        ASSERT_TRUE(ReadHdf5File(Path("l.h5"), back).ok);
        ASSERT_TRUE(WriteDocumentFile(Path("got.vltd"), back).ok);
        EXPECT_EQ(Bytes(Path("got.vltd")), Bytes(Path("want.vltd")));
    }
}

// Devices of different grids: format 2 as another reader sees it, and back
// exactly, whatever the layout of /spectra.
TEST_F(Hdf5FileTest, DevicesOfDifferentGridsMakeFormat2AndReadBackExactly) {
    const MeasurementDataSet data = ThreeGrids();
    ASSERT_TRUE(WriteHdf5File(Path("m.h5"), data, "VL_Tool test").ok);
    {
        H5Handle file = Open(Path("m.h5"));
        ASSERT_TRUE(file);
        EXPECT_EQ(IntAttribute(file.get(), "format_version"), 2);
        EXPECT_EQ(IntAttribute(file.get(), "point_count"), 511);
        EXPECT_EQ(IntAttribute(file.get(), "first_wavelength_nm"), 190);
        EXPECT_EQ(Values<std::int32_t>(file.get(), "devices/first_wavelength_nm", H5T_NATIVE_INT32),
                  (std::vector<std::int32_t>{190, 340, 640}));
        EXPECT_EQ(Values<std::int32_t>(file.get(), "devices/point_count", H5T_NATIVE_INT32),
                  (std::vector<std::int32_t>{251, 511, 411}));
        for (const char* name : {"devices/first_wavelength_nm", "devices/point_count"}) {
            H5Handle set = DataSetHandle(H5Dopen2(file.get(), name, H5P_DEFAULT));
            H5Handle type = TypeHandle(H5Dget_type(set.get()));
            EXPECT_GT(H5Tequal(type.get(), H5T_STD_I32LE), 0) << name;
        }
        H5Handle grid = DataSetHandle(H5Dopen2(file.get(), "wavelength_nm", H5P_DEFAULT));
        EXPECT_EQ(Shape(grid.get()), (std::vector<hsize_t>{3, 511}));
        const auto nm = Values<std::int32_t>(file.get(), "wavelength_nm", H5T_NATIVE_INT32);
        EXPECT_EQ(nm[0], 190);
        EXPECT_EQ(nm[250], 440);
        EXPECT_EQ(nm[251], -1);
        EXPECT_EQ(nm[510], -1);
        EXPECT_EQ(nm[511], 340);
        EXPECT_EQ(nm[1021], 850);
        EXPECT_EQ(nm[1022 + 410], 1050);
        EXPECT_EQ(nm[1022 + 411], -1);
        H5Handle spectra = DataSetHandle(H5Dopen2(file.get(), "spectra", H5P_DEFAULT));
        EXPECT_EQ(Shape(spectra.get()), (std::vector<hsize_t>{3, 5, 511}));
        const auto v = Values<float>(file.get(), "spectra", H5T_NATIVE_FLOAT);
        const auto at = [&](int d, int r, int i) { return v[(d * 5 + r) * 511 + i]; };
        for (int r = 0; r < 5; ++r) {
            EXPECT_EQ(at(0, r, 250), data.entry(0, r).values[250]);
            EXPECT_TRUE(std::isnan(at(0, r, 251)));  // 7777 in the data set
            EXPECT_TRUE(std::isnan(at(0, r, 510)));
            EXPECT_EQ(at(1, r, 510), data.entry(1, r).values[510]);
            EXPECT_TRUE(std::isnan(at(2, r, 411)));
        }
    }
    const Hdf5Layout layouts[] = {
        {}, {1, false, true, 4, 1}, {2, true, false, 0, 2}, {3, true, true, 9, 2}};
    for (const Hdf5Layout& layout : layouts) {
        SCOPED_TRACE(testing::Message()
                     << layout.chunkRecords << " records a chunk, level " << layout.level);
        ASSERT_TRUE(WriteHdf5File(Path("m.h5"), data, "t", layout).ok);
        MeasurementDataSet back;
        const FileResult result = ReadDataSetFile(Path("m.h5"), back);
        ASSERT_TRUE(result.ok) << result.message.toStdString();
        ASSERT_TRUE(back.hasMixedGrids());
        EXPECT_EQ(back.pointCount, 511);
        EXPECT_EQ(back.firstWavelength, 190);
        ASSERT_EQ(back.deviceCount, 3);
        ASSERT_EQ(back.recordCount, 5);
        EXPECT_EQ(back.referenceIndex, data.referenceIndex);
        // Each device alone, as a document of its grid, is the same to the byte.
        for (int d = 0; d < 3; ++d) {
            EXPECT_EQ(back.grid(d), data.grid(d));
            ASSERT_TRUE(WriteDocumentFile(Path("want.vltd"), OneDevice(data, d)).ok);
            ASSERT_TRUE(WriteDocumentFile(Path("got.vltd"), OneDevice(back, d)).ok);
            EXPECT_EQ(Bytes(Path("got.vltd")), Bytes(Path("want.vltd"))) << "device " << d;
        }
    }
}

// Damage done to a good export; each must be refused and leave the data set as it was.
using Damage = std::function<void(hid_t file)>;

void SetIntAttribute(hid_t file, const char* name, std::int32_t value) {
    H5Handle a = AttributeHandle(H5Aopen(file, name, H5P_DEFAULT));
    H5Awrite(a.get(), H5T_NATIVE_INT32, &value);
}

void Replace(hid_t file, const char* name, hid_t type, std::vector<hsize_t> shape) {
    H5Ldelete(file, name, H5P_DEFAULT);
    H5Handle space =
        SpaceHandle(H5Screate_simple(static_cast<int>(shape.size()), shape.data(), nullptr));
    H5Handle set = DataSetHandle(
        H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    ASSERT_TRUE(set) << name;
}

TEST_F(Hdf5FileTest, FilesNotOfTheLayoutAreRefusedAndChangeNothing) {
    const std::pair<const char*, Damage> damages[] = {
        {"no spectra", [](hid_t f) { H5Ldelete(f, "spectra", H5P_DEFAULT); }},
        {"no serials", [](hid_t f) { H5Ldelete(f, "devices/serial", H5P_DEFAULT); }},
        {"no time", [](hid_t f) { H5Ldelete(f, "time", H5P_DEFAULT); }},
        {"no format version", [](hid_t f) { H5Adelete(f, "format_version"); }},
        {"format version 2", [](hid_t f) { SetIntAttribute(f, "format_version", 2); }},
        {"11 devices", [](hid_t f) { SetIntAttribute(f, "device_count", 11); }},
        {"10001 records", [](hid_t f) { SetIntAttribute(f, "record_count", 10001); }},
        {"512 points", [](hid_t f) { SetIntAttribute(f, "point_count", 512); }},
        {"more records than stored", [](hid_t f) { SetIntAttribute(f, "record_count", 4); }},
        {"grid far away", [](hid_t f) { SetIntAttribute(f, "first_wavelength_nm", 1000001); }},
        {"grid not first + i", [](hid_t f) { SetIntAttribute(f, "first_wavelength_nm", 501); }},
        {"spectra float64",
         [](hid_t f) {
             Replace(f, "spectra", H5T_IEEE_F64LE, {2, 3, 4});
         }},
        {"spectra rank 2",
         [](hid_t f) {
             Replace(f, "spectra", H5T_IEEE_F32LE, {2, 12});
         }},
        {"spectra other shape",
         [](hid_t f) {
             Replace(f, "spectra", H5T_IEEE_F32LE, {2, 3, 5});
         }},
        {"time int32 unsigned", [](hid_t f) { Replace(f, "time", H5T_STD_U64LE, {3}); }},
        {"exposure float",
         [](hid_t f) {
             Replace(f, "exposure_us", H5T_IEEE_F32LE, {2, 3});
         }},
        {"serial fixed-length", [](hid_t f) { Replace(f, "devices/serial", H5T_C_S1, {2}); }},
        {"damaged chunk",
         [](hid_t f) {
             H5Handle set = DataSetHandle(H5Dopen2(f, "spectra", H5P_DEFAULT));
             const hsize_t offset[3] = {0, 1, 0};
             const char junk[12] = "not deflate";
             H5Dwrite_chunk(set.get(), H5P_DEFAULT, 0, offset, sizeof junk, junk);
         }},
    };
    const MeasurementDataSet before = Varied(1, 2);
    ASSERT_TRUE(WriteDocumentFile(Path("before.vltd"), before).ok);
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(WriteHdf5File(Path("d.h5"), TwoByThree(), "t").ok);
        {
            H5Handle file = Open(Path("d.h5"), H5F_ACC_RDWR);
            ASSERT_TRUE(file);
            damage(file.get());
        }
        MeasurementDataSet data;
        ASSERT_TRUE(ReadDocumentFile(Path("before.vltd"), data).ok);
        const FileResult result = ReadDataSetFile(Path("d.h5"), data);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, QString::fromUtf8("予期しないファイル形式です。"));
        ASSERT_TRUE(WriteDocumentFile(Path("after.vltd"), data).ok);
        EXPECT_EQ(Bytes(Path("after.vltd")), Bytes(Path("before.vltd")));
    }
}

void SetInts(hid_t file, const char* name, std::vector<std::int32_t> values) {
    H5Handle set = DataSetHandle(H5Dopen2(file, name, H5P_DEFAULT));
    ASSERT_GE(H5Dwrite(set.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()),
              0)
        << name;
}

TEST_F(Hdf5FileTest, Format2FilesWithoutSoundDeviceGridsAreRefused) {
    const std::pair<const char*, Damage> damages[] = {
        {"no first wavelengths",
         [](hid_t f) { H5Ldelete(f, "devices/first_wavelength_nm", H5P_DEFAULT); }},
        {"no point counts", [](hid_t f) { H5Ldelete(f, "devices/point_count", H5P_DEFAULT); }},
        {"format version 1", [](hid_t f) { SetIntAttribute(f, "format_version", 1); }},
        {"negative point count",
         [](hid_t f) {
             SetInts(f, "devices/point_count", {-1, 511, 411});
         }},
        {"point count beyond the file's",
         [](hid_t f) {
             SetInts(f, "devices/point_count", {251, 512, 411});
         }},
        {"no device of the file's point count",
         [](hid_t f) {
             SetInts(f, "devices/point_count", {251, 510, 411});
         }},
        {"first wavelength below the file's",
         [](hid_t f) {
             SetInts(f, "devices/first_wavelength_nm", {189, 340, 640});
         }},
        {"no device at the file's first wavelength",
         [](hid_t f) {
             SetInts(f, "devices/first_wavelength_nm", {191, 340, 640});
         }},
        {"point counts of two devices",
         [](hid_t f) { Replace(f, "devices/point_count", H5T_STD_I32LE, {2}); }},
        {"wavelengths of one grid",
         [](hid_t f) { Replace(f, "wavelength_nm", H5T_STD_I32LE, {511}); }},
        {"wavelength padding not -1",
         [](hid_t f) {
             std::vector<std::int32_t> nm(3 * 511, -1);
             for (int d = 0; d < 3; ++d) {
                 const int first[] = {190, 340, 640}, count[] = {251, 511, 411};
                 for (int i = 0; i < count[d]; ++i)
                     nm[d * 511 + i] = first[d] + i;
             }
             nm[251] = 441;
             SetInts(f, "wavelength_nm", nm);
         }},
    };
    const MeasurementDataSet before = Varied(1, 2);
    ASSERT_TRUE(WriteDocumentFile(Path("before.vltd"), before).ok);
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(WriteHdf5File(Path("d.h5"), ThreeGrids(), "t").ok);
        {
            H5Handle file = Open(Path("d.h5"), H5F_ACC_RDWR);
            ASSERT_TRUE(file);
            damage(file.get());
        }
        MeasurementDataSet data;
        ASSERT_TRUE(ReadDocumentFile(Path("before.vltd"), data).ok);
        const FileResult result = ReadDataSetFile(Path("d.h5"), data);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, QString::fromUtf8("予期しないファイル形式です。"));
        ASSERT_TRUE(WriteDocumentFile(Path("after.vltd"), data).ok);
        EXPECT_EQ(Bytes(Path("after.vltd")), Bytes(Path("before.vltd")));
    }
}

// A file cut short, in its chunks or in its last metadata, is refused; so is
// one that a program writing it holds locked, until it lets go.
TEST_F(Hdf5FileTest, FilesCutShortOrBeingWrittenAreRefused) {
    ASSERT_TRUE(WriteHdf5File(Path("whole.h5"), Varied(10, 150), "t").ok);
    const QByteArray whole = Bytes(Path("whole.h5"));
    for (const qsizetype keep : {whole.size() / 3, whole.size() - 30000, whole.size() - 1}) {
        SCOPED_TRACE(keep);
        QFile cut(Path("cut.h5"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(whole.left(keep));
        cut.close();
        MeasurementDataSet data;
        const FileResult result = ReadHdf5File(Path("cut.h5"), data);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, QString::fromUtf8("予期しないファイル形式です。"));
        EXPECT_EQ(data.recordCount, 0);
    }
    const int writer = open(QFile::encodeName(Path("whole.h5")).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    MeasurementDataSet data;
    EXPECT_FALSE(ReadHdf5File(Path("whole.h5"), data).ok);
    flock(writer, LOCK_UN);
    close(writer);
    EXPECT_TRUE(ReadHdf5File(Path("whole.h5"), data).ok);
    EXPECT_EQ(data.recordCount, 150);
}

// /spectra as a script would write it through the library's own filters: read
// through the library when contiguous or big-endian, else chunk by chunk (the
// library's zlib streams inflated here, an edge chunk beyond the last record).
TEST_F(Hdf5FileTest, SpectraStoredByOtherWritersReadBack) {
    struct Storage {
        hid_t type;
        std::vector<hsize_t> chunk;  // empty: contiguous
        bool shuffle;
    };
    const Storage storages[] = {{H5T_IEEE_F32BE, {}, false},
                                {H5T_IEEE_F32LE, {2, 2, 4}, true},
                                {H5T_IEEE_F32LE, {1, 3, 4}, false}};
    ASSERT_TRUE(WriteDocumentFile(Path("want.vltd"), TwoByThree()).ok);
    for (const Storage& storage : storages) {
        SCOPED_TRACE(storage.chunk.size());
        ASSERT_TRUE(WriteHdf5File(Path("c.h5"), TwoByThree(), "t").ok);
        {
            H5Handle file = Open(Path("c.h5"), H5F_ACC_RDWR);
            float values[2][3][4];
            H5Handle old = DataSetHandle(H5Dopen2(file.get(), "spectra", H5P_DEFAULT));
            H5Dread(old.get(), H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values);
            old.Close();
            H5Ldelete(file.get(), "spectra", H5P_DEFAULT);
            const hsize_t dims[3] = {2, 3, 4};
            H5Handle space = SpaceHandle(H5Screate_simple(3, dims, nullptr));
            H5Handle dcpl = PropertyHandle(H5Pcreate(H5P_DATASET_CREATE));
            if (!storage.chunk.empty()) {
                H5Pset_chunk(dcpl.get(), 3, storage.chunk.data());
                if (storage.shuffle)
                    H5Pset_shuffle(dcpl.get());
                H5Pset_deflate(dcpl.get(), 6);
            }
            H5Handle set =
                DataSetHandle(H5Dcreate2(file.get(), "spectra", storage.type, space.get(),
                                         H5P_DEFAULT, dcpl.get(), H5P_DEFAULT));
            ASSERT_GE(H5Dwrite(set.get(), H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values),
                      0);
        }
        MeasurementDataSet back;
        ASSERT_TRUE(ReadHdf5File(Path("c.h5"), back).ok);
        ASSERT_TRUE(WriteDocumentFile(Path("got.vltd"), back).ok);
        EXPECT_EQ(Bytes(Path("got.vltd")), Bytes(Path("want.vltd")));
    }
}

TEST_F(Hdf5FileTest, DocumentIsNotTakenForHdf5AndBackwards) {
    ASSERT_TRUE(WriteDocumentFile(Path("doc.h5"), TwoByThree()).ok);  // misleading name
    MeasurementDataSet data;
    ASSERT_TRUE(ReadDataSetFile(Path("doc.h5"), data).ok);
    EXPECT_EQ(data.deviceCount, 2);
    EXPECT_EQ(ReadHdf5File(Path("doc.h5"), data).message,
              QString::fromUtf8("予期しないファイル形式です。"));
    ASSERT_TRUE(WriteHdf5File(Path("h5.vltd"), TwoByThree(), "t").ok);
    MeasurementDataSet other;
    ASSERT_TRUE(ReadDataSetFile(Path("h5.vltd"), other).ok);
    EXPECT_EQ(other.pointCount, 4);
    EXPECT_EQ(ReadHdf5File(Path("missing.h5"), data).message,
              QString::fromUtf8("ドキュメントを開くことに失敗しました。"));
}

// The formats' registry: the probe tells HDF5 from a document whatever the
// name; a name picks the writer by its longest extension; CSV is write-only.
TEST_F(Hdf5FileTest, RegistryPicksTheFormatByContentsAndByName) {
    ASSERT_TRUE(WriteDocumentFile(Path("doc.h5"), TwoByThree()).ok);
    ASSERT_TRUE(WriteHdf5File(Path("h5.vltd"), TwoByThree(), "t").ok);
    EXPECT_STREQ(FormatOfFile(Path("doc.h5")).id, "vltd");
    EXPECT_STREQ(FormatOfFile(Path("h5.vltd")).id, "h5");
    EXPECT_STREQ(FormatOfFile(Path("missing")).id, "vltd");
    const DataSetFormat* read = nullptr;
    MeasurementDataSet data;
    ASSERT_TRUE(ReadDataSetFile(Path("h5.vltd"), data, &read).ok);
    EXPECT_EQ(read, &FormatOfFile(Path("h5.vltd")));

    const auto idOf = [](const char* name) {
        const DataSetFormat* format = FormatForName(QString::fromUtf8(name));
        return format ? std::string(format->id) : std::string("none");
    };
    EXPECT_EQ(idOf("a.vltd"), "vltd");
    EXPECT_EQ(idOf("dir.csv/a.H5"), "h5");
    EXPECT_EQ(idOf("a.csv"), "csv");
    EXPECT_EQ(idOf("a.rows.csv"), "rows-csv");
    EXPECT_EQ(idOf("A.ROWS.CSV"), "rows-csv");
    EXPECT_EQ(idOf("a.rows"), "none");
    EXPECT_EQ(idOf("a.txt"), "none");
    EXPECT_EQ(idOf("vltd"), "none");
    EXPECT_EQ(WritableExtensions(QString::fromUtf8("、")),
              QString::fromUtf8(".vltd、.h5、.csv、.rows.csv"));

    QStringList readable, exported;
    for (const DataSetFormat* format : DataSetFormats()) {
        ASSERT_NE(format->write, nullptr) << format->id;
        if (format->read)
            readable << format->id;
        if (format->exportCaption)
            exported << QString::fromUtf8(format->exportCaption);
    }
    EXPECT_EQ(readable, (QStringList{"vltd", "h5"}));
    EXPECT_EQ(exported, (QStringList{"HDF5 にエクスポート…", "CSV にエクスポート…",
                                     QString::fromUtf8("CSV (1 行 1 記録) にエクスポート…")}));
    EXPECT_EQ(OpenFilters(), "VL_Tool Files (*.vltd *.h5);;VL_Tool Files (*.vltd);;HDF5 (*.h5)");
    EXPECT_EQ(FormatFilter(*FormatForName("x.rows.csv")),
              QString::fromUtf8("CSV (1 行 1 記録) (*.csv)"));
}

TEST_F(Hdf5FileTest, FailedExportKeepsThePreviousFileAndLeavesNoTemporary) {
    QFile old(Path("keep.h5"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    MeasurementDataSet data = TwoByThree();
    data.serialText[1] = QByteArray("A\0B", 3);  // an HDF5 string ends at NUL
    const FileResult result = WriteHdf5File(Path("keep.h5"), data, "t");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QString::fromUtf8("ドキュメントの保存に失敗しました。"));
    EXPECT_EQ(Bytes(Path("keep.h5")), "previous");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.h5"});
    EXPECT_FALSE(WriteHdf5File(Path("no-such-dir/x.h5"), TwoByThree(), "t").ok);

    ASSERT_TRUE(WriteHdf5File(Path("keep.h5"), TwoByThree(), "t").ok);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.h5"});
}

TEST_F(Hdf5FileTest, DebianH5pyReadsEveryValueOfTheExport) {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        GTEST_SKIP() << "no /usr/bin/python3";
    ASSERT_TRUE(WriteDocumentFile(Path("p.vltd"), Varied(4, 30)).ok);
    MeasurementDataSet data;
    ASSERT_TRUE(ReadDocumentFile(Path("p.vltd"), data).ok);
    data.entry(2, 3).values[100] = kNaN;
    data.entry(0, 0).values[0] = -0.0f;
    ASSERT_TRUE(WriteDocumentFile(Path("p.vltd"), data).ok);
    ASSERT_TRUE(WriteHdf5File(Path("p.h5"), data, "VL_Tool " VL_VERSION).ok);
    QProcess run;
    run.start(python, {QStringLiteral(VL_HDF5_CHECK_SCRIPT), Path("p.vltd"), Path("p.h5")});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    if (run.exitCode() == 77)
        GTEST_SKIP() << "h5py is not installed for /usr/bin/python3: " << out.toStdString();
    EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.startsWith("ok: 4 devices, 30 records, 511 points")) << out.toStdString();

    // Devices of different grids, each compared with a document of its own.
    const MeasurementDataSet mixed = ThreeGrids();
    ASSERT_TRUE(WriteHdf5File(Path("m.h5"), mixed, "VL_Tool " VL_VERSION).ok);
    QStringList args{QStringLiteral(VL_HDF5_CHECK_SCRIPT)};
    for (int d = 0; d < 3; ++d) {
        args << dir_.filePath(QString("m%1.vltd").arg(d));
        ASSERT_TRUE(WriteDocumentFile(args.back(), OneDevice(mixed, d)).ok);
    }
    run.start(python, args << Path("m.h5"));
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString mixedOut =
        QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 0) << mixedOut.toStdString();
    EXPECT_TRUE(mixedOut.startsWith("ok: 3 devices, 5 records, 511 points, format 2"))
        << mixedOut.toStdString();
}
}  // namespace
