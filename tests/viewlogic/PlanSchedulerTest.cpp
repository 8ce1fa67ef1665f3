#include <ctime>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "device/Clock.h"
#include "export/DataSetCsv.h"
#include "support/FakeClock.h"
#include "viewlogic/PlanScheduler.h"
#include "viewlogic/SettingsStore.h"

namespace {

// Seconds of a local date and time (tests run with TZ=Asia/Tokyo).
std::int64_t Local(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

struct Measurement {
    std::int64_t at;
    QString fileName;
    int appendFlag;
};

// The plan as the dialog drives it: opened at `open`, a tick every 300 ms from then on.
class PlanRun : public ::testing::Test {
  protected:
    void Open(std::int64_t open) {
        clock.setWallSeconds(open);
        plan = std::make_unique<PlanScheduler>(settings, clock, [this](const QString& f, int a) {
            measured.push_back({clock.nowSeconds(), f, a});
        });
        plan->Initialise();
        clock.advanceMs(300);  // the first tick comes 300 ms after opening
        plan->Tick();
    }
    void TickUntil(std::int64_t until) {
        while (clock.nowSeconds() < until) {
            clock.advanceMs(300);
            plan->Tick();
        }
    }
    void Start() {
        QString refusal;
        ASSERT_TRUE(plan->Start(refusal)) << refusal.toStdString();
    }
    std::vector<std::int64_t> Times() const {
        std::vector<std::int64_t> t;
        for (const auto& m : measured)
            t.push_back(m.at);
        return t;
    }

    FakeClock clock;
    MemorySettingsStore settings;
    std::unique_ptr<PlanScheduler> plan;
    std::vector<Measurement> measured;
};

TEST_F(PlanRun, HourlyScheduleFromNineFiftyNine) {
    settings.writeInt("plan", "everytime", 5);
    Open(Local(2024, 3, 15, 9, 59, 30));
    TickUntil(Local(2024, 3, 15, 9, 59, 40));
    Start();
    TickUntil(Local(2024, 3, 15, 11, 0, 30));
    EXPECT_EQ(Times(), (std::vector<std::int64_t>{Local(2024, 3, 15, 10, 0, 0),
                                                  Local(2024, 3, 15, 11, 0, 0)}));
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0].appendFlag, 0);
    EXPECT_EQ(measured[1].appendFlag, 1);
    EXPECT_TRUE(measured[0].fileName.isEmpty());  // append box not checked: no file
}

TEST_F(PlanRun, TenMinutesOnTheClock) {
    settings.writeInt("plan", "everytime", 2);
    Open(Local(2024, 3, 15, 10, 3, 0));
    Start();
    TickUntil(Local(2024, 3, 15, 10, 31, 0));
    EXPECT_EQ(Times(), (std::vector<std::int64_t>{Local(2024, 3, 15, 10, 10, 0),
                                                  Local(2024, 3, 15, 10, 20, 0),
                                                  Local(2024, 3, 15, 10, 30, 0)}));
}

TEST_F(PlanRun, IntervalTenFromTenOhThreeTwenty) {
    settings.writeInt("plan", "method", 1);
    Open(Local(2024, 3, 15, 10, 3, 0));
    TickUntil(Local(2024, 3, 15, 10, 3, 20));
    plan->controls().intervalText = "10";
    Start();
    TickUntil(Local(2024, 3, 15, 10, 33, 30));
    EXPECT_EQ(Times(), (std::vector<std::int64_t>{Local(2024, 3, 15, 10, 13, 0),
                                                  Local(2024, 3, 15, 10, 23, 0),
                                                  Local(2024, 3, 15, 10, 33, 0)}));
}

TEST_F(PlanRun, IntervalOneMeasuresEveryMinuteAfterStart) {
    settings.writeInt("plan", "method", 1);
    Open(Local(2024, 3, 15, 10, 3, 10));
    plan->controls().intervalText = "1";
    Start();
    TickUntil(Local(2024, 3, 15, 10, 6, 10));
    EXPECT_EQ(Times(),
              (std::vector<std::int64_t>{Local(2024, 3, 15, 10, 4, 0), Local(2024, 3, 15, 10, 5, 0),
                                         Local(2024, 3, 15, 10, 6, 0)}));
}

TEST_F(PlanRun, IntervalOfZeroRefusesStart) {
    settings.writeInt("plan", "method", 1);
    Open(Local(2024, 3, 15, 10, 3, 10));
    plan->controls().intervalText = "0";
    QString refusal;
    EXPECT_FALSE(plan->Start(refusal));
    EXPECT_EQ(refusal, QString::fromUtf8("インターバルは1分以上を指定してください"));
    EXPECT_FALSE(plan->running());
    EXPECT_TRUE(plan->controls().startEnabled);
}

TEST_F(PlanRun, IntervalZeroBroughtInByTheRadioMeasuresNothing) {
    Open(Local(2024, 3, 15, 10, 3, 10));
    plan->controls().intervalText = "abc";  // reads as 0; the scheduled method accepts it
    Start();
    plan->ChooseInterval();
    TickUntil(Local(2024, 3, 15, 10, 8, 0));
    EXPECT_TRUE(measured.empty());
}

TEST_F(PlanRun, NoScheduleLineSelectedIsNeverDue) {
    Open(Local(2024, 3, 15, 10, 3, 10));
    plan->controls().scheduleSelection = -1;  // text typed into the combo's edit field
    Start();
    EXPECT_EQ(plan->state().scheduleIndex, -1);
    TickUntil(Local(2024, 3, 15, 11, 1, 0));
    EXPECT_TRUE(measured.empty());
}

TEST_F(PlanRun, StopEndsMeasuring) {
    Open(Local(2024, 3, 15, 10, 3, 10));
    Start();
    TickUntil(Local(2024, 3, 15, 10, 5, 10));
    plan->Stop();
    EXPECT_FALSE(plan->controls().stopEnabled);
    TickUntil(Local(2024, 3, 15, 10, 8, 10));
    EXPECT_EQ(measured.size(), 2u);
}

TEST_F(PlanRun, NewFileAfterMidnightWithoutHeaderBlock) {
    settings.writeInt("autosave", "enable", 1);
    Open(Local(2024, 3, 15, 23, 57, 0));
    TickUntil(Local(2024, 3, 15, 23, 58, 30));
    Start();
    TickUntil(Local(2024, 3, 16, 0, 1, 30));
    ASSERT_EQ(measured.size(), 3u);
    EXPECT_EQ(measured[0].fileName, "20240315_235830.csv");
    EXPECT_EQ(measured[0].appendFlag, 0);  // header block at the top of the file
    EXPECT_EQ(measured[1].fileName, "20240316_000000.csv");
    EXPECT_EQ(measured[1].appendFlag, 1);  // the new day's file begins with a data line
    EXPECT_EQ(measured[2].fileName, "20240316_000000.csv");
    EXPECT_EQ(measured[2].appendFlag, 2);
}

TEST_F(PlanRun, FilesWrittenAcrossMidnight) {
    // The measurements as the main view makes them: store a record, append it.
    QTemporaryDir dir;
    MeasurementDataSet data;
    data.deviceCount = 1;
    data.serialText[0] = "S1";
    settings.writeInt("autosave", "enable", 1);
    clock.setWallSeconds(Local(2024, 3, 15, 23, 58, 0));
    PlanScheduler csvPlan(settings, clock, [&](const QString& fileName, int appendFlag) {
        const int r = data.AppendRecord(clock.nowSeconds());
        AppendRecordCsv(dir.filePath(fileName), data, r, appendFlag);
    });
    csvPlan.Initialise();
    csvPlan.Tick();
    QString refusal;
    ASSERT_TRUE(csvPlan.Start(refusal));
    while (clock.nowSeconds() < Local(2024, 3, 16, 0, 1, 30)) {
        clock.advanceMs(300);
        csvPlan.Tick();
    }
    auto lines = [&](const char* name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
    };
    const auto first = lines("20240315_235800.csv");
    ASSERT_EQ(first.size(), 5);  // header block, one data line
    EXPECT_EQ(first[0], "Velarim Spectrum data( TRX Model)\r");
    EXPECT_TRUE(first[3].startsWith("2024/03/15,23:59:00,"));
    const auto second = lines("20240316_000000.csv");
    ASSERT_EQ(second.size(), 3);  // two data lines, no header block
    EXPECT_TRUE(second[0].startsWith("2024/03/16,00:00:00,"));
    EXPECT_TRUE(second[1].startsWith("2024/03/16,00:01:00,"));
}

TEST_F(PlanRun, AppendBoxClearedDuringRunTakesEffectAtTheDateChange) {
    settings.writeInt("autosave", "enable", 1);
    Open(Local(2024, 3, 15, 23, 58, 10));
    Start();
    plan->controls().appendChecked = false;
    plan->AppendBoxClicked();
    TickUntil(Local(2024, 3, 16, 0, 0, 30));
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0].fileName, "20240315_235810.csv");
    EXPECT_TRUE(measured[1].fileName.isEmpty());
    EXPECT_FALSE(plan->state().appendEnabled);
}

TEST_F(PlanRun, WindowedMinutesStillAdvanceTheCounter) {
    settings.writeInt("plan", "method", 1);
    settings.writeInt("limit", "enable", 1);
    Open(Local(2024, 3, 15, 18, 27, 10));
    plan->controls().intervalText = "2";
    Start();
    TickUntil(Local(2024, 3, 15, 18, 34, 10));
    // Counter 2 at 18:29, 4 at 18:31 (outside 06:30-18:30), 6 at 18:33 (outside).
    EXPECT_EQ(Times(), (std::vector<std::int64_t>{Local(2024, 3, 15, 18, 29, 0)}));
    EXPECT_EQ(plan->minuteCounter(), 7);
}

struct WindowCase {
    const char* window[4];
    int hour;
    int minute;
    bool inside;
};

class PlanWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(PlanWindow, TestOnTheClockTimeOfDay) {
    const WindowCase c = GetParam();
    FakeClock clock;
    MemorySettingsStore settings;
    PlanScheduler plan(settings, clock, {});
    plan.Initialise();
    for (int i = 0; i < 4; ++i)
        plan.controls().windowTexts[i] = c.window[i];
    plan.controls().limitChecked = true;
    plan.LimitBoxClicked();  // UpdateControls reads the edits back
    EXPECT_EQ(plan.InsideWindow(c.hour, c.minute), c.inside)
        << c.window[0] << ":" << c.window[1] << "-" << c.window[2] << ":" << c.window[3] << " at "
        << c.hour << ":" << c.minute;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PlanWindow,
    ::testing::Values(WindowCase{{"6", "30", "18", "30"}, 6, 29, false},
                      WindowCase{{"6", "30", "18", "30"}, 6, 30, true},
                      WindowCase{{"6", "30", "18", "30"}, 12, 0, true},
                      WindowCase{{"6", "30", "18", "30"}, 18, 30, true},
                      WindowCase{{"6", "30", "18", "30"}, 18, 31, false},
                      WindowCase{{"18", "40", "18", "30"}, 18, 20, true},
                      WindowCase{{"18", "40", "18", "30"}, 18, 35, false},
                      WindowCase{{"18", "40", "18", "30"}, 12, 0, false},
                      // Not wrapped over midnight: only the end hour up to the end minute.
                      WindowCase{{"22", "00", "06", "00"}, 6, 0, true},
                      WindowCase{{"22", "00", "06", "00"}, 23, 0, false},
                      WindowCase{{"22", "00", "06", "00"}, 3, 0, false},
                      // Texts read as C integers: empty and non-numeric give 0.
                      WindowCase{{"", "x", "7", "5"}, 0, 0, true},
                      WindowCase{{"", "x", "7", "5"}, 7, 6, false}));

TEST(PlanControls, RadioRestoresTheLineFromTheLastStart) {
    FakeClock clock;
    MemorySettingsStore settings;
    settings.writeInt("plan", "everytime", 1);
    PlanScheduler plan(settings, clock, {});
    plan.Initialise();
    EXPECT_EQ(plan.controls().scheduleSelection, 1);
    plan.controls().scheduleSelection = 3;
    QString refusal;
    ASSERT_TRUE(plan.Start(refusal));
    plan.controls().scheduleSelection = 4;  // chosen after Start...
    plan.controls().intervalText = "25";
    plan.ChooseScheduled();  // ...and replaced by the line of the last Start
    EXPECT_EQ(plan.controls().scheduleSelection, 3);
    EXPECT_EQ(plan.controls().intervalText, "10");
    EXPECT_EQ(plan.state().scheduleIndex, 3);
}

TEST(PlanControls, EnablingFollowsMethodRunningAndWindowBox) {
    FakeClock clock;
    MemorySettingsStore settings;
    PlanScheduler plan(settings, clock, {});
    plan.Initialise();
    const PlanControls& c = plan.controls();
    EXPECT_TRUE(c.scheduledChecked);
    EXPECT_FALSE(c.intervalChecked);
    EXPECT_TRUE(c.scheduleEnabled);
    EXPECT_FALSE(c.intervalEnabled);
    EXPECT_FALSE(c.windowEnabled);
    EXPECT_EQ(c.windowTexts[0], "6");
    EXPECT_EQ(c.windowTexts[1], "30");
    EXPECT_EQ(c.clockText, "--/--/-- --:--:--");
    plan.ChooseInterval();
    EXPECT_FALSE(c.scheduleEnabled);
    EXPECT_TRUE(c.intervalEnabled);
    plan.controls().limitChecked = true;
    plan.LimitBoxClicked();
    EXPECT_TRUE(c.windowEnabled);
    EXPECT_TRUE(plan.state().limitEnabled);
    QString refusal;
    ASSERT_TRUE(plan.Start(refusal));
    EXPECT_FALSE(c.startEnabled);
    EXPECT_TRUE(c.stopEnabled);
}

TEST(PlanSettingsStore, DefaultsAndAllNineWrittenBack) {
    FakeClock clock;
    MemorySettingsStore settings;
    {
        PlanScheduler plan(settings, clock, {});
        const PlanSettings& s = plan.state();
        EXPECT_EQ(s.method, 0);
        EXPECT_EQ(s.scheduleIndex, 0);
        EXPECT_EQ(s.intervalMinutes, 10);
        EXPECT_EQ(s.startHour, 6);
        EXPECT_EQ(s.startMinute, 30);
        EXPECT_EQ(s.endHour, 18);
        EXPECT_EQ(s.endMinute, 30);
        EXPECT_FALSE(s.limitEnabled);
        EXPECT_FALSE(s.appendEnabled);
        plan.Initialise();
        plan.controls().windowTexts = {"7", "15", "19", "45"};
        plan.controls().limitChecked = true;
        plan.LimitBoxClicked();
        plan.controls().appendChecked = true;
        plan.AppendBoxClicked();
        plan.ChooseInterval();
        plan.controls().intervalText = "-3";
        QString refusal;
        ASSERT_TRUE(plan.Start(refusal));
    }
    const std::vector<QString> order = {"plan/method",  "plan/everytime", "plan/intervaltime",
                                        "limit/starth", "limit/startm",   "limit/endh",
                                        "limit/endm",   "limit/enable",   "autosave/enable"};
    // Written as the plan starts (what the user left) and again when it goes.
    std::vector<QString> twice = order;
    twice.insert(twice.end(), order.begin(), order.end());
    EXPECT_EQ(settings.writeLog(), twice);
    EXPECT_EQ(settings.readInt("plan", "method", -9), 1);
    EXPECT_EQ(settings.readInt("plan", "intervaltime", -9), -3);
    EXPECT_EQ(settings.readInt("limit", "starth", -9), 7);
    EXPECT_EQ(settings.readInt("limit", "endm", -9), 45);
    EXPECT_EQ(settings.readInt("limit", "enable", -9), 1);
    EXPECT_EQ(settings.readInt("autosave", "enable", -9), 1);
}

TEST(PlanText, CIntegersAndAutosaveNames) {
    EXPECT_EQ(ParseCInt("  42abc"), 42);
    EXPECT_EQ(ParseCInt("-7"), -7);
    EXPECT_EQ(ParseCInt("+5"), 5);
    EXPECT_EQ(ParseCInt(""), 0);
    EXPECT_EQ(ParseCInt("x1"), 0);
    EXPECT_EQ(ParseCInt("99999999999"), 2147483647);
    EXPECT_EQ(AutosaveName(Local(2024, 3, 15, 7, 5, 9)), "20240315_070509.csv");
}

}  // namespace
