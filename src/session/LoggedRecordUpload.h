#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include <QString>

#include "data/LoggedRecord.h"
#include "data/WholeFileWriter.h"

class Transport;

// Uploads the records logged in an LX device, one record per step, so that the
// caller can show progress and offer a cancel between records:
//   Begin()  CMD_GET_STORED_COUNT once; a failed count reads as 0, a count
//            above MAX_LOGGED_RECORDS is cut to it;
//   Step()   CMD_GET_STORED_RECORD once, the whole 2096-byte record in one
//            exchange whether or not the device is behind the bridge (the
//            device hands out its records in order). A record whose exchange
//            fails is kept zero-filled.
// Records read before the caller stops stepping stay available.
//
// In the window the records are read on the port's own thread (StepToEnd);
// the window meanwhile shows progress() and may requestStop(), both safe to
// call from another thread. records() is read once the run is over.
class LoggedRecordUpload {
  public:
    // port may be null (no device): the upload then finds no records.
    explicit LoggedRecordUpload(Transport* port);

    // Reads the count; returns the number of records the upload will read.
    int Begin();
    // Reads the next record. Returns true while records remain to be read.
    bool Step();
    // Begin(), then StepToEnd().
    void RunToEnd();
    // Step() until done or until a stop is requested.
    void StepToEnd();
    // Ends RunToEnd after the record being read (the cancel button).
    void requestStop() { stop_ = true; }
    bool stopRequested() const { return stop_; }
    // Records read so far, while RunToEnd runs elsewhere.
    int progress() const { return progress_; }

    bool done() const { return uploadedCount() >= total_; }
    int total() const { return total_; }                      // records to read
    std::int32_t reportedCount() const { return reported_; }  // as the device said
    bool countRead() const { return countRead_; }
    int uploadedCount() const { return static_cast<int>(records_.size()); }
    int failedRecords() const { return failed_; }
    const std::vector<LoggedRecord>& records() const { return records_; }

  private:
    Transport* port_;
    std::int32_t reported_ = 0;
    bool countRead_ = false;
    int total_ = 0;
    int failed_ = 0;
    std::vector<LoggedRecord> records_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> progress_ = 0;
};

// Writes the stored-data CSV: the header line, then one line per record in
// upload order, every line ended with CR LF, through WholeFileWriter; the
// message when !ok names the file.
FileResult SaveLoggedRecordsCsv(const QString& path, std::span<const LoggedRecord> records,
                                int pointCount, int firstWavelength);
