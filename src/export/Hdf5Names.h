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
// Format 2 only: each device's grid, /devices/first_wavelength_nm and /devices/point_count.
inline constexpr char kDeviceFirstWavelength[] = "first_wavelength_nm";
inline constexpr char kDevicePointCount[] = "point_count";

inline constexpr char kReferenceIndex[] = "reference_index";
inline constexpr char kPointCount[] = "point_count";
inline constexpr char kFirstWavelength[] = "first_wavelength_nm";
inline constexpr char kRecordCount[] = "record_count";
inline constexpr char kDeviceCount[] = "device_count";
inline constexpr char kCreatedBy[] = "created_by";
inline constexpr char kFormatVersion[] = "format_version";
inline constexpr char kUnits[] = "units";

// Format 1: one grid for all devices. Format 2: devices of different grids,
// /wavelength_nm [devices][points] and /spectra padded beyond each device's points.
inline constexpr std::int32_t kVersion = 1;
inline constexpr std::int32_t kVersionDeviceGrids = 2;
// Padding of /wavelength_nm beyond a device's points (the spectra's is NaN).
inline constexpr std::int32_t kNoWavelength = -1;
}  // namespace hdf5names
