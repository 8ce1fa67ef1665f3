// The HDF5 file's reader. Everything is checked against the layout the writer
// makes before the data set is filled; /spectra chunks of the writer's form are
// read whole and unpacked on several threads, any other storage goes through
// the library's own filter pipeline.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "data/DataSetFormat.h"
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5Names.h"
#include "export/Hdf5Spectra.h"

namespace {
using namespace hdf5names;

constexpr std::int64_t kGridWavelengthLimit = 1000000;  // as the document reader

// An integer attribute of any integer type that holds an int32.
bool ReadIntAttribute(hid_t owner, const char* name, std::int32_t& value) {
    if (H5Aexists(owner, name) <= 0)
        return false;
    H5Handle attribute = AttributeHandle(H5Aopen(owner, name, H5P_DEFAULT));
    H5Handle type = TypeHandle(H5Aget_type(attribute.get()));
    H5Handle space = SpaceHandle(H5Aget_space(attribute.get()));
    if (!type || !space || H5Tget_class(type.get()) != H5T_INTEGER ||
        H5Sget_simple_extent_npoints(space.get()) != 1)
        return false;
    std::int64_t wide = 0;
    if (H5Aread(attribute.get(), H5T_NATIVE_INT64, &wide) < 0 || wide < INT32_MIN ||
        wide > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(wide);
    return true;
}

// Opens owner/name when it is a dataset of the given class whose values fit the
// target (an integer no wider than targetSize, signed when as wide; a float of
// exactly targetSize bytes) and of exactly the given shape.
H5Handle OpenChecked(hid_t owner, const char* name, H5T_class_t typeClass, std::size_t targetSize,
                     std::initializer_list<hsize_t> shape) {
    if (H5Lexists(owner, name, H5P_DEFAULT) <= 0)
        return {};
    H5Handle set = DataSetHandle(H5Dopen2(owner, name, H5P_DEFAULT));
    H5Handle type = TypeHandle(H5Dget_type(set.get()));
    H5Handle space = SpaceHandle(H5Dget_space(set.get()));
    if (!set || !type || !space || H5Tget_class(type.get()) != typeClass)
        return {};
    const std::size_t size = H5Tget_size(type.get());
    if (typeClass == H5T_FLOAT && size != targetSize)
        return {};
    if (typeClass == H5T_INTEGER &&
        (size > targetSize || (size == targetSize && H5Tget_sign(type.get()) != H5T_SGN_2)))
        return {};
    const std::vector<hsize_t> expected(shape);
    if (H5Sget_simple_extent_ndims(space.get()) != static_cast<int>(expected.size()))
        return {};
    std::vector<hsize_t> dims(expected.size());
    H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
    return dims == expected ? std::move(set) : H5Handle{};
}

bool ReadWhole(hid_t set, hid_t memType, void* values, std::size_t count) {
    return count == 0 || H5Dread(set, memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values) >= 0;
}

bool ReadTexts(hid_t file, MeasurementDataSet& data) {
    if (H5Lexists(file, kDevices, H5P_DEFAULT) <= 0)
        return false;
    const auto devices = static_cast<hsize_t>(data.deviceCount);
    for (const auto& [name, texts] :
         {std::pair{kSerial, &data.serialText}, std::pair{kSensorModel, &data.sensorModel}}) {
        const std::string path = std::string(kDevices) + "/" + name;
        H5Handle set = OpenChecked(file, path.c_str(), H5T_STRING, 0, {devices});
        H5Handle fileType = TypeHandle(H5Dget_type(set.get()));
        if (!set || H5Tis_variable_str(fileType.get()) <= 0)
            return false;
        H5Handle memType = TypeHandle(H5Tcopy(H5T_C_S1));
        H5Tset_size(memType.get(), H5T_VARIABLE);
        H5Tset_cset(memType.get(), H5Tget_cset(fileType.get()));
        std::vector<char*> pointers(devices, nullptr);
        if (!ReadWhole(set.get(), memType.get(), pointers.data(), devices))
            return false;
        for (hsize_t d = 0; d < devices; ++d)
            (*texts)[d] = pointers[d] ? QByteArray(pointers[d]) : QByteArray();
        H5Handle space = SpaceHandle(H5Dget_space(set.get()));
        if (devices > 0)
            H5Dvlen_reclaim(memType.get(), space.get(), H5P_DEFAULT, pointers.data());
    }
    return true;
}

// /devices/first_wavelength_nm and /devices/point_count of a file of format 2:
// each device's grid within the root's bounds, the largest point count and the
// smallest first wavelength being the root's.
bool ReadDeviceGrids(hid_t file, MeasurementDataSet& data) {
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    const std::string firstPath = std::string(kDevices) + "/" + kDeviceFirstWavelength;
    const std::string pointsPath = std::string(kDevices) + "/" + kDevicePointCount;
    if (H5Lexists(file, kDevices, H5P_DEFAULT) <= 0)
        return false;
    H5Handle firstSet = OpenChecked(file, firstPath.c_str(), H5T_INTEGER, 4, {devices});
    H5Handle pointsSet = OpenChecked(file, pointsPath.c_str(), H5T_INTEGER, 4, {devices});
    std::vector<std::int32_t> first(devices), points(devices);
    if (!firstSet || !pointsSet ||
        !ReadWhole(firstSet.get(), H5T_NATIVE_INT32, first.data(), devices) ||
        !ReadWhole(pointsSet.get(), H5T_NATIVE_INT32, points.data(), devices))
        return false;
    if (devices == 0)
        return true;
    std::vector<WavelengthGrid> grids(devices);
    for (std::size_t d = 0; d < devices; ++d) {
        if (points[d] < 0 || points[d] > data.pointCount || first[d] < data.firstWavelength ||
            first[d] > kGridWavelengthLimit)
            return false;
        grids[d] = {first[d], points[d]};
    }
    if (*std::max_element(points.begin(), points.end()) != data.pointCount ||
        *std::min_element(first.begin(), first.end()) != data.firstWavelength)
        return false;
    data.SetDeviceGrids(grids);
    return true;
}

// /wavelength_nm: first + i on one grid, or per device first + i then kNoWavelength.
bool WavelengthsFit(hid_t set, const MeasurementDataSet& data, bool perDevice) {
    const auto points = static_cast<std::size_t>(data.pointCount);
    const std::size_t rows = perDevice ? static_cast<std::size_t>(data.deviceCount) : 1;
    std::vector<std::int32_t> wavelength(rows * points);
    if (!ReadWhole(set, H5T_NATIVE_INT32, wavelength.data(), wavelength.size()))
        return false;
    // The data set knows only first wavelengths and one nm steps.
    for (std::size_t d = 0; d < rows; ++d) {
        const WavelengthGrid g = data.grid(static_cast<int>(d));
        for (std::size_t i = 0; i < points; ++i) {
            const std::int64_t want = static_cast<std::int64_t>(i) < g.pointCount
                                          ? g.firstWavelength + static_cast<std::int64_t>(i)
                                          : kNoWavelength;
            if (wavelength[d * points + i] != want)
                return false;
        }
    }
    return true;
}

// The tables of the records and entries; the grid is checked against the header.
bool ReadRecordTables(hid_t file, const MeasurementDataSet& data, bool perDevice,
                      RecordTables& tables) {
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    const auto records = static_cast<std::size_t>(data.recordCount);
    const auto points = static_cast<std::size_t>(data.pointCount);
    H5Handle wavelengthSet = perDevice
                                 ? OpenChecked(file, kWavelength, H5T_INTEGER, 4, {devices, points})
                                 : OpenChecked(file, kWavelength, H5T_INTEGER, 4, {points});
    H5Handle timeSet = OpenChecked(file, kTime, H5T_INTEGER, 8, {records});
    H5Handle temperatureSet = OpenChecked(file, kTemperature, H5T_FLOAT, 4, {devices, records});
    H5Handle exposureSet = OpenChecked(file, kExposure, H5T_INTEGER, 4, {devices, records});
    H5Handle reservedSet = OpenChecked(file, kReserved, H5T_INTEGER, 4, {devices, records});
    if (!wavelengthSet || !timeSet || !temperatureSet || !exposureSet || !reservedSet)
        return false;
    tables.Resize(devices, records);
    if (!WavelengthsFit(wavelengthSet.get(), data, perDevice) ||
        !ReadWhole(timeSet.get(), H5T_NATIVE_INT64, tables.time.data(), records) ||
        !ReadWhole(temperatureSet.get(), H5T_NATIVE_FLOAT, tables.temperature.data(),
                   devices * records) ||
        !ReadWhole(exposureSet.get(), H5T_NATIVE_INT32, tables.exposure.data(),
                   devices * records) ||
        !ReadWhole(reservedSet.get(), H5T_NATIVE_INT32, tables.reserved.data(), devices * records))
        return false;
    return true;
}

bool ReadHeader(hid_t file, MeasurementDataSet& data, std::int32_t& version) {
    if (!ReadIntAttribute(file, kFormatVersion, version) ||
        (version != kVersion && version != kVersionDeviceGrids) ||
        !ReadIntAttribute(file, kDeviceCount, data.deviceCount) ||
        !ReadIntAttribute(file, kRecordCount, data.recordCount) ||
        !ReadIntAttribute(file, kPointCount, data.pointCount) ||
        !ReadIntAttribute(file, kFirstWavelength, data.firstWavelength) ||
        !ReadIntAttribute(file, kReferenceIndex, data.referenceIndex))
        return false;
    return data.recordCount >= 0 && data.recordCount <= MAX_RECORDS && data.deviceCount >= 0 &&
           data.deviceCount <= MAX_DEVICES && data.pointCount >= 0 &&
           data.pointCount <= static_cast<int>(MAX_POINTS) &&
           data.firstWavelength >= -kGridWavelengthLimit &&
           data.firstWavelength <= kGridWavelengthLimit;
}
}  // namespace

FileResult ReadHdf5File(const QString& path, MeasurementDataSet& data) {
    auto failed = [](const char* message) {
        return FileResult::Failed(QCoreApplication::translate("DocumentFile", message));
    };
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return failed(kDocumentOpenFailed);
    }
    if (!HasHdf5Signature(path))
        return failed(kDocumentUnexpectedFormat);
    SilenceHdf5Errors();
    H5Handle file =
        FileHandle(H5Fopen(QFile::encodeName(path).constData(), H5F_ACC_RDONLY, H5P_DEFAULT));
    MeasurementDataSet fresh;
    std::int32_t version = 0;
    if (!file || !ReadHeader(file.get(), fresh, version))
        return failed(kDocumentUnexpectedFormat);
    const bool perDevice = version == kVersionDeviceGrids;
    if (perDevice && !ReadDeviceGrids(file.get(), fresh))
        return failed(kDocumentUnexpectedFormat);
    if (fresh.recordCount > 0)
        fresh.record(fresh.recordCount - 1);
    RecordTables tables;
    if (!ReadRecordTables(file.get(), fresh, perDevice, tables) || !ReadTexts(file.get(), fresh) ||
        !ReadSpectra(file.get(), fresh, tables))
        return failed(kDocumentUnexpectedFormat);
    data.AdoptRead(std::move(fresh));
    return {};
}

bool HasHdf5Signature(const QString& path) {
    static constexpr char kSignature[8] = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    char head[8] = {};
    return file.read(head, 8) == 8 && std::memcmp(head, kSignature, 8) == 0;
}

namespace {
FileResult WriteHdf5Export(const QString& path, const MeasurementDataSet& data) {
    return WriteHdf5File(path, data, QStringLiteral("VL_Tool " VL_VERSION));
}
}  // namespace

extern const DataSetFormat kHdf5Format;
const DataSetFormat kHdf5Format{
    "h5",
    {QStringLiteral(".h5")},
    QT_TRANSLATE_NOOP("DataSetFormat", "HDF5"),
    QStringLiteral("*.h5"),
    QT_TRANSLATE_NOOP("CMainFrame", "HDF5 にエクスポート…"),
    32790,
    HasHdf5Signature,
    ReadHdf5File,
    WriteHdf5Export,
};
