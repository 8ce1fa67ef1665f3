#include "support/FakePortProvider.h"

#include <cstring>

#include "device/CommandTable.h"

namespace {
std::int32_t PayloadOf(const QByteArray& request) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(request[4 + i])) << (8 * i);
    return static_cast<std::int32_t>(v);
}
}  // namespace

QByteArray FakeDevice::answer(const QByteArray& request) {
    if (request.size() < 4)
        return {};
    const auto* p = reinterpret_cast<const std::uint8_t*>(request.constData());
    const CommandWord word{p[0], p[1], static_cast<std::uint16_t>(p[2] | (p[3] << 8))};
    const QByteArray ack(int(ACK_BYTES), '\0');
    if (word.isSetting()) {
        settings.push_back(request);
        if (word == CMD_STORE_DARK && request.size() == 4) {
            ++darkStores;
            return ack;
        }
        if (request.size() != 8)
            return {};
        const std::int32_t v = PayloadOf(request);
        if (word == CMD_SET_EXPOSURE)
            exposure = v;
        else if (word == CMD_SET_AVERAGING)
            averaging = v;
        else if (word == CMD_SET_AUX_SETTING)
            aux = v;
        else if (word == LED_SET_STATE)
            ledState = v;
        else
            return {};
        return ack;
    }
    if (request.size() != 4)
        return {};
    if (word == CMD_GET_VERSION)
        return TextField(version, 16);
    if (word == CMD_GET_SERIAL)
        return TextField(serial, 16);
    if (word == CMD_GET_SENSOR_MODEL)
        return TextField(sensorModel, 16);
    if (word == CMD_GET_DEVICE_TYPE)
        return Int32Bytes(deviceType);
    if (word == CMD_GET_EXPOSURE)
        return Int32Bytes(exposure);
    if (word == CMD_GET_AVERAGING)
        return Int32Bytes(averaging);
    if (word == CMD_GET_AUX_SETTING)
        return Int32Bytes(aux);
    if (word == CMD_GET_TEMPERATURE)
        return FloatBytes(temperature);
    if (word == LED_GET_NAME)
        return TextField(ledName, 32);
    if (word == LED_GET_STATE)
        return Int32Bytes(ledState);
    if (word == LED_GET_TEMPERATURE)
        return FloatBytes(ledTemperature);
    if (word.code == CMD_GET_SPECTRUM) {
        QByteArray all;
        for (std::size_t i = 0; i < MAX_POINTS; ++i)
            all += FloatBytes(i < spectrum.size() ? spectrum[i] : 1000.0f + float(i));
        const qsizetype offset = qsizetype(word.page) * qsizetype(PAGE_BYTES);
        if (offset + word.length > all.size())
            return {};
        return all.mid(offset, word.length);
    }
    return {};
}

PortScript::Responder FakeDevice::Responder(std::shared_ptr<FakeDevice> device) {
    return [device](const QByteArray& request) { return device->answer(request); };
}

std::shared_ptr<PortScript> FakePortProvider::addPort(const QString& name, const QString& usbId,
                                                      PortScript::Responder responder) {
    auto script = std::make_shared<PortScript>();
    script->name = name;
    script->clock = clock_;
    script->responder = std::move(responder);
    ports_.push_back({name, usbId, true, script});
    return script;
}

void FakePortProvider::setOpenable(const QString& name, bool openable) {
    for (Port& p : ports_)
        if (p.name == name)
            p.openable = openable;
}

std::shared_ptr<PortScript> FakePortProvider::script(const QString& name) const {
    for (const Port& p : ports_)
        if (p.name == name)
            return p.script;
    return nullptr;
}

std::vector<QString> FakePortProvider::candidatePorts() {
    std::vector<QString> names;
    for (const Port& p : ports_)
        names.push_back(p.name);
    return names;
}

std::vector<UsbDeviceInfo> FakePortProvider::enumerateDevices() {
    ++enumerations;
    std::vector<UsbDeviceInfo> devices = extra_;
    for (const Port& p : ports_) {
        if (p.usbId.isEmpty())
            continue;
        const QString description = QStringLiteral("USB Serial Device");
        devices.push_back(
            {description, description + " " + PortTag(p.name), "USB\\" + p.usbId + "\\0001"});
    }
    return devices;
}

std::unique_ptr<Transport> FakePortProvider::open(const QString& portName) {
    openAttempts.push_back(portName);
    for (const Port& p : ports_) {
        if (p.name != portName)
            continue;
        if (!p.openable || p.script->open)
            return nullptr;
        return std::make_unique<RecordingTransport>(p.script);
    }
    return nullptr;
}
