// The headless path of the command-line tool: simulated devices, the cycle on
// clock-driven timers, continuous acquisition until enough records are stored.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/HeadlessView.h"
#include "viewlogic/DeviceSettingsEdits.h"

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

// A device of each sensor kind together: each is asked for the spectrum of its
// own grid (a read sized for another grid loses the reply and the device stops
// answering), and the records keep each device's values on its own grid.
TEST(HeadlessRun, ThreeSensorKindsEachOnTheirOwnGrid) {
    HeadlessView<SimPortProvider> rig;
    QString error;
    auto sim = SimPortProvider::FromText(
        "uv:serial=U1,vis:serial=V1:link=bridge,nir:serial=N1:link=bridge,led", rig.clock, error);
    ASSERT_TRUE(sim) << error.toStdString();
    rig.Start(std::move(sim));
    MeasurementDataSet& data = rig.data;
    ASSERT_EQ(data.deviceCount, 3);
    const WavelengthGrid uv{190, 251}, vis{340, 511}, nir{640, 411};
    EXPECT_EQ(rig.link->profile(0).grid(), uv);
    EXPECT_EQ(rig.link->profile(1).grid(), vis);
    EXPECT_EQ(rig.link->profile(2).grid(), nir);
    EXPECT_EQ(rig.link->profile(2).pixelCount, 256);
    EXPECT_FALSE(rig.link->onlyRestrictedSensors());  // a visible device: every mode
    ASSERT_TRUE(data.hasMixedGrids());
    EXPECT_EQ(data.grid(0), uv);
    EXPECT_EQ(data.grid(1), vis);
    EXPECT_EQ(data.grid(2), nir);
    EXPECT_EQ(data.pointCount, 511);  // the bounds: largest count, smallest first wavelength
    EXPECT_EQ(data.firstWavelength, 190);
    EXPECT_EQ(rig.view->DataSetDevicesNotice(), "");

    rig.StartContinuous(0);
    rig.RunUntil(5);
    ASSERT_EQ(data.recordCount, 5);
    for (int d = 0; d < 3; ++d) {
        EXPECT_TRUE(rig.link->slot(d).answering) << d;
        const int points = data.grid(d).pointCount;
        for (int r = 1; r < 5; ++r) {
            const MeasurementDataSet::Entry& e = data.entry(d, r);
            EXPECT_EQ(e.exposure, 10000) << d << " " << r;
            EXPECT_FALSE(std::isnan(e.temperature)) << d << " " << r;
            EXPECT_TRUE(std::all_of(e.values.begin(), e.values.begin() + points, [](float v) {
                return std::isfinite(v) && v >= 0.0f;
            })) << d;
            EXPECT_GT(*std::max_element(e.values.begin(), e.values.begin() + points), 1000.0f) << d;
            // Nothing beyond the device's own points.
            EXPECT_TRUE(std::all_of(e.values.begin() + points, e.values.end(), [](float v) {
                return v == 0.0f;
            })) << d;
        }
    }
    // The device's live spectrum came whole: its last point is lit like the others.
    EXPECT_GT(rig.link->slot(0).spectrum[250], 0.0f);
    EXPECT_EQ(rig.link->slot(0).spectrum[251], 100.0f * 251) << "the ramp beyond the UV grid";

    // The display modes of an all-NIR/UV set stay restricted.
    HeadlessView<SimPortProvider> restricted;
    auto sim2 = SimPortProvider::FromText("uv,nir", restricted.clock, error);
    ASSERT_TRUE(sim2);
    restricted.Start(std::move(sim2));
    EXPECT_TRUE(restricted.link->onlyRestrictedSensors());
    restricted.view->OnModeSelected(DISPLAY_CHROMATICITY);
    EXPECT_EQ(restricted.view->state().displayMode, DISPLAY_LINE);
}

// A data set of other devices (a document opened): records of the live devices
// never go into it. The first record asks whether to start a new data set;
// declined, nothing is stored (and continuous acquisition stops); accepted,
// the new data set holds only the live devices, with nothing made up.
TEST(HeadlessRun, RecordsOfOtherDevicesAreNeverMixed) {
    HeadlessView<SimPortProvider> rig;
    QString error;
    auto sim = SimPortProvider::FromText("vis:serial=S1,nir:serial=S2,led", rig.clock, error);
    ASSERT_TRUE(sim) << error.toStdString();
    rig.Start(std::move(sim));

    MeasurementDataSet opened;
    opened.deviceCount = 10;
    opened.SetGrid({340, 511});
    for (int d = 0; d < 10; ++d)
        opened.serialText[d] = QByteArray("D") + QByteArray::number(d);
    for (int r = 0; r < 3; ++r) {
        const int k = opened.AppendRecord(1700000000 + r);
        for (int d = 0; d < 10; ++d)
            opened.entry(d, k).values.fill(7.0f);
    }
    rig.data.AdoptRead(std::move(opened));
    rig.view->DocumentOpened();
    rig.view->InitialUpdate();
    EXPECT_EQ(rig.data.deviceCount, 10) << "the document keeps its devices";
    EXPECT_EQ(rig.data.serialText[0], "D0");
    const QString notice = rig.view->DataSetDevicesNotice();
    EXPECT_TRUE(notice.contains("D9 340-850 nm")) << notice.toStdString();
    EXPECT_TRUE(notice.contains("S2 640-1050 nm")) << notice.toStdString();

    rig.StartContinuous(0);
    rig.RunUntil(4, 20);
    EXPECT_EQ(rig.doc.questions.size(), 1u) << "asked once, not at every tick";
    EXPECT_EQ(rig.data.recordCount, 3);
    EXPECT_FALSE(rig.view->session().acquisition().acquiring)
        << "declined: the acquisition stopped";
    EXPECT_EQ(rig.data.entry(9, 2).values[0], 7.0f);
    EXPECT_EQ(rig.data.deviceCount, 10);

    rig.doc.newDataSetAnswer = true;
    rig.form.setChecked(ControlId::Continuous, false);
    rig.view->OnAcquireButton();  // one record, asked again
    rig.RunUntil(MAX_RECORDS, 5);
    ASSERT_EQ(rig.doc.questions.size(), 2u);
    ASSERT_EQ(rig.data.recordCount, 1);
    EXPECT_EQ(rig.data.deviceCount, 2);
    EXPECT_EQ(rig.data.serialText[0], "S1");
    EXPECT_EQ(rig.data.serialText[1], "S2");
    EXPECT_EQ(rig.data.serialText[2], "");
    EXPECT_EQ(rig.data.grid(1), (WavelengthGrid{640, 411}));
    EXPECT_GT(rig.data.entry(1, 0).values[200], 0.0f);
    for (int d = 2; d < MAX_DEVICES; ++d)
        EXPECT_EQ(rig.data.entry(d, 0).values[0], 0.0f) << "no values made up for slot " << d;
    EXPECT_EQ(rig.form.listCount(ControlId::DataList), 1);
    EXPECT_EQ(rig.view->DataSetDevicesNotice(), "");
}

// A full data list ends continuous acquisition and says so; a running plan
// goes on measuring into its file, and the list takes records again once
// the user started a new one.
TEST(HeadlessRun, AFullListStopsAcquisitionWhileThePlanKeepsWritingItsFile) {
    HeadlessView rig;
    QString error;
    auto sim = SimPortProvider::FromText("vis:serial=A1,nir:serial=B2", rig.clock, error);
    ASSERT_TRUE(sim) << error.toStdString();
    rig.Start(std::move(sim));
    MainViewLogic& view = *rig.view;
    int notices = 0;
    view.setPlanNoticeHook([&notices] { ++notices; });
    rig.StartContinuous(0);
    rig.RunUntil(1);
    ASSERT_EQ(rig.data.recordCount, 1);
    while (rig.data.recordCount < MAX_RECORDS - 1)
        rig.data.AppendRecord(rig.clock.nowSeconds());

    QTemporaryDir dir;
    view.SetPlanFolder(dir.path());
    view.plan().ChooseInterval();
    view.plan().controls().intervalText = "1";
    view.plan().controls().appendChecked = true;
    QString refusal;
    ASSERT_TRUE(view.StartPlan(refusal)) << refusal.toStdString();
    EXPECT_TRUE(view.PlanStatusText().contains(view.plan().fileName()));

    rig.RunUntil(MAX_RECORDS);  // the last record the list takes
    EXPECT_FALSE(view.session().acquisition().acquiring);
    EXPECT_EQ(rig.form.text(ControlId::Acquire), QString::fromUtf8(CAPTION_ACQUIRE));
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(view.DataSetFullNotice().contains("10000"))
        << view.DataSetFullNotice().toStdString();

    const std::int64_t until = rig.clock.nowSeconds() + 3 * 60 + 5;
    while (rig.clock.nowSeconds() < until) {
        const int id = rig.timers.WaitNext();
        ASSERT_GE(id, 0);
        view.OnTimer(id);
    }
    EXPECT_EQ(rig.data.recordCount, MAX_RECORDS);
    EXPECT_EQ(view.plan().runCount(), 3);
    QFile csv(dir.filePath(view.plan().fileName()));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3 + 3 + 1);  // header block, three records, the end
    EXPECT_TRUE(lines[1].startsWith("device,A1,B2,"));
    EXPECT_FALSE(lines[5].contains("nan")) << "live values, not a placeholder";

    // Acquiring on the full list offers to start a new one; the plan runs on.
    rig.doc.newDataSetAnswer = true;
    rig.form.setChecked(ControlId::Continuous, false);
    view.OnAcquireButton();
    ASSERT_EQ(rig.doc.questions.size(), 1u);
    EXPECT_TRUE(rig.doc.questions[0].contains("10000"));
    rig.RunUntil(1);
    EXPECT_EQ(rig.data.recordCount, 1);
    EXPECT_EQ(view.DataSetFullNotice(), "");
    EXPECT_EQ(notices, 2);
    EXPECT_TRUE(view.plan().running());

    // Clearing a full list takes the notice away; the plan goes on into its
    // file and its next record starts the new list.
    while (rig.data.recordCount < MAX_RECORDS)
        rig.data.AppendRecord(rig.clock.nowSeconds());
    ASSERT_NE(view.DataSetFullNotice(), "");
    const int runs = view.plan().runCount();
    view.ClearDataList();
    EXPECT_EQ(view.DataSetFullNotice(), "");
    EXPECT_EQ(rig.data.recordCount, 0);
    EXPECT_EQ(rig.form.listCount(ControlId::DataList), 0);
    EXPECT_TRUE(view.plan().running());
    while (view.plan().runCount() == runs) {
        const int id = rig.timers.WaitNext();
        ASSERT_GE(id, 0);
        view.OnTimer(id);
    }
    rig.RunUntil(1);
    EXPECT_EQ(rig.data.recordCount, 1);
    ASSERT_TRUE(csv.seek(0));
    EXPECT_EQ(csv.readAll().count('\n'), 3 + 4);  // the header block and four records
    view.StopPlan();
    EXPECT_EQ(view.PlanStatusText(), "");
}
