#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "data/MeasurementDataSet.h"

// The recovery journal's file: an 8-byte mark, then entries, each its
// payload's length (u32), the payload's CRC-32 (u32) and the payload, all
// little-endian. An entry cut short at the end of the file (the program or
// the machine died while writing it) is dropped with nothing after it; an
// entry whose checksum or content is wrong stops the reading there.
//
// Payloads, by their first byte:
//   RESET      the data set was replaced (new, opened): devices, grids,
//              identity texts of every slot, reference; no records
//   RECORD     a record stored: time stamp, reference index after it, and per
//              device its serial, sensor model, grid, temperature, exposure,
//              reserved word and the values of its grid
//   DELETE     record k deleted
//   REFERENCE  record k became the reference (-1: none)
inline constexpr char JOURNAL_MARK[8] = {'V', 'L', 'J', 'R', 'N', 'L', '0', '1'};
inline constexpr std::uint32_t JOURNAL_MAX_PAYLOAD = 64u << 20;

enum class JournalEntry : std::uint8_t { Reset = 1, Record = 2, Delete = 3, Reference = 4 };

// Payloads from the data set as it is now.
QByteArray EncodeReset(const MeasurementDataSet& data);
QByteArray EncodeRecord(const MeasurementDataSet& data, int r);
QByteArray EncodeDelete(int k);
QByteArray EncodeReference(int k);

// A payload framed as an entry (length, CRC-32, payload).
QByteArray FrameEntry(const QByteArray& payload);

// A whole snapshot of the data set: RESET, every record, the reference.
std::vector<QByteArray> EncodeSnapshot(const MeasurementDataSet& data);

struct JournalContents {
    MeasurementDataSet data;
    int entries = 0;        // entries replayed
    qint64 validBytes = 0;  // up to the end of the last entry replayed
    bool tornTail = false;  // the last entry was cut short and dropped
    QString damage;         // empty, or why the reading stopped early
    QString error;          // the file could not be read at all
    bool ok() const { return error.isEmpty(); }
};

// Replays a journal into a data set (as it was when the last whole entry was written).
JournalContents ReadJournal(const QString& path);
// The same over bytes in memory (tests).
JournalContents ReplayJournal(const QByteArray& bytes);
