#include "CliLink.h"

#include <vector>

#include "device/Clock.h"

bool OpenCliLink(CliContext& context, CliLink& into, QString& error, bool withLed) {
    Clock& clock = SystemClock::instance();
    into.ports = context.ports.makeProvider(clock, error);
    if (!into.ports)
        return false;
    into.link = std::make_unique<DeviceLink>(*into.ports, clock, context.ports.settleMs);
    DeviceLink& link = *into.link;
    into.count = link.DetectSpectrometers();
    std::vector<QByteArray> sensorModels;
    for (int i = 0; i < into.count; ++i)
        sensorModels.push_back(link.ReadStoredIdentity(i).sensorModel);
    if (withLed) {
        link.FindLedUnit();
        link.ConnectLedUnit();
    }
    if (into.count > 0)
        link.SelectSensorProfile(sensorModels);
    return true;
}

DeviceSlot* CliDeviceSlot(CliLink& cli, int device, QString& error) {
    if (device < 0 || device >= cli.count) {
        error = QString("no device in slot %1").arg(device);
        return nullptr;
    }
    return &cli.link->slot(device);
}
