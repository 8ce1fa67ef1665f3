#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QByteArray>
#include <QString>

#include "device/CommandTable.h"
#include "device/PortChannel.h"
#include "device/WavelengthGrid.h"

// What a device's sensor model fixes: its spectrum grid, its pixel count for the
// per-pixel tables, and the two sensor-kind flags. Each device has its own.
struct SensorProfile {
    std::int32_t pointCount = 511;
    std::int32_t firstWavelength = 340;
    std::int32_t pixelCount = 288;
    bool nirSensor = false;
    bool uvSensor = false;

    WavelengthGrid grid() const { return {firstWavelength, pointCount}; }
};

// One attached spectrometer, in detection order, as the window's thread knows
// it: its port's channel (every exchange goes through it) and the values the
// last exchanges brought back.
struct DeviceSlot {
    DeviceSlot();
    std::shared_ptr<PortChannel> channel;  // empty when the slot is free
    bool bridged = false;                  // behind the USB-serial bridge: paged table reads
    float version = 0.0f;                  // decimal value of the version text
    bool isLX = false;                     // the data-logging model
    QByteArray versionText;                // as read at detection, for the device list
    QByteArray serialText;                 // as read at detection, for the device list
    QString portTag;                       // "(ttyUSB0)", "(COM7)": shown in the device list
    SpectrumBuffer spectrum{};             // last spectrum; a ramp 0, 100, ... until the first read
    float temperature = 0.0f;              // last temperature read
    bool answering = true;                 // false from a failed spectrum read until one succeeds
    SensorProfile profile;                 // from its sensor model; kept when the slot is refilled

    bool isOpen() const { return channel != nullptr; }
};

// The LED illumination unit.
struct LedUnit {
    std::shared_ptr<PortChannel> channel;
    bool present = false;
    QByteArray label;        // name + " ver " + version
    std::int32_t state = 0;  // 0 off, 1 on; re-sent on every monitoring tick
    float temperature = 0.0f;
    bool answering = true;  // false from a failed temperature read until one succeeds
};

// Firmware gates: a device at exactly 1.5 gets averaging and store-dark but no
// auxiliary-setting commands.
bool VersionAtLeast15(const DeviceSlot& slot);
bool VersionAbove15(const DeviceSlot& slot);

// Decimal value of a version text: leading digits and one point; no number gives 0.
float ParseVersion(const QByteArray& text);

// The row of the sensor model table for one model text (exact match). pixelCount
// is left as given for models not in the table.
SensorProfile ProfileForSensorModel(const QByteArray& model, std::int32_t currentPixelCount);
