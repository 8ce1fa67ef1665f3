// The DEVICES grammar of --simulate and velarim-sim --pty.
#include <gtest/gtest.h>

#include "sim/SimDeviceSpec.h"

namespace {

TEST(DeviceSpecs, DefaultsAndOptions) {
    std::vector<SimDeviceSpec> deviceSpecs;
    QString error;
    ASSERT_TRUE(ParseDeviceSpecs(
        "vis,nir:serial=N1:fw=1.4:link=bridge:lx=1:records=30,led,uv:model=X:fault=unplug@7,"
        "led:name=Bench LED:fw=2.0:fault=short",
        deviceSpecs, error))
        << error.toStdString();
    ASSERT_EQ(deviceSpecs.size(), 5u);
    EXPECT_EQ(deviceSpecs[0].kind, SimKind::Vis);
    EXPECT_EQ(deviceSpecs[0].serial, "S10001");
    EXPECT_EQ(deviceSpecs[0].firmware, "1.6");
    EXPECT_EQ(deviceSpecs[0].model, "VIS-S10");
    EXPECT_FALSE(deviceSpecs[0].bridged);
    EXPECT_FALSE(deviceSpecs[0].lx);
    EXPECT_EQ(deviceSpecs[0].vendorId(), 0x3D7E);
    EXPECT_EQ(deviceSpecs[0].productId(), 0x0825);

    EXPECT_EQ(deviceSpecs[1].serial, "N1");
    EXPECT_EQ(deviceSpecs[1].firmware, "1.4");
    EXPECT_EQ(deviceSpecs[1].model, "K52817QX-03");
    EXPECT_TRUE(deviceSpecs[1].bridged);
    EXPECT_TRUE(deviceSpecs[1].lx);
    EXPECT_EQ(deviceSpecs[1].records, 30);
    EXPECT_EQ(deviceSpecs[1].vendorId(), 0x1A86);
    EXPECT_EQ(deviceSpecs[1].productId(), 0x7523);

    EXPECT_EQ(deviceSpecs[2].kind, SimKind::Led);
    EXPECT_EQ(deviceSpecs[2].name, "Velarim LED");
    EXPECT_EQ(deviceSpecs[2].firmware, "1.0");
    EXPECT_EQ(deviceSpecs[2].productId(), 0x0B20);

    // Spectrometers are numbered among themselves.
    EXPECT_EQ(deviceSpecs[3].serial, "S10003");
    EXPECT_EQ(deviceSpecs[3].model, "X");
    EXPECT_EQ(deviceSpecs[3].fault.kind, SimFault::Kind::UnplugAfter);
    EXPECT_EQ(deviceSpecs[3].fault.exchanges, 7);

    EXPECT_EQ(deviceSpecs[4].name, "Bench LED");
    EXPECT_EQ(deviceSpecs[4].firmware, "2.0");
    EXPECT_EQ(deviceSpecs[4].fault.kind, SimFault::Kind::Short);
}

TEST(DeviceSpecs, TextsKeepBlanksAndMayBeEmpty) {
    std::vector<SimDeviceSpec> deviceSpecs;
    QString error;
    ASSERT_TRUE(
        ParseDeviceSpecs("vis:model=K52817QX-03 :fw=:serial=0123456789ABCDEF", deviceSpecs, error));
    EXPECT_EQ(deviceSpecs[0].model, "K52817QX-03 ");
    EXPECT_EQ(deviceSpecs[0].firmware, "");
    EXPECT_EQ(deviceSpecs[0].serial, "0123456789ABCDEF");
}

struct BadCase {
    const char* text;
    const char* message;
};

class DeviceSpecErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(DeviceSpecErrors, RefusedWithAMessage) {
    std::vector<SimDeviceSpec> deviceSpecs;
    QString error;
    EXPECT_FALSE(ParseDeviceSpecs(GetParam().text, deviceSpecs, error));
    EXPECT_TRUE(deviceSpecs.empty());
    EXPECT_TRUE(error.contains(GetParam().message)) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, DeviceSpecErrors,
    ::testing::Values(BadCase{"", "no simulated devices"}, BadCase{"vis,,led", "empty device 2"},
                      BadCase{"vis,ir", "unknown kind \"ir\" in device 2"},
                      BadCase{"VIS", "unknown kind"}, BadCase{":serial=A", "empty device kind"},
                      BadCase{"vis:serial", "bad option \"serial\""},
                      BadCase{"vis:colour=red", "bad option \"colour=red\""},
                      BadCase{"led:serial=A", "bad option \"serial=A\""},
                      BadCase{"vis:name=A", "bad option \"name=A\""},
                      BadCase{"vis:link=usb", "bad option \"link=usb\""},
                      BadCase{"vis:lx=yes", "bad option \"lx=yes\""},
                      BadCase{"vis:lx=1:records=-1", "bad option \"records=-1\""},
                      BadCase{"vis:records=5", "records= needs lx=1"},
                      BadCase{"vis:fault=loud", "bad option \"fault=loud\""},
                      BadCase{"vis:fault=unplug@", "bad option"},
                      BadCase{"vis:fault=unplug@x", "bad option"},
                      BadCase{"vis:serial=0123456789ABCDEFG", "bad option"},
                      BadCase{"led:name=0123456789012345678901234567890123", "bad option"},
                      BadCase{"vis:serial=A:serial=B", "given twice"}));

}  // namespace
