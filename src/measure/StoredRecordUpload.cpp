#include "measure/StoredRecordUpload.h"

#include <algorithm>

#include "device/Exchange.h"

StoredRecordUpload::StoredRecordUpload(Transport* port) : port_(port) {}

int StoredRecordUpload::Begin() {
    reported_ = 0;
    countRead_ = port_ != nullptr && ReadInt32(*port_, CMD_GET_STORED_COUNT, reported_);
    if (!countRead_)
        reported_ = 0;
    total_ = std::clamp<std::int32_t>(reported_, 0, MAX_STORED_RECORDS);
    failed_ = 0;
    records_.clear();
    records_.reserve(static_cast<std::size_t>(total_));
    return total_;
}

bool StoredRecordUpload::Step() {
    if (done())
        return false;
    StoredRecord& record = records_.emplace_back();  // zero-filled until the reply arrives
    if (port_ == nullptr || !Exchange(*port_, CMD_GET_STORED_RECORD, record.bytes))
        ++failed_;
    return !done();
}

void StoredRecordUpload::RunToEnd() {
    Begin();
    while (Step()) {
    }
}

FileSaveResult SaveStoredRecordsCsv(const QString& path, std::span<const StoredRecord> records,
                                    int pointCount, int firstWavelength) {
    TextFileWriter file(path);
    if (!file.isOpen())
        return FileSaveResult::OpenFailed;
    file.writeLine(StoredRecordCsvHeader(pointCount, firstWavelength));
    for (const StoredRecord& record : records)
        file.writeLine(StoredRecordCsvLine(record, pointCount));
    return file.finish();
}
