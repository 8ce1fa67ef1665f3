#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "device/DeviceSettingTable.h"
#include "session/SessionEvents.h"

class AcquisitionSession;
class MeasurementDataSet;

// The API's JSON, both ways. Bodies from clients are hostile: every parser
// gives back a one-line reason instead of a value it is unsure of.

// A float as JSON: its shortest decimal form, null when it is not a number.
QJsonValue JsonFloat(float v);
// A setting as JSON: null when unknown.
QJsonValue JsonInt(const std::optional<std::int32_t>& v);

// {"exposure_us", "averaging", "aux"}, any of them, whole numbers within the
// device's ranges; anything else (another key, a fraction, text) is refused.
bool ParseSettingsBody(const QByteArray& body, DeviceSettingValues& into, QString& error);

// {"on": true|false}.
bool ParseLedBody(const QByteArray& body, bool& on, QString& error);

// The settings as {"exposure_us", "averaging", "aux"} (null where unknown).
QJsonObject SettingsJson(const DeviceSettingValues& settings);

// GET /devices: every spectrometer and the LED unit.
QJsonObject DevicesJson(const AcquisitionSession& session);

// One device's reading as GET .../spectrum gives it, as JSON text.
QByteArray SpectrumText(const DeviceReading& device, std::uint64_t seq, double time);

// One stream message for a tick, as JSON text.
QByteArray StreamReadingText(const ReadingEvent& reading, double time);

// The record list's text of a time stamp: "%Y%m%d_%H%M%S" in local time.
QString RecordLabelText(std::int64_t timeStamp);

QJsonObject RecordListJson(const MeasurementDataSet& data);
QJsonObject RecordSummaryJson(const MeasurementDataSet& data, int index);
QJsonObject RecordJson(const MeasurementDataSet& data, int index);

// {"error": text}
QJsonObject ErrorJson(const QString& text);
