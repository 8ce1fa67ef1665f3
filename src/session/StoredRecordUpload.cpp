#include "session/StoredRecordUpload.h"

#include <algorithm>

#include "device/DeviceOperations.h"

StoredRecordUpload::StoredRecordUpload(Transport* port) : port_(port) {}

int StoredRecordUpload::Begin() {
    const std::optional<std::int32_t> count =
        port_ != nullptr ? ReadStoredCount(*port_) : std::nullopt;
    countRead_ = count.has_value();
    reported_ = count.value_or(0);
    total_ = std::clamp<std::int32_t>(reported_, 0, MAX_STORED_RECORDS);
    failed_ = 0;
    progress_ = 0;
    records_.clear();
    records_.reserve(static_cast<std::size_t>(total_));
    return total_;
}

bool StoredRecordUpload::Step() {
    if (done())
        return false;
    StoredRecord& record = records_.emplace_back();  // zero-filled until the reply arrives
    if (port_ == nullptr || !ReadStoredRecord(*port_, record.bytes))
        ++failed_;
    progress_ = uploadedCount();
    return !done();
}

void StoredRecordUpload::RunToEnd() {
    Begin();
    StepToEnd();
}

void StoredRecordUpload::StepToEnd() {
    while (!stop_ && Step()) {
    }
}

FileResult SaveStoredRecordsCsv(const QString& path, std::span<const StoredRecord> records,
                                int pointCount, int firstWavelength) {
    WholeFileWriter file(path);
    if (file.isOpen()) {
        file.WriteLine(StoredRecordCsvHeader(pointCount, firstWavelength));
        for (const StoredRecord& record : records)
            file.WriteLine(StoredRecordCsvLine(record, pointCount));
    }
    FileResult result = file.Finish();
    result.message = TextFileError(result, path);
    return result;
}
