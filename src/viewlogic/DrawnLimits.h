#pragma once

#include <cstdint>

class DeviceLink;
class MainForm;
struct ViewState;

// ratioMin follows the counts axis: floor(ratioMax * graphMin / graphMax) in
// integer arithmetic (truncating, 64-bit). A graphMax of 0 gives 0.
std::int32_t DerivedRatioMin(std::int32_t ratioMax, std::int32_t graphMin, std::int32_t graphMax);

// Derives what the spectrum graph shows from the other limits (ratioMin; the
// chromaticity diagram leaves it as it is), then has the form draw the graph
// of the current device. The painter only reads the view state.
void DrawGraph(MainForm& form, ViewState& state, const DeviceLink& link);
