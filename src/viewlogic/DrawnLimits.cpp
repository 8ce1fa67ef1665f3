#include "viewlogic/DrawnLimits.h"

#include <cstdint>

#include "device/DeviceLink.h"
#include "viewlogic/DisplayModes.h"
#include "viewlogic/MainForm.h"
#include "viewlogic/ViewState.h"

std::int32_t DerivedRatioMin(std::int32_t ratioMax, std::int32_t graphMin, std::int32_t graphMax) {
    if (graphMax == 0)
        return 0;
    const std::int64_t q = static_cast<std::int64_t>(ratioMax) * graphMin / graphMax;
    if (q > INT32_MAX)
        return INT32_MAX;
    if (q < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(q);
}

void DrawGraph(MainForm& form, ViewState& state, const DeviceLink& link) {
    const ModePainter painter =
        ShownPainter(DisplayModeOf(state.displayMode), link.allSensors(&SensorProfile::nirSensor),
                     link.allSensors(&SensorProfile::uvSensor));
    if (!PaintsWholePanel(painter))
        state.ratioMin = DerivedRatioMin(state.ratioMax, state.graphMin, state.graphMax);
    form.drawGraph(state.currentDevice);
}
