#pragma once

#include <memory>

#include "sim/SimDevice.h"
#include "sim/SimDeviceSpec.h"
#include "sim/SimWorld.h"

// Makes the device a description asks for; `spectrometerIndex` counts spectrometers from 0.
std::shared_ptr<SimDevice> MakeSimDevice(SimWorld& world, const SimDeviceSpec& deviceSpec,
                                         int spectrometerIndex);
