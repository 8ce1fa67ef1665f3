#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include <QtGlobal>

#include "device/CommandTable.h"

// What a device can be set to: the exposure in microseconds and the
// averaging count. The window and every client of the session refuse
// anything else.
inline constexpr std::int32_t kMinExposureUs = 1;
inline constexpr std::int32_t kMaxExposureUs = 1000000;
inline constexpr std::int32_t kMinAveraging = 1;
inline constexpr std::int32_t kMaxAveraging = 100;

// A spectrometer's settings, each present or not: to send, as reported back,
// as known. One member per row of DEVICE_SETTINGS.
struct DeviceSettingValues {
    std::optional<std::int32_t> exposureUs;
    std::optional<std::int32_t> averaging;
    std::optional<std::int32_t> aux;
    bool empty() const;  // no value present
    bool operator==(const DeviceSettingValues&) const = default;
};

// One setting: its value, the words that set it and read it back (the set
// word's firmware gate decides whether a device is sent it), what it takes,
// and its names in messages, on the command line and in JSON.
struct DeviceSetting {
    std::optional<std::int32_t> DeviceSettingValues::*value;
    CommandWord set;
    CommandWord get;
    std::int32_t min;
    std::int32_t max;
    const char* name;    // in messages, translated in the context "DeviceSettings"
    const char* unit;    // after a value in messages
    const char* option;  // velarim-cli
    const char* key;     // JSON
};

// The settings in the order they are sent and read back. A new setting is a
// member above, a row here, its words in CommandTable.h, and the simulated
// device's answer.
inline constexpr DeviceSetting DEVICE_SETTINGS[] = {
    {&DeviceSettingValues::exposureUs, CMD_SET_EXPOSURE, CMD_GET_EXPOSURE, kMinExposureUs,
     kMaxExposureUs, QT_TRANSLATE_NOOP("DeviceSettings", "露光時間"), " us", "--exposure-us",
     "exposure_us"},
    {&DeviceSettingValues::averaging, CMD_SET_AVERAGING, CMD_GET_AVERAGING, kMinAveraging,
     kMaxAveraging, QT_TRANSLATE_NOOP("DeviceSettings", "平均回数"), "", "--averaging",
     "averaging"},
    {&DeviceSettingValues::aux, CMD_SET_AUX_SETTING, CMD_GET_AUX_SETTING,
     std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
     QT_TRANSLATE_NOOP("DeviceSettings", "補助設定"), "", "--aux", "aux"},
};

inline bool DeviceSettingValues::empty() const {
    for (const DeviceSetting& s : DEVICE_SETTINGS) {
        if (this->*s.value)
            return false;
    }
    return true;
}

// Each value present in `from` replaces the one in `into`.
inline void MergeSettings(DeviceSettingValues& into, const DeviceSettingValues& from) {
    for (const DeviceSetting& s : DEVICE_SETTINGS) {
        if (from.*s.value)
            into.*s.value = from.*s.value;
    }
}
