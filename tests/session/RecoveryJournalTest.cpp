// The recovery journal: its entries replayed into the data set bit for bit, a
// torn last entry dropped, a damaged one stopping the replay with a message,
// the writer's failures told, a clean end leaving nothing, leftovers found.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "data/MeasurementDataSet.h"
#include "export/JournalFormat.h"
#include "session/RecoveryJournal.h"

namespace {

// Two devices on different grids; record values vary, one NaN spectrum.
MeasurementDataSet SampleSet(int records) {
    MeasurementDataSet data;
    data.deviceCount = 2;
    data.serialText[0] = "U1";
    data.sensorModel[0] = "K60293QX";
    data.serialText[1] = "N1";
    data.sensorModel[1] = "K52817QX-03";
    data.SetDeviceGrids({WavelengthGrid{190, 251}, WavelengthGrid{640, 411}});
    for (int r = 0; r < records; ++r) {
        const int k = data.AppendRecord(1700000000 + r);
        for (int d = 0; d < 2; ++d) {
            MeasurementDataSet::Entry& e = data.entry(d, k);
            for (int i = 0; i < data.grid(d).pointCount; ++i)
                e.values[i] = r == 1 && d == 1 ? std::numeric_limits<float>::quiet_NaN()
                                               : float(r * 1000 + d * 100 + i) + 0.25f;
            e.temperature = 25.0f + float(r) / 10;
            e.exposure = 10000 + r;
            e.reserved = r;
        }
    }
    return data;
}

// Equal as stored: every field, and the values' bits (NaN included).
void ExpectSame(const MeasurementDataSet& a, const MeasurementDataSet& b) {
    ASSERT_EQ(a.recordCount, b.recordCount);
    EXPECT_EQ(a.deviceCount, b.deviceCount);
    EXPECT_EQ(a.referenceIndex, b.referenceIndex);
    EXPECT_EQ(a.hasMixedGrids(), b.hasMixedGrids());
    EXPECT_EQ(a.pointCount, b.pointCount);
    EXPECT_EQ(a.firstWavelength, b.firstWavelength);
    for (int d = 0; d < MAX_DEVICES; ++d) {
        EXPECT_EQ(a.serialText[d], b.serialText[d]) << d;
        EXPECT_EQ(a.sensorModel[d], b.sensorModel[d]) << d;
        EXPECT_EQ(a.grid(d), b.grid(d)) << d;
    }
    for (int r = 0; r < a.recordCount; ++r) {
        EXPECT_EQ(a.record(r).timeStamp, b.record(r).timeStamp);
        for (int d = 0; d < a.deviceCount; ++d) {
            const auto& x = a.entry(d, r);
            const auto& y = b.entry(d, r);
            EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "record " << r << " device " << d;
        }
    }
}

QByteArray Journal(const std::vector<QByteArray>& payloads) {
    QByteArray bytes(JOURNAL_MARK, sizeof JOURNAL_MARK);
    for (const QByteArray& p : payloads)
        bytes += FrameEntry(p);
    return bytes;
}

TEST(JournalFormat, RecordsDeletionsReferencesAndReplacedSetsReplayExactly) {
    // As the program goes: records stored one by one into an empty data set
    // (its devices come with the first), a deletion, a reference, then a
    // document opened (snapshot) and more records and edits.
    MeasurementDataSet live = SampleSet(0);
    MeasurementDataSet source = SampleSet(4);
    std::vector<QByteArray> entries = EncodeSnapshot(MeasurementDataSet());
    for (int r = 0; r < 4; ++r) {
        const int k = live.AppendRecord(source.record(r).timeStamp);
        live.record(k) = source.record(r);
        entries.push_back(EncodeRecord(live, k));
    }
    live.RemoveRecord(1);
    entries.push_back(EncodeDelete(1));
    live.referenceIndex = 2;
    entries.push_back(EncodeReference(2));
    JournalContents replay = ReplayJournal(Journal(entries));
    ASSERT_TRUE(replay.ok());
    EXPECT_TRUE(replay.damage.isEmpty());
    ExpectSame(live, replay.data);

    MeasurementDataSet opened = SampleSet(3);
    opened.referenceIndex = 1;
    opened.serialText[7] = "kept from before";  // a slot beyond the devices keeps its text
    for (QByteArray& e : EncodeSnapshot(opened))
        entries.push_back(std::move(e));
    opened.RemoveRecord(0);  // the reference moves down with its record
    entries.push_back(EncodeDelete(0));
    replay = ReplayJournal(Journal(entries));
    ASSERT_TRUE(replay.damage.isEmpty()) << replay.damage.toStdString();
    ExpectSame(opened, replay.data);
    EXPECT_EQ(replay.data.referenceIndex, 0);
}

TEST(JournalFormat, ACutAtAnyByteOfTheLastEntryKeepsEverythingBefore) {
    const MeasurementDataSet data = SampleSet(3);
    std::vector<QByteArray> entries = EncodeSnapshot(SampleSet(0));
    MeasurementDataSet two = SampleSet(2);
    for (int r = 0; r < 3; ++r)
        entries.push_back(EncodeRecord(data, r));
    const QByteArray whole = Journal(entries);
    const qsizetype last = FrameEntry(entries.back()).size();
    for (qsizetype cut = 0; cut < last; ++cut) {
        const JournalContents replay = ReplayJournal(whole.left(whole.size() - last + cut));
        ASSERT_TRUE(replay.damage.isEmpty()) << cut;
        EXPECT_EQ(replay.tornTail, cut != 0) << cut;
        ASSERT_EQ(replay.data.recordCount, 2) << cut;
        EXPECT_EQ(replay.validBytes, whole.size() - last) << cut;
        EXPECT_EQ(std::memcmp(&replay.data.entry(1, 1), &two.entry(1, 1), sizeof two.entry(1, 1)),
                  0);
    }
}

TEST(JournalFormat, ADamagedEntryStopsTheReplayThereWithAMessage) {
    const MeasurementDataSet data = SampleSet(3);
    std::vector<QByteArray> entries = EncodeSnapshot(SampleSet(0));
    for (int r = 0; r < 3; ++r)
        entries.push_back(EncodeRecord(data, r));
    QByteArray bytes = Journal(entries);
    // A bit flipped in the second record's values.
    const qsizetype second = sizeof JOURNAL_MARK + FrameEntry(entries[0]).size() +
                             FrameEntry(entries[1]).size() + FrameEntry(entries[2]).size();
    bytes[second + 8 + 200] = char(bytes[second + 8 + 200] ^ 0x10);
    JournalContents replay = ReplayJournal(bytes);
    EXPECT_EQ(replay.data.recordCount, 1);
    EXPECT_FALSE(replay.tornTail);
    EXPECT_TRUE(replay.damage.contains(QString::number(second))) << replay.damage.toStdString();

    // A length no entry can have stops it too; a file of another kind is refused.
    bytes = Journal(entries);
    bytes[second + 3] = char(0x7f);
    replay = ReplayJournal(bytes);
    EXPECT_EQ(replay.data.recordCount, 1);
    EXPECT_FALSE(replay.damage.isEmpty());
    EXPECT_FALSE(ReplayJournal("VLTD....").ok());
}

TEST(RecoveryJournalWriter, WritesInOrderAndAClearEndLeavesNothing) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("recovery");
    const MeasurementDataSet data = SampleSet(3);
    QString path;
    {
        RecoveryJournal journal(folder);
        path = journal.path();
        journal.Snapshot(MeasurementDataSet());
        for (int r = 0; r < 3; ++r)
            journal.Append(EncodeRecord(data, r));
        journal.Flush();
        EXPECT_EQ(journal.notice(), "");
        const JournalContents replay = ReadJournal(path);
        ASSERT_TRUE(replay.ok());
        ExpectSame(data, replay.data);
        EXPECT_TRUE(FindLeftoverJournals(folder).empty()) << "its copy is running";
        journal.EndCleanly();
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

// Records stored and deleted again and again: a compaction rewrites the
// journal as the data set is now, in a file that takes the old one's place.
TEST(RecoveryJournalWriter, ACompactionKeepsItAsLargeAsTheDataSet) {
    QTemporaryDir dir;
    MeasurementDataSet data = SampleSet(3);
    RecoveryJournal journal(dir.path());
    journal.Snapshot(MeasurementDataSet());
    for (int r = 0; r < 3; ++r)
        journal.Append(EncodeRecord(data, r));
    for (int round = 0; round < 20; ++round) {
        data.RemoveRecord(0);
        journal.Append(EncodeDelete(0));
        const int k = data.AppendRecord(1700001000 + round);
        data.record(k) = SampleSet(3).record(round % 3);
        data.record(k).timeStamp = 1700001000 + round;
        journal.Append(EncodeRecord(data, k));
    }
    data.referenceIndex = 1;
    journal.Append(EncodeReference(1));
    journal.Flush();
    const qint64 before = QFileInfo(journal.path()).size();
    journal.Compact(data);
    journal.Append(EncodeReference(2));
    data.referenceIndex = 2;
    journal.Flush();
    EXPECT_LT(QFileInfo(journal.path()).size(), before / 5);
    EXPECT_FALSE(QFile::exists(journal.path() + ".new"));
    const JournalContents replay = ReadJournal(journal.path());
    ASSERT_TRUE(replay.damage.isEmpty()) << replay.damage.toStdString();
    ExpectSame(data, replay.data);
    journal.EndCleanly();
}

TEST(RecoveryJournalWriter, AJournalWhoseCopyDiedIsALeftover) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("recovery");
    const MeasurementDataSet data = SampleSet(2);
    QString path;
    {
        RecoveryJournal journal(folder);
        path = journal.path();
        journal.Snapshot(data);
        journal.Flush();
    }  // no clean end: its lock goes with it, the journal stays
    ASSERT_TRUE(QFile::exists(path));
    std::vector<LeftoverJournal> found = FindLeftoverJournals(folder);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path, path);
    EXPECT_EQ(found[0].records, 2);
    EXPECT_EQ(found[0].firstTimeStamp, 1700000000);
    EXPECT_EQ(found[0].lastTimeStamp, 1700000001);
    EXPECT_TRUE(FindLeftoverJournals(folder).empty()) << "held by the first finder";
    RemoveLeftoverJournal(found[0]);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(RecoveryJournalWriter, AFailingJournalIsToldAndTakesEntriesAgainLater) {
    QTemporaryDir dir;
    // A folder that cannot be made (a file is in the way).
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        RecoveryJournal journal(dir.filePath("file/recovery"));
        journal.Append(EncodeDelete(0));
        journal.Flush();
        EXPECT_FALSE(journal.notice().isEmpty());
    }
#ifdef Q_OS_LINUX
    // A full disk: every write fails; the journal says so, keeps the entries
    // and the caller goes on.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("full")));
    ASSERT_TRUE(QFile::link("/dev/full", dir.filePath("full/journal-full.vlj")));
    std::vector<QString> told;
    RecoveryJournal journal(
        dir.filePath("full"), [&](const QString& t) { told.push_back(t); }, "journal-full.vlj");
    journal.Append(EncodeDelete(0));
    journal.Flush();
    EXPECT_TRUE(journal.notice().contains("journal-full.vlj")) << journal.notice().toStdString();
    QCoreApplication::processEvents();  // the hook runs on this thread
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), journal.notice());
#endif
}

}  // namespace
