// The serial side: declared-port parsing, port names and order, the USB
// identity texts, and a serial transport on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <thread>

#include <QElapsedTimer>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "device/SerialPortProvider.h"
#include "support/PseudoTerminal.h"

namespace {

TEST(DeclaredPortTest, ParsesPathAndHexIdentity) {
    DeclaredPort port;
    QString error;
    ASSERT_TRUE(SerialPortProvider::ParseDeclaredPort("/dev/pts/7=1A86:7523", port, error));
    EXPECT_EQ(port.path, "/dev/pts/7");
    EXPECT_EQ(port.vendorId, 0x1A86);
    EXPECT_EQ(port.productId, 0x7523);
    ASSERT_TRUE(SerialPortProvider::ParseDeclaredPort("/tmp/a=b=3d7e:b20", port, error));
    EXPECT_EQ(port.path, "/tmp/a=b");
    EXPECT_EQ(port.vendorId, 0x3D7E);
    EXPECT_EQ(port.productId, 0x0B20);
}

TEST(DeclaredPortTest, RejectsMalformedEntries) {
    for (const char* bad : {"", "/dev/pts/7", "/dev/pts/7=", "=1A86:7523", "/dev/pts/7=1A86",
                            "/dev/pts/7=1A86:", "/dev/pts/7=1A86:7523:1", "/dev/pts/7=XYZ:7523",
                            "/dev/pts/7=11A86:7523", "/dev/pts/7=-1:7523"}) {
        DeclaredPort port;
        port.path = "unchanged";
        QString error;
        EXPECT_FALSE(SerialPortProvider::ParseDeclaredPort(bad, port, error)) << bad;
        EXPECT_TRUE(error.contains(QString::fromLatin1(bad))) << bad;
        EXPECT_FALSE(error.contains('\n'));
        EXPECT_EQ(port.path, "unchanged");
    }
}

TEST(PortNameTest, NaturalOrderAndNames) {
    EXPECT_TRUE(SerialPortProvider::NaturalLess("ttyACM2", "ttyACM10"));
    EXPECT_FALSE(SerialPortProvider::NaturalLess("ttyACM10", "ttyACM2"));
    EXPECT_TRUE(SerialPortProvider::NaturalLess("COM9", "COM10"));
    EXPECT_TRUE(SerialPortProvider::NaturalLess("ttyACM9", "ttyUSB0"));
    EXPECT_TRUE(SerialPortProvider::NaturalLess("ttyS", "ttyS0"));
    EXPECT_FALSE(SerialPortProvider::NaturalLess("COM3", "COM3"));
    EXPECT_NE(SerialPortProvider::NaturalLess("COM02", "COM2"),
              SerialPortProvider::NaturalLess("COM2", "COM02"));
    EXPECT_EQ(SerialPortProvider::PortNameOfPath("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(SerialPortProvider::PortNameOfPath("/dev/pts/5"), "pts/5");
    EXPECT_EQ(SerialPortProvider::PortNameOfPath("COM7"), "COM7");
    EXPECT_EQ(PortTag("pts/5"), "(pts/5)");
    EXPECT_EQ(SerialPortProvider::HardwareId(0x1A86, 0x7523, ""), "USB\\VID_1A86&PID_7523");
    EXPECT_EQ(SerialPortProvider::HardwareId(0x3D7E, 0x825, "ab12"),
              "USB\\VID_3D7E&PID_0825\\AB12");
}

// The device side of the link: the test reads requests from the master side
// and answers on it.
class PtyTest : public PseudoTerminalTest {
  protected:
    void SetUp() override {
        PseudoTerminalTest::SetUp();
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    // What the host wrote, as seen by the device side.
    QByteArray receive(int want) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < want && t.elapsed() < 2000) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
        return got;
    }
    void send(const QByteArray& bytes) {
        ASSERT_EQ(::write(master, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
};

TEST_F(PtyTest, DeclaredPortIsACandidateWithItsIdentity) {
    SerialPortProvider provider({path + "=1A86:7523", "bogus"});
    const std::vector<QString> names = provider.candidatePorts();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), name);
    EXPECT_TRUE(UsbIdMatchesPort(provider.enumerateDevices(), USB_ID_BRIDGE, PortTag(name)));
    EXPECT_FALSE(UsbIdMatchesPort(provider.enumerateDevices(), USB_ID_DIRECT, PortTag(name)));
}

TEST_F(PtyTest, PortIsHeldExclusivelyUntilClosed) {
    SerialPortProvider provider({path + "=3D7E:0825"});
    std::unique_ptr<Transport> first = provider.open(name);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->portName(), name);
    EXPECT_FALSE(provider.open(name));
    first.reset();
    EXPECT_TRUE(provider.open(name));
    EXPECT_FALSE(provider.open("no-such-port"));
}

TEST_F(PtyTest, PortHeldThroughAnotherProviderDoesNotOpen) {
    SerialPortProvider one({path + "=3D7E:0825"});
    SerialPortProvider two({path + "=3D7E:0825"});
    std::unique_ptr<Transport> held = one.open(name);
    ASSERT_TRUE(held);
    EXPECT_FALSE(two.open(name));
    held.reset();
    EXPECT_TRUE(two.open(name));
}

TEST_F(PtyTest, ExchangeOverTheWire) {
    SerialPortProvider provider({path + "=1A86:7523"});
    std::unique_ptr<Transport> port = provider.open(name);
    ASSERT_TRUE(port);
    port->configureBridge();
    std::int32_t value = 0;
    ASSERT_EQ(port->write(CMD_GET_EXPOSURE.bytes()), 4u);
    EXPECT_EQ(receive(4).toHex(' '), "09 00 04 00");
    send(QByteArray("\x40\x42\x0F\x00", 4));
    std::array<std::uint8_t, 4> reply{};
    ASSERT_TRUE(port->read(reply));
    std::memcpy(&value, reply.data(), 4);
    EXPECT_EQ(value, 1000000);
}

TEST_F(PtyTest, ShortOrLateReplyIsMissingAndDoesNotAnswerTheNextRequest) {
    SerialPortProvider provider({path + "=3D7E:0825"});
    std::unique_ptr<Transport> port = provider.open(name);
    ASSERT_TRUE(port);
    std::array<std::uint8_t, 4> reply{};

    ASSERT_EQ(port->write(CMD_GET_EXPOSURE.bytes()), 4u);
    send(QByteArray("\x01\x02", 2));  // half a reply, the rest never comes
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(port->read(reply));
    EXPECT_LT(t.elapsed(), 1000);  // bounded by ReplyTimeoutMs(4), not forever
    EXPECT_GE(t.elapsed(), ReplyTimeoutMs(4) - 5);
    send(QByteArray("\x03\x04", 2));  // the late half

    // Reading the next value must not pick up 01 02 03 04. The device thread has to answer
    // within the transport's bound; on a loaded machine it can miss it now and then, so the
    // exchange is tried a few times, each answered with its own value: a stale answer from an
    // earlier try would show as the wrong number.
    bool answered = false;
    for (std::int32_t attempt = 0; attempt < 4 && !answered; ++attempt) {
        const char fresh = char(5 + attempt);
        std::thread device([this, fresh] {
            receive(4);
            send(QByteArray(1, fresh) + QByteArray(3, '\0'));
        });
        std::int32_t value = 7;
        answered = ReadInt32(*port, CMD_GET_AVERAGING, value);
        device.join();
        if (answered)
            EXPECT_EQ(value, 5 + attempt);
        else
            EXPECT_EQ(value, 7);
    }
    EXPECT_TRUE(answered);
}

}  // namespace
