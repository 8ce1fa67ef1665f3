#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/FixedLimits.h"
#include "device/WavelengthGrid.h"

// The whole of a document's data: records of all devices, the spectrum grid of
// each device, the devices' identity texts and the reference record.
//
// Devices of one sensor kind share one grid, held in pointCount and
// firstWavelength. With kinds mixed each device slot has its own grid (see
// SetDeviceGrids); pointCount then holds the largest point count and
// firstWavelength the smallest first wavelength, and values of device d are
// meaningful only on grid(d).
//
// A record is one time stamp plus, per device slot, a 511-value spectrum with
// temperature, exposure and a reserved word. Records live in blocks that are
// allocated as the data set grows, so an empty data set is small and storing a
// record never moves the records already held.
class MeasurementDataSet {
  public:
    struct Entry {
        std::array<float, MAX_POINTS> values;
        float temperature;
        std::int32_t exposure;
        std::int32_t reserved;
    };
    // Blocks made by record() start zeroed.
    struct Record {
        std::int64_t timeStamp;
        std::array<Entry, MAX_DEVICES> entries;
    };

    std::int32_t recordCount = 0;
    std::int32_t deviceCount = 0;
    std::int32_t pointCount = 511;
    std::int32_t firstWavelength = 340;
    std::int32_t referenceIndex = -1;
    std::array<QByteArray, MAX_DEVICES> serialText;
    std::array<QByteArray, MAX_DEVICES> sensorModel;

    MeasurementDataSet();

    // The grid of device slot d's values.
    WavelengthGrid grid(int d) const;
    // Whether the devices' grids differ (then the set-wide fields are only bounds).
    bool hasMixedGrids() const { return mixedGrids_; }
    // One grid for every device: sets pointCount and firstWavelength.
    void SetGrid(WavelengthGrid grid);
    // Slot k's grid from grids[k] (point counts clamped to MAX_POINTS); slots
    // beyond take the first. Grids that all agree make a data set of one grid.
    void SetDeviceGrids(const std::vector<WavelengthGrid>& grids);
    // The wavelengths any of the first deviceCount devices has a point at, ascending.
    std::vector<std::int32_t> UnionWavelengths() const;
    MeasurementDataSet(MeasurementDataSet&&) noexcept;
    MeasurementDataSet& operator=(MeasurementDataSet&&) noexcept;
    ~MeasurementDataSet();

    // Record r (0 <= r < allocated()); allocates storage up to r when needed.
    Record& record(int r);
    const Record& record(int r) const;
    Entry& entry(int d, int r) { return record(r).entries[d]; }
    const Entry& entry(int d, int r) const { return record(r).entries[d]; }
    int allocated() const { return static_cast<int>(records_.size()); }

    // The storage half of storing a record: a new record at recordCount with
    // the given time stamp; returns its index, or -1 when the data set is full.
    // The caller fills the entries of the first deviceCount slots.
    int AppendRecord(std::int64_t timeStamp);
    // The storage half of deleting record k: later records move down by one
    // and a reference among them moves down with its record; deleting the
    // reference itself clears it. Returns false for k outside 0..recordCount-1.
    bool RemoveRecord(int k);

    // Takes the data set a file reader filled: all of it, except that the
    // slots beyond the file's device count keep the texts held before.
    void AdoptRead(MeasurementDataSet&& read);

    // Data-list text of record r: "%Y%m%d_%H%M%S" in local time, with " [基準]"
    // for the reference, " [参照]" for the comparison record. A time stamp that
    // local time cannot represent gives a visible placeholder instead.
    QString RecordLabel(int r, int comparisonIndex) const;

  private:
    // Record blocks are carved in order from slabs of a few megabytes, zeroed
    // by the system as they are first touched; a block never moves once handed
    // out.
    struct SlabRelease {
        void operator()(std::byte* slab) const noexcept;
    };
    using Slab = std::unique_ptr<std::byte, SlabRelease>;

    std::array<WavelengthGrid, MAX_DEVICES> deviceGrids_{};  // used when mixedGrids_
    bool mixedGrids_ = false;
    std::vector<Record*> records_;  // record r's block; blocks rotate on deletion
    std::vector<Slab> slabs_;
    std::size_t slabRecordsUsed_ = 0;  // blocks handed out of the last slab
};

// A time stamp broken down in local time. False when local time cannot
// represent it (conversion fails, or the year is not written with exactly
// four digits);
// such stamps can only come from a file and are shown as placeholders.
bool LocalTimeOf(std::int64_t timeStamp, std::tm& out);

// Placeholders of the same shape as the formatted texts.
inline constexpr char kLabelPlaceholder[] = "????????_??????";
inline constexpr char kDatePlaceholder[] = "\?\?\?\?/\?\?/\?\?";
inline constexpr char kTimePlaceholder[] = "??:??:??";
