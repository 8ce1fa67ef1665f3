#include <algorithm>
#include <cmath>
#include "ViewFixture.h"

class Cycle : public ViewFixture {
  protected:
    void SetUp() override {
        dev = AddDevice("1.6");
        Start();
    }
    void StartContinuous(const QString& interval) {
        form.setChecked(ControlId::Continuous, true);
        form.setText(ControlId::IntervalEdit, interval);
        view->OnAcquireButton();
    }
    QString Caption() const { return form.text(ControlId::Acquire); }
    std::shared_ptr<FakeDevice> dev;
};

TEST_F(Cycle, StartUpDrawsThenTicksEvery50msAfterEachTick) {
    EXPECT_EQ(timers.delayOf(TIMER_FIRST_DRAW), 100);
    Fire(TIMER_FIRST_DRAW);
    EXPECT_EQ(form.drawnDevices.size(), 1u);
    EXPECT_EQ(timers.delayOf(TIMER_TICK), 10);
    Fire(TIMER_TICK);
    EXPECT_EQ(Count(0, CMD_GET_TEMPERATURE), 1);
    EXPECT_EQ(form.drawnDevices.size(), 2u);
    EXPECT_EQ(timers.delayOf(TIMER_TICK), 50);
}

TEST_F(Cycle, SingleAcquisitionStoresExactlyOneRecord) {
    view->OnAcquireButton();
    EXPECT_TRUE(view->session().acquisition().acquiring);
    EXPECT_NE(Caption(), "取得停止");  // a single acquisition keeps its caption
    Tick();
    EXPECT_EQ(Records(), 1);
    EXPECT_FALSE(view->session().acquisition().acquiring);
    EXPECT_EQ(Caption(), "データ取得");
    EXPECT_EQ(form.listCount(ControlId::DataList), 1);
    EXPECT_TRUE(form.enabled(ControlId::SaveCsv));
    EXPECT_EQ(doc.modified, 1);
    Tick();
    EXPECT_EQ(Records(), 1);
    // the record holds the live spectrum and temperature of the tick
    EXPECT_FLOAT_EQ(data.entry(0, 0).values[10], 1010.0f);
    EXPECT_FLOAT_EQ(data.entry(0, 0).temperature, 25.0f);
    EXPECT_EQ(data.record(0).timeStamp, clock.nowSeconds());
}

TEST_F(Cycle, ContinuousAdvancesByWholeIntervals) {
    StartContinuous("1000");
    EXPECT_EQ(Caption(), "取得停止");
    const std::uint32_t start = view->session().acquisition().lastTick;
    for (int i = 0; i < 32; ++i)
        Tick(100);  // 3200 ms
    EXPECT_EQ(Records(), 3);
    EXPECT_EQ(view->session().acquisition().lastTick, start + 3000);
    view->OnAcquireButton();  // stop
    EXPECT_FALSE(view->session().acquisition().acquiring);
    EXPECT_EQ(Caption(), "データ取得");
    for (int i = 0; i < 20; ++i)
        Tick(100);
    EXPECT_EQ(Records(), 3);
}

TEST_F(Cycle, LateTickKeepsTheAverageSpacing) {
    StartContinuous("1000");
    Tick(1900);  // late: one record, lastTick moves by one interval only
    EXPECT_EQ(Records(), 1);
    Tick(150);  // 2050 since the start: the second interval is full
    EXPECT_EQ(Records(), 2);
}

TEST_F(Cycle, IntervalZeroStoresWheneverTheTickCountMoved) {
    StartContinuous("0");
    Tick(0);
    EXPECT_EQ(Records(), 0);
    Tick(1);
    Tick(50);
    EXPECT_EQ(Records(), 2);
}

TEST_F(Cycle, NegativeIntervalNeverStores) {
    StartContinuous("-5");
    EXPECT_EQ(view->state().intervalMs, -5);
    for (int i = 0; i < 50; ++i)
        Tick(1000);
    EXPECT_EQ(Records(), 0);
    EXPECT_TRUE(view->session().acquisition().acquiring);
}

TEST_F(Cycle, UncheckingContinuousStoresOneMoreAndEnds) {
    StartContinuous("1000");
    Tick(1100);
    ASSERT_EQ(Records(), 1);
    form.setChecked(ControlId::Continuous, false);
    view->OnContinuousToggled(false);
    Tick(10);
    EXPECT_EQ(Records(), 2);
    EXPECT_FALSE(view->session().acquisition().acquiring);
    EXPECT_EQ(Caption(), "データ取得");
}

TEST_F(Cycle, ContinuousAcrossTheWrapOfTheTickCount) {
    clock.setTick(0xFFFFFC00u);  // 1024 ms before the wrap
    StartContinuous("1000");
    Tick(900);
    EXPECT_EQ(Records(), 0);
    Tick(200);  // the counter has wrapped; 1100 ms have passed
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(view->session().acquisition().lastTick, 0xFFFFFC00u + 1000u);
    Tick(1000);
    EXPECT_EQ(Records(), 2);
}

TEST_F(Cycle, ResumeAfterShowingARecordWakesSettlesThenTicks) {
    StartContinuous("1000");
    Tick(1100);
    ASSERT_EQ(Records(), 1);
    view->OnDataListSelected(0);
    EXPECT_FALSE(view->state().monitoring);
    EXPECT_EQ(Caption(), "モニター再開");
    EXPECT_EQ(view->state().selectedRecord, 0);
    EXPECT_TRUE(form.enabled(ControlId::Delete));
    EXPECT_TRUE(form.enabled(ControlId::Reference));
    EXPECT_TRUE(form.enabled(ControlId::Comparison));
    const int temps = Count(0, CMD_GET_TEMPERATURE);
    Tick(2000);  // paused: no exchange, timer 2 not re-armed
    EXPECT_EQ(Count(0, CMD_GET_TEMPERATURE), temps);
    EXPECT_FALSE(timers.isActive(TIMER_TICK));
    EXPECT_EQ(Records(), 1);

    form.setCurrentRow(ControlId::DataList, 0);
    view->OnAcquireButton();
    EXPECT_TRUE(view->state().monitoring);
    EXPECT_TRUE(view->session().acquisition().acquiring);  // paused, not ended
    EXPECT_EQ(Caption(), "データ取得");
    EXPECT_EQ(form.currentRow(ControlId::DataList), -1);
    EXPECT_FALSE(form.enabled(ControlId::Delete));
    EXPECT_EQ(timers.delayOf(TIMER_RESUME), 10);
    const int typeReads = Count(0, CMD_GET_DEVICE_TYPE);
    Fire(TIMER_RESUME);
    EXPECT_EQ(Count(0, CMD_GET_DEVICE_TYPE), typeReads + 1);  // the wake
    EXPECT_EQ(timers.delayOf(TIMER_RESUME_WAIT), 3000);
    Fire(TIMER_RESUME_WAIT);
    EXPECT_EQ(timers.delayOf(TIMER_TICK), 10);
    clock.advanceMs(3010);
    Fire(TIMER_TICK);
    EXPECT_EQ(Records(), 2);  // acquisition continues behind the plain caption
    EXPECT_EQ(Caption(), "データ取得");
    view->OnAcquireButton();  // pressing once more ends it
    EXPECT_FALSE(view->session().acquisition().acquiring);
}

TEST_F(Cycle, SettingsRequestedWhilePausedGoOutAfterTheResume) {
    view->OnDataListSelected(0);
    view->OnAveragingSelected(7);
    form.setText(ControlId::ExposureEdit, "4000");
    view->OnExposureUpdate();
    Tick();
    EXPECT_TRUE(Payloads(*dev, CMD_SET_AVERAGING).empty());
    view->OnAcquireButton();
    Fire(TIMER_RESUME);
    Fire(TIMER_RESUME_WAIT);
    Fire(TIMER_TICK);
    EXPECT_EQ(Payloads(*dev, CMD_SET_AVERAGING), std::vector<std::int32_t>{8});
    EXPECT_EQ(Payloads(*dev, CMD_SET_EXPOSURE), std::vector<std::int32_t>{4000});
}

// The cable is pulled and the device comes back under another port name (a
// replug may give it one): the slot takes it back by itself, by its serial.
TEST_F(Cycle, AReplugUnderANewPortNameTakesTheSlotBack) {
    Tick();
    script(0)->responder = {};
    script(0)->gone = true;
    ports.setOpenable("ttyACM0", false);
    Tick();
    ASSERT_FALSE(link->slot(0).answering);
    EXPECT_TRUE(form.items(ControlId::DeviceList)[0].endsWith(QString::fromUtf8(" [応答なし]")));

    // A device of another serial appears first: it is asked, found to be
    // another, and let go; the slot stays lost.
    auto other = std::make_shared<FakeDevice>();
    other->serial = "S99999";
    auto otherScript = ports.addPort("ttyACM4", USB_ID_DIRECT, FakeDevice::Responder(other));
    Tick(1000);
    EXPECT_FALSE(link->slot(0).answering);
    EXPECT_FALSE(otherScript->open);

    auto back = ports.addPort("ttyACM5", USB_ID_DIRECT, FakeDevice::Responder(dev));
    Tick(1000);
    EXPECT_TRUE(link->slot(0).answering);
    EXPECT_EQ(link->slot(0).portTag, "(ttyACM5)");
    EXPECT_EQ(form.items(ControlId::DeviceList)[0], "S00000(ttyACM5) 1.6");
    const int spectraBefore = Count(0, CMD_GET_TEMPERATURE);
    Tick();
    EXPECT_GT(std::count_if(back->writes.begin(), back->writes.end(),
                            [](const QByteArray& w) { return w.startsWith("\x0F"); }),
              0)
        << "the next tick reads its spectrum on the new port";
    EXPECT_EQ(Count(0, CMD_GET_TEMPERATURE), spectraBefore);  // nothing more on the old one
}

TEST_F(Cycle, StoredExposureIsZeroWhenTheDeviceDoesNotAnswer) {
    Tick();
    script(0)->responder = {};  // unplugged after the first tick
    view->OnAcquireButton();
    Tick();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(data.entry(0, 0).exposure, 0);
    // Its last spectrum is not a measurement of now: the record holds NaN.
    EXPECT_TRUE(std::isnan(data.entry(0, 0).values[3]));
    EXPECT_TRUE(std::isnan(data.entry(0, 0).temperature));
    EXPECT_EQ(link->slot(0).spectrum[3], 1003.0f);  // the graph keeps the last curve
}

// A device that comes back has started afresh at its own defaults (10000 us,
// averaging 1): what it was last sent goes to it again, within its firmware
// gates, before its first spectrum read, and the records carry it. A device
// that was sent nothing gets what detection read from it.
struct ComesBackCase {
    const char* name;
    const char* version;
    bool sendFromWindow;             // exposure 25000 and averaging 4 sent before the loss
    std::int32_t exposureAtStart;    // what detection reads
    std::vector<QByteArray> resent;  // setting requests on the new port, in order
};

class ComesBack : public ViewFixture, public ::testing::WithParamInterface<ComesBackCase> {};

namespace {
QByteArray SettingRequest(CommandWord word, std::int32_t value) {
    const auto b = word.bytes();
    return QByteArray(reinterpret_cast<const char*>(b.data()), 4) + Int32Bytes(value);
}
}  // namespace

TEST_P(ComesBack, ItsSettingsGoOutAgainBeforeItsSpectrumIsRead) {
    const ComesBackCase& c = GetParam();
    auto dev = AddDevice(c.version);
    dev->exposure = c.exposureAtStart;
    Start();
    const QString shown = form.text(ControlId::ExposureEdit);
    if (c.sendFromWindow) {
        form.setText(ControlId::ExposureEdit, "25000");
        view->OnExposureUpdate();
        view->OnAveragingSelected(3);
    }
    Tick();
    // Unplugged; it powers up again at its defaults under another port name.
    script(0)->responder = {};
    script(0)->gone = true;
    ports.setOpenable("ttyACM0", false);
    Tick();
    ASSERT_FALSE(link->slot(0).answering);
    dev->exposure = 10000;
    dev->averaging = 1;
    auto back = ports.addPort("ttyACM5", USB_ID_DIRECT, FakeDevice::Responder(dev));
    Tick(1000);
    ASSERT_TRUE(link->slot(0).answering);
    view->OnAcquireButton();
    Tick();

    std::vector<QByteArray> settings;
    int firstSpectrum = -1;
    for (int i = 0; i < int(back->writes.size()); ++i) {
        const QByteArray& w = back->writes[std::size_t(i)];
        if (w.size() == 8 && std::uint8_t(w[0]) >= 0x80 && firstSpectrum < 0)
            settings.push_back(w);
        if (w.startsWith('\x0F') && firstSpectrum < 0)
            firstSpectrum = i;
    }
    ASSERT_GE(firstSpectrum, 0);
    EXPECT_EQ(settings, c.resent);
    const std::int32_t expected = c.sendFromWindow ? 25000 : c.exposureAtStart;
    EXPECT_EQ(dev->exposure, expected);
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(data.entry(0, 0).exposure, expected);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), c.sendFromWindow ? "25000" : shown);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ComesBack,
    ::testing::Values(
        ComesBackCase{
            "SentFromTheWindow",
            "1.6",
            true,
            10000,
            {SettingRequest(CMD_SET_EXPOSURE, 25000), SettingRequest(CMD_SET_AVERAGING, 4)}},
        // Below 1.5 the averaging count is not the device's to take.
        ComesBackCase{"Firmware14", "1.4", true, 10000, {SettingRequest(CMD_SET_EXPOSURE, 25000)}},
        ComesBackCase{
            "ReadAtDetection",
            "1.6",
            false,
            30000,
            {SettingRequest(CMD_SET_EXPOSURE, 30000), SettingRequest(CMD_SET_AVERAGING, 1)}}),
    [](const auto& info) { return std::string(info.param.name); });
