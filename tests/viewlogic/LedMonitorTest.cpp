#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "device/Clock.h"
#include "device/DeviceSlot.h"
#include "support/FakeClock.h"
#include "viewlogic/LedMonitor.h"
#include "viewlogic/SettingsStore.h"

namespace {

class LedMonitorTest : public ::testing::Test {
  protected:
    LedMonitorTest() {
        for (int i = 0; i < 511; ++i)
            spectrum[std::size_t(i)] = float(1000 + i);
    }
    std::unique_ptr<LedMonitor> Make() {
        return std::make_unique<LedMonitor>(
            settings, clock,
            LedMonitorSources{
                led,
                [this] { return std::span<const float>(spectrum.data(), std::size_t(pointCount)); },
                [this] { return firstWavelength; }, [this](bool on) { checkBox.push_back(on); }});
    }

    FakeClock clock{1700000000, 10000};
    MemorySettingsStore settings;
    LedUnit led;
    std::array<float, 511> spectrum{};
    int pointCount = 511;
    int firstWavelength = 340;
    std::vector<bool> checkBox;
};

TEST_F(LedMonitorTest, FirstUseDefaultsAndSettingsWrittenBack) {
    {
        auto m = Make();
        EXPECT_EQ(m->Initialise(), 500);
        EXPECT_EQ(m->wave1(), 400);
        EXPECT_EQ(m->wave2(), 450);
        EXPECT_EQ(m->controls().wave1Text, "400");
        EXPECT_EQ(m->controls().wave2Text, "450");
        EXPECT_TRUE(m->controls().monitorChecked);
        EXPECT_TRUE(m->controls().wavesEnabled);
        EXPECT_EQ(m->controls().buttonText, "LED OFF");
        EXPECT_EQ(m->nextMark(), 10500u);
        EXPECT_EQ(m->capacity(), 100);
        // Typed but never taken: the LED was not switched on from the dialog.
        m->controls().wave1Text = "123";
        m->controls().monitorChecked = false;
    }
    EXPECT_EQ(settings.writeLog(), (std::vector<QString>{"LED/wave1", "LED/wave2", "LED/monitor"}));
    EXPECT_EQ(settings.readInt("LED", "wave1", 0), 400);
    EXPECT_EQ(settings.readInt("LED", "monitor", 0), 1);
    const LedDialogPlace place = LedDialogPlace::Read(settings);
    EXPECT_EQ(place.left, 0);
    EXPECT_EQ(place.top, 0);
}

TEST_F(LedMonitorTest, ButtonSwitchesStateReadsEditsAndKeepsCheckBoxInStep) {
    auto m = Make();
    m->Initialise();
    m->Sample(235);  // a frozen sample in slot 0
    m->controls().wave1Text = "500nm";
    m->controls().wave2Text = "";
    m->LedButton();
    EXPECT_EQ(led.state, 1);
    EXPECT_EQ(m->wave1(), 500);
    EXPECT_EQ(m->wave2(), 0);
    EXPECT_EQ(m->controls().buttonText, "LED ON");
    EXPECT_FALSE(m->controls().wavesEnabled);
    EXPECT_EQ(checkBox, (std::vector<bool>{true}));

    m->controls().wave1Text = "600";
    m->LedButton();
    EXPECT_EQ(led.state, 0);
    EXPECT_EQ(m->wave1(), 500);  // only switching on takes the edits
    EXPECT_EQ(m->controls().buttonText, "LED OFF");
    EXPECT_TRUE(m->controls().wavesEnabled);
    EXPECT_EQ(checkBox, (std::vector<bool>{true, false}));
}

TEST_F(LedMonitorTest, SwitchingOnFromHereStartsANewRecording) {
    auto m = Make();
    m->Initialise();
    led.state = 1;  // switched on through the main view's check box: history continues
    for (int i = 0; i < 5; ++i)
        m->Sample(235);
    EXPECT_EQ(m->count(), 5);
    led.state = 0;
    m->LedButton();
    EXPECT_EQ(m->count(), 0);
}

TEST_F(LedMonitorTest, CapacityOf235ScrollsWithTheNewestAtTheRightEdge) {
    auto m = Make();
    m->Initialise();
    led.state = 1;
    for (int i = 0; i < 235; ++i) {
        led.temperature = float(i);
        m->Sample(235);
    }
    ASSERT_EQ(m->count(), 235);
    EXPECT_FLOAT_EQ(m->temperatures().front(), 0.0f);
    EXPECT_FLOAT_EQ(m->temperatures().back(), 234.0f);
    for (int i = 235; i < 240; ++i) {
        led.temperature = float(i);
        m->Sample(235);
    }
    ASSERT_EQ(m->count(), 235);
    EXPECT_FLOAT_EQ(m->temperatures().front(), 5.0f);
    EXPECT_FLOAT_EQ(m->temperatures().back(), 239.0f);
    EXPECT_FLOAT_EQ(m->temperatures()[100], 105.0f);
    EXPECT_FLOAT_EQ(m->intensities1().back(), 1060.0f);  // 400 nm is point 60
    EXPECT_FLOAT_EQ(m->intensities2().back(), 1110.0f);
}

TEST_F(LedMonitorTest, GraphStandsStillWhileTheLedIsOff) {
    auto m = Make();
    m->Initialise();
    led.state = 1;
    for (int i = 0; i < 3; ++i)
        m->Sample(235);
    led.state = 0;
    for (int i = 0; i < 10; ++i)
        m->Sample(235);
    EXPECT_EQ(m->count(), 3);
}

TEST_F(LedMonitorTest, NarrowerPlotKeepsTheNewestSamples) {
    auto m = Make();
    m->Initialise();
    led.state = 1;
    for (int i = 0; i < 50; ++i) {
        led.temperature = float(i);
        m->Sample(100);
    }
    led.temperature = 50.0f;
    m->Sample(20);
    ASSERT_EQ(m->count(), 20);
    EXPECT_FLOAT_EQ(m->temperatures().front(), 31.0f);
    EXPECT_FLOAT_EQ(m->temperatures().back(), 50.0f);
    m->Sample(5000);  // never beyond the history
    EXPECT_LT(m->capacity(), LED_HISTORY);
}

TEST_F(LedMonitorTest, TicksStayOnTheGridFromTheStartOfARecording) {
    auto m = Make();
    EXPECT_EQ(m->Initialise(), 500);  // mark at 10500
    clock.advanceMs(500);
    EXPECT_EQ(m->Tick(235), 500);  // LED off: mark 11000
    led.state = 1;
    clock.advanceMs(530);  // 11030: recording starts here, count 0
    EXPECT_EQ(m->Tick(235), 500);
    EXPECT_EQ(m->nextMark(), 11530u);
    clock.advanceMs(520);  // 11550: 20 ms late
    EXPECT_EQ(m->Tick(235), 480);
    clock.advanceMs(1200);       // 12750: the mark of 12530 has passed
    EXPECT_EQ(m->Tick(235), 0);  // re-armed at once, not with a negative delay
    EXPECT_EQ(m->nextMark(), 12530u);
    EXPECT_EQ(m->Tick(235), 280);  // the immediate tick is back on the grid: mark 13030
    EXPECT_EQ(m->count(), 4);
}

TEST_F(LedMonitorTest, TickShowsTheStateSetByTheMainView) {
    auto m = Make();
    m->Initialise();
    led.state = 1;
    clock.advanceMs(500);
    m->Tick(235);
    EXPECT_EQ(m->controls().buttonText, "LED ON");
}

TEST_F(LedMonitorTest, WavelengthsOutsideTheGridHaveNoValue) {
    auto m = Make();
    EXPECT_FLOAT_EQ(m->IntensityAt(340), 1000.0f);
    EXPECT_FLOAT_EQ(m->IntensityAt(850), 1510.0f);
    for (int nm : {851, 339, -2147483647 - 1})
        EXPECT_TRUE(std::isnan(m->IntensityAt(nm))) << nm;
    // The near-infrared grid: 411 points from 640 nm, sampled by its own first wavelength.
    firstWavelength = 640;
    pointCount = 411;
    EXPECT_FLOAT_EQ(m->IntensityAt(700), 1060.0f);
    EXPECT_TRUE(std::isnan(m->IntensityAt(450)));
    EXPECT_TRUE(std::isnan(m->IntensityAt(1051)));
    // The history keeps the blank: wave1 400 nm is off this grid, wave2 700 nm on it.
    m->Initialise();
    m->controls().wave2Text = "700";
    m->LedButton();
    m->Tick(235);
    clock.advanceMs(500);
    m->Tick(235);
    ASSERT_EQ(m->count(), 2);
    EXPECT_TRUE(std::isnan(m->intensities1()[0]));
    EXPECT_FLOAT_EQ(m->intensities2()[1], 1060.0f);
}

TEST(LedDialogPlaceStore, AllFourEdgesWritten) {
    MemorySettingsStore settings;
    LedDialogPlace::Write(settings, 10, 20, 660, 820);
    EXPECT_EQ(settings.readInt("leddlg", "left", 0), 10);
    EXPECT_EQ(settings.readInt("leddlg", "top", 0), 20);
    EXPECT_EQ(settings.readInt("leddlg", "right", 0), 660);
    EXPECT_EQ(settings.readInt("leddlg", "bottom", 0), 820);
}

}  // namespace
