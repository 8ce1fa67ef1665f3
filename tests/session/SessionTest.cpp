// The acquisition session without a window: typed commands in, events out by
// value, over scripted devices on a fake clock and timers fired by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <variant>

#include <QTemporaryDir>

#include "data/MeasurementDataSet.h"
#include "device/CommandTable.h"
#include "export/JournalFormat.h"
#include "session/AcquisitionSession.h"
#include "session/RecoveryJournal.h"
#include "support/FakeClock.h"
#include "support/FakeMainForm.h"
#include "support/FakePortProvider.h"
#include "support/InlineLink.h"

namespace {

class SessionTest : public ::testing::Test {
  protected:
    std::shared_ptr<FakeDevice> Add(const QByteArray& version, const QByteArray& serial) {
        auto device = std::make_shared<FakeDevice>();
        device->version = version;
        device->serial = serial;
        scripts.push_back(ports.addPort(QStringLiteral("ttyACM%1").arg(devices.size()),
                                        USB_ID_DIRECT, FakeDevice::Responder(device)));
        devices.push_back(device);
        return device;
    }
    void Start() {
        link = std::make_unique<TestDeviceLink>(ports, clock, 0);
        session = std::make_unique<AcquisitionSession>(*link, data, timers);
        session->Subscribe([this](const SessionEvent& e) { events.push_back(e); });
        int found = -1;
        session->Detect([&](int n) { found = n; });
        ASSERT_EQ(found, int(devices.size()));
        for (auto& d : devices)
            d->settings.clear();  // what detection sent does not count
        session->StartTicks();
    }
    // One tick, the clock moved by ms first.
    void Tick(int advanceMs = 50) {
        clock.advanceMs(advanceMs);
        ASSERT_TRUE(timers.take(TIMER_TICK));
        session->OnTimer(TIMER_TICK);
    }
    template <class E>
    std::vector<E> Events() const {
        std::vector<E> out;
        for (const SessionEvent& e : events) {
            if (const E* x = std::get_if<E>(&e))
                out.push_back(*x);
        }
        return out;
    }

    FakeClock clock{1700000000, 5000};
    FakePortProvider ports{&clock};
    FakeTimerHost timers;
    MeasurementDataSet data;
    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::vector<std::shared_ptr<PortScript>> scripts;
    std::unique_ptr<TestDeviceLink> link;
    std::unique_ptr<AcquisitionSession> session;
    std::vector<SessionEvent> events;
};

TEST_F(SessionTest, DetectionAndReadingsCarryEachDeviceBySequence) {
    Add("1.6", "A");
    Add("1.6", "B");
    Start();
    const auto detection = Events<DetectionEvent>();
    ASSERT_FALSE(detection.empty());
    EXPECT_TRUE(detection.back().finished);
    EXPECT_EQ(detection.back().found, 2);
    EXPECT_EQ(data.deviceCount, 2) << "an empty data set takes the live devices";

    Tick();
    Tick();
    const auto readings = Events<ReadingEvent>();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].sequence, 1u);
    EXPECT_EQ(readings[1].sequence, 2u);
    ASSERT_EQ(readings[1].devices.size(), 2u);
    const DeviceReading& b = readings[1].devices[1];
    EXPECT_EQ(b.slot, 1);
    EXPECT_EQ(b.serial, "B");
    EXPECT_TRUE(b.fresh);
    EXPECT_EQ(int(b.values.size()), b.grid.pointCount);
    EXPECT_FLOAT_EQ(b.values[10], 1010.0f);
    EXPECT_FLOAT_EQ(b.temperature, 25.0f);
    EXPECT_EQ(b.settings.exposureUs, 10000) << "as read at detection";
}

TEST_F(SessionTest, QueuedSettingGoesAfterTheNextReadsAndShowsInTheNextReading) {
    auto a = Add("1.6", "A");
    auto b = Add("1.6", "B");
    Start();
    EXPECT_EQ(session->QueueSettings(1, {25000, 4, std::nullopt}), "");
    Tick();
    EXPECT_TRUE(a->settings.empty()) << "one slot only";
    EXPECT_EQ(b->exposure, 25000);
    EXPECT_EQ(b->averaging, 4);
    const auto applied = Events<SettingAppliedEvent>();
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0].slot, 1);
    EXPECT_EQ(applied[0].sent.exposureUs, 25000);
    EXPECT_FALSE(applied[0].reported.exposureUs) << "the ticks' settings are not read back";
    EXPECT_EQ(applied[0].afterSequence, 1u) << "sent after the first tick's reads";
    Tick();
    const ReadingEvent after = Events<ReadingEvent>().back();
    EXPECT_GT(after.sequence, applied[0].afterSequence);
    EXPECT_EQ(after.devices[1].settings.exposureUs, 25000);
    EXPECT_EQ(after.devices[1].settings.averaging, 4);
    EXPECT_EQ(after.devices[0].settings.exposureUs, 10000);

    // To every device; values out of range are refused and nothing queued.
    EXPECT_EQ(session->QueueSettings(ALL_SPECTROMETERS, {30000, {}, {}}), "");
    EXPECT_NE(session->QueueSettings(ALL_SPECTROMETERS, {0, {}, {}}), "");
    EXPECT_NE(session->QueueSettings(0, {{}, 101, {}}), "");
    EXPECT_NE(session->QueueSettings(5, {1000, {}, {}}), "") << "no device in slot 5";
    Tick();
    EXPECT_EQ(a->exposure, 30000);
    EXPECT_EQ(b->exposure, 30000);
    EXPECT_EQ(b->averaging, 4);
}

TEST_F(SessionTest, AppliedSettingsAreReadBackAndKnown) {
    Add("1.6", "A");
    auto b = Add("1.6", "B");
    Start();
    DeviceCommandResult result;
    session->ApplySettings(ALL_SPECTROMETERS, {40000, 2, std::nullopt},
                           [&](DeviceCommandResult r) { result = std::move(r); });
    ASSERT_TRUE(result.ok()) << result.firstFailure().toStdString();
    const auto applied = Events<SettingAppliedEvent>();
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[1].reported.exposureUs, 40000);
    EXPECT_EQ(applied[1].reported.averaging, 2);
    EXPECT_EQ(session->knownSettings(1).exposureUs, 40000);
    EXPECT_EQ(b->averaging, 2);

    // A device that reports another value fails; the session knows what it said.
    session->ApplySettings(1, {2000000, {}, {}}, [&](DeviceCommandResult r) { result = r; });
    EXPECT_FALSE(result.ok()) << "out of range, refused before sending";
    EXPECT_EQ(b->exposure, 40000);
}

TEST_F(SessionTest, SingleAndContinuousAcquisitionReportTheirStateAndRecords) {
    Add("1.6", "A");
    Start();
    session->StoreOneRecord();
    Tick();
    Tick();
    EXPECT_EQ(data.recordCount, 1);
    auto acquisition = Events<AcquisitionEvent>();
    ASSERT_EQ(acquisition.size(), 2u);
    EXPECT_TRUE(acquisition[0].acquiring);
    EXPECT_FALSE(acquisition[0].continuous);
    EXPECT_FALSE(acquisition[1].acquiring) << "the single record taken";
    auto stored = Events<RecordStoredEvent>();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].index, 0);
    ASSERT_EQ(stored[0].devices.size(), 1u);
    EXPECT_EQ(stored[0].devices[0].serial, "A");
    EXPECT_EQ(stored[0].devices[0].exposure, 10000);
    EXPECT_FLOAT_EQ(stored[0].devices[0].values[10], 1010.0f);

    session->StartContinuous(100);
    for (int i = 0; i < 10; ++i)
        Tick(60);  // 600 ms: a record every whole 100 ms passed
    EXPECT_EQ(data.recordCount, 1 + 5);
    session->StopAcquisition();
    Tick(500);
    EXPECT_EQ(data.recordCount, 6);
    acquisition = Events<AcquisitionEvent>();
    EXPECT_TRUE(acquisition[2].acquiring && acquisition[2].continuous);
    EXPECT_FALSE(acquisition.back().acquiring);
    EXPECT_EQ(Events<RecordStoredEvent>().size(), 6u);
}

TEST_F(SessionTest, ADeviceThatStopsAnsweringIsToldAndItsRecordHoldsNaN) {
    Add("1.6", "A");
    Add("1.6", "B");
    Start();
    Tick();
    scripts[1]->responder = {};
    scripts[1]->gone = true;
    session->StoreOneRecord();
    Tick();
    const auto answering = Events<AnsweringEvent>();
    ASSERT_EQ(answering.size(), 1u);
    EXPECT_EQ(answering[0].slot, 1);
    EXPECT_FALSE(answering[0].answering);
    const ReadingEvent reading = Events<ReadingEvent>().back();
    EXPECT_TRUE(reading.devices[0].fresh);
    EXPECT_FALSE(reading.devices[1].fresh);
    EXPECT_FALSE(reading.devices[1].answering);
    ASSERT_EQ(data.recordCount, 1);
    EXPECT_TRUE(std::isnan(data.entry(1, 0).values[0]));
    EXPECT_EQ(data.entry(0, 0).exposure, 10000);
}

TEST_F(SessionTest, DarkAtTheEndOfTheNextTickOnEveryDevice) {
    auto a = Add("1.6", "A");
    auto b = Add("1.5", "B");
    Start();
    session->QueueDark(ALL_SPECTROMETERS);
    EXPECT_TRUE(session->darkQueued(1));
    Tick();
    EXPECT_EQ(a->darkStores, 1);
    EXPECT_EQ(b->darkStores, 1);
    EXPECT_EQ(Events<DarkEvent>().size(), 2u);
    Tick();
    EXPECT_EQ(a->darkStores, 1);
}

// A device whose port is lent out (an upload, a sensor-information read) is
// left alone by the ticks while the others go on: nothing goes to its port, its
// records hold NaN, its settings and dark setting wait for the release, and it
// is not taken for lost.
TEST_F(SessionTest, AHeldDeviceIsLeftAloneWhileTheOthersGoOn) {
    auto a = Add("1.6", "A");
    auto b = Add("1.6", "B");
    Start();
    Tick();
    session->HoldDevice(1);
    const std::size_t writes = scripts[1]->writes.size();
    EXPECT_EQ(session->QueueSettings(ALL_SPECTROMETERS, {25000, {}, {}}), "");
    session->QueueDark(ALL_SPECTROMETERS);
    session->StoreOneRecord();
    Tick();
    Tick();
    EXPECT_EQ(scripts[1]->writes.size(), writes) << "nothing went to the held port";
    EXPECT_EQ(a->exposure, 25000);
    EXPECT_EQ(a->darkStores, 1);
    EXPECT_EQ(b->exposure, 10000);
    EXPECT_EQ(b->darkStores, 0);
    EXPECT_TRUE(session->darkQueued(1));
    EXPECT_TRUE(Events<AnsweringEvent>().empty());
    ReadingEvent reading = Events<ReadingEvent>().back();
    EXPECT_EQ(reading.sequence, 3u);
    EXPECT_TRUE(reading.devices[0].fresh);
    EXPECT_TRUE(reading.devices[1].held);
    EXPECT_TRUE(reading.devices[1].answering);
    EXPECT_FALSE(reading.devices[1].fresh);
    ASSERT_EQ(data.recordCount, 1);
    EXPECT_FLOAT_EQ(data.entry(0, 0).values[10], 1010.0f);
    EXPECT_TRUE(std::isnan(data.entry(1, 0).values[10]));
    EXPECT_TRUE(std::isnan(data.entry(1, 0).temperature));
    EXPECT_EQ(data.entry(1, 0).exposure, 0);

    session->ReleaseDevice(1);
    Tick();
    EXPECT_EQ(b->exposure, 25000) << "sent after the release";
    EXPECT_EQ(b->darkStores, 1);
    reading = Events<ReadingEvent>().back();
    EXPECT_FALSE(reading.devices[1].held);
    EXPECT_TRUE(reading.devices[1].fresh);
}

// The hold comes while the tick's read is on the device's port (the port runs
// its work in order, so the read ends first): that read, failed here, neither
// counts as fresh nor marks the device lost.
TEST_F(SessionTest, AReadUnderWayWhenTheHoldBeginsLeavesTheDeviceAnswering) {
    Add("1.6", "A");
    Add("1.6", "B");
    Start();
    const PortScript::Responder answers = scripts[1]->responder;
    scripts[1]->responder = [this](const QByteArray&) {
        if (!session->deviceHeld(1))
            session->HoldDevice(1);
        return QByteArray();  // the read fails
    };
    Tick();
    EXPECT_TRUE(link->slot(1).answering);
    EXPECT_TRUE(Events<AnsweringEvent>().empty());
    const ReadingEvent reading = Events<ReadingEvent>().back();
    EXPECT_TRUE(reading.devices[0].fresh);
    EXPECT_FALSE(reading.devices[1].fresh);

    scripts[1]->responder = answers;
    session->ReleaseDevice(1);
    Tick();
    EXPECT_TRUE(Events<ReadingEvent>().back().devices[1].fresh);
}

}  // namespace

namespace {
// Settings applied by a command (as velarim-cli applies them) go to a device
// that comes back at its own defaults before its next read, and its records
// carry them.
TEST_F(SessionTest, AppliedSettingsGoAgainToADeviceThatComesBack) {
    auto a = Add("1.6", "A");
    Start();
    session->ApplySettings(0, {25000, 4, std::nullopt}, [](DeviceCommandResult) {});
    Tick();
    scripts[0]->responder = {};
    scripts[0]->gone = true;
    ports.setOpenable("ttyACM0", false);
    Tick();
    ASSERT_FALSE(link->slot(0).answering);
    a->exposure = 10000;  // powered up again at its defaults
    a->averaging = 1;
    ports.addPort("ttyACM5", USB_ID_DIRECT, FakeDevice::Responder(a));
    Tick(1000);
    ASSERT_TRUE(link->slot(0).answering);
    EXPECT_EQ(a->exposure, 25000);
    EXPECT_EQ(a->averaging, 4);
    session->StoreOneRecord();
    Tick();
    ASSERT_EQ(data.recordCount, 1);
    EXPECT_EQ(data.entry(0, 0).exposure, 25000);
    const auto answering = Events<AnsweringEvent>();
    ASSERT_EQ(answering.size(), 2u);
    EXPECT_TRUE(answering[1].answering);
}
}  // namespace

namespace {
// The journal follows the session: records stored, a deletion, a reference and
// a replaced data set replay into the data set as it is.
TEST_F(SessionTest, TheJournalFollowsTheSessionsRecordsAndEdits) {
    QTemporaryDir dir;
    Add("1.6", "A");
    Add("1.6", "B");
    Start();
    RecoveryJournal journal(dir.path());
    journal.Watch(*session);
    session->StartContinuous(0);
    for (int i = 0; i < 4; ++i)
        Tick();
    session->StopAcquisition();
    ASSERT_EQ(data.recordCount, 4);
    ASSERT_TRUE(session->DeleteRecord(1));
    session->SetReference(2);
    journal.Flush();
    JournalContents replay = ReadJournal(journal.path());
    ASSERT_EQ(replay.data.recordCount, 3);
    EXPECT_EQ(replay.data.referenceIndex, 2);
    EXPECT_EQ(replay.data.serialText[1], "B");
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(replay.data.record(r).timeStamp, data.record(r).timeStamp);
        EXPECT_EQ(std::memcmp(&replay.data.entry(1, r), &data.entry(1, r), sizeof data.entry(1, r)),
                  0);
    }
    data = MeasurementDataSet();  // a new data set
    session->DataSetReplaced();
    journal.Flush();
    EXPECT_EQ(ReadJournal(journal.path()).data.recordCount, 0);
    journal.EndCleanly();
}
}  // namespace
