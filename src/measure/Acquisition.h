#pragma once

#include <cstdint>

#include <QString>

#include "measure/MainForm.h"
#include "measure/ViewState.h"

class DeviceLink;
struct DeviceSlot;

// Integer of an edit's text as the C library's decimal conversion reads it:
// leading blanks, an optional sign, then digits; text that is not a number
// gives 0. Values beyond int32 are clamped instead of overflowing.
std::int32_t EditInteger(const QString& text);

// The exposure ladders of the "-" and "+" buttons (no bounds; the two ladders
// change step at different values).
std::int32_t ExposureStepDown(std::int32_t v);
std::int32_t ExposureStepUp(std::int32_t v);

// When a device's settings are shown: at start-up (the auxiliary edit gets "0"
// when the device has none), on a selection in the device list (the edit is
// then left as it was), and after a re-detect (no auxiliary read at all).
enum class SettingsShow { StartUp, Selection, Redetect };

// Exposure into edit 1005 ("%d"), averaging count v as combo 1015 item v - 1
// (no selection for 0), and for firmware above 1.5 the auxiliary setting into
// edit 1033. A missing reply shows 0.
void ShowDeviceSettings(DeviceSlot& slot, MainForm& form, SettingsShow when);

// Buttons "-" and "+": edit 1005 changed by one step, written back "%5d", and
// the exposure marked for sending.
void StepExposureDown(MainForm& form, ViewState& state);
void StepExposureUp(MainForm& form, ViewState& state);

// The reads of one tick: spectrum then temperature of slots 0..deviceCount-1,
// then the LED unit's temperature and its state (sent every tick). Slots
// without an open port are skipped and keep their values.
void ReadLiveData(DeviceLink& link, int deviceCount, int pointCount);

// Exposure, averaging and auxiliary setting to the selected device, each when
// pending, within the device's firmware gates.
void ApplyPendingSettings(DeviceSlot& slot, MainForm& form, ViewState& state);

// The dark setting when requested: sent with firmware 1.5 or above; the request
// is cleared before "終了しました" is shown, so a tick inside the message box
// does not repeat it.
void PerformDarkRequest(DeviceSlot& slot, MainForm& form, ViewState& state);

// Wakes the selected device on resume (device type asked, reply not used).
void WakeDevice(DeviceSlot& slot);
