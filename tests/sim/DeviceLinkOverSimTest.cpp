// The device link finds, identifies and reads simulated devices exactly as it
// does real ones: the simulation plugs in where the serial ports do.
#include <gtest/gtest.h>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "sim/SimPortProvider.h"

namespace {

class DeviceLinkOverSim : public ::testing::Test {
  protected:
    FakeClock clock;
    QString error;
    std::unique_ptr<SimPortProvider> sim = SimPortProvider::FromText(
        "led:name=Desk,vis:serial=A1,nir:serial=B2:link=bridge:lx=1:fw=1.5", clock, error);
    DeviceLink link{*sim, clock, 3000};
};

TEST_F(DeviceLinkOverSim, DetectsIdentifiesAndSettlesOnTheClock) {
    ASSERT_TRUE(sim) << error.toStdString();
    const std::uint32_t before = clock.tickMs();
    ASSERT_EQ(link.DetectSpectrometers(), 2);
    EXPECT_EQ(clock.tickMs() - before, 6000u);  // 3 s after each spectrometer, none for real
    EXPECT_EQ(link.ListEntry(0), "A1((sim1)) 1.6");
    EXPECT_EQ(link.ListEntry(1), "B2((sim2)) 1.5(LX)");
    EXPECT_FALSE(link.slot(0).bridged);
    EXPECT_TRUE(link.slot(1).bridged);
    EXPECT_TRUE(sim->bridgeConfigured(2));

    EXPECT_EQ(link.FindLedUnit(), 1);
    link.ConnectLedUnit();
    EXPECT_EQ(link.led().label, "Desk ver 1.0");
    EXPECT_TRUE(sim->isOpen(0));

    EXPECT_EQ(link.ReadStoredIdentity(1).sensorModel, "K52817QX-03");
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(sim->device(i).log().isEmpty());
}

TEST_F(DeviceLinkOverSim, ReadsWholeAndPagedSpectraWithoutRefusals) {
    ASSERT_EQ(link.DetectSpectrometers(), 2);
    ASSERT_TRUE(ReadSpectrum(link.slot(0), 511));
    ASSERT_TRUE(ReadSpectrum(link.slot(1), 411));
    EXPECT_GT(link.slot(0).spectrum[200], 1000.0f);
    EXPECT_GT(link.slot(1).spectrum[100], 1000.0f);
    EXPECT_EQ(sim->device(2).exchangeCount() - 3 /* identity */, 32);
    EXPECT_TRUE(sim->device(1).log().isEmpty());
    EXPECT_TRUE(sim->device(2).log().isEmpty());
}

TEST_F(DeviceLinkOverSim, ConnectLimitsReachTheDevice) {
    ASSERT_EQ(link.DetectSpectrometers(), 2);
    ASSERT_TRUE(SendSetting(*link.slot(0).handle, CMD_SET_EXPOSURE, 2000000));
    ASSERT_TRUE(SendSetting(*link.slot(0).handle, CMD_SET_AVERAGING, 150));
    link.ApplyConnectLimits(0);
    EXPECT_EQ(sim->spectrometer(1)->exposureUs(), 1000000);
    EXPECT_EQ(sim->spectrometer(1)->averaging(), 1);
}

}  // namespace
