#pragma once

// A spectrum and the grid that gives each of its points a wavelength.

#include <array>
#include <cstdint>

#include "device/FixedLimits.h"

using SpectrumBuffer = std::array<float, MAX_POINTS>;

// A spectrum grid: point i at firstWavelength + i nm.
struct WavelengthGrid {
    std::int32_t firstWavelength = 340;
    std::int32_t pointCount = 511;

    std::int32_t lastWavelength() const { return firstWavelength + pointCount - 1; }
    // Whether the grid has a point at nm.
    bool holds(long long nm) const {
        return pointCount > 0 && nm >= firstWavelength && nm <= lastWavelength();
    }
    // Index of the point at nm, -1 when the grid has none there.
    int indexOf(long long nm) const { return holds(nm) ? int(nm - firstWavelength) : -1; }
    friend bool operator==(const WavelengthGrid&, const WavelengthGrid&) = default;
};
