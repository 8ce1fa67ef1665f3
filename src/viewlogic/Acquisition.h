#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "device/DeviceOperations.h"
#include "viewlogic/MainForm.h"
#include "viewlogic/ViewState.h"

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
// edit 1033. A missing reply shows 0. The reads go through the slot's channel;
// `done` runs when the form shows them (at once for a slot without a port).
void ShowDeviceSettings(DeviceSlot& slot, MainForm& form, SettingsShow when,
                        std::function<void()> done = {});
// What ShowDeviceSettings puts into the form once the reads are back.
void ShowReadSettings(const DeviceSettings& settings, MainForm& form, SettingsShow when);

// Buttons "-" and "+": edit 1005 changed by one step, written back "%5d", and
// the exposure marked for sending.
void StepExposureDown(MainForm& form, ViewState& state);
void StepExposureUp(MainForm& form, ViewState& state);

// What a tick hands to the selected device after its reads: the exposure edit
// when an exposure is pending, the averaging choice when it changed (marked
// sent whether or not the firmware takes it), and for firmware above 1.5 the
// auxiliary edit when it differs from what was sent. The pending flags are
// consumed here.
PendingSettings TakePendingSettings(const DeviceSlot& slot, MainForm& form, ViewState& state);
