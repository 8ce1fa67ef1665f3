// Ports with a device identity that exist but cannot be opened: the reason
// sorted from the port error, the message with its remedy, which ports the
// device link reports (and which not: its own, unknown ones, vanished ones),
// and a pseudo-terminal held by another open.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>

#include <QSerialPort>
#include <QTemporaryDir>

#include "device/DeviceLink.h"
#include "device/SerialPortProvider.h"
#include "support/FakeClock.h"
#include "support/FakePortProvider.h"
#include "support/InlineLink.h"
#include "support/PseudoTerminal.h"
#include "support/RefusingPorts.h"

namespace {

TEST(ClassifyOpenErrorTest, Table) {
    struct Case {
        QSerialPort::SerialPortError error;
        bool exists;
        bool accessible;
        PortOpenError expected;
    };
    const Case cases[] = {
        {QSerialPort::NoError, true, true, PortOpenError::None},
        {QSerialPort::DeviceNotFoundError, true, true, PortOpenError::NotFound},
        {QSerialPort::DeviceNotFoundError, false, false, PortOpenError::NotFound},
        {QSerialPort::PermissionError, true, false, PortOpenError::Permission},
        // Allowed to read and write, yet refused: a lock file or exclusive mode.
        {QSerialPort::PermissionError, true, true, PortOpenError::Busy},
        {QSerialPort::PermissionError, false, false, PortOpenError::NotFound},
        {QSerialPort::OpenError, true, true, PortOpenError::Busy},
        {QSerialPort::ResourceError, true, true, PortOpenError::Other},
        {QSerialPort::UnknownError, false, true, PortOpenError::NotFound},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyOpenError(c.error, c.exists, c.accessible), c.expected)
            << int(c.error) << " " << c.exists << c.accessible;
}

TEST(DescribeOpenFailureTest, LooksAtTheNode) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyUSB9");
    EXPECT_EQ(DescribeOpenFailure(QSerialPort::PermissionError, missing, "x").error,
              PortOpenError::NotFound);

    const QString node = dir.filePath("ttyUSB0");
    QFile file(node);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const group* dialout = getgrnam("dialout");
    const gid_t gid = dialout ? dialout->gr_gid : getgid();
    ASSERT_EQ(chown(QFile::encodeName(node).constData(), uid_t(-1), gid), 0);
    const PortOpenFailure failure =
        DescribeOpenFailure(QSerialPort::PermissionError, node, "Permission denied");
    EXPECT_EQ(failure.path, node);
    EXPECT_EQ(failure.detail, "Permission denied");
    EXPECT_EQ(failure.group, QString::fromLocal8Bit(getgrgid(gid)->gr_name));
    // This user may read and write the node, so the refusal was a lock.
    EXPECT_EQ(failure.error, access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0
                                 ? PortOpenError::Busy
                                 : PortOpenError::Permission);
}

PortOpenFailure Failure(PortOpenError error, const QString& path, const QString& group = {},
                        const QString& detail = {}) {
    return {error, path, group, detail};
}

TEST(PortDiagnosticMessageTest, ReasonAndRemedy) {
    EXPECT_EQ(PortDiagnosticMessage("ttyUSB0", "1A86:7523",
                                    Failure(PortOpenError::Permission, "/dev/ttyUSB0", "dialout")),
              "ttyUSB0 (/dev/ttyUSB0, USB 1A86:7523) cannot be opened: permission denied; "
              "install the udev rule /etc/udev/rules.d/60-velarim.rules, or join the group that "
              "owns the port: sudo usermod -aG dialout $USER (then log in again)");
    // A node of root's group (or of no known group): no group to join.
    for (const QString& group : {QString("root"), QString()})
        EXPECT_EQ(PortDiagnosticMessage("ttyACM0", "3D7E:0825",
                                        Failure(PortOpenError::Permission, "/dev/ttyACM0", group)),
                  "ttyACM0 (/dev/ttyACM0, USB 3D7E:0825) cannot be opened: permission denied; "
                  "install the udev rule /etc/udev/rules.d/60-velarim.rules, or give your user "
                  "read and write access to /dev/ttyACM0");
    EXPECT_EQ(PortDiagnosticMessage("ttyACM1", "3D7E:0B20",
                                    Failure(PortOpenError::Busy, "/dev/ttyACM1", "dialout")),
              "ttyACM1 (/dev/ttyACM1, USB 3D7E:0B20) cannot be opened: held by another program; "
              "close the program that uses the port, then detect again");
    // Named ports without a separate path (COM7) name the port once.
    EXPECT_EQ(PortDiagnosticMessage("COM7", "1A86:7523", Failure(PortOpenError::Busy, "COM7")),
              "COM7 (USB 1A86:7523) cannot be opened: held by another program; close the "
              "program that uses the port, then detect again");
    EXPECT_EQ(PortDiagnosticMessage("ttyUSB1", "1A86:7523",
                                    Failure(PortOpenError::Other, "/dev/ttyUSB1", "", "I/O error")),
              "ttyUSB1 (/dev/ttyUSB1, USB 1A86:7523) cannot be opened: I/O error");
    EXPECT_TRUE(
        PortDiagnosticMessage("x", "1A86:7523", Failure(PortOpenError::None, "/dev/x")).isEmpty());
    EXPECT_TRUE(PortDiagnosticMessage("x", "1A86:7523", Failure(PortOpenError::NotFound, "/dev/x"))
                    .isEmpty());
}

class LinkDiagnosticsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto device = std::make_shared<FakeDevice>();
        auto led = std::make_shared<FakeDevice>();
        fake.addPort("ttyACM0", USB_ID_DIRECT, FakeDevice::Responder(device));
        fake.addPort("ttyACM1", USB_ID_DIRECT);
        fake.addPort("ttyS0", "");
        fake.addPort("ttyUSB0", USB_ID_BRIDGE);
        fake.addPort("ttyACM2", USB_ID_LED);
        fake.addPort("ttyUSB1", USB_ID_BRIDGE);
        fake.addPort("ttyACM3", USB_ID_LED, FakeDevice::Responder(led));
        ports.refusals["ttyACM1"] =
            Failure(PortOpenError::Permission, "/dev/ttyACM1", "dialout", "Permission denied");
        ports.refusals["ttyS0"] = Failure(PortOpenError::Permission, "/dev/ttyS0", "dialout");
        ports.refusals["ttyUSB0"] = Failure(PortOpenError::Busy, "/dev/ttyUSB0", "dialout");
        ports.refusals["ttyACM2"] = Failure(PortOpenError::Busy, "/dev/ttyACM2", "dialout");
        ports.refusals["ttyUSB1"] = Failure(PortOpenError::NotFound, "/dev/ttyUSB1");
    }
    static QStringList Names(const std::vector<PortDiagnostic>& list) {
        QStringList names;
        for (const PortDiagnostic& d : list)
            names << d.portName + " " + d.usbId;
        return names;
    }

    FakeClock clock;
    // Scripted ports whose opens can be made to fail for a given reason.
    FakePortProvider fake;
    RefusingPorts ports{fake};
    TestDeviceLink link{ports, clock, 0};
};

TEST_F(LinkDiagnosticsTest, EachSearchReportsItsOwnDevices) {
    EXPECT_TRUE(link.portDiagnostics().empty());
    ASSERT_EQ(DetectNow(link), 1);
    EXPECT_EQ(Names(link.portDiagnostics()),
              QStringList({"ttyACM1 3D7E:0825", "ttyUSB0 1A86:7523"}));
    // The LED search meets ttyACM0 held by this program: not reported.
    FindLedNow(link);
    EXPECT_TRUE(link.led().present);
    const std::vector<PortDiagnostic> all = link.portDiagnostics();
    ASSERT_EQ(Names(all),
              QStringList({"ttyACM1 3D7E:0825", "ttyUSB0 1A86:7523", "ttyACM2 3D7E:0B20"}));
    EXPECT_EQ(all[0].failure.error, PortOpenError::Permission);
    EXPECT_EQ(all[0].message,
              PortDiagnosticMessage("ttyACM1", "3D7E:0825", ports.refusals["ttyACM1"]));
    EXPECT_TRUE(all[0].message.contains("sudo usermod -aG dialout $USER"));
    EXPECT_EQ(all[1].failure.error, PortOpenError::Busy);
    EXPECT_EQ(all[2].failure.path, "/dev/ttyACM2");

    // Freed meanwhile: the next LED search finds it and reports nothing, and
    // what detection met stays until detection runs again.
    ports.refusals.erase("ttyACM2");
    link.CloseLedUnit();
    FindLedNow(link);
    EXPECT_TRUE(link.led().present);
    EXPECT_EQ(Names(link.portDiagnostics()),
              QStringList({"ttyACM1 3D7E:0825", "ttyUSB0 1A86:7523"}));
    ports.refusals.clear();
    link.CloseLedUnit();
    DetectNow(link);
    EXPECT_EQ(link.deviceCount(), 4);  // the silent ones are taken too
    EXPECT_TRUE(link.portDiagnostics().empty());
}

TEST_F(LinkDiagnosticsTest, DetectionAgainWhileHoldingItsPortsReportsNothingOfOurs) {
    ports.refusals.clear();
    ASSERT_EQ(DetectNow(link), 4);
    FindLedNow(link);
    EXPECT_TRUE(link.led().present);
    // A second LED search while everything is held by this program.
    FindLedNow(link);
    EXPECT_TRUE(link.led().present);
    EXPECT_TRUE(link.portDiagnostics().empty());
}

TEST(LinkDiagnosticsPlainTest, AProviderThatCannotTellReportsNothingAndEnumeratesNoMore) {
    FakeClock clock;
    FakePortProvider ports;
    ports.addPort("ttyACM0", USB_ID_DIRECT);
    ports.addPort("ttyACM1", USB_ID_LED);
    ports.setOpenable("ttyACM0", false);
    ports.setOpenable("ttyACM1", false);
    TestDeviceLink link(ports, clock, 0);
    DetectNow(link);
    FindLedNow(link);
    EXPECT_TRUE(link.portDiagnostics().empty());
    // One enumeration per search, to know which ports to open; none more for
    // a failed open.
    EXPECT_EQ(ports.enumerations, 2);
}

// A pseudo-terminal declared with a device identity.
using HeldPtyTest = PseudoTerminalTest;

TEST_F(HeldPtyTest, PortHeldByAnotherOpenIsReportedAsBusy) {
    QSerialPort other;  // stands for another program holding the port
    other.setPortName(path);
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));

    SerialPortProvider provider({path + "=1A86:7523"});
    FakeClock clock;
    TestDeviceLink link(provider, clock, 0);
    EXPECT_EQ(DetectNow(link), 0);
    const std::vector<PortDiagnostic> list = link.portDiagnostics();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].portName, name);
    EXPECT_EQ(list[0].usbId, "1A86:7523");
    EXPECT_EQ(list[0].failure.error, PortOpenError::Busy);
    EXPECT_EQ(list[0].message, name + " (" + path +
                                   ", USB 1A86:7523) cannot be opened: held by another program; "
                                   "close the program that uses the port, then detect again");

    other.close();
    EXPECT_EQ(DetectNow(link), 1);  // the device is silent, but the port is taken
    EXPECT_TRUE(link.portDiagnostics().empty());
    // Held by this program now: the LED search does not report it.
    FindLedNow(link);
    EXPECT_FALSE(link.led().present);
    EXPECT_TRUE(link.portDiagnostics().empty());
    EXPECT_EQ(provider.lastOpenFailure(name).error, PortOpenError::None);
}

TEST_F(HeldPtyTest, VanishedPortIsNotReported) {
    const QString gone = path;
    close(master);
    master = -1;
    SerialPortProvider provider({gone + "=3D7E:0825"});
    FakeClock clock;
    TestDeviceLink link(provider, clock, 0);
    EXPECT_EQ(DetectNow(link), 0);
    EXPECT_TRUE(link.portDiagnostics().empty());
}

}  // namespace
