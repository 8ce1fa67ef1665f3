#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "data/MeasurementDataSet.h"
#include "device/DeviceSlot.h"
#include "viewlogic/ViewState.h"

// The six axis limits the main view holds (whole numbers).
struct AxisLimits {
    std::int32_t graphMax = 65535;
    std::int32_t graphMin = 0;
    std::int32_t ratioMax = 120;
    std::int32_t ratioMin = 0;  // derived by every drawing; the graph returns the new value
    std::int32_t absorptionMax = 5;
    std::int32_t absorptionMin = 0;
};

// Everything one drawing of the graph panel reads. The graph owns none of it.
struct GraphInput {
    int mode = DISPLAY_LINE;  // a value of DISPLAY_MODES (viewlogic/DisplayModes.h)
    // The set-wide grid (from the data set): N points from W0. The wavelength axis spans the
    // grids of the devices shown; a device without a grid of its own is on this one.
    int pointCount = 511;       // N
    int firstWavelength = 340;  // W0
    bool nirSensor = false;
    bool uvSensor = false;
    int deviceCount = 0;     // D, 0..MAX_DEVICES
    int currentDevice = 0;   // the selected device
    bool monitoring = true;  // live display (slot spectra) or stored display (selectedRecord)

    // Live display: each slot's latest spectrum (on liveGrids[d]) and temperature.
    // An empty span, or one shorter than the device's grid, draws no curve for that device.
    std::array<std::span<const float>, MAX_DEVICES> liveSpectra{};
    // Each live device's own grid; none given: the set-wide grid.
    std::array<std::optional<WavelengthGrid>, MAX_DEVICES> liveGrids{};
    std::array<float, MAX_DEVICES> liveTemperatures{};
    // Devices not answering: their last curve is drawn grey and dashed, and
    // their peak label says so instead of a number.
    std::array<bool, MAX_DEVICES> liveStale{};
    // Each device's serial, first in its peak label (live: the slot's; stored: the data set's).
    std::array<QByteArray, MAX_DEVICES> serials{};

    // Stored display and the reference/comparison curves, each on the data set's grid of its
    // device (dataSet->grid(d)). A null data set, or an index outside 0..recordCount-1, draws
    // the affected curves not at all.
    const MeasurementDataSet* dataSet = nullptr;
    int selectedRecord = -1;
    int referenceIndex = -1;  // normally dataSet->referenceIndex
    int comparisonIndex = -1;

    bool ledPresent = false;
    float ledTemperature = 0.0f;

    AxisLimits limits;
};
