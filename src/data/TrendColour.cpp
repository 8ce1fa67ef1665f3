#include "data/TrendColour.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// How often a running computation looks at its cancel flag: about a millisecond of work.
constexpr int kCancelStride = 256;

bool IsColourQuantity(TrendQuantity q) {
    switch (q) {
        case TrendQuantity::X:
        case TrendQuantity::Y:
        case TrendQuantity::UPrime:
        case TrendQuantity::VPrime:
        case TrendQuantity::Cct:
            return true;
        default:
            return false;
    }
}

// The trend's rule: a spectrum holding NaN (a slot that did not answer) has no colour.
bool HasNaN(const float* v, int n) {
    bool nan = false;
    for (int i = 0; i < n; ++i)
        nan |= v[i] != v[i];
    return nan;
}

double ValueOf(const SpectrumColour& c, TrendQuantity q) {
    switch (q) {
        case TrendQuantity::X:
            return c.x;
        case TrendQuantity::Y:
            return c.y;
        case TrendQuantity::UPrime:
            return c.uPrime;
        case TrendQuantity::VPrime:
            return c.vPrime;
        default:
            return c.cctK;
    }
}

}  // namespace

TrendColourInput CopyTrendColourInput(const MeasurementDataSet& data, const TrendTable& table,
                                      TrendColourInput&& reuse) {
    TrendColourInput in;
    in.recordCount = std::min(table.recordCount(), data.recordCount);
    std::vector<int> devices;
    for (const TrendColumn& c : table.columns) {
        if (!IsColourQuantity(c.quantity))
            continue;
        in.temperature = in.temperature || c.quantity == TrendQuantity::Cct;
        if (std::find(devices.begin(), devices.end(), c.device) == devices.end())
            devices.push_back(c.device);
    }
    for (int d : devices) {
        WavelengthGrid grid = data.grid(d);
        grid.pointCount = std::clamp<std::int32_t>(grid.pointCount, 0, MAX_POINTS);
        if (!GridSpansColour(grid.pointCount, grid.firstWavelength))
            continue;
        TrendColourInput::Slot slot;
        const std::size_t k = in.sources.size();
        if (k < reuse.sources.size())
            slot = std::move(reuse.sources[k]);
        slot.device = d;
        slot.firstWavelength = grid.firstWavelength;
        slot.points = grid.pointCount;
        const std::size_t points = static_cast<std::size_t>(slot.points);
        const std::size_t size = static_cast<std::size_t>(in.recordCount) * points;
        if (slot.capacity < size) {
            slot.values = std::make_unique_for_overwrite<float[]>(size);
            slot.capacity = size;
        }
        // A block copy only: the NaN check and everything else on the other thread.
        for (int r = 0; r < in.recordCount; ++r)
            std::memcpy(slot.values.get() + r * points, data.entry(d, r).values.data(),
                        points * sizeof(float));
        in.sources.push_back(std::move(slot));
    }
    return in;
}

std::size_t SpectraOf(const TrendColourInput& input) {
    return input.sources.size() * static_cast<std::size_t>(input.recordCount);
}

bool ComputeTrendColour(const TrendColourInput& input, TrendColourValues& out,
                        const std::atomic<bool>* cancel, std::atomic<std::size_t>* done) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    out.assign(input.sources.size(), {});
    std::size_t unreported = 0;
    for (std::size_t k = 0; k < input.sources.size(); ++k) {
        const TrendColourInput::Slot& slot = input.sources[k];
        std::vector<SpectrumColour>& values = out[k];
        values.reserve(static_cast<std::size_t>(input.recordCount));
        for (int r = 0; r < input.recordCount; ++r) {
            if (++unreported == kCancelStride) {
                if (cancel && cancel->load(std::memory_order_relaxed))
                    return false;
                if (done)
                    done->fetch_add(unreported, std::memory_order_relaxed);
                unreported = 0;
            }
            const float* v = slot.values.get() + static_cast<std::ptrdiff_t>(r) * slot.points;
            if (HasNaN(v, slot.points)) {
                values.push_back({nan, nan, nan, nan, nan, nan});
                continue;
            }
            const std::span<const float> s(v, static_cast<std::size_t>(slot.points));
            values.push_back(
                ColourOfSpectrum(s, slot.points, slot.firstWavelength, input.temperature));
        }
    }
    if (done)
        done->fetch_add(unreported, std::memory_order_relaxed);
    return true;
}

void FillTrendColour(TrendTable& table, const TrendColourInput& input,
                     const TrendColourValues& values) {
    for (TrendColumn& c : table.columns) {
        if (!IsColourQuantity(c.quantity))
            continue;
        for (std::size_t k = 0; k < input.sources.size() && k < values.size(); ++k) {
            if (input.sources[k].device != c.device)
                continue;
            const std::size_t n = std::min(c.values.size(), values[k].size());
            for (std::size_t r = 0; r < n; ++r)
                c.values[r] = ValueOf(values[k][r], c.quantity);
        }
    }
}
