#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/WholeFileWriter.h"

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteOld(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old\r\n");
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The new file takes the old one's place with the old one's permissions, and
// nothing else is left in the folder.
TEST(WholeFileWriter, ReplacesTheFileWhenCompleteKeepingItsPermissions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.csv");
    WriteOld(path);
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, mode));
    {
        WholeFileWriter file(path);
        ASSERT_TRUE(file.isOpen());
        EXPECT_NE(file.writePath(), path);
        file.WriteLine("one");
        file.WriteLine("two");
        EXPECT_EQ(ReadAll(path), "old\r\n") << "the target changed before the end";
        const FileResult result = file.Finish();
        EXPECT_TRUE(result.ok);
        EXPECT_TRUE(result.opened);
    }
    EXPECT_EQ(ReadAll(path), "one\r\ntwo\r\n");
    // Owner, group and others (the User flags tell what this process may do).
    EXPECT_EQ(QFile::permissions(path) & 0x7077, mode);
    EXPECT_EQ(Entries(dir), QStringList{"a.csv"});
}

// A failed write, or a writer never finished, leaves the old file and no temporary.
TEST(WholeFileWriter, AFailedOrAbandonedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.vltd");
    WriteOld(path);
    {
        WholeFileWriter file(path);
        file.Write("new");
        file.Fail();
        const FileResult result = file.Finish();
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.opened);
        EXPECT_FALSE(file.Write("more", 4));
    }
    {
        WholeFileWriter file(path);
        file.Write("new");
    }
    EXPECT_EQ(ReadAll(path), "old\r\n");
    EXPECT_EQ(Entries(dir), QStringList{"a.vltd"});

    WholeFileWriter missing(dir.filePath("no/such/dir/x.csv"));
    EXPECT_FALSE(missing.isOpen());
    const FileResult result = missing.Finish();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(TextFileError(result, "x.csv"), "cannot write the file x.csv");
    EXPECT_EQ(TextFileError({false, true, {}}, "x.csv"), "writing the file x.csv failed");
}

// A library that writes by name gets a temporary beside the target; the
// target changes at Finish only, and a failure removes the temporary.
TEST(WholeFileWriter, ByNameHandsOutATemporaryAndCommitsIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.h5");
    WriteOld(path);
    {
        WholeFileWriter file(path, WholeFileWriter::Mode::ByName);
        ASSERT_TRUE(file.isOpen());
        EXPECT_TRUE(file.writePath().startsWith(path + ".~")) << file.writePath().toStdString();
        QFile library(file.writePath());
        ASSERT_TRUE(library.open(QIODevice::WriteOnly | QIODevice::Truncate));
        library.write("HDF");
        library.close();
        EXPECT_EQ(ReadAll(path), "old\r\n");
        EXPECT_TRUE(file.Finish().ok);
    }
    EXPECT_EQ(ReadAll(path), "HDF");
    {
        WholeFileWriter file(path, WholeFileWriter::Mode::ByName);
        QFile library(file.writePath());
        ASSERT_TRUE(library.open(QIODevice::WriteOnly | QIODevice::Truncate));
        library.write("broken");
        library.close();
        file.Fail();
        EXPECT_FALSE(file.Finish().ok);
    }
    EXPECT_EQ(ReadAll(path), "HDF");
    EXPECT_EQ(Entries(dir), QStringList{"a.h5"});
}

// Devices are written directly: there is nothing to replace.
TEST(WholeFileWriter, DevicesAreWrittenDirectly) {
    WholeFileWriter file("/dev/null");
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.writePath(), "/dev/null");
    file.WriteLine("text");
    EXPECT_TRUE(file.Finish().ok);
    WholeFileWriter full("/dev/full");
    full.WriteLine("text");
    const FileResult result = full.Finish();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.opened);
}
}  // namespace
