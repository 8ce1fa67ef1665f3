// Soak run in accelerated time: ten simulated spectrometers in continuous
// acquisition at interval 0 (a record on every tick) until the data set is
// full, while records are deleted and the reference is moved; then the
// document is saved, read back and compared value for value.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "data/DocumentFile.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/HeadlessView.h"

namespace {

// FNV-1a over a record's stamp and every slot's entry: what the record held
// when it was stored, to check that deletions moved nothing else.
std::uint64_t Fingerprint(const MeasurementDataSet::Record& rec, int devices) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    };
    mix(&rec.timeStamp, sizeof rec.timeStamp);
    mix(rec.entries.data(), sizeof(MeasurementDataSet::Entry) * std::size_t(devices));
    return h;
}

// "VmRSS" / "VmHWM" of this process in kB.
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key) + 1));
    return -1;
}

void ExpectSameDataSet(const MeasurementDataSet& a, const MeasurementDataSet& b) {
    ASSERT_EQ(a.recordCount, b.recordCount);
    ASSERT_EQ(a.deviceCount, b.deviceCount);
    ASSERT_EQ(a.pointCount, b.pointCount);
    EXPECT_EQ(a.firstWavelength, b.firstWavelength);
    EXPECT_EQ(a.referenceIndex, b.referenceIndex);
    for (int d = 0; d < a.deviceCount; ++d) {
        EXPECT_EQ(a.serialText[d], b.serialText[d]) << d;
        EXPECT_EQ(a.sensorModel[d], b.sensorModel[d]) << d;
    }
    int mismatches = 0;
    for (int r = 0; r < a.recordCount && mismatches < 10; ++r) {
        if (a.record(r).timeStamp != b.record(r).timeStamp) {
            ADD_FAILURE() << "time stamp of record " << r;
            ++mismatches;
        }
        for (int d = 0; d < a.deviceCount; ++d) {
            const auto& x = a.entry(d, r);
            const auto& y = b.entry(d, r);
            // Bitwise: every float exactly as stored.
            if (std::memcmp(x.values.data(), y.values.data(), sizeof(float) * a.pointCount) != 0 ||
                std::memcmp(&x.temperature, &y.temperature, sizeof x.temperature) != 0 ||
                x.exposure != y.exposure || x.reserved != y.reserved) {
                ADD_FAILURE() << "record " << r << " device " << d;
                ++mismatches;
            }
        }
    }
}

TEST(Soak, TenDevicesFillTheDataSetWhileDeletingThenSaveAndReopen) {
    HeadlessView rig;
    QString error;
    auto sim = SimPortProvider::FromText(
        "vis,vis:link=bridge,vis,vis:link=bridge,vis,vis,vis:link=bridge,vis,vis,vis:lx=1,led",
        rig.clock, error);
    ASSERT_TRUE(sim) << error.toStdString();
    rig.Start(std::move(sim));
    FakeClock& clock = rig.clock;
    ClockTimerHost& timers = rig.timers;
    MeasurementDataSet& data = rig.data;
    MainViewLogic& view = *rig.view;
    ASSERT_EQ(data.deviceCount, 10);
    ASSERT_EQ(data.pointCount, 511);

    rig.StartContinuous(0);

    std::vector<std::uint64_t> expected;  // fingerprints of the records held, in order
    int ticks = 0;
    int deletions = 0;
    int references = 0;
    int fullTicks = 0;
    while (fullTicks < 20) {  // a few ticks more once full: nothing stored, nothing breaks
        const int id = timers.WaitNext();
        ASSERT_GE(id, 0) << "the cycle stopped after " << ticks << " ticks";
        const int before = data.recordCount;
        view.OnTimer(id);
        if (id != TIMER_TICK)
            continue;
        ++ticks;
        if (data.recordCount == before + 1) {
            expected.push_back(Fingerprint(data.record(before), data.deviceCount));
        } else {
            ASSERT_EQ(data.recordCount, MAX_RECORDS) << "no record at tick " << ticks;
            ++fullTicks;
            continue;
        }
        if (ticks % 97 == 0 && data.recordCount > 1 && data.recordCount < MAX_RECORDS) {
            const int k =
                int((std::uint32_t(ticks) * 2654435761u) % std::uint32_t(data.recordCount));
            view.DeleteRecord(k);
            expected.erase(expected.begin() + k);
            ++deletions;
        }
        if (ticks % 1009 == 0) {
            view.SetReference(data.recordCount / 2);
            ++references;
        }
    }
    ASSERT_EQ(data.recordCount, MAX_RECORDS);
    ASSERT_EQ(int(expected.size()), MAX_RECORDS);
    for (int r = 0; r < MAX_RECORDS; ++r)
        ASSERT_EQ(Fingerprint(data.record(r), data.deviceCount), expected[r]) << "record " << r;
    EXPECT_EQ(rig.form.listCount(ControlId::DataList), MAX_RECORDS);
    EXPECT_GE(data.referenceIndex, 0);
    EXPECT_GT(deletions, 50);
    EXPECT_EQ(data.entry(9, MAX_RECORDS - 1).exposure, 10000);
    const long rssFilled = StatusKb("VmRSS:");

    QTemporaryDir dir;
    const QString path = dir.filePath("soak.vltd");
    const FileResult saved = WriteDocumentFile(path, data);
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    MeasurementDataSet back;
    const FileResult opened = ReadDocumentFile(path, back);
    ASSERT_TRUE(opened.ok) << opened.message.toStdString();
    ExpectSameDataSet(data, back);

    std::cout << "[ figures  ] " << ticks << " ticks (" << clock.tickMs() / 1000
              << " s simulated), " << deletions << " deletions, " << references
              << " reference changes; file " << QFileInfo(path).size() / 1024 << " kB; RSS filled "
              << rssFilled / 1024 << " MB, after reopen " << StatusKb("VmRSS:") / 1024
              << " MB, peak " << StatusKb("VmHWM:") / 1024 << " MB\n";
}

}  // namespace
