// The HDF5 file's small datasets and attributes: everything but /spectra.

#include "export/Hdf5WriteTables.h"

#include <algorithm>
#include <string>
#include <vector>

#include "export/Hdf5Names.h"

namespace {
using namespace hdf5names;

bool WriteAttribute(hid_t owner, const char* name, hid_t type, const void* value) {
    H5Handle space = SpaceHandle(H5Screate(H5S_SCALAR));
    H5Handle attribute =
        AttributeHandle(H5Acreate2(owner, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT));
    return attribute && H5Awrite(attribute.get(), type, value) >= 0;
}

bool WriteIntAttribute(hid_t owner, const char* name, std::int32_t value) {
    return WriteAttribute(owner, name, H5T_STD_I32LE, &value);
}

}  // namespace

H5Handle Utf8StringType() {
    H5Handle type = TypeHandle(H5Tcopy(H5T_C_S1));
    if (type &&
        (H5Tset_size(type.get(), H5T_VARIABLE) < 0 || H5Tset_cset(type.get(), H5T_CSET_UTF8) < 0))
        return {};
    return type;
}

bool WriteTextAttribute(hid_t owner, const char* name, const QByteArray& text) {
    H5Handle type = Utf8StringType();
    const char* value = text.constData();
    return type && WriteAttribute(owner, name, type.get(), &value);
}

namespace {
// A contiguous dataset written whole from values (count elements of memType).
bool WriteDataSet(hid_t owner, const char* name, hid_t fileType, hid_t memType,
                  std::initializer_list<hsize_t> dims, const void* values,
                  const char* units = nullptr) {
    const std::vector<hsize_t> shape(dims);
    H5Handle space =
        SpaceHandle(H5Screate_simple(static_cast<int>(shape.size()), shape.data(), nullptr));
    H5Handle set = DataSetHandle(
        H5Dcreate2(owner, name, fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    if (!set)
        return false;
    const bool empty = std::find(shape.begin(), shape.end(), 0) != shape.end();
    if (!empty && H5Dwrite(set.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values) < 0)
        return false;
    return units == nullptr || WriteTextAttribute(set.get(), kUnits, units);
}

}  // namespace

FileGrid FileGridOf(const MeasurementDataSet& data) {
    const int devices = std::clamp(data.deviceCount, 0, MAX_DEVICES);
    if (!data.hasMixedGrids() || devices == 0)
        return {false, data.pointCount, data.firstWavelength};
    FileGrid g{true, 0, data.grid(0).firstWavelength};
    for (int d = 0; d < devices; ++d) {
        g.points = std::max(g.points, data.grid(d).pointCount);
        g.first = std::min(g.first, data.grid(d).firstWavelength);
    }
    return g;
}

bool WriteTexts(hid_t file, const MeasurementDataSet& data, const FileGrid& grid) {
    H5Handle group = GroupHandle(H5Gcreate2(file, kDevices, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
    H5Handle type = Utf8StringType();
    if (!group || !type)
        return false;
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    for (const auto& [name, texts] :
         {std::pair{kSerial, &data.serialText}, std::pair{kSensorModel, &data.sensorModel}}) {
        std::vector<const char*> pointers(devices);
        for (std::size_t d = 0; d < devices; ++d)
            pointers[d] = (*texts)[d].constData();
        if (!WriteDataSet(group.get(), name, type.get(), type.get(), {devices}, pointers.data()))
            return false;
    }
    if (!grid.perDevice)
        return true;
    std::vector<std::int32_t> first(devices), points(devices);
    for (std::size_t d = 0; d < devices; ++d) {
        first[d] = data.grid(static_cast<int>(d)).firstWavelength;
        points[d] = data.grid(static_cast<int>(d)).pointCount;
    }
    return WriteDataSet(group.get(), kDeviceFirstWavelength, H5T_STD_I32LE, H5T_NATIVE_INT32,
                        {devices}, first.data(), "nm") &&
           WriteDataSet(group.get(), kDevicePointCount, H5T_STD_I32LE, H5T_NATIVE_INT32, {devices},
                        points.data());
}

namespace {
// /wavelength_nm: [P] of first + i, or per device [D][P] padded with kNoWavelength.
bool WriteWavelengths(hid_t file, const MeasurementDataSet& data, const FileGrid& grid) {
    const auto points = static_cast<std::size_t>(grid.points);
    if (!grid.perDevice) {
        std::vector<std::int32_t> wavelength(points);
        for (std::size_t i = 0; i < points; ++i)
            wavelength[i] = grid.first + static_cast<std::int32_t>(i);
        return WriteDataSet(file, kWavelength, H5T_STD_I32LE, H5T_NATIVE_INT32, {points},
                            wavelength.data(), "nm");
    }
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    std::vector<std::int32_t> wavelength(devices * points, kNoWavelength);
    for (std::size_t d = 0; d < devices; ++d) {
        const WavelengthGrid g = data.grid(static_cast<int>(d));
        for (std::size_t i = 0; i < static_cast<std::size_t>(g.pointCount); ++i)
            wavelength[d * points + i] = g.firstWavelength + static_cast<std::int32_t>(i);
    }
    return WriteDataSet(file, kWavelength, H5T_STD_I32LE, H5T_NATIVE_INT32, {devices, points},
                        wavelength.data(), "nm");
}
}  // namespace

bool WriteRecordTables(hid_t file, const MeasurementDataSet& data, const FileGrid& grid,
                       const RecordTables& tables) {
    const auto devices = static_cast<std::size_t>(data.deviceCount);
    const auto records = static_cast<std::size_t>(data.recordCount);
    const hid_t i32 = H5T_STD_I32LE;
    return WriteWavelengths(file, data, grid) &&
           WriteDataSet(file, kTime, H5T_STD_I64LE, H5T_NATIVE_INT64, {records}, tables.time.data(),
                        "seconds since 1970-01-01T00:00:00Z") &&
           WriteDataSet(file, kTemperature, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, {devices, records},
                        tables.temperature.data(), "degC") &&
           WriteDataSet(file, kExposure, i32, H5T_NATIVE_INT32, {devices, records},
                        tables.exposure.data(), "us") &&
           WriteDataSet(file, kReserved, i32, H5T_NATIVE_INT32, {devices, records},
                        tables.reserved.data());
}

bool WriteRootAttributes(hid_t file, const MeasurementDataSet& data, const FileGrid& grid,
                         const QString& createdBy) {
    return WriteIntAttribute(file, kFormatVersion,
                             grid.perDevice ? kVersionDeviceGrids : kVersion) &&
           WriteTextAttribute(file, kCreatedBy, createdBy.toUtf8()) &&
           WriteIntAttribute(file, kDeviceCount, data.deviceCount) &&
           WriteIntAttribute(file, kRecordCount, data.recordCount) &&
           WriteIntAttribute(file, kPointCount, grid.points) &&
           WriteIntAttribute(file, kFirstWavelength, grid.first) &&
           WriteIntAttribute(file, kReferenceIndex, data.referenceIndex);
}
