#include "measure/MeasurementDataSet.h"

#include <algorithm>

namespace {
// What a const reader sees of a record that was never allocated.
const MeasurementDataSet::Record& EmptyRecord() {
    static const MeasurementDataSet::Record empty{};
    return empty;
}
}  // namespace

MeasurementDataSet::MeasurementDataSet() {
    // Only the table of block pointers is reserved (80 kB); blocks come one by one.
    records_.reserve(MAX_RECORDS);
}

MeasurementDataSet::MeasurementDataSet(MeasurementDataSet&&) noexcept = default;
MeasurementDataSet& MeasurementDataSet::operator=(MeasurementDataSet&&) noexcept = default;
MeasurementDataSet::~MeasurementDataSet() = default;

MeasurementDataSet::Record& MeasurementDataSet::record(int r) {
    while (static_cast<int>(records_.size()) <= r) {
        records_.push_back(std::make_unique<Record>());
    }
    return *records_[static_cast<std::size_t>(r)];
}

const MeasurementDataSet::Record& MeasurementDataSet::record(int r) const {
    if (r < 0 || r >= allocated())
        return EmptyRecord();
    return *records_[static_cast<std::size_t>(r)];
}

int MeasurementDataSet::AppendRecord(std::int64_t timeStamp) {
    if (recordCount >= MAX_RECORDS)
        return -1;
    const int r = recordCount;
    // A block left behind by a deletion is reused as it is: its reserved words
    // stay as they were, like the fixed store they stand for.
    record(r).timeStamp = timeStamp;
    ++recordCount;
    return r;
}

bool MeasurementDataSet::RemoveRecord(int k) {
    if (k < 0 || k >= recordCount)
        return false;
    if (k == referenceIndex)
        referenceIndex = -1;
    const int end = std::min(recordCount, allocated());
    if (k < end) {
        // Rotating the block pointers moves every later record down by one
        // without copying spectra; the removed block goes past the end.
        std::rotate(records_.begin() + k, records_.begin() + k + 1, records_.begin() + end);
    }
    --recordCount;
    return true;
}

QString MeasurementDataSet::RecordLabel(int r, int comparisonIndex) const {
    char text[128];
    std::tm local{};
    QString label;
    if (LocalTimeOf(record(r).timeStamp, local) &&
        std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local) > 0) {
        label = QString::fromLatin1(text);
    } else {
        label = QString::fromLatin1(kLabelPlaceholder);
    }
    if (r == referenceIndex) {
        label += QString::fromUtf8(" [基準]");
    } else if (r == comparisonIndex) {
        label += QString::fromUtf8(" [参照]");
    }
    return label;
}

bool LocalTimeOf(std::int64_t timeStamp, std::tm& out) {
    const std::time_t t = static_cast<std::time_t>(timeStamp);
    if (static_cast<std::int64_t>(t) != timeStamp)
        return false;
#ifdef _WIN32
    if (localtime_s(&out, &t) != 0)
        return false;
#else
    if (localtime_r(&t, &out) == nullptr)
        return false;
#endif
    const long long year = 1900LL + out.tm_year;
    return year >= 1000 && year <= 9999;
}
