#include "data/MeasurementDataSet.h"

#include <algorithm>
#include <type_traits>

#include "data/SlabMemory.h"

namespace {
using Record = MeasurementDataSet::Record;

constexpr std::size_t kSlabBytes = std::size_t{8} << 20;
constexpr std::size_t kRecordsPerSlab = kSlabBytes / sizeof(Record);
static_assert(alignof(Record) <= 4096 && std::is_trivially_default_constructible_v<Record>);

// A zeroed slab of kSlabBytes.
std::byte* AllocateSlab() {
    return AllocateZeroedSlab(kSlabBytes);
}

// What a const reader sees of a record that was never allocated.
const Record& EmptyRecord() {
    static const Record empty{};
    return empty;
}
}  // namespace

void MeasurementDataSet::SlabRelease::operator()(std::byte* slab) const noexcept {
    ReleaseSlab(slab, kSlabBytes);
}

MeasurementDataSet::MeasurementDataSet() {
    // Only the table of block pointers is reserved (80 kB); slabs come as records do.
    records_.reserve(MAX_RECORDS);
}

WavelengthGrid MeasurementDataSet::grid(int d) const {
    if (mixedGrids_ && d >= 0 && d < MAX_DEVICES)
        return deviceGrids_[static_cast<std::size_t>(d)];
    return {firstWavelength, pointCount};
}

void MeasurementDataSet::SetGrid(WavelengthGrid grid) {
    mixedGrids_ = false;
    firstWavelength = grid.firstWavelength;
    pointCount = grid.pointCount;
}

void MeasurementDataSet::SetDeviceGrids(const std::vector<WavelengthGrid>& grids) {
    if (grids.empty())
        return;
    std::array<WavelengthGrid, MAX_DEVICES> all{};
    for (std::size_t k = 0; k < all.size(); ++k) {
        WavelengthGrid g = k < grids.size() ? grids[k] : grids.front();
        g.pointCount = std::clamp<std::int32_t>(g.pointCount, 0, MAX_POINTS);
        all[k] = g;
    }
    const std::size_t used = std::min<std::size_t>(grids.size(), MAX_DEVICES);
    const bool mixed = std::any_of(all.begin(), all.begin() + used,
                                   [&](const WavelengthGrid& g) { return !(g == all[0]); });
    if (!mixed) {
        SetGrid(all[0]);
        return;
    }
    mixedGrids_ = true;
    deviceGrids_ = all;
    firstWavelength = all[0].firstWavelength;
    pointCount = 0;
    for (std::size_t k = 0; k < used; ++k) {
        firstWavelength = std::min(firstWavelength, all[k].firstWavelength);
        pointCount = std::max(pointCount, all[k].pointCount);
    }
}

std::vector<std::int32_t> MeasurementDataSet::UnionWavelengths() const {
    std::vector<std::int32_t> nm;
    const int devices = std::clamp(deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < std::max(devices, 1); ++d) {
        const WavelengthGrid g = grid(d);
        for (std::int32_t i = 0; i < std::clamp<std::int32_t>(g.pointCount, 0, MAX_POINTS); ++i)
            nm.push_back(g.firstWavelength + i);
        if (!mixedGrids_)
            break;
    }
    std::sort(nm.begin(), nm.end());
    nm.erase(std::unique(nm.begin(), nm.end()), nm.end());
    return nm;
}

MeasurementDataSet::MeasurementDataSet(MeasurementDataSet&&) noexcept = default;
MeasurementDataSet& MeasurementDataSet::operator=(MeasurementDataSet&&) noexcept = default;
MeasurementDataSet::~MeasurementDataSet() = default;

Record& MeasurementDataSet::record(int r) {
    while (allocated() <= r) {
        if (slabs_.empty() || slabRecordsUsed_ == kRecordsPerSlab) {
            slabs_.emplace_back(AllocateSlab());
            slabRecordsUsed_ = 0;
        }
        std::byte* place = slabs_.back().get() + slabRecordsUsed_ * sizeof(Record);
        ++slabRecordsUsed_;
        // Default-initialising a trivial type keeps the slab's zeros.
        records_.push_back(::new (static_cast<void*>(place)) Record);
    }
    return *records_[static_cast<std::size_t>(r)];
}

const Record& MeasurementDataSet::record(int r) const {
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
    else if (k < referenceIndex)
        --referenceIndex;  // the reference stays on the record it was set on
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

void MeasurementDataSet::AdoptRead(MeasurementDataSet&& read) {
    for (int d = std::max(read.deviceCount, 0); d < MAX_DEVICES; ++d) {
        read.serialText[static_cast<std::size_t>(d)] = serialText[static_cast<std::size_t>(d)];
        read.sensorModel[static_cast<std::size_t>(d)] = sensorModel[static_cast<std::size_t>(d)];
    }
    *this = std::move(read);
}
