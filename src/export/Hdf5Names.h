#pragma once

#include <cstdint>

// Names of the HDF5 file's objects, shared by its writer and reader.
namespace hdf5names {
inline constexpr char kSpectra[] = "spectra";
inline constexpr char kWavelength[] = "wavelength_nm";
inline constexpr char kTime[] = "time";
inline constexpr char kTemperature[] = "temperature_C";
inline constexpr char kExposure[] = "exposure_us";
inline constexpr char kReserved[] = "reserved";
inline constexpr char kDevices[] = "devices";
inline constexpr char kSerial[] = "serial";
inline constexpr char kSensorModel[] = "sensor_model";

inline constexpr char kReferenceIndex[] = "reference_index";
inline constexpr char kPointCount[] = "point_count";
inline constexpr char kFirstWavelength[] = "first_wavelength_nm";
inline constexpr char kRecordCount[] = "record_count";
inline constexpr char kDeviceCount[] = "device_count";
inline constexpr char kCreatedBy[] = "created_by";
inline constexpr char kFormatVersion[] = "format_version";
inline constexpr char kUnits[] = "units";

inline constexpr std::int32_t kVersion = 1;
}  // namespace hdf5names
