#include "data/TrendColour.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kColourFromNm = CmfTable::kFirstWavelength + CmfTable::kFirstUsed;  // 380
constexpr int kColourToNm = CmfTable::kFirstWavelength + CmfTable::kLastUsed;     // 824
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

TrendColourInput CopyTrendColourInput(const MeasurementDataSet& data, const TrendTable& table) {
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
        SpectrumGrid grid = data.grid(d);
        grid.pointCount = std::clamp<std::int32_t>(grid.pointCount, 0, MAX_POINTS);
        if (!GridSpansColour(grid.pointCount, grid.firstWavelength))
            continue;
        // Only the points the sums read: from 380 nm (the grid starts at or below it).
        const int from = kColourFromNm - grid.firstWavelength;
        const int to = std::min(grid.pointCount - 1, kColourToNm - grid.firstWavelength);
        TrendColourInput::Slot slot;
        slot.device = d;
        slot.firstWavelength = kColourFromNm;
        slot.points = to - from + 1;
        slot.values.resize(static_cast<std::size_t>(in.recordCount) * slot.points);
        slot.none.resize(static_cast<std::size_t>(in.recordCount));
        for (int r = 0; r < in.recordCount; ++r) {
            const auto& v = data.entry(d, r).values;
            const auto end = v.begin() + grid.pointCount;
            slot.none[r] = std::any_of(v.begin(), end, [](float f) { return std::isnan(f); });
            std::copy(v.begin() + from, v.begin() + to + 1,
                      slot.values.begin() + static_cast<std::ptrdiff_t>(r) * slot.points);
        }
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
            if (slot.none[r]) {
                values.push_back({nan, nan, nan, nan, nan, nan});
                continue;
            }
            const std::span<const float> s(
                slot.values.data() + static_cast<std::ptrdiff_t>(r) * slot.points,
                static_cast<std::size_t>(slot.points));
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
