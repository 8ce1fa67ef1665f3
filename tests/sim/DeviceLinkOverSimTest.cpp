// The device link finds, identifies and reads simulated devices exactly as it
// does real ones: the simulation plugs in where the serial ports do.
#include <gtest/gtest.h>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/InlineLink.h"

namespace {

class DeviceLinkOverSim : public ::testing::Test {
  protected:
    FakeClock clock;
    QString error;
    std::unique_ptr<SimPortProvider> sim = SimPortProvider::FromText(
        "led:name=Desk,vis:serial=A1,nir:serial=B2:link=bridge:lx=1:fw=1.5", clock, error);
    TestDeviceLink link{*sim, clock, 3000};
};

TEST_F(DeviceLinkOverSim, DetectsIdentifiesAndSettlesOnTheClock) {
    ASSERT_TRUE(sim) << error.toStdString();
    const std::uint32_t before = clock.tickMs();
    ASSERT_EQ(DetectNow(link), 2);
    EXPECT_EQ(clock.tickMs() - before, 6000u);  // 3 s after each spectrometer, none for real
    EXPECT_EQ(link.ListEntry(0), "A1(sim1) 1.6");
    EXPECT_EQ(link.ListEntry(1), "B2(sim2) 1.5(LX)");
    EXPECT_FALSE(link.slot(0).bridged);
    EXPECT_TRUE(link.slot(1).bridged);
    EXPECT_TRUE(sim->bridgeConfigured(2));

    FindLedNow(link);
    EXPECT_EQ(link.led().label, "Desk ver 1.0");
    EXPECT_TRUE(sim->isOpen(0));

    EXPECT_EQ(link.storedIdentity(1).sensorModel, "K52817QX-03");
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(sim->device(i).log().isEmpty());
}

TEST_F(DeviceLinkOverSim, ReadsWholeAndPagedSpectraWithoutRefusals) {
    ASSERT_EQ(DetectNow(link), 2);
    LiveReading whole, paged;
    link.slot(0).channel->post(
        [&](PortAccess& p) { whole = ReadLiveData(*p.transport(), false, 511); });
    link.slot(1).channel->post(
        [&](PortAccess& p) { paged = ReadLiveData(*p.transport(), true, 411); });
    ASSERT_TRUE(whole.spectrumRead);
    ASSERT_TRUE(paged.spectrumRead);
    EXPECT_GT(whole.spectrum[200], 1000.0f);
    EXPECT_GT(paged.spectrum[100], 1000.0f);
    // identity 3, stored identity and connect limits 4, then 32 pages and the temperature
    EXPECT_EQ(sim->device(2).exchangeCount() - 7, 33);
    EXPECT_TRUE(sim->device(1).log().isEmpty());
    EXPECT_TRUE(sim->device(2).log().isEmpty());
}

TEST_F(DeviceLinkOverSim, ConnectLimitsReachTheDevice) {
    ASSERT_EQ(DetectNow(link), 2);
    link.slot(0).channel->post([](PortAccess& p) {
        ASSERT_TRUE(SendSetting(*p.transport(), CMD_SET_EXPOSURE, 2000000));
        ASSERT_TRUE(SendSetting(*p.transport(), CMD_SET_AVERAGING, 150));
        ApplyConnectLimits(*p.transport(), 1.6f);
    });
    EXPECT_EQ(sim->spectrometer(1)->exposureUs(), 1000000);
    EXPECT_EQ(sim->spectrometer(1)->averaging(), 1);
}

}  // namespace
