#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/CmfTable.h"
#include "data/ColourMetrics.h"
#include "data/TrendSeries.h"

// The colour columns of a trend table worked out away from the data set: the
// window copies what they need (each slot's spectra, a plain block copy), works
// them out on another thread while the data set may change, and fills the
// table it made with TrendColourWhen::Later.

struct TrendColourInput {
    struct Slot {
        int device = 0;
        int firstWavelength = 0;  // the device's grid
        int points = 0;           // per record
        // records x points; not zeroed first, every one is written
        std::unique_ptr<float[]> values;
        std::size_t capacity = 0;  // of values, for the next copy to reuse
    };
    int recordCount = 0;
    bool temperature = false;   // a Cct column asks for it
    std::vector<Slot> sources;  // the devices of the table's colour columns that have colour
};

// What the colour columns of table (made from data just now) need. A slot whose
// grid does not span 380..780 nm is left out: its columns stay NaN. The buffers of
// an earlier input are reused where they are large enough: a full data set's
// fresh pages cost several times the copy itself.
TrendColourInput CopyTrendColourInput(const MeasurementDataSet& data, const TrendTable& table,
                                      TrendColourInput&& reuse = {});
std::size_t SpectraOf(const TrendColourInput& input);

// Per slot, per record. False when cancel was set on the way (out is then
// incomplete); done counts the spectra worked out.
using TrendColourValues = std::vector<std::vector<SpectrumColour>>;
bool ComputeTrendColour(const TrendColourInput& input, TrendColourValues& out,
                        const std::atomic<bool>* cancel = nullptr,
                        std::atomic<std::size_t>* done = nullptr);

// Puts the values into the colour columns of the table the input was copied for.
void FillTrendColour(TrendTable& table, const TrendColourInput& input,
                     const TrendColourValues& values);
