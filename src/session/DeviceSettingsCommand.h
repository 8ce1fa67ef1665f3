#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "device/DeviceSettingTable.h"

class DeviceLink;

// Device settings as typed commands, for every face of the program alike (the
// window, the command line, scripts): no form, no control, no text to parse.
// A command goes to one spectrometer slot or to all of them, through each
// slot's channel (all ports at once), and reports per device what the device
// said. The caller runs it between the monitoring ticks (as an operation of
// the view's queue when a view is running); `done` runs once on the caller's
// thread when every device has answered or failed.

// Every open spectrometer slot.
inline constexpr int ALL_SPECTROMETERS = -1;

// One spectrometer's answer to a command: what it reported back for the
// values sent (nullopt: not asked, or no reply), and why it failed (empty when
// it took everything).
struct DeviceCommandOutcome {
    int slot = 0;
    bool answered = true;  // every acknowledgement and read-back came
    DeviceSettingValues reported;
    QString failure;
    bool ok() const { return failure.isEmpty(); }
};

struct DeviceCommandResult {
    QString refused;                            // the command was refused before anything was sent
    std::vector<DeviceCommandOutcome> devices;  // in slot order
    bool ok() const;
    // The refusal or the first device's failure: one line for the user.
    QString firstFailure() const;
};

// The slots a command to `target` addresses, in order; empty with the reason
// when there is no spectrometer there ("no device in slot K", "no
// spectrometer found").
std::vector<int> CommandSlots(const DeviceLink& link, int target, QString& error);

// Why the values cannot be set on any device (empty: they can): an exposure
// or averaging count outside the device's ranges (kMinExposureUs..kMaxExposureUs,
// kMinAveraging..kMaxAveraging of device/DeviceOperations.h). Needs no device, so a caller can
// refuse before it opens a port.
QString CheckSettingsRange(const DeviceSettingValues& request);

// Why the request cannot go to `target` (empty: it can): a value out of range,
// averaging to firmware below 1.5, an auxiliary setting to firmware 1.5 or
// below, no device there.
QString CheckDeviceSettings(const DeviceLink& link, int target, const DeviceSettingValues& request);

// Checks the request, then sends each present value to every addressed device
// (exposure, averaging, auxiliary setting) and reads each back. A value read
// back other than the one sent, or a missing reply, fails that device.
void ApplyDeviceSettings(DeviceLink& link, int target, const DeviceSettingValues& request,
                         std::function<void(DeviceCommandResult)> done);

// The dark taken by every addressed device at its present exposure
// (CMD_STORE_DARK). Refused when a device's firmware is below 1.5; a missing
// acknowledgement fails that device.
void RequestDark(DeviceLink& link, int target, std::function<void(DeviceCommandResult)> done);

// The LED unit on or off: the state the monitoring tick re-sends from now on,
// sent at once and read back. `done(failure)`: empty when the unit reported
// the new state; a unit that is not there or does not answer is named.
void SetLedUnit(DeviceLink& link, bool on, std::function<void(QString failure)> done);
