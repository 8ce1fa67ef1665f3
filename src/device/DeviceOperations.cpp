#include "device/DeviceOperations.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "device/PortChannel.h"

DeviceIdentity IdentifyOnDetection(Transport& port) {
    DeviceIdentity id;
    id.versionText = ReadText(port, CMD_GET_VERSION);
    id.version = ParseVersion(id.versionText);
    id.serialText = ReadText(port, CMD_GET_SERIAL);
    std::int32_t type = 0;
    if (ReadInt32(port, CMD_GET_DEVICE_TYPE, type))
        id.isLX = (type & 0x0F) == LX_MODEL_CODE;
    return id;
}

DeviceSettingValues ApplyConnectLimits(Transport& port, float version) {
    DeviceSettingValues settings;
    std::int32_t exposure = 0;
    if (ReadInt32(port, CMD_GET_EXPOSURE, exposure))
        settings.exposureUs = exposure;
    if (exposure > kMaxExposureUs) {
        SendSetting(port, CMD_SET_EXPOSURE, kMaxExposureUs);
        settings.exposureUs = kMaxExposureUs;
    }
    std::int32_t averaging = 0;
    if (ReadInt32(port, CMD_GET_AVERAGING, averaging))
        settings.averaging = averaging;
    if (averaging > kMaxAveraging && DeviceTakes(CMD_SET_AVERAGING, version)) {
        SendSetting(port, CMD_SET_AVERAGING, 1);
        settings.averaging = 1;
    }
    return settings;
}

StoredIdentity ReadStoredIdentity(Transport& port, float version) {
    StoredIdentity identity;
    identity.serialText = ReadText(port, CMD_GET_SERIAL);
    identity.sensorModel = ReadText(port, CMD_GET_SENSOR_MODEL);
    identity.settings = ApplyConnectLimits(port, version);
    return identity;
}

LiveReading ReadLiveData(Transport& port, bool bridged, int pointCount) {
    LiveReading live;
    if (pointCount > 0) {
        const std::size_t points = std::min<std::size_t>(std::size_t(pointCount), MAX_POINTS);
        std::array<std::uint8_t, SPECTRUM_BYTES> raw{};
        live.spectrumRead = ReadTable(port, CMD_GET_SPECTRUM, points * 4, bridged, raw);
        for (std::size_t i = 0; live.spectrumRead && i < points; ++i) {
            const std::uint8_t* b = raw.data() + 4 * i;
            const std::uint32_t bits = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                       (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
            std::memcpy(&live.spectrum[i], &bits, sizeof bits);
        }
    }
    live.temperatureRead = ReadFloat(port, CMD_GET_TEMPERATURE, live.temperature);
    return live;
}

DeviceSettings ReadDeviceSettings(Transport& port, float version, bool withAux) {
    DeviceSettings s;
    ReadInt32(port, CMD_GET_EXPOSURE, s.exposure);
    ReadInt32(port, CMD_GET_AVERAGING, s.averaging);
    if (withAux && DeviceTakes(CMD_GET_AUX_SETTING, version)) {
        std::int32_t aux = 0;
        ReadInt32(port, CMD_GET_AUX_SETTING, aux);
        s.aux = aux;
    }
    return s;
}

void SendPendingSettings(Transport& port, float version, const DeviceSettingValues& settings) {
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        if (settings.*setting.value && DeviceTakes(setting.set, version))
            SendSetting(port, setting.set, *(settings.*setting.value));
    }
}

bool StoreDark(Transport& port, float version) {
    if (!DeviceTakes(CMD_STORE_DARK, version))
        return false;
    SendStoreDark(port);
    return true;
}

void WakeDevice(Transport& port) {
    std::int32_t ignored = 0;
    ReadInt32(port, CMD_GET_DEVICE_TYPE, ignored);
}

namespace {
// The port, opened anew when it has gone; null while it cannot be opened.
Transport* LivePort(PortAccess& port, bool& reopened) {
    reopened = false;
    if (port.transport() && port.transport()->gone())
        port.close();
    if (port.transport())
        return port.transport();
    if (!port.open())
        return nullptr;
    reopened = true;
    return port.transport();
}
}  // namespace

// A newly listed port with the device's identity where the same serial answers.
ProbeResult ProbeNewPorts(PortAccess& port, bool bridged, const QByteArray& serialText,
                          const std::vector<QString>& knownPorts) {
    ProbeResult r;
    const QString was = port.name();
    const std::vector<UsbDeviceInfo> devices = port.provider().enumerateDevices();
    for (const QString& name : port.provider().candidatePorts()) {
        if (name == was ||
            std::find(knownPorts.begin(), knownPorts.end(), name) != knownPorts.end())
            continue;
        if (!UsbIdMatchesPort(devices, bridged ? USB_ID_BRIDGE : USB_ID_DIRECT, PortTag(name)))
            continue;
        if (!port.openAt(name))
            continue;
        if (bridged)
            port.transport()->configureBridge();
        r.identity = IdentifyOnDetection(*port.transport());
        if (r.identity.serialText == serialText) {
            r.reopened = true;
            r.newName = name;
            r.stored = ReadStoredIdentity(*port.transport(), r.identity.version);
            r.answered = true;
            return r;
        }
        port.close();
    }
    port.rename(was);  // the next probe tries its own port first again
    r.identity = {};
    return r;
}

ProbeResult ProbeSpectrometer(PortAccess& port, bool bridged, const QByteArray& serialText,
                              const std::vector<QString>& knownPorts) {
    ProbeResult r;
    Transport* t = LivePort(port, r.reopened);
    if (!t)
        return ProbeNewPorts(port, bridged, serialText, knownPorts);
    if (!r.reopened) {
        float temperature = 0.0f;
        r.answered = ReadFloat(*t, CMD_GET_TEMPERATURE, temperature);
        return r;
    }
    if (bridged)
        t->configureBridge();  // before any command goes out
    r.identity = IdentifyOnDetection(*t);
    if (r.identity.serialText != serialText) {
        r.otherDevice = !r.identity.serialText.isEmpty();
        port.close();
        return r;
    }
    r.stored = ReadStoredIdentity(*t, r.identity.version);
    r.answered = true;
    return r;
}

bool ProbeLedUnit(PortAccess& port) {
    bool reopened = false;
    Transport* t = LivePort(port, reopened);
    float temperature = 0.0f;
    return t && ReadFloat(*t, LED_GET_TEMPERATURE, temperature);
}

std::int32_t ReadExposureForRecord(Transport& port) {
    std::int32_t exposure = 0;
    ReadInt32(port, CMD_GET_EXPOSURE, exposure);
    return exposure;
}

LedIdentity ConnectLedUnit(Transport& port) {
    LedIdentity led;
    ReadInt32(port, LED_GET_STATE, led.state);
    const QByteArray version = ReadText(port, LED_GET_VERSION);
    const QByteArray name = ReadText(port, LED_GET_NAME);
    led.label = name + " ver " + version;
    return led;
}

LedReading ReadLedLive(Transport& port, std::int32_t state) {
    LedReading led;
    led.temperatureRead = ReadFloat(port, LED_GET_TEMPERATURE, led.temperature);
    SendSetting(port, LED_SET_STATE, state);
    return led;
}

std::optional<std::int32_t> ReadStoredCount(Transport& port) {
    std::int32_t count = 0;
    if (!ReadInt32(port, CMD_GET_STORED_COUNT, count))
        return std::nullopt;
    return count;
}

bool ReadLoggedRecord(Transport& port, std::span<std::uint8_t, LOGGED_RECORD_BYTES> into) {
    return Exchange(port, CMD_GET_STORED_RECORD, into);
}

SettingsReadBack SendSettingsAndReadBack(Transport& port, float version,
                                         const DeviceSettingValues& settings) {
    SettingsReadBack r;
    auto sent = [&](const DeviceSetting& setting) {
        return settings.*setting.value && DeviceTakes(setting.set, version);
    };
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        if (sent(setting))
            r.acknowledged =
                SendSetting(port, setting.set, *(settings.*setting.value)) && r.acknowledged;
    }
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        std::int32_t value = 0;
        if (sent(setting) && ReadInt32(port, setting.get, value))
            r.reported.*setting.value = value;
    }
    return r;
}

DarkOutcome StoreDarkAcknowledged(Transport& port, float version) {
    if (!DeviceTakes(CMD_STORE_DARK, version))
        return DarkOutcome::NotTaken;
    return SendStoreDark(port) ? DarkOutcome::Acknowledged : DarkOutcome::NoReply;
}

std::optional<std::int32_t> SendLedStateAndReadBack(Transport& port, std::int32_t state) {
    SendSetting(port, LED_SET_STATE, state);
    std::int32_t reported = 0;
    if (!ReadInt32(port, LED_GET_STATE, reported))
        return std::nullopt;
    return reported;
}
