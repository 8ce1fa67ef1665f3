#include "CliLink.h"

#include <vector>

#include <QEventLoop>

#include "device/Clock.h"

void WaitFor(const std::function<void(std::function<void()> done)>& start) {
    QEventLoop loop;
    bool finished = false;
    start([&] {
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
}

bool OpenCliLink(CliContext& context, CliLink& into, QString& error, bool withLed) {
    Clock& clock = SystemClock::instance();
    into.ports = context.ports.makeProvider(clock, error);
    if (!into.ports)
        return false;
    into.executor = std::make_unique<WorkerPortExecutor>();
    into.link =
        std::make_unique<DeviceLink>(*into.ports, clock, *into.executor, context.ports.settleMs);
    DeviceLink& link = *into.link;
    WaitFor([&](std::function<void()> done) {
        link.DetectSpectrometers({}, [&into, done](int n) {
            into.count = n;
            done();
        });
    });
    std::vector<QByteArray> sensorModels;
    for (int i = 0; i < into.count; ++i)
        sensorModels.push_back(link.storedIdentity(i).sensorModel);
    if (withLed)
        WaitFor([&](std::function<void()> done) { link.FindAndConnectLedUnit(done); });
    if (into.count > 0)
        link.SelectSensorProfiles(sensorModels);
    return true;
}

DeviceSlot* CliDeviceSlot(CliLink& cli, int device, QString& error) {
    if (device < 0 || device >= cli.count) {
        error =
            CliText(QT_TRANSLATE_NOOP("velarim-cli", "スロット %1 に装置がありません")).arg(device);
        return nullptr;
    }
    return &cli.link->slot(device);
}
