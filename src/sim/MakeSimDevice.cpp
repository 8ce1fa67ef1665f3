#include "sim/MakeSimDevice.h"

#include "sim/SimLedUnit.h"
#include "sim/SimSpectrometer.h"

std::shared_ptr<SimDevice> MakeSimDevice(SimWorld& world, const SimDeviceSpec& deviceSpec,
                                         int spectrometerIndex) {
    if (deviceSpec.isLed())
        return std::make_shared<SimLedUnit>(world, deviceSpec);
    return std::make_shared<SimSpectrometer>(world, deviceSpec, spectrometerIndex);
}
