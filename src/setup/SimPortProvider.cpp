#include "setup/SimPortProvider.h"

#include "setup/InProcessTransport.h"

SimPortProvider::SimPortProvider(const std::vector<SimDeviceSpec>& deviceSpecs, Clock& clock,
                                 std::uint32_t seed)
    : world_(std::make_shared<SimWorld>(clock, seed)) {
    int spectrometers = 0;
    for (const SimDeviceSpec& deviceSpec : deviceSpecs) {
        Port port{deviceSpec, MakeSimDevice(*world_, deviceSpec, spectrometers),
                  std::make_shared<std::atomic<bool>>(false)};
        if (!deviceSpec.isLed())
            ++spectrometers;
        // Until the host sets the bridge's baud rate the device hears only noise.
        port.device->setLinkReady(!(deviceSpec.bridged && !deviceSpec.isLed()));
        ports_.push_back(std::move(port));
    }
}

std::unique_ptr<SimPortProvider> SimPortProvider::FromText(const QString& devices, Clock& clock,
                                                           QString& error, std::uint32_t seed) {
    std::vector<SimDeviceSpec> deviceSpecs;
    if (!ParseDeviceSpecs(devices, deviceSpecs, error))
        return nullptr;
    return std::make_unique<SimPortProvider>(deviceSpecs, clock, seed);
}

QString SimPortProvider::portName(int port) const {
    return QString("sim%1").arg(port);
}

std::vector<QString> SimPortProvider::candidatePorts() {
    std::vector<QString> names;
    for (int i = 0; i < portCount(); ++i)
        names.push_back(portName(i));
    return names;
}

std::vector<UsbDeviceInfo> SimPortProvider::enumerateDevices() {
    std::vector<UsbDeviceInfo> devices;
    for (int i = 0; i < portCount(); ++i) {
        const SimDeviceSpec& deviceSpec = ports_[i].deviceSpec;
        UsbDeviceInfo info;
        info.description = deviceSpec.isLed()   ? "Velarim LED Unit"
                           : deviceSpec.bridged ? "USB-Serial Bridge"
                                                : "Velarim Spectrometer";
        info.friendlyName = info.description + " " + PortTag(portName(i));
        info.hardwareId = QString("USB\\VID_%1&PID_%2\\SIM%3")
                              .arg(deviceSpec.vendorId(), 4, 16, QChar('0'))
                              .arg(deviceSpec.productId(), 4, 16, QChar('0'))
                              .arg(i)
                              .toUpper();
        devices.push_back(info);
    }
    return devices;
}

std::unique_ptr<Transport> SimPortProvider::open(const QString& portName) {
    for (int i = 0; i < portCount(); ++i) {
        if (this->portName(i) != portName)
            continue;
        Port& port = ports_[i];
        bool wasHeld = false;
        if (!port.held->compare_exchange_strong(wasHeld, true))
            return nullptr;
        std::weak_ptr<SimDevice> device = port.device;
        std::weak_ptr<std::atomic<bool>> held = port.held;
        std::shared_ptr<SimWorld> world = world_;
        return std::make_unique<InProcessTransport>(
            port.device, portName,
            [device] {
                if (auto d = device.lock())
                    d->setLinkReady(true);
            },
            [held, world] {
                if (auto h = held.lock())
                    *h = false;
            },
            port.deviceSpec.wire);
    }
    return nullptr;
}

SimSpectrometer* SimPortProvider::spectrometer(int port) {
    return dynamic_cast<SimSpectrometer*>(ports_[port].device.get());
}
