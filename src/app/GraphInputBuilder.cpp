#include "app/GraphInputBuilder.h"

#include <algorithm>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "viewlogic/ViewState.h"

GraphInput MakeGraphInput(const ViewState& state, const DeviceLink& link,
                          const MeasurementDataSet& data) {
    GraphInput in;
    in.mode = state.displayMode;
    in.pointCount = data.pointCount;
    in.firstWavelength = data.firstWavelength;
    // The flags of a sensor kind that all live devices share.
    const int live = std::clamp(link.deviceCount(), 0, MAX_DEVICES);
    in.nirSensor = link.allSensors(&SensorProfile::nirSensor);
    in.uvSensor = link.allSensors(&SensorProfile::uvSensor);
    // Live: the devices attached now; stored: the data set's devices.
    in.deviceCount = state.monitoring ? live : std::clamp(data.deviceCount, 0, MAX_DEVICES);
    in.currentDevice = state.currentDevice;
    in.monitoring = state.monitoring;
    for (int d = 0; d < live; ++d) {
        const DeviceSlot& slot = link.slot(d);
        in.liveGrids[d] = slot.profile.grid();
        in.liveSpectra[d] = std::span<const float>(slot.spectrum);
        in.liveTemperatures[d] = slot.temperature;
        in.liveStale[d] = !slot.answering;
        if (state.monitoring)
            in.serials[d] = slot.serialText;
    }
    if (!state.monitoring)
        for (int d = 0; d < in.deviceCount; ++d)
            in.serials[d] = data.serialText[d];
    in.dataSet = &data;
    in.selectedRecord = state.selectedRecord;
    in.referenceIndex = data.referenceIndex;
    in.comparisonIndex = state.comparisonIndex;
    in.ledPresent = link.led().present;
    in.ledTemperature = link.led().temperature;
    in.limits.graphMax = state.graphMax;
    in.limits.graphMin = state.graphMin;
    in.limits.ratioMax = state.ratioMax;
    in.limits.ratioMin = state.ratioMin;
    in.limits.absorptionMax = state.absorptionMax;
    in.limits.absorptionMin = state.absorptionMin;
    return in;
}
