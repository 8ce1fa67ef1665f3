// Devices that fail during continuous acquisition, driven through the main
// view's real monitoring cycle: the program keeps ticking, the other devices
// keep streaming, records already stored stay as they were, and re-detection
// brings the device back once it answers again.
#include <cmath>
#include <cstring>
#include <iostream>
#include <vector>

#include <gtest/gtest.h>

#include "FaultRig.h"
#include "device/CommandTable.h"
#include "sim/SimSpectrometer.h"

namespace {

constexpr int kExposure = 10000;  // the simulated spectrometers' default

// The bytes of records 0..count-1 (time stamps and every slot's entry).
std::vector<std::byte> Snapshot(const MeasurementDataSet& data, int count) {
    std::vector<std::byte> out;
    for (int r = 0; r < count; ++r) {
        const auto& rec = data.record(r);
        const auto* p = reinterpret_cast<const std::byte*>(&rec.timeStamp);
        out.insert(out.end(), p, p + sizeof rec.timeStamp);
        const auto* e = reinterpret_cast<const std::byte*>(rec.entries.data());
        out.insert(out.end(), e, e + sizeof rec.entries);
    }
    return out;
}

enum class Fault { Silent, Short, Garble, UnplugMidTransfer, Pulled };

struct FaultCase {
    const char* name;
    Fault fault;
    bool staysInDetection;  // the port is still enumerated while the fault lasts
    int lostReadsPerProbe;  // replies a probe of the failing device loses
};

// Three spectrometers (the middle one behind the bridge, whose spectrum is a
// 32-page transfer) and the LED unit; the middle one fails.
class DeviceFault : public ::testing::TestWithParam<FaultCase> {
  protected:
    static constexpr int kVictim = 1;

    void SetUp() override {
        QString error;
        ASSERT_TRUE(rig.Start("vis:serial=A1,vis:serial=B2:link=bridge,vis:serial=C3,led", error))
            << error.toStdString();
        ASSERT_EQ(rig.data.deviceCount, 3);
        ASSERT_TRUE(rig.link->led().present);
        rig.StartContinuous(0);
    }

    void Inject(Fault fault) {
        SimDevice& device = rig.ports->sim().device(kVictim);
        switch (fault) {
            case Fault::Silent:
                device.setFault({SimFault::Kind::Silent, 0});
                break;
            case Fault::Short:
                device.setFault({SimFault::Kind::Short, 0});
                break;
            case Fault::Garble:
                device.setFault({SimFault::Kind::Garble, 0});
                break;
            case Fault::UnplugMidTransfer:
                // Five more pages, then nothing: gone in the middle of a spectrum.
                device.setFault({SimFault::Kind::UnplugAfter, device.exchangeCount() + 5});
                break;
            case Fault::Pulled:
                rig.ports->unplug(kVictim);
                break;
        }
    }

    void Heal() {
        rig.ports->sim().device(kVictim).setFault({});
        rig.ports->plug(kVictim);
    }

    FaultRig rig;
};

TEST_P(DeviceFault, OthersStreamRecordsStayAndRedetectionRecovers) {
    const FaultCase& c = GetParam();
    rig.RunTicks(10);
    ASSERT_EQ(rig.data.recordCount, 10);
    EXPECT_EQ(rig.data.entry(kVictim, 9).exposure, kExposure);
    const int before = rig.data.recordCount;
    const std::vector<std::byte> stored = Snapshot(rig.data, before);
    const SpectrumBuffer lastGood = rig.link->slot(kVictim).spectrum;

    Inject(c.fault);
    rig.RunTicks(1);  // the tick the fault strikes in (mid-transfer for the unplug)
    rig.ports->resetStats();
    const std::vector<int> othersBefore = {rig.ports->sim().device(0).exchangeCount(),
                                           rig.ports->sim().device(2).exchangeCount()};
    const TickFigures faulty = rig.RunTicks(20);
    ASSERT_EQ(faulty.ticks, 20) << "the cycle stopped";

    // A record on every tick; the healthy devices streamed and were stored in full.
    ASSERT_EQ(rig.data.recordCount, before + 21);
    EXPECT_GE(rig.ports->sim().device(0).exchangeCount() - othersBefore[0], 20 * 3);
    EXPECT_GE(rig.ports->sim().device(2).exchangeCount() - othersBefore[1], 20 * 3);
    for (int r = before + 1; r < rig.data.recordCount; ++r) {
        EXPECT_EQ(rig.data.entry(0, r).exposure, kExposure) << r;
        EXPECT_EQ(rig.data.entry(2, r).exposure, kExposure) << r;
        EXPECT_GT(rig.data.entry(2, r).values[200], 0.0f) << r;
    }
    EXPECT_EQ(rig.ports->stats(0).lostReads + rig.ports->stats(2).lostReads, 0);
    EXPECT_EQ(rig.ports->stats(3).lostReads, 0) << "LED unit";

    // The failing device: no reply taken as a spectrum unless it had full size.
    // After the tick that met the fault it is asked once a second only (one
    // short command that loses its reply); its records hold NaN, exposure 0.
    EXPECT_LE(rig.ports->stats(kVictim).lostReads, 2 * c.lostReadsPerProbe);
    const int last = rig.data.recordCount - 1;
    if (c.fault != Fault::Garble) {
        EXPECT_FALSE(rig.link->slot(kVictim).answering);
        for (int r = before + 1; r <= last; ++r) {
            EXPECT_EQ(rig.data.entry(kVictim, r).exposure, 0) << r;
            EXPECT_TRUE(std::isnan(rig.data.entry(kVictim, r).values[200])) << r;
            EXPECT_TRUE(std::isnan(rig.data.entry(kVictim, r).temperature)) << r;
        }
        if (c.fault != Fault::UnplugMidTransfer) {  // its spectrum may have been cut short
            EXPECT_EQ(std::memcmp(rig.link->slot(kVictim).spectrum.data(), lastGood.data(),
                                  sizeof(float) * 511),
                      0)
                << "the graph keeps its last curve";
        }
    }
    EXPECT_EQ(Snapshot(rig.data, before), stored) << "records stored before the fault changed";

    // Re-detection while the fault lasts: the program goes on.
    rig.view->Redetect();
    EXPECT_EQ(rig.link->deviceCount(), c.staysInDetection ? 3 : 2);
    EXPECT_EQ(rig.data.deviceCount, 3) << "the records keep their devices";
    const int recordsBefore = rig.data.recordCount;
    EXPECT_EQ(rig.RunTicks(5).ticks, 5);
    // Recording goes on; a device not attached now gets NaN, never another's values.
    ASSERT_GT(rig.data.recordCount, recordsBefore);
    const int since = rig.data.recordCount - 1;
    EXPECT_EQ(rig.data.entry(0, since).exposure, kExposure);
    EXPECT_EQ(rig.data.entry(2, since).exposure, kExposure) << "the third device keeps its slot";
    if (!c.staysInDetection) {
        EXPECT_TRUE(std::isnan(rig.data.entry(kVictim, since).values[200]));
    }
    EXPECT_EQ(Snapshot(rig.data, before), stored);

    // The device answers again (plugged back in): re-detection recovers it.
    Heal();
    rig.view->Redetect();
    ASSERT_EQ(rig.data.deviceCount, 3);
    EXPECT_EQ(rig.data.serialText[kVictim], "B2");
    rig.ports->resetStats();
    EXPECT_EQ(rig.RunTicks(5).ticks, 5);
    EXPECT_EQ(rig.ports->total().lostReads, 0);
    const int now = rig.data.recordCount - 1;
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(rig.data.entry(d, now).exposure, kExposure) << d;
    EXPECT_NE(std::memcmp(rig.data.entry(kVictim, now).values.data(), lastGood.data(),
                          sizeof(float) * 511),
              0)
        << "the recovered device streams again";
    EXPECT_EQ(Snapshot(rig.data, before), stored);
}

// Replies a probe loses: one for a device still on its port, none for a
// pulled port (it cannot be opened again until it is back).
INSTANTIATE_TEST_SUITE_P(Faults, DeviceFault,
                         ::testing::Values(FaultCase{"Silent", Fault::Silent, true, 1},
                                           FaultCase{"Short", Fault::Short, true, 1},
                                           FaultCase{"Garble", Fault::Garble, true, 0},
                                           FaultCase{"UnplugMidTransfer", Fault::UnplugMidTransfer,
                                                     true, 1},
                                           FaultCase{"Pulled", Fault::Pulled, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Ten spectrometers behind the bridge, one silent from the start: its first
// tick costs one read bound per exchange (the 32-page spectrum included, never
// 32); after that the ticks no longer wait for it and it is asked with one
// short command about once a second. Its records hold NaN.
TEST(SilentAmongTen, OneReadBoundPerTransfer) {
    QString devices;
    for (int d = 0; d < 10; ++d)
        devices +=
            QString("vis:link=bridge:serial=N%1%2,").arg(d).arg(d == 4 ? ":fault=silent" : "");
    devices += "led";
    FaultRig rig;
    QString error;
    ASSERT_TRUE(rig.Start(devices, error)) << error.toStdString();
    ASSERT_EQ(rig.data.deviceCount, 10);
    const std::int64_t detectionLostMs = rig.ports->total().lostMs;

    const TickFigures first = rig.RunTicks(1);
    EXPECT_EQ(first.worstClockMs, ReplyTimeoutMs(PAGE_BYTES) + ReplyTimeoutMs(4));
    EXPECT_FALSE(rig.link->slot(4).answering);
    rig.RunTicks(2);  // monitoring only
    rig.ports->resetStats();
    const TickFigures watching = rig.RunTicks(20);
    // About a second of ticks: one or two probes, each a single lost read.
    const int probes = rig.ports->stats(4).lostReads;
    EXPECT_GE(probes, 1);
    EXPECT_LE(probes, 2);
    EXPECT_EQ(watching.worstClockMs, ReplyTimeoutMs(4));
    EXPECT_EQ(rig.ports->total().lostReads, probes) << "only the silent device loses replies";

    rig.StartContinuous(0);
    rig.ports->resetStats();
    const TickFigures acquiring = rig.RunTicks(50);
    const int lost = rig.ports->stats(4).lostReads;  // probes only: no exposure is asked of it
    EXPECT_GE(lost, 2);
    EXPECT_LE(lost, 4);
    EXPECT_EQ(rig.ports->total().lostReads, lost);
    const std::int64_t perTick = ReplyTimeoutMs(4);
    EXPECT_EQ(acquiring.worstClockMs, perTick);
    EXPECT_EQ(rig.ports->stats(4).lostMs, lost * perTick);
    ASSERT_EQ(rig.data.recordCount, 50);
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(rig.data.entry(d, 49).exposure, d == 4 ? 0 : kExposure) << d;
        EXPECT_EQ(std::isnan(rig.data.entry(d, 49).values[100]), d == 4) << d;
        EXPECT_EQ(std::isnan(rig.data.entry(d, 49).temperature), d == 4) << d;
    }

    std::cout << "[ figures  ] silent bridged device among ten: detection lost " << detectionLostMs
              << " ms; per tick " << watching.worstClockMs << " ms monitoring, "
              << acquiring.worstClockMs << " ms acquiring (32-page bound would be "
              << 31 * ReplyTimeoutMs(PAGE_BYTES) + ReplyTimeoutMs(60) + 2 * ReplyTimeoutMs(4)
              << " ms); host worst " << acquiring.worstHostUs << " us, mean "
              << acquiring.meanHostUs << " us\n";
}

// A device failing from the start, in the last slot (whose sensor model decides
// the grid): detection takes it with whatever identity it gave, the grid stays
// one the data set can hold, the program starts and the other device streams.
class FaultAtStart : public ::testing::TestWithParam<const char*> {};

TEST_P(FaultAtStart, DetectionGoesOnAndOthersStream) {
    FaultRig rig;
    QString error;
    ASSERT_TRUE(rig.Start(
        QString("vis:serial=A1,vis:serial=V2:link=bridge:fault=%1,led").arg(GetParam()), error))
        << error.toStdString();
    ASSERT_EQ(rig.data.deviceCount, 2);
    EXPECT_EQ(rig.data.serialText[0], "A1");
    EXPECT_NE(rig.data.serialText[1], "V2");
    EXPECT_GT(rig.data.pointCount, 0);
    EXPECT_LE(rig.data.pointCount, MAX_POINTS);
    rig.StartContinuous(0);
    EXPECT_EQ(rig.RunTicks(10).ticks, 10);
    EXPECT_EQ(rig.data.recordCount, 10);
    EXPECT_EQ(rig.data.entry(0, 9).exposure, kExposure);
    EXPECT_EQ(rig.ports->stats(0).lostReads, 0);

    rig.ports->sim().device(1).setFault({});
    rig.view->Redetect();
    EXPECT_EQ(rig.data.serialText[1], "V2");
    EXPECT_EQ(rig.data.pointCount, 511);
    rig.ports->resetStats();
    rig.RunTicks(2);
    EXPECT_EQ(rig.ports->total().lostReads, 0);
    EXPECT_EQ(rig.data.entry(1, rig.data.recordCount - 1).exposure, kExposure);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultAtStart,
                         ::testing::Values("silent", "short", "garble", "unplug@2"),
                         [](const auto& info) {
                             return QString(info.param).remove('@').toStdString();
                         });

// The LED unit stops answering: the spectrometers go on, its last temperature
// stays, and it is heard again as soon as it answers (its port stays open).
TEST(LedFault, SilentUnitCostsTwoBoundsAndComesBack) {
    FaultRig rig;
    QString error;
    ASSERT_TRUE(rig.Start("vis,vis:link=bridge,led", error));
    ASSERT_TRUE(rig.link->led().present);
    rig.StartContinuous(0);
    rig.RunTicks(5);
    const float temperature = rig.link->led().temperature;
    SimDevice& led = rig.ports->sim().device(2);

    led.setFault({SimFault::Kind::Silent, 0});
    rig.ports->resetStats();
    const TickFigures f = rig.RunTicks(10);
    EXPECT_EQ(f.ticks, 10);
    EXPECT_EQ(rig.data.recordCount, 15);
    // The first tick loses the temperature and the state's acknowledgement;
    // then the unit is only asked about once a second.
    EXPECT_GE(rig.ports->stats(2).lostReads, 2);
    EXPECT_LE(rig.ports->stats(2).lostReads, 3);
    EXPECT_FALSE(rig.link->led().answering);
    EXPECT_EQ(rig.ports->stats(0).lostReads + rig.ports->stats(1).lostReads, 0);
    EXPECT_EQ(rig.link->led().temperature, temperature);
    EXPECT_EQ(rig.data.entry(1, 14).exposure, kExposure);

    led.setFault({});
    rig.ports->resetStats();
    rig.RunTicks(25);  // over a second: the next probe hears it
    EXPECT_EQ(rig.ports->total().lostReads, 0);
    EXPECT_TRUE(rig.link->led().answering);

    // Pulled out for good: the spectrometers still stream.
    rig.ports->unplug(2);
    EXPECT_EQ(rig.RunTicks(10).ticks, 10);
    EXPECT_EQ(rig.data.recordCount, 50);
    EXPECT_EQ(rig.data.entry(0, 49).exposure, kExposure);
}

// A cable pulled during continuous acquisition, then plugged back under the
// same port: the device is marked at once, its records hold NaN while it is
// away, and it takes its slot back by itself (no re-detect); later records are
// real again. The others stream throughout.
TEST(PulledAndBack, ComesBackByItselfUnderTheSamePort) {
    FaultRig rig;
    QString error;
    ASSERT_TRUE(rig.Start("vis:serial=A1,vis:serial=B2:link=bridge,vis:serial=C3,led", error));
    rig.StartContinuous(0);
    rig.RunTicks(5);
    const int before = rig.data.recordCount;

    rig.ports->unplug(1);
    rig.RunTicks(30);  // over a second: probes find the port gone and cannot open it again
    EXPECT_FALSE(rig.link->slot(1).answering);
    const QStringList list = rig.form.items(ControlId::DeviceList);
    ASSERT_EQ(list.size(), 3);
    EXPECT_TRUE(list[1].endsWith(QString::fromUtf8(" [応答なし]"))) << list[1].toStdString();
    EXPECT_FALSE(list[0].contains(QString::fromUtf8("応答なし")));
    EXPECT_TRUE(rig.view->deviceNotice().contains("B2")) << rig.view->deviceNotice().toStdString();
    const int away = rig.data.recordCount;
    for (int r = before + 1; r < away; ++r) {
        EXPECT_TRUE(std::isnan(rig.data.entry(1, r).values[10])) << r;
        EXPECT_EQ(rig.data.entry(1, r).exposure, 0) << r;
        EXPECT_EQ(rig.data.entry(0, r).exposure, kExposure) << r;
        EXPECT_EQ(rig.data.entry(2, r).exposure, kExposure) << r;
        EXPECT_FALSE(std::isnan(rig.data.entry(2, r).values[10])) << r;
    }

    rig.ports->plug(1);
    rig.RunTicks(30);
    EXPECT_TRUE(rig.link->slot(1).answering);
    EXPECT_TRUE(rig.view->deviceNotice().isEmpty());
    EXPECT_FALSE(rig.form.items(ControlId::DeviceList)[1].contains(QString::fromUtf8("応答なし")));
    EXPECT_EQ(rig.data.deviceCount, 3);
    const int last = rig.data.recordCount - 1;
    EXPECT_EQ(rig.data.entry(1, last).exposure, kExposure);
    EXPECT_GT(rig.data.entry(1, last).values[200], 1000.0f);
    EXPECT_TRUE(rig.ports->sim().bridgeConfigured(1)) << "set up for the bridge again";
}

// The device powers up afresh while it is away: its settings are its own
// defaults again (the acknowledgements of the reset go nowhere).
void RestartAtDefaults(SimDevice& device) {
    const std::pair<CommandWord, std::int32_t> defaults[] = {
        {CMD_SET_EXPOSURE, SimSpectrometer::DEFAULT_EXPOSURE_US}, {CMD_SET_AVERAGING, 1}};
    for (const auto& [word, value] : defaults) {
        std::array<std::uint8_t, 8> request{};
        const auto b = word.bytes();
        std::copy(b.begin(), b.end(), request.begin());
        for (int i = 0; i < 4; ++i)
            request[std::size_t(4 + i)] = std::uint8_t(std::uint32_t(value) >> (8 * i));
        device.receive(request);
    }
    device.takeOutput();
}

// The device comes back having forgotten what the window set: it is set again
// before its first reading, so not one record of it carries its defaults.
TEST(PulledAndBack, IsSetAgainToWhatTheWindowShows) {
    FaultRig rig;
    QString error;
    ASSERT_TRUE(rig.Start("vis:serial=A1,vis:serial=B2:link=bridge,vis:serial=C3,led", error));
    rig.view->OnDeviceSelected(1);
    rig.form.setText(ControlId::ExposureEdit, "25000");
    rig.view->OnExposureUpdate();
    rig.view->OnAveragingSelected(3);
    rig.StartContinuous(0);
    rig.RunTicks(3);
    auto& victim = static_cast<SimSpectrometer&>(rig.ports->sim().device(1));
    ASSERT_EQ(victim.exposureUs(), 25000);
    ASSERT_EQ(victim.averaging(), 4);

    rig.ports->unplug(1);
    rig.RunTicks(30);
    ASSERT_FALSE(rig.link->slot(1).answering);
    RestartAtDefaults(victim);
    ASSERT_EQ(victim.exposureUs(), kExposure);
    const int away = rig.data.recordCount;

    rig.ports->plug(1);
    rig.RunTicks(30);
    ASSERT_TRUE(rig.link->slot(1).answering);
    EXPECT_EQ(victim.exposureUs(), 25000);
    EXPECT_EQ(victim.averaging(), 4);
    EXPECT_EQ(rig.form.text(ControlId::ExposureEdit), "25000");
    int measured = 0;
    for (int r = away; r < rig.data.recordCount; ++r) {
        const std::int32_t exposure = rig.data.entry(1, r).exposure;
        if (exposure == 0)
            continue;  // still away
        EXPECT_EQ(exposure, 25000) << r;
        ++measured;
        EXPECT_EQ(rig.data.entry(0, r).exposure, kExposure) << "the others keep theirs";
    }
    EXPECT_GT(measured, 0);
}

}  // namespace
