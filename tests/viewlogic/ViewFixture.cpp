#include "ViewFixture.h"

namespace {
int CountWord(const PortScript& script, CommandWord word) {
    const auto b = word.bytes();
    int n = 0;
    for (const QByteArray& w : script.writes) {
        if (w.size() >= 4 && std::uint8_t(w[0]) == b[0] && std::uint8_t(w[1]) == b[1] &&
            std::uint8_t(w[2]) == b[2] && std::uint8_t(w[3]) == b[3])
            ++n;
    }
    return n;
}
}  // namespace

std::shared_ptr<FakeDevice> ViewFixture::AddDevice(const QByteArray& version,
                                                   const QByteArray& serial) {
    auto device = std::make_shared<FakeDevice>();
    device->version = version;
    device->serial = serial.isEmpty() ? "S0000" + QByteArray::number(int(devices.size())) : serial;
    const QString name = QStringLiteral("ttyACM%1").arg(devices.size());
    scripts_.push_back(ports.addPort(name, USB_ID_DIRECT, FakeDevice::Responder(device)));
    devices.push_back(device);
    return device;
}

std::shared_ptr<FakeDevice> ViewFixture::AddLed() {
    led = std::make_shared<FakeDevice>();
    ledScript_ = ports.addPort(QStringLiteral("ttyACM9"), USB_ID_LED, FakeDevice::Responder(led));
    return led;
}

void ViewFixture::Start() {
    link = std::make_unique<TestDeviceLink>(ports, clock, 3000);
    view = std::make_unique<MainViewLogic>(form, timers, settings, *link, data, doc,
                                           QStringLiteral("/opt/vl/"));
    // The made-up program folder counts as writable: plan files are "appended" there.
    view->setPlanFolderRule([](const QString&) { return true; }, QString());
    view->InitialUpdate();
}

void ViewFixture::Fire(int id) {
    ASSERT_TRUE(timers.take(id)) << "timer " << id << " is not armed";
    view->OnTimer(id);
}

void ViewFixture::Tick(int advanceMs) {
    clock.advanceMs(advanceMs);
    timers.stop(TIMER_TICK);
    view->OnTimer(TIMER_TICK);
}

int ViewFixture::Count(int slot, CommandWord word) const {
    return CountWord(*scripts_.at(slot), word);
}

int ViewFixture::CountLed(CommandWord word) const {
    return CountWord(*ledScript_, word);
}

std::vector<std::int32_t> ViewFixture::Payloads(const FakeDevice& device, CommandWord word) const {
    const auto b = word.bytes();
    std::vector<std::int32_t> values;
    for (const QByteArray& r : device.settings) {
        if (r.size() != 8 || std::uint8_t(r[0]) != b[0] || std::uint8_t(r[1]) != b[1] ||
            std::uint8_t(r[2]) != b[2] || std::uint8_t(r[3]) != b[3])
            continue;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(std::uint8_t(r[4 + i])) << (8 * i);
        values.push_back(static_cast<std::int32_t>(v));
    }
    return values;
}
