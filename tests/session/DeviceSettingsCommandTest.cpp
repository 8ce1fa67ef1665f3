// The typed device commands over scripted devices: settings to one slot or
// all, each value read back and compared, refusals with nothing sent, the
// dark and the LED unit's state.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include "device/CommandTable.h"
#include "session/DeviceSettingsCommand.h"
#include "setup/Translation.h"
#include "support/FakeClock.h"
#include "support/FakePortProvider.h"
#include "support/InlineLink.h"

namespace {

class DeviceSettingsCommandTest : public ::testing::Test {
  protected:
    // The messages as an English user reads them (the sources are Japanese).
    static void SetUpTestSuite() {
        english = new QTranslator;
        ASSERT_TRUE(LoadEnglishTranslation(*english));
        QCoreApplication::installTranslator(english);
    }
    static void TearDownTestSuite() {
        QCoreApplication::removeTranslator(english);
        delete english;
    }
    static inline QTranslator* english = nullptr;

    std::shared_ptr<FakeDevice> Add(const QByteArray& version, const QByteArray& serial) {
        auto device = std::make_shared<FakeDevice>();
        device->version = version;
        device->serial = serial;
        scripts.push_back(ports.addPort(QStringLiteral("ttyACM%1").arg(devices.size()),
                                        USB_ID_DIRECT, FakeDevice::Responder(device)));
        devices.push_back(device);
        return device;
    }
    void Detect(bool withLed = false) {
        link = std::make_unique<TestDeviceLink>(ports, clock, 0);
        ASSERT_EQ(DetectNow(*link), int(devices.size()));
        if (withLed)
            FindLedNow(*link);
        for (auto& d : devices)
            d->settings.clear();  // what detection sent does not count
    }
    DeviceCommandResult Apply(int target, DeviceSettingValues request) {
        DeviceCommandResult out;
        bool done = false;
        ApplyDeviceSettings(*link, target, request, [&](DeviceCommandResult r) {
            out = std::move(r);
            done = true;
        });
        EXPECT_TRUE(done) << "inline port work ends within the call";
        return out;
    }

    FakeClock clock{1700000000, 5000};
    FakePortProvider ports{&clock};
    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::vector<std::shared_ptr<PortScript>> scripts;
    std::unique_ptr<TestDeviceLink> link;
};

// The 8-byte setting requests a device got, as "WORD PAYLOAD" in hex words.
std::vector<QByteArray> Sent(const FakeDevice& d) {
    std::vector<QByteArray> out;
    for (const QByteArray& r : d.settings)
        out.push_back(r.toHex(' '));
    return out;
}

TEST_F(DeviceSettingsCommandTest, AllDevicesOrOneSlotEachReadBack) {
    Add("1.6", "A");
    Add("1.6", "B");
    Detect();
    const DeviceCommandResult all = Apply(ALL_SPECTROMETERS, {20000, 3, 7});
    ASSERT_TRUE(all.ok()) << all.firstFailure().toStdString();
    ASSERT_EQ(all.devices.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(all.devices[k].slot, k);
        EXPECT_EQ(all.devices[k].reported.exposureUs, 20000);
        EXPECT_EQ(all.devices[k].reported.averaging, 3);
        EXPECT_EQ(all.devices[k].reported.aux, 7);
        // exposure 0x4E20, averaging 3, aux 7, in that order
        EXPECT_EQ(Sent(*devices[k]),
                  (std::vector<QByteArray>{"84 00 04 00 20 4e 00 00", "86 00 04 00 03 00 00 00",
                                           "87 00 04 00 07 00 00 00"}));
        EXPECT_EQ(devices[k]->exposure, 20000);
        devices[k]->settings.clear();
    }

    const DeviceCommandResult one = Apply(1, {std::nullopt, 5, std::nullopt});
    ASSERT_TRUE(one.ok());
    ASSERT_EQ(one.devices.size(), 1u);
    EXPECT_EQ(one.devices[0].slot, 1);
    EXPECT_EQ(one.devices[0].reported.averaging, 5);
    EXPECT_FALSE(one.devices[0].reported.exposureUs);  // not asked, not read
    EXPECT_TRUE(devices[0]->settings.empty());
    EXPECT_EQ(Sent(*devices[1]), (std::vector<QByteArray>{"86 00 04 00 05 00 00 00"}));
}

TEST_F(DeviceSettingsCommandTest, ReadBackOtherThanSentOrMissingFailsThatDevice) {
    Add("1.6", "A");
    auto clamping = Add("1.6", "B");
    Detect();
    // Device B keeps its exposure below 15000 us.
    scripts[1]->responder = [clamping,
                             inner = FakeDevice::Responder(clamping)](const QByteArray& request) {
        QByteArray reply = inner(request);
        clamping->exposure = std::min(clamping->exposure, 15000);
        return reply;
    };
    const DeviceCommandResult clamped = Apply(ALL_SPECTROMETERS, {20000, {}, {}});
    EXPECT_FALSE(clamped.ok());
    EXPECT_TRUE(clamped.devices[0].ok());
    EXPECT_EQ(clamped.devices[1].reported.exposureUs, 15000);
    EXPECT_EQ(clamped.firstFailure(),
              "device in slot 1 (B) reports exposure 15000 us, not 20000 us");

    scripts[0]->responder = {};  // A goes silent
    const DeviceCommandResult silent = Apply(0, {1000, {}, {}});
    EXPECT_FALSE(silent.devices[0].answered);
    EXPECT_EQ(silent.firstFailure(), "device in slot 0 (A) does not answer the settings");
}

TEST_F(DeviceSettingsCommandTest, RefusedBeforeAnythingIsSent) {
    Add("1.5", "A");
    Add("1.4", "B");
    Detect();
    struct Case {
        int target;
        DeviceSettingValues request;
        const char* reason;
    };
    for (const Case& c : {
             Case{ALL_SPECTROMETERS, {0, {}, {}}, "exposure 0 us is outside 1..1000000 us"},
             Case{0, {1000001, {}, {}}, "exposure 1000001 us is outside 1..1000000 us"},
             Case{0, {{}, 101, {}}, "averaging 101 is outside 1..100"},
             Case{0, {{}, 0, {}}, "averaging 0 is outside 1..100"},
             Case{0, {{}, {}, 1}, "device in slot 0 (firmware 1.5) takes no auxiliary setting"},
             Case{ALL_SPECTROMETERS,
                  {100, 2, {}},
                  "device in slot 1 (firmware 1.4) takes no averaging"},
             Case{2, {100, {}, {}}, "no device in slot 2"},
         }) {
        const DeviceCommandResult r = Apply(c.target, c.request);
        EXPECT_EQ(r.refused, c.reason);
        EXPECT_TRUE(r.devices.empty());
    }
    bool dark = false;
    RequestDark(*link, ALL_SPECTROMETERS, [&](DeviceCommandResult r) {
        EXPECT_EQ(r.refused, "device in slot 1 (firmware 1.4) takes no dark");
        dark = true;
    });
    EXPECT_TRUE(dark);
    for (const auto& d : devices) {
        EXPECT_TRUE(d->settings.empty());
        EXPECT_EQ(d->darkStores, 0);
    }
    // Within the ranges and gates the same devices take them.
    EXPECT_TRUE(Apply(ALL_SPECTROMETERS, {1, {}, {}}).ok());
    EXPECT_TRUE(Apply(0, {1000000, 100, {}}).ok());
}

TEST_F(DeviceSettingsCommandTest, DarkAndLedState) {
    Add("1.5", "A");
    Add("1.6", "B");
    auto led = std::make_shared<FakeDevice>();
    auto ledScript = ports.addPort("ttyACM9", USB_ID_LED, FakeDevice::Responder(led));
    Detect(true);
    ASSERT_TRUE(link->led().present);

    DeviceCommandResult dark;
    RequestDark(*link, 1, [&](DeviceCommandResult r) { dark = std::move(r); });
    EXPECT_TRUE(dark.ok());
    EXPECT_EQ(devices[0]->darkStores, 0);
    EXPECT_EQ(devices[1]->darkStores, 1);

    QString failure = "not called";
    SetLedUnit(*link, true, [&](QString f) { failure = f; });
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(led->ledState, 1);
    EXPECT_EQ(link->led().state, 1);  // the ticks re-send it
    ledScript->responder = {};
    SetLedUnit(*link, false, [&](QString f) { failure = f; });
    EXPECT_EQ(failure, "the LED unit does not answer");
    EXPECT_EQ(link->led().state, 0);
}

}  // namespace
