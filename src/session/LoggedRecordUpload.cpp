#include "session/LoggedRecordUpload.h"

#include <algorithm>

#include "device/DeviceOperations.h"

LoggedRecordUpload::LoggedRecordUpload(Transport* port) : port_(port) {}

int LoggedRecordUpload::Begin() {
    const std::optional<std::int32_t> count =
        port_ != nullptr ? ReadStoredCount(*port_) : std::nullopt;
    countRead_ = count.has_value();
    reported_ = count.value_or(0);
    total_ = std::clamp<std::int32_t>(reported_, 0, MAX_LOGGED_RECORDS);
    failed_ = 0;
    progress_ = 0;
    records_.clear();
    records_.reserve(static_cast<std::size_t>(total_));
    return total_;
}

bool LoggedRecordUpload::Step() {
    if (done())
        return false;
    LoggedRecord& record = records_.emplace_back();  // zero-filled until the reply arrives
    if (port_ == nullptr || !ReadLoggedRecord(*port_, record.bytes))
        ++failed_;
    progress_ = uploadedCount();
    return !done();
}

void LoggedRecordUpload::RunToEnd() {
    Begin();
    StepToEnd();
}

void LoggedRecordUpload::StepToEnd() {
    while (!stop_ && Step()) {
    }
}

FileResult SaveLoggedRecordsCsv(const QString& path, std::span<const LoggedRecord> records,
                                int pointCount, int firstWavelength) {
    WholeFileWriter file(path);
    if (file.isOpen()) {
        file.WriteLine(LoggedRecordCsvHeader(pointCount, firstWavelength));
        for (const LoggedRecord& record : records)
            file.WriteLine(LoggedRecordCsvLine(record, pointCount));
    }
    FileResult result = file.Finish();
    result.message = TextFileError(result, path);
    return result;
}
