#include "session/RecoveryJournal.h"

#include <chrono>
#include <variant>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "data/DurableWrite.h"
#include "data/MeasurementDataSet.h"
#include "export/JournalFormat.h"
#include "session/AcquisitionSession.h"

namespace {
QString Tr(const char* text) {
    return QCoreApplication::translate("RecoveryJournal", text);
}

QString JournalFailed(const QString& path, const QString& why) {
    return Tr(QT_TRANSLATE_NOOP("RecoveryJournal", "復元用の記録を書けません (%1): %2"))
        .arg(QDir::toNativeSeparators(path), why);
}

using Steady = std::chrono::steady_clock;

// Marks in the queue around a compaction's snapshot; never written (no
// payload is one byte long).
const QByteArray kCompactBegin("\xF0", 1);
const QByteArray kCompactEnd("\xF1", 1);
bool IsMarker(const QByteArray& item) {
    return item.size() == 1;
}

}  // namespace

QString RecoveryJournal::DefaultFolder() {
    // The window's data folder, also when velarim-cli asks.
    const QString app = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("VL_Tool"));
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/recovery";
    QCoreApplication::setApplicationName(app);
    return folder;
}

RecoveryJournal::RecoveryJournal(const QString& folder,
                                 std::function<void(const QString&)> noticeHook,
                                 const QString& fileName)
    : folder_(folder), noticeHook_(std::move(noticeHook)) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmsszzz");
    path_ =
        QDir(folder).filePath(!fileName.isEmpty() ? fileName
                                                  : QStringLiteral("journal-%1-%2.vlj")
                                                        .arg(stamp)
                                                        .arg(QCoreApplication::applicationPid()));
    if (!QDir().mkpath(folder)) {
        SetNotice(JournalFailed(
            path_, Tr(QT_TRANSLATE_NOOP("RecoveryJournal", "フォルダーを作れません"))));
    } else {
        lock_ = std::make_unique<QLockFile>(path_ + ".lock");
        lock_->setStaleLockTime(0);
        if (!lock_->tryLock(0))
            SetNotice(JournalFailed(path_ + ".lock",
                                    Tr(QT_TRANSLATE_NOOP("RecoveryJournal", "ロックできません"))));
    }
    worker_ = std::thread([this] { Run(); });
}

RecoveryJournal::~RecoveryJournal() {
    if (session_)
        session_->Unsubscribe(subscription_);
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void RecoveryJournal::Watch(AcquisitionSession& session) {
    session_ = &session;
    Snapshot(session.dataSet());
    subscription_ = session.Subscribe([this, &session](const SessionEvent& event) {
        if (const auto* stored = std::get_if<RecordStoredEvent>(&event)) {
            Append(EncodeRecord(session.dataSet(), stored->index));
        } else if (const auto* edit = std::get_if<DataSetEditEvent>(&event)) {
            switch (edit->kind) {
                case DataSetEditEvent::Kind::Deleted:
                    Append(EncodeDelete(edit->index));
                    break;
                case DataSetEditEvent::Kind::Reference:
                    Append(EncodeReference(edit->index));
                    break;
                case DataSetEditEvent::Kind::Replaced:
                    Compact(session.dataSet());  // the old data set is of no use any more
                    break;
            }
        }
        // Deletions and new records: the journal is rewritten from the data
        // set now and then, so that it stays about as large as the data set.
        if (std::holds_alternative<RecordStoredEvent>(event) &&
            ++recordsSinceCompaction_ > MAX_RECORDS)
            Compact(session.dataSet());
    });
}

void RecoveryJournal::Snapshot(const MeasurementDataSet& data) {
    std::vector<QByteArray> entries = EncodeSnapshot(data);
    for (QByteArray& e : entries)
        Append(std::move(e));
}

void RecoveryJournal::Compact(const MeasurementDataSet& data) {
    recordsSinceCompaction_ = 0;
    Append(kCompactBegin);
    Snapshot(data);
    Append(kCompactEnd);
}

void RecoveryJournal::Append(QByteArray payload) {
    // Framed (its CRC computed) on the worker: the caller only hands it over.
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        queue_.push_back(std::move(payload));
        idle_ = false;
    }
    wake_.notify_one();
}

void RecoveryJournal::Flush() {
    std::unique_lock<std::mutex> guard(queueLock_);
    flushRequested_ = true;
    wake_.notify_one();
    drained_.wait(guard, [this] { return idle_ || !worker_.joinable(); });
}

void RecoveryJournal::EndCleanly() {
    if (session_) {
        session_->Unsubscribe(subscription_);
        session_ = nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
    QFile::remove(path_);
    QFile::remove(path_ + ".new");  // a compaction cut short
    if (lock_)
        lock_->unlock();
}

QString RecoveryJournal::notice() const {
    std::lock_guard<std::mutex> guard(queueLock_);
    return notice_;
}

void RecoveryJournal::SetNotice(const QString& text) {
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        if (notice_ == text)
            return;
        notice_ = text;
    }
    if (noticeHook_)
        QMetaObject::invokeMethod(
            &notifier_, [this, text] { noticeHook_(text); }, Qt::QueuedConnection);
}

// The worker: writes what is handed over in order, syncs at least once a
// second while anything written is not yet on disk (at once when the last
// sync is older than that, so slow records are each synced), and keeps
// entries that could not be written to try again a second later.
void RecoveryJournal::Run() {
    QFile file(path_);
    bool opened = false;
    qint64 good = 0;  // the file's length up to its last whole entry
    auto open = [&] {
        if (opened)
            return true;
        if (!lock_ || !lock_->isLocked())
            return false;
        if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            SetNotice(JournalFailed(path_, file.errorString()));
            return false;
        }
        good = file.size();
        if (good == 0 && file.write(JOURNAL_MARK, sizeof JOURNAL_MARK) != sizeof JOURNAL_MARK) {
            SetNotice(JournalFailed(path_, file.errorString()));
            file.resize(0);
            file.close();
            return false;
        }
        good = file.size();
        file.seek(good);
        FlushFolderToDisk(folder_);  // the new name survives a power cut too
        opened = true;
        return true;
    };

    std::deque<QByteArray> pending;  // framed, not yet written
    QFile fresh;                     // a compaction's new journal while it is written
    bool compacting = false;
    bool abandoned = false;  // a compaction failed: its snapshot is skipped
    bool dirty = false;      // written, not yet synced
    Steady::time_point lastSync = Steady::now() - std::chrono::seconds(2);
    for (;;) {
        std::unique_lock<std::mutex> guard(queueLock_);
        const auto period = std::chrono::milliseconds(SYNC_PERIOD_MS);
        const bool waitForever = !dirty && pending.empty();
        const Steady::time_point deadline =
            pending.empty() ? lastSync + period : Steady::now() + period;
        auto ready = [this] { return stopping_ || flushRequested_ || !queue_.empty(); };
        if (waitForever)
            wake_.wait(guard, ready);
        else
            wake_.wait_until(guard, deadline, ready);
        std::deque<QByteArray> taken;
        taken.swap(queue_);
        const bool stopping = stopping_;
        const bool flush = flushRequested_;
        flushRequested_ = false;
        guard.unlock();

        for (QByteArray& payload : taken)
            pending.push_back(IsMarker(payload) ? payload : FrameEntry(payload));
        bool failed = false;
        if (!pending.empty() && open()) {
            while (!pending.empty()) {
                const QByteArray& entry = pending.front();
                if (IsMarker(entry)) {
                    // A compaction: the snapshot between the two marks goes to
                    // a fresh file that then takes the journal's place. When
                    // that fails the old journal, whole, simply goes on.
                    if (entry == kCompactBegin) {
                        fresh.setFileName(path_ + ".new");
                        compacting =
                            fresh.open(QIODevice::WriteOnly | QIODevice::Truncate |
                                       QIODevice::Unbuffered) &&
                            fresh.write(JOURNAL_MARK, sizeof JOURNAL_MARK) == sizeof JOURNAL_MARK;
                        abandoned = !compacting;
                    } else if (compacting) {
                        compacting = false;
                        if (FlushFileToDisk(fresh) && (fresh.close(), true) &&
                            ReplaceFile(fresh.fileName(), path_)) {
                            FlushFolderToDisk(folder_);
                            file.close();
                            file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
                            good = file.size();
                            file.seek(good);
                            dirty = false;
                        } else {
                            fresh.close();
                            QFile::remove(fresh.fileName());
                        }
                    } else {
                        abandoned = false;
                    }
                    pending.pop_front();
                    continue;
                }
                if (abandoned) {
                    pending.pop_front();
                    continue;
                }
                if (compacting) {
                    if (fresh.write(entry) != entry.size()) {
                        compacting = false;
                        abandoned = true;
                        fresh.close();
                        QFile::remove(fresh.fileName());
                    }
                    pending.pop_front();
                    continue;
                }
                if (file.write(entry) != entry.size()) {
                    SetNotice(JournalFailed(path_, file.errorString()));
                    file.resize(good);  // no half entry before the next one
                    file.seek(good);
                    failed = true;
                    break;
                }
                good += entry.size();
                pending.pop_front();
                dirty = true;
            }
        } else if (!pending.empty()) {
            failed = true;
            if (!lock_ || !lock_->isLocked())
                pending.clear();  // no journal of its own: nothing is kept for it
        }
        const bool due = Steady::now() - lastSync >= period;
        if (dirty && (due || flush || stopping)) {
            if (FlushFileToDisk(file)) {
                dirty = false;
                lastSync = Steady::now();
                if (!failed && pending.empty())
                    SetNotice(QString());
            } else {
                SetNotice(JournalFailed(path_, file.errorString()));
            }
        }
        guard.lock();
        idle_ = queue_.empty() && !dirty && (pending.empty() || failed);
        const bool done = stopping_ && queue_.empty() && (pending.empty() || failed) && !dirty;
        guard.unlock();
        drained_.notify_all();
        if (done)
            break;
    }
    file.close();
}

std::vector<LeftoverJournal> FindLeftoverJournals(const QString& folder) {
    std::vector<LeftoverJournal> found;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("journal-*.vlj")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        auto lock = std::make_shared<QLockFile>(info.filePath() + ".lock");
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue;  // its copy is running (or another copy is restoring it)
        LeftoverJournal journal;
        journal.path = info.filePath();
        journal.lock = std::move(lock);
        const JournalContents contents = ReadJournal(journal.path);
        journal.records = contents.data.recordCount;
        journal.damage = contents.ok() ? contents.damage : contents.error;
        if (journal.records > 0) {
            journal.firstTimeStamp = contents.data.record(0).timeStamp;
            journal.lastTimeStamp = contents.data.record(journal.records - 1).timeStamp;
        }
        found.push_back(std::move(journal));
    }
    return found;
}

void RemoveLeftoverJournal(LeftoverJournal& journal) {
    QFile::remove(journal.path);
    if (journal.lock)
        journal.lock->unlock();
    journal.lock.reset();
}
