#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "data/CmfTable.h"
#include "data/ColourMetrics.h"
#include "data/TrendSeries.h"

// The colour columns of a trend table worked out away from the data set: the
// window copies what they need (each slot's spectra over 380..824 nm), works
// them out on another thread while the data set may change, and fills the
// table it made with TrendColourWhen::Later.

struct TrendColourInput {
    struct Slot {
        int device = 0;
        int firstWavelength = 0;         // of each copied spectrum's first point
        int points = 0;                  // per record
        std::vector<float> values;       // records x points
        std::vector<std::uint8_t> none;  // per record: the spectrum held NaN
    };
    int recordCount = 0;
    bool temperature = false;   // a Cct column asks for it
    std::vector<Slot> sources;  // the devices of the table's colour columns that have colour
};

// What the colour columns of table (made from data just now) need. A slot whose
// grid does not span 380..780 nm is left out: its columns stay NaN.
TrendColourInput CopyTrendColourInput(const MeasurementDataSet& data, const TrendTable& table);
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
