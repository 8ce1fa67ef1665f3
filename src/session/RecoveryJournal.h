#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

class AcquisitionSession;
class MeasurementDataSet;

// What a running copy has stored, written as it goes so that a crash, a
// killed process or a power cut loses nothing older than a second: every
// record stored, every deletion and reference change and every replaced data
// set, appended to a journal of its own in the recovery folder (format in
// export/JournalFormat.h). A worker thread writes and syncs; the session's
// thread only encodes the entry and hands it over. The copy holds a lock on
// its journal while it runs; a journal whose lock nobody holds is a leftover
// of a copy that died. A clean end deletes the journal.
class RecoveryJournal {
  public:
    // The "recovery" folder of the program's data folder (of the window's,
    // which velarim-cli shares).
    static QString DefaultFolder();

    // A new journal in folder for this running copy; `noticeHook` gets, on
    // the creating thread, the failure of the journal (empty when it works
    // again). A folder that cannot be made is such a failure. The file's name
    // is made from the time and the process unless fileName gives one.
    explicit RecoveryJournal(const QString& folder,
                             std::function<void(const QString&)> noticeHook = {},
                             const QString& fileName = {});
    // Writes what is queued and keeps the file: an end that was not clean.
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    QString path() const { return path_; }
    // Follows the session: records stored, deletions, references, data sets
    // replaced; starts with a snapshot of its data set as it is now.
    void Watch(AcquisitionSession& session);
    // The whole data set anew (after it was replaced).
    void Snapshot(const MeasurementDataSet& data);
    // The journal rewritten as a snapshot of the data set, in a new file that
    // takes the old one's place once it is on disk.
    void Compact(const MeasurementDataSet& data);
    // One entry's payload, written in order.
    void Append(QByteArray payload);
    // Waits until everything handed over is written and on disk, or failed.
    void Flush();
    // Flushes, then deletes the journal and its lock.
    void EndCleanly();
    // Empty while the journal works; else why it does not.
    QString notice() const;

    // Entries written since the last sync wait at most this long for it.
    static constexpr int SYNC_PERIOD_MS = 1000;

  private:
    void Run();
    void SetNotice(const QString& text);

    QString folder_;
    QString path_;
    std::function<void(const QString&)> noticeHook_;
    std::unique_ptr<QLockFile> lock_;
    QObject notifier_;  // lives on the creating thread: the notice hook runs there
    AcquisitionSession* session_ = nullptr;
    int subscription_ = -1;
    int recordsSinceCompaction_ = 0;

    // Shared with the worker, under queueLock_.
    mutable std::mutex queueLock_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<QByteArray> queue_;  // framed entries not yet written
    bool stopping_ = false;
    bool flushRequested_ = false;
    bool idle_ = true;  // nothing handed over is unwritten or unsynced
    QString notice_;
    std::thread worker_;
};

// A journal nobody holds any more: its copy died. Found locked by the finder,
// so that no other copy takes it meanwhile; the lock goes with the object.
struct LeftoverJournal {
    QString path;
    int records = 0;
    std::int64_t firstTimeStamp = 0;  // of the first and the last record
    std::int64_t lastTimeStamp = 0;
    QString damage;  // why its reading stopped early (empty: it did not)
    std::shared_ptr<QLockFile> lock;
};

// The leftovers in folder, oldest first.
std::vector<LeftoverJournal> FindLeftoverJournals(const QString& folder);
// Deletes a leftover and its lock.
void RemoveLeftoverJournal(LeftoverJournal& journal);
