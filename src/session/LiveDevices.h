#pragma once

#include <array>

#include "device/DeviceSlot.h"

class DeviceLink;
class MeasurementDataSet;

// Which of the live devices are which of the data set's: records of the live
// devices go into a data set only when every live device has its place there.

// The live devices become the data set's: count, serials, sensor models, grids.
void AdoptLiveDevices(const DeviceLink& link, MeasurementDataSet& data);

// For each of the data set's device slots, the live slot holding that device
// (-1: none), matched by serial and grid; a device whose identity could not be
// read (now or when the data set's device was detected) by its place on the
// same grid. False when a live device has no place in the data set.
bool MapLiveDevices(const DeviceLink& link, const MeasurementDataSet& data,
                    std::array<int, MAX_DEVICES>& liveOf);

// A data set device whose identity could not be read takes that of the live
// device found in its place.
void LearnUnreadIdentities(const DeviceLink& link, MeasurementDataSet& data);
