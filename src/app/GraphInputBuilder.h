#pragma once

#include "display/GraphInput.h"

class DeviceLink;
class MeasurementDataSet;
struct ViewState;

// What one drawing of the graph panel reads, gathered from the view state,
// the device link's live values and the document's data set.
GraphInput MakeGraphInput(const ViewState& state, const DeviceLink& link,
                          const MeasurementDataSet& data);
