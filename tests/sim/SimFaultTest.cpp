// Faults on request, exclusive ports and the identities the provider lists.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "device/DeviceLink.h"
#include "support/FakeClock.h"

namespace {

TEST(SimFaults, SilentNeverAnswers) {
    SimBench bench("vis:fault=silent");
    auto port = bench.open(0);
    EXPECT_EQ(Ask(*port, CMD_GET_SERIAL).size(), 0);
    EXPECT_EQ(Ask(*port, SettingBytes(CMD_SET_EXPOSURE, 5)).size(), 0);
    EXPECT_EQ(bench.sim->spectrometer(0)->exposureUs(), 5);  // it still listens
    EXPECT_TRUE(bench.sim->device(0).log().isEmpty());
}

TEST(SimFaults, ShortRepliesLackTheirLastBytesAndReadsFail) {
    SimBench bench("vis:fault=short:link=bridge");
    auto port = bench.open(0);
    EXPECT_EQ(Ask(*port, CMD_GET_SERIAL).size(), 12);
    EXPECT_EQ(Ask(*port, CMD_STORE_DARK).size(), 1);
    EXPECT_EQ(Ask(*port, PageWord(CMD_GET_SPECTRUM, 31, 2044)).size(), 45);
    // A read of the full size fails and takes the partial bytes with it.
    Send(*port, WordBytes(CMD_GET_EXPOSURE));
    std::uint8_t four[4];
    EXPECT_FALSE(port->read(four));
    EXPECT_EQ(Drain(*port).size(), 0);
}

TEST(SimFaults, UnplugAfterNExchanges) {
    SimBench bench("vis:fault=unplug@3,led:fault=unplug@0");
    auto port = bench.open(0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ask(*port, CMD_GET_TEMPERATURE).size(), 4) << i;
    EXPECT_EQ(Ask(*port, CMD_GET_TEMPERATURE).size(), 0);
    EXPECT_EQ(Ask(*port, CMD_GET_SERIAL).size(), 0);
    auto led = bench.open(1);
    EXPECT_EQ(Ask(*led, LED_GET_STATE).size(), 0);
}

TEST(SimFaults, GarbleKeepsTheSizeButNotTheBytes) {
    SimBench bench("vis:serial=ABC:fault=garble");
    auto port = bench.open(0);
    const QByteArray reply = Ask(*port, CMD_GET_SERIAL);
    ASSERT_EQ(reply.size(), 16);
    EXPECT_NE(reply, QByteArray("ABC").leftJustified(16, '\0'));
}

TEST(SimPorts, NamesIdentitiesAndExclusiveOpen) {
    SimBench bench("vis,nir:link=bridge,led");
    EXPECT_EQ(bench.sim->candidatePorts(), (std::vector<QString>{"sim0", "sim1", "sim2"}));
    const auto devices = bench.sim->enumerateDevices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_TRUE(devices[0].hardwareId.contains("VID_3D7E&PID_0825"));
    EXPECT_TRUE(devices[1].hardwareId.contains("VID_1A86&PID_7523"));
    EXPECT_TRUE(devices[2].hardwareId.contains("VID_3D7E&PID_0B20"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(devices[i].friendlyName.endsWith(QString("(sim%1)").arg(i)));
    EXPECT_TRUE(UsbIdMatchesPort(devices, USB_ID_BRIDGE, PortTag("sim1")));
    EXPECT_FALSE(UsbIdMatchesPort(devices, USB_ID_BRIDGE, PortTag("sim0")));

    auto first = bench.sim->open("sim0");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->portName(), "sim0");
    EXPECT_TRUE(bench.sim->isOpen(0));
    EXPECT_EQ(bench.sim->open("sim0"), nullptr);
    EXPECT_EQ(bench.sim->open("sim9"), nullptr);
    first.reset();
    EXPECT_FALSE(bench.sim->isOpen(0));
    EXPECT_NE(bench.sim->open("sim0"), nullptr);
}

TEST(SimPorts, TransportOutlivesItsProvider) {
    FakeClock clock;
    QString error;
    auto sim = SimPortProvider::FromText("vis", clock, error);
    auto port = sim->open("sim0");
    sim.reset();
    EXPECT_EQ(Ask(*port, CMD_GET_TEMPERATURE).size(), 4);
}

TEST(SimPorts, ReopenForgetsAPartRequest) {
    SimBench bench("vis");
    auto port = bench.open(0);
    Send(*port, WordBytes(CMD_GET_SERIAL).left(2));
    port.reset();
    port = bench.open(0);
    EXPECT_EQ(Ask(*port, CMD_GET_SERIAL).size(), 16);
}

}  // namespace
