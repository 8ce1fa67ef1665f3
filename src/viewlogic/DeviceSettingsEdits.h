#pragma once

// The device settings as the form's edits show and take them: typed exposure
// and averaging checked against what a device takes, the "-" / "+" exposure
// ladders, and the selected device's settings shown.

#include <cstdint>
#include <functional>
#include <optional>

#include <QString>

#include "device/DeviceOperations.h"
#include "viewlogic/MainForm.h"
#include "viewlogic/ViewState.h"

// Integer of an edit's text as the C library's decimal conversion reads it:
// leading blanks, an optional sign, then digits; text that is not a number
// gives 0. Values beyond int32 are clamped instead of overflowing.
std::int32_t EditInteger(const QString& text);

// What a device can take, as typed: a whole number after blanks are trimmed
// (digits only, no sign, point or exponent), from kMinExposureUs to
// kMaxExposureUs microseconds, or from kMinAveraging to kMaxAveraging scans.
// nullopt for anything else: "12.5", "1e5", "", "abc", "0", "1000001".
std::optional<std::int32_t> ParseExposureUs(const QString& text);
std::optional<std::int32_t> ParseAveraging(const QString& text);

// What the label beside the exposure edit says when a value is refused
// (arguments: the smallest and the largest value).
inline const char* const EXPOSURE_REFUSED =
    QT_TRANSLATE_NOOP("MainView", "%1〜%2 µs の整数を入力してください");
inline const char* const AVERAGING_REFUSED =
    QT_TRANSLATE_NOOP("MainView", "平均回数は %1〜%2 から選んでください");

// Captions of the acquisition button.
inline const char* const CAPTION_ACQUIRE = QT_TRANSLATE_NOOP("MainView", "データ取得");
inline const char* const CAPTION_STOP = QT_TRANSLATE_NOOP("MainView", "取得停止");
inline const char* const CAPTION_RESUME = QT_TRANSLATE_NOOP("MainView", "モニター再開");

// The exposure ladders of the "-" and "+" buttons (the two ladders change step
// at different values); the result stays within kMinExposureUs..kMaxExposureUs.
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

// Buttons "-" and "+": edit 1005 changed by one step and written back "%5d";
// the exposure to send. An edit the device could not take is refused instead
// (RefuseExposure) and left as it is: nothing to send.
std::optional<std::int32_t> StepExposureDown(MainForm& form);
std::optional<std::int32_t> StepExposureUp(MainForm& form);
// Button "更新" (and Enter in the edit): the edit's exposure to send when it
// holds one the device can take, else refused.
std::optional<std::int32_t> TakeExposureEdit(MainForm& form);
// Averaging combo item `index` (count index + 1) chosen; a count out of range
// is refused. True when taken.
bool TakeAveragingChoice(int index, MainForm& form, ViewState& state);

// The label beside the exposure edit: the refusal of the edit's text; cleared
// once a value is taken.
void RefuseExposure(MainForm& form);
void ClearSettingsNotice(MainForm& form);
