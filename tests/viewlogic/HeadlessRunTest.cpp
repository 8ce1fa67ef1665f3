// The headless path of the command-line tool: simulated devices, the cycle on
// clock-driven timers, continuous acquisition until enough records are stored.
#include <gtest/gtest.h>

#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/HeadlessView.h"

TEST(ClockTimerHost, FiresInDueOrderAndSleepsUntilDue) {
    FakeClock clock(1700000000, 0xFFFFFFF0u);  // the tick count wraps on the way
    ClockTimerHost timers(clock);
    timers.start(2, 50);
    timers.start(4, 3000);
    timers.start(1, 50);
    EXPECT_EQ(timers.WaitNext(), 2);  // due together: started first
    EXPECT_EQ(timers.WaitNext(), 1);
    EXPECT_EQ(clock.tickMs(), 0xFFFFFFF0u + 50u);
    timers.start(3, 10);
    timers.stop(4);
    EXPECT_FALSE(timers.isActive(4));
    EXPECT_EQ(timers.WaitNext(), 3);
    EXPECT_EQ(clock.tickMs(), 0xFFFFFFF0u + 60u);
    EXPECT_EQ(timers.WaitNext(), -1);
}

TEST(HeadlessRun, ContinuousAcquisitionOnSimulatedDevices) {
    HeadlessView rig;
    QString error;
    auto sim =
        SimPortProvider::FromText("nir:serial=A1,nir:serial=B2:link=bridge,led", rig.clock, error);
    ASSERT_TRUE(sim) << error.toStdString();
    rig.Start(std::move(sim), 3000);
    FakeClock& clock = rig.clock;
    ClockTimerHost& timers = rig.timers;
    MeasurementDataSet& data = rig.data;
    MainViewLogic& view = *rig.view;
    ASSERT_EQ(data.deviceCount, 2);
    EXPECT_EQ(data.serialText[1], "B2");
    EXPECT_EQ(data.pointCount, 411);  // the last slot's sensor decides
    ASSERT_TRUE(rig.link->led().present);

    rig.StartContinuous(1000);
    const std::uint32_t started = clock.tickMs();
    while (data.recordCount < 4) {
        const int id = timers.WaitNext();
        ASSERT_GE(id, 0);
        view.OnTimer(id);
    }
    // One record per full second after the press, within a tick.
    EXPECT_GT(clock.tickMs() - started, 4000u);
    EXPECT_LT(clock.tickMs() - started, 4100u);
    EXPECT_EQ(data.entry(0, 3).exposure, 10000);
    EXPECT_EQ(data.entry(1, 3).exposure, 10000);
    EXPECT_GT(data.entry(0, 3).values[200], 0.0f);
    EXPECT_EQ(data.record(3).timeStamp - data.record(0).timeStamp, 3);
    EXPECT_EQ(rig.form.listCount(ControlId::DataList), 4);
}
