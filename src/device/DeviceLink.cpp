#include "device/DeviceLink.h"

#include <algorithm>

#include "device/Exchange.h"

bool UsbIdMatchesPort(const std::vector<UsbDeviceInfo>& devices, const QString& usbId,
                      const QString& portTag) {
    for (const UsbDeviceInfo& device : devices) {
        if (device.description.isEmpty())
            continue;  // a device without description is skipped
        // Only the first string of the hardware id list counts.
        const QString firstId = device.hardwareId.section(QChar('\0'), 0, 0);
        if (device.friendlyName.contains(portTag, Qt::CaseSensitive) &&
            firstId.contains(usbId, Qt::CaseSensitive))
            return true;
    }
    return false;
}

DeviceLink::DeviceLink(PortProvider& ports, Clock& clock, int settleMs)
    : ports_(ports), clock_(clock), settleMs_(settleMs) {}

void DeviceLink::CloseSpectrometers() {
    for (DeviceSlot& s : slots_) {
        s.handle.reset();
        s.bridged = false;
        s.version = 0.0f;
        s.isLX = false;
        s.versionText.clear();
        s.serialText.clear();
        s.portTag.clear();
    }
    deviceCount_ = 0;
}

int DeviceLink::DetectSpectrometers() {
    CloseSpectrometers();
    detectDiagnostics_.clear();
    int k = 0;
    for (const QString& name : ports_.candidatePorts()) {
        if (k == MAX_DEVICES)
            break;  // further ports stay closed and unlisted
        std::unique_ptr<Transport> port = ports_.open(name);
        if (!port) {
            NoteOpenFailure(name, {USB_ID_DIRECT, USB_ID_BRIDGE}, detectDiagnostics_);
            continue;  // no such port, or held by someone (this program included)
        }
        const QString tag = PortTag(name);
        bool bridged = false;
        if (UsbIdMatchesPort(ports_.enumerateDevices(), USB_ID_DIRECT, tag)) {
            bridged = false;
        } else if (UsbIdMatchesPort(ports_.enumerateDevices(), USB_ID_BRIDGE, tag)) {
            bridged = true;
        } else {
            continue;  // not ours: the port closes here
        }
        DeviceSlot& s = slots_[k];
        s.handle = std::move(port);
        s.bridged = bridged;
        s.portTag = tag;
        if (bridged)
            s.handle->configureBridge();  // before any command goes out
        IdentifyOnDetection(k);
        ++k;
        deviceCount_ = k;
        clock_.sleepMs(settleMs_);
    }
    deviceCount_ = k;
    return k;
}

namespace {
bool InRange(int slot) {
    return slot >= 0 && slot < MAX_DEVICES;
}
}  // namespace

void DeviceLink::IdentifyOnDetection(int slot) {
    if (!InRange(slot))
        return;
    DeviceSlot& s = slots_[slot];
    if (!s.handle)
        return;
    s.versionText = ReadText(*s.handle, CMD_GET_VERSION);
    s.version = ParseVersion(s.versionText);
    s.serialText = ReadText(*s.handle, CMD_GET_SERIAL);
    std::int32_t type = 0;
    if (ReadInt32(*s.handle, CMD_GET_DEVICE_TYPE, type))
        s.isLX = (type & 0x0F) == LX_MODEL_CODE;
}

StoredIdentity DeviceLink::ReadStoredIdentity(int slot) {
    StoredIdentity identity;
    if (!InRange(slot))
        return identity;
    DeviceSlot& s = slots_[slot];
    if (!s.handle)
        return identity;
    identity.serialText = ReadText(*s.handle, CMD_GET_SERIAL);
    identity.sensorModel = ReadText(*s.handle, CMD_GET_SENSOR_MODEL);
    ApplyConnectLimits(slot);
    return identity;
}

void DeviceLink::ApplyConnectLimits(int slot) {
    constexpr std::int32_t kMaxExposureUs = 1000000;
    constexpr std::int32_t kMaxAveraging = 100;
    if (!InRange(slot))
        return;
    DeviceSlot& s = slots_[slot];
    if (!s.handle)
        return;
    std::int32_t exposure = 0;
    ReadInt32(*s.handle, CMD_GET_EXPOSURE, exposure);
    if (exposure > kMaxExposureUs)
        SendSetting(*s.handle, CMD_SET_EXPOSURE, kMaxExposureUs);
    std::int32_t averaging = 0;
    ReadInt32(*s.handle, CMD_GET_AVERAGING, averaging);
    if (averaging > kMaxAveraging && VersionAtLeast15(s))
        SendSetting(*s.handle, CMD_SET_AVERAGING, 1);
}

SensorProfile DeviceLink::SelectSensorProfile(const std::vector<QByteArray>& sensorModels) {
    for (const QByteArray& model : sensorModels)
        profile_ = ProfileForSensorModel(model, profile_.pixelCount);
    return profile_;
}

int DeviceLink::FindLedUnit() {
    CloseLedUnit();
    ledDiagnostics_.clear();
    int count = 0;
    for (const QString& name : ports_.candidatePorts()) {
        std::unique_ptr<Transport> port = ports_.open(name);
        if (!port) {
            NoteOpenFailure(name, {USB_ID_LED}, ledDiagnostics_);
            continue;  // includes every port a spectrometer holds
        }
        if (!UsbIdMatchesPort(ports_.enumerateDevices(), USB_ID_LED, PortTag(name)))
            continue;
        ++count;
        led_.handle = std::move(port);  // the last match wins; an earlier one is closed
    }
    led_.present = count != 0;
    return count;
}

void DeviceLink::ConnectLedUnit() {
    if (!led_.present || !led_.handle) {
        led_.state = 0;
        return;
    }
    std::int32_t state = 0;
    ReadInt32(*led_.handle, LED_GET_STATE, state);
    led_.state = state;
    const QByteArray version = ReadText(*led_.handle, LED_GET_VERSION);
    const QByteArray name = ReadText(*led_.handle, LED_GET_NAME);
    led_.label = name + " ver " + version;
}

void DeviceLink::CloseLedUnit() {
    led_.handle.reset();
    led_.present = false;
}

void DeviceLink::NoteOpenFailure(const QString& name, std::initializer_list<const char*> usbIds,
                                 std::vector<PortDiagnostic>& into) {
    const auto* reporter = dynamic_cast<const PortOpenReporter*>(&ports_);
    if (!reporter)
        return;
    const PortOpenFailure failure = reporter->lastOpenFailure();
    if (failure.error == PortOpenError::None || failure.error == PortOpenError::NotFound)
        return;
    const QString tag = PortTag(name);
    const std::vector<UsbDeviceInfo> devices = ports_.enumerateDevices();
    for (const char* usbId : usbIds) {
        if (!UsbIdMatchesPort(devices, usbId, tag))
            continue;
        // "VID_3D7E&PID_0825" -> "3D7E:0825"
        const QString id = QString::fromLatin1(usbId);
        const QString shortId = id.mid(4, 4) + ":" + id.mid(13, 4);
        into.push_back({name, shortId, failure, PortDiagnosticMessage(name, shortId, failure)});
        return;
    }
}

std::vector<PortDiagnostic> DeviceLink::portDiagnostics() const {
    std::vector<PortDiagnostic> all = detectDiagnostics_;
    for (const PortDiagnostic& d : ledDiagnostics_) {
        const bool seen = std::any_of(all.begin(), all.end(), [&](const PortDiagnostic& a) {
            return a.portName == d.portName;
        });
        if (!seen)
            all.push_back(d);
    }
    return all;
}

QString DeviceLink::ListEntry(int slot) const {
    if (!InRange(slot))
        return {};
    const DeviceSlot& s = slots_[slot];
    QString entry = QString::fromLatin1(s.serialText) + "(" + s.portTag + ") " +
                    QString::fromLatin1(s.versionText);
    if (s.isLX)
        entry += "(LX)";
    return entry;
}
