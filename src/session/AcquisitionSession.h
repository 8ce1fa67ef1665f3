#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include <QString>

#include "session/DeviceSettingsCommand.h"
#include "session/MonitoringCycle.h"
#include "session/OperationQueue.h"
#include "session/SessionEvents.h"
#include "session/TimerHost.h"

class DeviceLink;
class MeasurementDataSet;

// Writes record r of the data set as one CSV line to path (header block first
// when appendFlag is 0) and gives back an empty text, or the message naming the
// file when the line could not be written. The session writes through the
// export library's AppendRecordCsv; tests put a writer of their own in its place.
using RecordCsvWriter = std::function<QString(const QString& path, const MeasurementDataSet& data,
                                              int r, int appendFlag)>;

// What is live, without a window: the device link and its per-port workers,
// the monitoring cycle and its operation queue, lost devices and their
// probes, the settings each device is to get, acquisition (a single record or
// records at an interval), storing records into the data set and an appended
// file, dark settings and the LED state. The window, velarim-cli and scripts
// drive it alike with typed commands and learn what happens from its events,
// by value. Used on one thread (the one the link hands its results to).
class AcquisitionSession {
  public:
    using Subscriber = std::function<void(const SessionEvent&)>;
    using Finished = OperationQueue::Finished;

    // The owner forwards the timers' firings to OnTimer.
    AcquisitionSession(DeviceLink& link, MeasurementDataSet& data, TimerHost& timers);
    // Drops the operations not yet started; the link's ports stay as they are.
    ~AcquisitionSession();
    AcquisitionSession(const AcquisitionSession&) = delete;
    AcquisitionSession& operator=(const AcquisitionSession&) = delete;

    DeviceLink& link() { return link_; }
    const DeviceLink& link() const { return link_; }
    MeasurementDataSet& dataSet() { return data_; }
    // The device work, one operation at a time (ticks, commands, a dialog's reads).
    OperationQueue& operations() { return operations_; }

    // --- events --------------------------------------------------------------
    // Every event from now on goes to `subscriber`, in order, on the session's
    // thread; the id unsubscribes.
    int Subscribe(Subscriber subscriber);
    void Unsubscribe(int id);

    // --- devices -------------------------------------------------------------
    // Finds the spectrometers (DetectionEvent as they are found), chooses each
    // one's sensor profile, and makes them the data set's when it holds no
    // records. `done(count)`. Call it within an operation.
    void Detect(std::function<void(int count)> done);
    // What the session knows a spectrometer to have.
    DeviceSettingValues knownSettings(int slot) const;

    // --- monitoring ------------------------------------------------------------
    void OnTimer(int id) { cycle_.OnTimer(id); }
    // The first tick in 10 ms (with devices attached).
    void StartTicks() { cycle_.StartTicks(); }
    // No ticks until resumed; resuming wakes `wakeSlot` first.
    void PauseTicks() { cycle_.Pause(); }
    void ResumeTicks(int wakeSlot) { cycle_.Resume(wakeSlot); }
    bool ticking() const { return acquisition_.ticking; }
    std::uint64_t lastReadingSequence() const { return sequence_; }

    // --- a device's port lent out ------------------------------------------------
    // Until released, the slot's port is the holder's (an upload of logged
    // records, a sensor-information read, each on the device's own channel):
    // the ticks go on with the other devices, readings show the held one as
    // held and not fresh, records hold NaN for it (exposure 0) as for a device
    // that does not answer, and its queued settings and dark setting wait. It
    // is not taken for lost meanwhile. Holds count; each needs its release.
    void HoldDevice(int slot) { cycle_.Hold(slot); }
    void ReleaseDevice(int slot) { cycle_.Release(slot); }
    bool deviceHeld(int slot) const { return cycle_.held(slot); }

    // --- settings -----------------------------------------------------------------
    // Sent after the next tick's reads, in the ticks' order and with the
    // firmware gates, not read back (the window's way). Refused (the reason)
    // when a value is out of range or no spectrometer is at `target`.
    QString QueueSettings(int target, const DeviceSettingValues& request);
    // Checked, sent and read back between the ticks; a value reported back
    // other than the one sent fails that device.
    void ApplySettings(int target, const DeviceSettingValues& request,
                       std::function<void(DeviceCommandResult)> done);
    // A dark setting on `target` at the end of the next tick (DarkEvent).
    void QueueDark(int target);
    // What waits for the next tick: settings and dark setting per slot.
    DeviceSettingValues queuedSettings(int slot) const { return cycle_.queued(slot); }
    bool darkQueued(int slot) const { return cycle_.darkQueued(slot); }
    // The exposure queued for the slot is not sent after all.
    void WithdrawQueuedExposure(int slot) { cycle_.WithdrawExposure(slot); }
    // The LED unit's state, sent by every tick from now on.
    void SetLed(bool on);
    bool ledOn() const;

    // --- acquisition -----------------------------------------------------------
    // One record at the next tick.
    void StoreOneRecord();
    // A record every intervalMs from now on (0: every tick), until stopped.
    void StartContinuous(std::int32_t intervalMs);
    void StopAcquisition();
    const AcquisitionState& acquisition() const { return acquisition_; }
    // Before a record: whether the data set may take the live devices' values.
    // Without one, records go in when the data set is empty (its devices become
    // the live ones) or holds the live devices.
    void setRecordAdmission(std::function<bool()> mayRecord) { mayRecord_ = std::move(mayRecord); }
    // Stores a record of every device's live data now, with each device's
    // exposure asked afresh (all at once); `stored` runs when the record is in
    // (or was not stored). A full data set (DataSetFullEvent, said as its last
    // record goes in) takes none and ends the acquisition. Call it within an
    // operation.
    void StoreRecord(std::function<void()> stored = {});
    // Deletes record k (false when there is none); the reference moves with
    // its record, and is cleared when it is deleted.
    bool DeleteRecord(int k);
    // Record k becomes the reference.
    void SetReference(int k);
    // The data set was replaced as a whole (a document read into it, a new one).
    void DataSetReplaced();
    // Stores a record and, when path is not empty, appends it to that file
    // (an operation of its own). A failing append becomes the file notice;
    // the record stays in the data set. While the data set is full the
    // record still goes to the file (a plan keeps measuring).
    void StoreRecordAndAppend(const QString& path, int appendFlag);
    // Every record stored from now on is also appended to this CSV file, the
    // first with the header block. Empty: none.
    void setRecordAppendFile(const QString& path);
    void setRecordCsvWriter(RecordCsvWriter writer) { csvWriter_ = std::move(writer); }
    // Empty while the files records are appended to take their lines; else
    // the message naming the file that failed, until it takes a line again.
    const QString& fileNotice() const { return fileNotice_; }

  private:
    struct PendingRecord;
    void Emit(const SessionEvent& event);
    void EmitReading();
    void EmitAcquisition();
    // Gathers every data-set device's live values and exposure for a record.
    void CollectRecord(std::function<void(const PendingRecord&)> collected);
    void AppendRecord(const PendingRecord& record);
    // A plan's record while the data set is full: to its file only.
    void AppendBeyondFullDataSet(const PendingRecord& record, const QString& path, int appendFlag);
    void AppendRecordToCsv(const QString& path, const MeasurementDataSet& set, int r,
                           int appendFlag);
    // Whether the data set is full; tells subscribers when that changed.
    bool NoteFull();
    void SetFileNotice(const QString& text);
    bool MayRecord();

    DeviceLink& link_;
    MeasurementDataSet& data_;
    OperationQueue operations_;
    AcquisitionState acquisition_;
    MonitoringCycle cycle_;
    std::map<int, Subscriber> subscribers_;
    int nextSubscriber_ = 0;
    std::uint64_t sequence_ = 0;
    std::function<bool()> mayRecord_;
    RecordCsvWriter csvWriter_;
    QString recordAppendFile_;
    int appendedToFile_ = 0;
    // Files whose last append failed and was reported: an unattended run tells
    // of a failing file once, not at every record, and again only after the
    // file has taken a line in between.
    std::set<QString> failingCsvPaths_;
    QString fileNotice_;
    bool fullTold_ = false;  // DataSetFullEvent last said full
};
