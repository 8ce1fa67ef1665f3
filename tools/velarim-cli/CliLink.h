#pragma once

#include <memory>

#include <QString>

#include "CliCommand.h"
#include "device/DeviceLink.h"
#include "device/PortProvider.h"

// The ports of a command and the link over them, set up as the window does at
// start: spectrometers detected, their stored identities read, the sensor
// profile chosen from them.
struct CliLink {
    std::unique_ptr<PortProvider> ports;
    std::unique_ptr<DeviceLink> link;
    int count = 0;  // spectrometers found
};

// With withLed the LED unit is found and connected too (after the identities,
// before the profile, in the window's order). False with a message when the
// port options cannot give ports.
bool OpenCliLink(CliContext& context, CliLink& into, QString& error, bool withLed = false);

// The slot of a detected spectrometer, or nullptr with "no device in slot K".
DeviceSlot* CliDeviceSlot(CliLink& cli, int device, QString& error);
