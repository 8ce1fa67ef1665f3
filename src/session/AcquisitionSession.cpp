#include "session/AcquisitionSession.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Gather.h"
#include "export/DataSetCsv.h"
#include "session/LiveDevices.h"

// What a record takes from the live data when it is stored; the exposures
// come back from the devices afterwards.
struct AcquisitionSession::PendingRecord {
    std::int64_t timeStamp = 0;
    int devices = 0;
    std::array<int, MAX_DEVICES> points{};  // each device's own grid
    std::array<SpectrumBuffer, MAX_DEVICES> spectra{};
    std::array<float, MAX_DEVICES> temperatures{};
    std::array<std::int32_t, MAX_DEVICES> exposures{};  // 0 for a device that does not answer
};

AcquisitionSession::AcquisitionSession(DeviceLink& link, MeasurementDataSet& data,
                                       TimerHost& timers)
    : link_(link),
      data_(data),
      cycle_(link, timers, operations_, acquisition_,
             MonitoringCycle::Hooks{
                 [this](std::function<void()> stored) { StoreRecord(std::move(stored)); },
                 [this] { EmitReading(); }, [this] { EmitAcquisition(); },
                 [this](int slot) {
                     const bool answering = slot == MonitoringCycle::LED_SLOT
                                                ? link_.led().answering
                                                : link_.slot(slot).answering;
                     Emit(AnsweringEvent{slot, answering});
                 },
                 [this](int slot) { Emit(OtherDeviceEvent{slot}); },
                 [this](int slot, const DeviceSettingValues& sent) {
                     Emit(SettingAppliedEvent{slot, sent, {}, sequence_});
                 },
                 [this](int slot) {
                     Emit(DarkEvent{slot, {}});
                 }}),
      csvWriter_([](const QString& path, const MeasurementDataSet& set, int r, int appendFlag) {
          const FileResult result = AppendRecordCsv(path, set, r, appendFlag);
          return result.ok ? QString() : result.message;
      }) {}

AcquisitionSession::~AcquisitionSession() {
    // No port work may come back to a session that is gone.
    operations_.Clear();
}

int AcquisitionSession::Subscribe(Subscriber subscriber) {
    const int id = nextSubscriber_++;
    subscribers_[id] = std::move(subscriber);
    return id;
}

void AcquisitionSession::Unsubscribe(int id) {
    subscribers_.erase(id);
}

void AcquisitionSession::Emit(const SessionEvent& event) {
    // A subscriber may unsubscribe (itself or another) while it is told.
    const std::map<int, Subscriber> now = subscribers_;
    for (const auto& [id, subscriber] : now) {
        if (subscribers_.count(id))
            subscriber(event);
    }
}

void AcquisitionSession::Detect(std::function<void(int)> done) {
    link_.DetectSpectrometers(
        [this](int found) {
            Emit(DetectionEvent{found, false});
        },
        [this, done = std::move(done)](int n) {
            std::vector<QByteArray> models;
            for (int s = 0; s < n && s < MAX_DEVICES; ++s)
                models.push_back(link_.storedIdentity(s).sensorModel);
            link_.SelectSensorProfiles(models);
            // Records of other devices keep their devices: a
            // record asks before it mixes them (MayRecord).
            if (data_.recordCount == 0)
                AdoptLiveDevices(link_, data_);
            else
                LearnUnreadIdentities(link_, data_);
            Emit(DetectionEvent{n, true});
            if (done)
                done(n);
        });
}

DeviceSettingValues AcquisitionSession::knownSettings(int slot) const {
    if (slot < 0 || slot >= MAX_DEVICES)
        return {};
    return cycle_.SettingsToRestore(slot);
}

void AcquisitionSession::EmitReading() {
    ++sequence_;
    if (subscribers_.empty())
        return;
    ReadingEvent reading;
    reading.sequence = sequence_;
    reading.timeStamp = link_.clock().nowSeconds();
    for (int s = 0; s < link_.deviceCount() && s < MAX_DEVICES; ++s) {
        const DeviceSlot& slot = link_.slot(s);
        DeviceReading d;
        d.slot = s;
        d.serial = link_.storedIdentity(s).serialText;
        d.sensorModel = link_.storedIdentity(s).sensorModel;
        d.grid = link_.profile(s).grid();
        d.answering = slot.isOpen() && slot.answering;
        d.held = cycle_.held(s);
        d.fresh = d.answering && !d.held && cycle_.readLastTick(s);
        const int points = std::clamp<int>(d.grid.pointCount, 0, MAX_POINTS);
        d.values.assign(slot.spectrum.begin(), slot.spectrum.begin() + points);
        d.temperature = slot.temperature;
        d.settings = knownSettings(s);
        reading.devices.push_back(std::move(d));
    }
    const LedUnit& led = link_.led();
    reading.ledPresent = led.present;
    reading.ledAnswering = led.present && led.answering;
    reading.ledTemperature = led.temperature;
    reading.ledOn = led.state != 0;
    Emit(reading);
}

void AcquisitionSession::EmitAcquisition() {
    Emit(AcquisitionEvent{acquisition_.acquiring, acquisition_.continuous});
}

// --- settings ------------------------------------------------------------------

QString AcquisitionSession::QueueSettings(int target, const DeviceSettingValues& request) {
    QString refused = CheckSettingsRange(request);
    if (!refused.isEmpty())
        return refused;
    const std::vector<int> addressed = CommandSlots(link_, target, refused);
    if (!refused.isEmpty())
        return refused;
    for (int s : addressed)
        cycle_.QueueSettings(s, request);
    return {};
}

void AcquisitionSession::ApplySettings(int target, const DeviceSettingValues& request,
                                       std::function<void(DeviceCommandResult)> done) {
    operations_.Run([this, target, request, done = std::move(done)](Finished finished) {
        const std::uint64_t before = sequence_;
        ApplyDeviceSettings(link_, target, request,
                            [this, request, before, done, finished](DeviceCommandResult result) {
                                for (const DeviceCommandOutcome& o : result.devices) {
                                    if (request.empty())
                                        break;
                                    // What the device now has, as far as it told.
                                    cycle_.NoteSent(o.slot, o.reported);
                                    Emit(SettingAppliedEvent{o.slot, request, o.reported, before});
                                }
                                finished();
                                if (done)
                                    done(std::move(result));
                            });
    });
}

void AcquisitionSession::QueueDark(int target) {
    if (target != ALL_SPECTROMETERS) {
        cycle_.QueueDark(target);
        return;
    }
    for (int s = 0; s < link_.deviceCount() && s < MAX_DEVICES; ++s)
        cycle_.QueueDark(s);
}

void AcquisitionSession::SetLed(bool on) {
    link_.led().state = on ? 1 : 0;
}

bool AcquisitionSession::ledOn() const {
    return link_.led().state != 0;
}

// --- acquisition ---------------------------------------------------------------

void AcquisitionSession::StoreOneRecord() {
    acquisition_.acquiring = true;
    acquisition_.continuous = false;
    EmitAcquisition();
}

void AcquisitionSession::StartContinuous(std::int32_t intervalMs) {
    acquisition_.acquiring = true;
    acquisition_.continuous = true;
    acquisition_.intervalMs = intervalMs;
    acquisition_.lastTick = link_.clock().tickMs();
    EmitAcquisition();
}

void AcquisitionSession::StopAcquisition() {
    acquisition_.acquiring = false;
    acquisition_.continuous = false;
    EmitAcquisition();
}

bool AcquisitionSession::MayRecord() {
    if (mayRecord_)
        return mayRecord_();
    if (data_.recordCount == 0) {
        AdoptLiveDevices(link_, data_);
        return true;
    }
    std::array<int, MAX_DEVICES> liveOf{};
    return MapLiveDevices(link_, data_, liveOf);
}

bool AcquisitionSession::NoteFull() {
    const bool full = data_.recordCount >= MAX_RECORDS;
    if (full != fullTold_) {
        fullTold_ = full;
        Emit(DataSetFullEvent{full});
    }
    return full;
}

void AcquisitionSession::StoreRecord(std::function<void()> stored) {
    if (NoteFull() || !MayRecord()) {
        // Not taken: an acquisition never looks as if it stored. A full data
        // set ends a continuous acquisition; the user saves and starts anew.
        if (acquisition_.acquiring)
            StopAcquisition();
        if (stored)
            stored();
        return;
    }
    CollectRecord([this, stored](const PendingRecord& record) {
        AppendRecord(record);
        if (stored)
            stored();
    });
}

void AcquisitionSession::CollectRecord(std::function<void(const PendingRecord&)> collected) {
    auto record = std::make_shared<PendingRecord>();
    record->timeStamp = link_.clock().nowSeconds();
    record->devices = std::clamp(data_.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < record->devices; ++d)
        record->points[d] = std::clamp<int>(data_.grid(d).pointCount, 0, MAX_POINTS);
    auto asked = Gather::Make([record, collected = std::move(collected)] { collected(*record); });
    std::array<int, MAX_DEVICES> liveOf{};
    MapLiveDevices(link_, data_, liveOf);
    for (int d = 0; d < record->devices; ++d) {
        DeviceSlot* live = liveOf[d] >= 0 ? &link_.slot(liveOf[d]) : nullptr;
        if (!live || !live->isOpen() || !live->answering || cycle_.held(liveOf[d])) {
            // Not attached now, not answering or its port lent out: its
            // values are no measurement of now.
            constexpr float nan = std::numeric_limits<float>::quiet_NaN();
            std::fill_n(record->spectra[d].begin(), record->points[d], nan);
            record->temperatures[d] = nan;
            continue;  // exposure 0, as for any failed exposure read
        }
        DeviceSlot& slot = *live;
        std::copy_n(slot.spectrum.begin(), record->points[d], record->spectra[d].begin());
        record->temperatures[d] = slot.temperature;
        // Every device is asked for its exposure at once.
        Ask<std::int32_t>(
            *slot.channel,
            [](PortAccess& port) {
                return port.transport() ? ReadExposureForRecord(*port.transport()) : 0;
            },
            [record, d, done = asked->Add()](std::int32_t exposure) {
                record->exposures[d] = exposure;
                done();
            });
    }
    asked->Release();
}

void AcquisitionSession::AppendRecord(const PendingRecord& record) {
    const int r = data_.AppendRecord(record.timeStamp);
    if (r < 0)
        return;  // full: nothing stored
    RecordStoredEvent stored;
    stored.index = r;
    stored.timeStamp = record.timeStamp;
    stored.referenceIndex = data_.referenceIndex;
    for (int d = 0; d < record.devices; ++d) {
        MeasurementDataSet::Entry& entry = data_.entry(d, r);
        std::copy_n(record.spectra[d].begin(), record.points[d], entry.values.begin());
        entry.temperature = record.temperatures[d];
        entry.exposure = record.exposures[d];
        if (!subscribers_.empty()) {
            RecordedDevice device;
            device.serial = data_.serialText[d];
            device.sensorModel = data_.sensorModel[d];
            device.grid = data_.grid(d);
            device.values.assign(record.spectra[d].begin(),
                                 record.spectra[d].begin() + record.points[d]);
            device.temperature = entry.temperature;
            device.exposure = entry.exposure;
            stored.devices.push_back(std::move(device));
        }
    }
    if (!recordAppendFile_.isEmpty())
        AppendRecordToCsv(recordAppendFile_, data_, r, appendedToFile_++);
    Emit(stored);
    if (data_.recordCount >= MAX_RECORDS) {
        // Said as the last record goes in, not at the next one refused.
        if (acquisition_.acquiring)
            StopAcquisition();
        NoteFull();
    }
}

void AcquisitionSession::AppendBeyondFullDataSet(const PendingRecord& record, const QString& path,
                                                 int appendFlag) {
    // A record of one, with the data set's devices and grids, for the file only.
    MeasurementDataSet one;
    one.deviceCount = record.devices;
    std::vector<WavelengthGrid> grids;
    for (int d = 0; d < record.devices; ++d) {
        one.serialText[d] = data_.serialText[d];
        one.sensorModel[d] = data_.sensorModel[d];
        grids.push_back(data_.grid(d));
    }
    if (grids.empty())
        return;
    one.SetDeviceGrids(grids);
    const int r = one.AppendRecord(record.timeStamp);
    for (int d = 0; d < record.devices; ++d) {
        MeasurementDataSet::Entry& entry = one.entry(d, r);
        std::copy_n(record.spectra[d].begin(), record.points[d], entry.values.begin());
        entry.temperature = record.temperatures[d];
        entry.exposure = record.exposures[d];
    }
    AppendRecordToCsv(path, one, r, appendFlag);
}

bool AcquisitionSession::DeleteRecord(int k) {
    if (!data_.RemoveRecord(k))
        return false;
    Emit(DataSetEditEvent{DataSetEditEvent::Kind::Deleted, k});
    NoteFull();
    return true;
}

void AcquisitionSession::SetReference(int k) {
    data_.referenceIndex = k;
    Emit(DataSetEditEvent{DataSetEditEvent::Kind::Reference, k});
}

void AcquisitionSession::DataSetReplaced() {
    Emit(DataSetEditEvent{DataSetEditEvent::Kind::Replaced, -1});
    NoteFull();
}

void AcquisitionSession::StoreRecordAndAppend(const QString& path, int appendFlag) {
    operations_.Run([this, path, appendFlag](Finished finished) {
        if (!path.isEmpty() && NoteFull()) {
            // The plan's files are its product: its measurements go on into
            // them while the data set takes no more.
            CollectRecord([this, path, appendFlag, finished](const PendingRecord& record) {
                finished();
                AppendBeyondFullDataSet(record, path, appendFlag);
            });
            return;
        }
        const int n = data_.recordCount;
        StoreRecord([this, n, path, appendFlag, finished] {
            finished();
            // A full data set stores nothing; then there is no record n to write.
            if (path.isEmpty() || n >= data_.recordCount)
                return;
            AppendRecordToCsv(path, data_, n, appendFlag);
        });
    });
}

void AcquisitionSession::setRecordAppendFile(const QString& path) {
    recordAppendFile_ = path;
    appendedToFile_ = 0;
}

void AcquisitionSession::AppendRecordToCsv(const QString& path, const MeasurementDataSet& set,
                                           int r, int appendFlag) {
    const QString failure = csvWriter_(path, set, r, appendFlag);
    if (failure.isEmpty()) {
        failingCsvPaths_.erase(path);
        SetFileNotice(QString());  // the file takes its lines (again)
        return;
    }
    // The record itself stays in the data set and can still be saved; an
    // acquisition goes on with its next record.
    if (failingCsvPaths_.insert(path).second || fileNotice_.isEmpty())
        SetFileNotice(failure);
}

void AcquisitionSession::SetFileNotice(const QString& text) {
    if (text == fileNotice_)
        return;
    fileNotice_ = text;
    Emit(AppendFileEvent{text});
}
