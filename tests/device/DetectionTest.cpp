// Detection of spectrometers and the LED unit over scripted ports: slot order,
// port tags, bridge set-up, limits, identity reads and connect limits.
#include <gtest/gtest.h>

#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Exchange.h"
#include "support/FakeClock.h"
#include "support/FakePortProvider.h"
#include "support/InlineLink.h"

namespace {

const QString kDirect = USB_ID_DIRECT;
const QString kBridge = USB_ID_BRIDGE;
const QString kLed = USB_ID_LED;

class DetectionTest : public ::testing::Test {
  protected:
    FakeClock clock;
    FakePortProvider ports{&clock};
    TestDeviceLink link{ports, clock, 3000};

    std::shared_ptr<FakeDevice> addDevice(const QString& name, const QString& usbId,
                                          const QByteArray& serial = "S1",
                                          const QByteArray& version = "1.6") {
        auto device = std::make_shared<FakeDevice>();
        device->serial = serial;
        device->version = version;
        ports.addPort(name, usbId, FakeDevice::Responder(device));
        return device;
    }
    QStringList writesOf(const QString& name) const {
        QStringList out;
        for (const QByteArray& w : ports.script(name)->writes)
            out << HexBytes(w);
        return out;
    }
};

TEST_F(DetectionTest, SlotsFollowCandidateOrder) {
    for (int n = 1; n <= 14; ++n) {
        const QString name = QString("ttyUSB%1").arg(n);
        if (n == 3)
            addDevice(name, kDirect, "S3");
        else if (n == 12)
            addDevice(name, kBridge, "S12");
        else
            ports.addPort(name, n == 5 ? "VID_0403&PID_6001" : "");
    }
    EXPECT_EQ(DetectNow(link), 2);
    EXPECT_EQ(link.deviceCount(), 2);
    EXPECT_EQ(link.slot(0).serialText, "S3");
    EXPECT_FALSE(link.slot(0).bridged);
    EXPECT_EQ(link.slot(1).serialText, "S12");
    EXPECT_TRUE(link.slot(1).bridged);
    EXPECT_FALSE(link.slot(2).isOpen());
    // Only ports with a spectrometer identity are opened; foreign ones never are.
    EXPECT_EQ(ports.openAttempts, (std::vector<QString>{"ttyUSB3", "ttyUSB12"}));
    EXPECT_FALSE(ports.script("ttyUSB5")->open);
    EXPECT_TRUE(ports.script("ttyUSB5")->writes.empty());
    EXPECT_TRUE(ports.script("ttyUSB3")->open);
    EXPECT_EQ(link.ListEntry(0), "S3(ttyUSB3) 1.6");
}

TEST_F(DetectionTest, PortTagIncludesTheClosingParenthesis) {
    ports.addPort("ttyUSB1", "");
    addDevice("ttyUSB10", kDirect);
    ports.addPort("ttyUSB11", "");
    EXPECT_FALSE(UsbIdMatchesPort(ports.enumerateDevices(), kDirect, PortTag("ttyUSB1")));
    EXPECT_TRUE(UsbIdMatchesPort(ports.enumerateDevices(), kDirect, PortTag("ttyUSB10")));
    EXPECT_EQ(DetectNow(link), 1);
    EXPECT_EQ(link.slot(0).portTag, "(ttyUSB10)");
    EXPECT_FALSE(ports.script("ttyUSB1")->open);

    const std::vector<UsbDeviceInfo> com = {
        {"USB Serial Device", "USB Serial Device (COM10)", "USB\\VID_3D7E&PID_0825\\A"},
        {"USB Serial Device", "USB Serial Device (COM11)", "USB\\VID_3D7E&PID_0825\\B"}};
    EXPECT_FALSE(UsbIdMatchesPort(com, kDirect, PortTag("COM1")));
    EXPECT_TRUE(UsbIdMatchesPort(com, kDirect, PortTag("COM11")));
}

TEST(UsbIdMatchTest, FriendlyNameAndFirstHardwareIdMustBothMatch) {
    const std::vector<UsbDeviceInfo> devices = {
        {"Bridge", "Bridge (COM3)",
         QString("USB\\VID_1A86&PID_7523") + QChar('\0') + "USB\\VID_3D7E&PID_0825"},
        {"", "Nameless (COM4)", "USB\\VID_3D7E&PID_0825"},
        {"Lower", "Lower (COM5)", "USB\\vid_3d7e&pid_0825"},
    };
    EXPECT_TRUE(UsbIdMatchesPort(devices, USB_ID_BRIDGE, "(COM3)"));
    EXPECT_FALSE(UsbIdMatchesPort(devices, USB_ID_DIRECT, "(COM3)"));  // second id ignored
    EXPECT_FALSE(UsbIdMatchesPort(devices, USB_ID_DIRECT, "(COM4)"));  // no description
    EXPECT_FALSE(UsbIdMatchesPort(devices, USB_ID_DIRECT, "(COM5)"));  // case-sensitive
    EXPECT_FALSE(UsbIdMatchesPort({}, USB_ID_DIRECT, "(COM3)"));
}

TEST_F(DetectionTest, BridgeIsConfiguredBeforeAnyCommand) {
    addDevice("ttyUSB0", kBridge);
    addDevice("ttyACM0", kDirect);
    ASSERT_EQ(DetectNow(link), 2);
    const QStringList events = ports.script("ttyUSB0")->events;
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first(), "bridge");
    EXPECT_EQ(events.mid(1, 6), (QStringList{"W 02 00 10 00", "R 16", "W 03 00 10 00", "R 16",
                                             "W 01 00 04 00", "R 4"}));
    EXPECT_EQ(ports.script("ttyACM0")->bridgeConfigs, 0);
}

TEST_F(DetectionTest, IdentifiesVersionSerialAndLxModel) {
    auto lx = addDevice("a", kDirect, "S12345", "1.6");
    lx->deviceType = 0x34;  // low 4 bits 4
    auto plain = addDevice("b", kDirect, "S2", "1.4x");
    plain->deviceType = 0x14 + 1;
    ASSERT_EQ(DetectNow(link), 2);
    EXPECT_TRUE(link.slot(0).isLX);
    EXPECT_FLOAT_EQ(link.slot(0).version, 1.6f);
    EXPECT_EQ(link.ListEntry(0), "S12345(a) 1.6(LX)");
    EXPECT_FALSE(link.slot(1).isLX);
    EXPECT_FLOAT_EQ(link.slot(1).version, 1.4f);
    EXPECT_EQ(link.ListEntry(1), "S2(b) 1.4x");
}

TEST_F(DetectionTest, SettleWaitAfterEachDeviceOnTheClock) {
    addDevice("a", kDirect);
    ports.addPort("b", "");
    addDevice("c", kBridge);
    const std::uint32_t start = clock.tickMs();
    ASSERT_EQ(DetectNow(link), 2);
    EXPECT_EQ(clock.tickMs() - start, 6000u);
    link.setSettleMs(0);
    const std::uint32_t again = clock.tickMs();
    DetectNow(link);
    EXPECT_EQ(clock.tickMs() - again, 0u);
}

TEST_F(DetectionTest, RedetectTurnsBridgedSlotIntoDirectOne) {
    addDevice("ttyUSB0", kBridge);
    ASSERT_EQ(DetectNow(link), 1);
    ASSERT_TRUE(link.slot(0).bridged);
    EXPECT_TRUE(ports.script("ttyUSB0")->open);

    // The bridged device is unplugged; a direct one appears on another port.
    ports.setOpenable("ttyUSB0", false);
    addDevice("ttyACM0", kDirect, "S9");
    ASSERT_EQ(DetectNow(link), 1);
    EXPECT_FALSE(ports.script("ttyUSB0")->open);  // closed at re-detect
    EXPECT_FALSE(link.slot(0).bridged);
    EXPECT_EQ(link.slot(0).serialText, "S9");
    ports.script("ttyACM0")->writes.clear();
    bool read = false;
    link.slot(0).channel->post([&read](PortAccess& port) {
        read = ReadLiveData(*port.transport(), false, 511).spectrumRead;
    });
    ASSERT_TRUE(read);
    EXPECT_EQ(writesOf("ttyACM0"), (QStringList{"0F 00 FC 07", "12 00 04 00"}));
}

TEST_F(DetectionTest, StopsAtTenDevices) {
    for (int n = 0; n < 12; ++n)
        addDevice(QString("p%1").arg(n), kDirect);
    EXPECT_EQ(DetectNow(link), MAX_DEVICES);
    EXPECT_EQ(ports.openAttempts.size(), 10u);  // the 11th port is never opened
    EXPECT_FALSE(ports.script("p10")->open);
    EXPECT_EQ(ports.script("p10")->opens, 0);
    EXPECT_EQ(link.slot(9).portTag, "(p9)");
}

TEST_F(DetectionTest, RedetectWithNothingPluggedEmptiesTheSlots) {
    addDevice("a", kDirect);
    ASSERT_EQ(DetectNow(link), 1);
    ports.setOpenable("a", false);
    EXPECT_EQ(DetectNow(link), 0);
    EXPECT_FALSE(link.slot(0).isOpen());
    EXPECT_EQ(link.deviceCount(), 0);
}

TEST_F(DetectionTest, SilentDeviceDoesNotStallDetection) {
    ports.addPort("dead", kBridge);  // takes the port, never answers
    addDevice("live", kDirect, "S7");
    const std::uint32_t start = clock.tickMs();
    ASSERT_EQ(DetectNow(link), 2);
    // Three identity reads and the four reads of the stored identity and the
    // connect limits time out once each; the rest is the two settle waits.
    const std::uint32_t waited = clock.tickMs() - start - 6000;
    EXPECT_EQ(waited, std::uint32_t(4 * ReplyTimeoutMs(16) + 3 * ReplyTimeoutMs(4)));
    EXPECT_EQ(link.slot(0).version, 0.0f);
    EXPECT_EQ(link.ListEntry(0), "(dead) ");
    EXPECT_EQ(link.slot(1).serialText, "S7");

    // Stored identity and connect limits on the silent slot send nothing more than reads.
    const StoredIdentity id = link.storedIdentity(0);
    EXPECT_TRUE(id.serialText.isEmpty());
    EXPECT_TRUE(id.sensorModel.isEmpty());
    for (const QByteArray& w : ports.script("dead")->writes)
        EXPECT_LT(std::uint8_t(w[0]), 0x80);
}

TEST_F(DetectionTest, StoredIdentityThenConnectLimits) {
    auto d = addDevice("a", kDirect, "S55");
    d->sensorModel = "K60293QX";
    d->exposure = 2000000;
    d->averaging = 150;
    ASSERT_EQ(DetectNow(link), 1);
    const StoredIdentity id = link.storedIdentity(0);
    EXPECT_EQ(id.serialText, "S55");
    EXPECT_EQ(id.sensorModel, "K60293QX");
    // Identification, then (after the quiet time) the stored identity and the
    // connect limits.
    EXPECT_EQ(writesOf("a"),
              (QStringList{"02 00 10 00", "03 00 10 00", "01 00 04 00", "03 00 10 00",
                           "04 00 10 00", "09 00 04 00", "84 00 04 00 40 42 0F 00", "0B 00 04 00",
                           "86 00 04 00 01 00 00 00"}));
    EXPECT_EQ(d->exposure, 1000000);
    EXPECT_EQ(d->averaging, 1);
}

TEST_F(DetectionTest, ConnectLimitsTable) {
    struct Case {
        const char* version;
        std::int32_t exposure, averaging;
        std::int32_t exposureAfter, averagingAfter;
    };
    const Case cases[] = {
        {"1.6", 2000000, 1, 1000000, 1}, {"1.6", 1000000, 1, 1000000, 1},
        {"1.6", 1000001, 1, 1000000, 1}, {"1.4", 10, 150, 10, 150},
        {"1.5", 10, 150, 10, 1},         {"1.5", 10, 100, 10, 100},
        {"1.6", 10, 101, 10, 1},         {"", 10, 150, 10, 150},
    };
    for (const Case& c : cases) {
        FakeClock caseClock;
        FakePortProvider casePorts(&caseClock);
        auto d = std::make_shared<FakeDevice>();
        d->version = c.version;
        d->exposure = c.exposure;
        d->averaging = c.averaging;
        casePorts.addPort("x", kDirect, FakeDevice::Responder(d));
        TestDeviceLink caseLink(casePorts, caseClock, 0);
        ASSERT_EQ(DetectNow(caseLink), 1);  // detection applies the connect limits
        EXPECT_EQ(d->exposure, c.exposureAfter) << c.version << " " << c.exposure;
        EXPECT_EQ(d->averaging, c.averagingAfter) << c.version << " " << c.averaging;
        const std::size_t expectedSettings =
            (c.exposure != c.exposureAfter) + (c.averaging != c.averagingAfter);
        EXPECT_EQ(d->settings.size(), expectedSettings) << c.version;
    }
}

TEST_F(DetectionTest, EachSlotTakesTheProfileOfItsOwnSensorModel) {
    EXPECT_EQ(link.profile(0).pixelCount, 288);
    link.SelectSensorProfiles({"K52817QX-03", "OTHER", "K60293QX"});
    const SensorProfile& nir = link.profile(0);
    EXPECT_EQ(nir.grid(), (WavelengthGrid{640, 411}));
    EXPECT_EQ(nir.grid().lastWavelength(), 1050);
    EXPECT_EQ(nir.pixelCount, 256);
    EXPECT_TRUE(nir.nirSensor);
    EXPECT_FALSE(nir.uvSensor);
    const SensorProfile& vis = link.profile(1);
    EXPECT_EQ(vis.grid(), (WavelengthGrid{340, 511}));
    EXPECT_EQ(vis.pixelCount, 288);  // a model not in the table keeps the slot's pixel count
    EXPECT_FALSE(vis.nirSensor || vis.uvSensor);
    const SensorProfile& uv = link.profile(2);
    EXPECT_EQ(uv.grid(), (WavelengthGrid{190, 251}));
    EXPECT_EQ(uv.grid().lastWavelength(), 440);
    EXPECT_TRUE(uv.uvSensor);

    // Swapped on re-detect: the slot's pixel count stays with an unknown model.
    link.SelectSensorProfiles({"OTHER"});
    EXPECT_EQ(link.profile(0).grid(), (WavelengthGrid{340, 511}));
    EXPECT_EQ(link.profile(0).pixelCount, 256);
    EXPECT_FALSE(link.profile(0).nirSensor);
    EXPECT_TRUE(link.profile(2).uvSensor);  // slots beyond the models are left alone
    link.SelectSensorProfiles({});          // nothing found: the profiles stay
    EXPECT_EQ(link.profile(0).pointCount, 511);
    EXPECT_EQ(link.profile(-1).pointCount, 511);  // outside the slots: the default
}

class LedSearchTest : public DetectionTest {};

TEST_F(LedSearchTest, SkipsSpectrometerPortsAndKeepsTheLastMatch) {
    addDevice("a", kDirect);
    auto led1 = std::make_shared<FakeDevice>();
    auto led2 = std::make_shared<FakeDevice>();
    led2->ledName = "VL-LED";
    led2->version = "2.1";
    led2->ledState = 1;
    ports.addPort("b", kLed, FakeDevice::Responder(led1));
    ports.addPort("c", "");
    ports.addPort("d", kLed, FakeDevice::Responder(led2));
    ASSERT_EQ(DetectNow(link), 1);
    ports.openAttempts.clear();

    FindLedNow(link);
    // Only the ports with the LED unit's identity are opened.
    EXPECT_EQ(ports.openAttempts, (std::vector<QString>{"b", "d"}));
    EXPECT_EQ(ports.script("a")->opens, 1);  // the spectrometer's port is not opened again
    EXPECT_FALSE(ports.script("b")->open);   // earlier match closed
    EXPECT_TRUE(ports.script("d")->open);
    EXPECT_TRUE(link.led().present);
    EXPECT_TRUE(ports.script("b")->writes.empty());

    EXPECT_EQ(link.led().state, 1);
    EXPECT_EQ(link.led().label, "VL-LED ver 2.1");
    EXPECT_EQ(writesOf("d"), (QStringList{"14 00 04 00", "02 00 10 00", "00 00 20 00"}));
}

TEST_F(LedSearchTest, NoUnitOrSilentUnitGivesStateZero) {
    link.led().state = 1;
    FindLedNow(link);
    EXPECT_FALSE(link.led().present);
    EXPECT_EQ(link.led().state, 0);

    ports.addPort("led", kLed);  // silent
    link.led().state = 1;
    FindLedNow(link);
    EXPECT_TRUE(link.led().present);
    EXPECT_EQ(link.led().state, 0);
    EXPECT_EQ(link.led().label, " ver ");
    link.CloseLedUnit();
    EXPECT_FALSE(ports.script("led")->open);
}

}  // namespace
