#include "api/ApiJson.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <string>

#include <QJsonDocument>
#include <QJsonParseError>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "session/AcquisitionSession.h"

QJsonValue JsonFloat(float v) {
    if (!std::isfinite(v))
        return QJsonValue(QJsonValue::Null);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return QJsonValue(std::strtod(std::string(text, end).c_str(), nullptr));
}

namespace {

QJsonValue JsonInt(const std::optional<std::int32_t>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

bool ParseObject(const QByteArray& body, QJsonObject& into, QString& error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = QStringLiteral("malformed JSON: %1").arg(parse.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("the body must be a JSON object");
        return false;
    }
    into = document.object();
    return true;
}

}  // namespace

bool ParseSettingsBody(const QByteArray& body, DeviceSettingValues& into, QString& error) {
    QJsonObject object;
    if (!ParseObject(body, object, error))
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const DeviceSetting* setting = nullptr;
        for (const DeviceSetting& s : DEVICE_SETTINGS) {
            if (it.key() == QLatin1String(s.key))
                setting = &s;
        }
        if (!setting) {
            error = QStringLiteral("unknown field \"%1\"").arg(it.key().left(64));
            return false;
        }
        const double v = it.value().toDouble(std::nan(""));
        if (!it.value().isDouble() || v != std::floor(v)) {
            error = QStringLiteral("%1 must be a whole number").arg(setting->key);
            return false;
        }
        if (v < setting->min || v > setting->max) {
            error = QStringLiteral("%1 must be within %2..%3")
                        .arg(QLatin1String(setting->key))
                        .arg(setting->min)
                        .arg(setting->max);
            return false;
        }
        into.*setting->value = static_cast<std::int32_t>(v);
    }
    return true;
}

bool ParseLedBody(const QByteArray& body, bool& on, QString& error) {
    QJsonObject object;
    if (!ParseObject(body, object, error))
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != QLatin1String("on")) {
            error = QStringLiteral("unknown field \"%1\"").arg(it.key().left(64));
            return false;
        }
    }
    if (!object.value("on").isBool()) {
        error = QStringLiteral("\"on\" must be true or false");
        return false;
    }
    on = object.value("on").toBool();
    return true;
}

QJsonObject SettingsJson(const DeviceSettingValues& settings) {
    QJsonObject out;
    for (const DeviceSetting& s : DEVICE_SETTINGS)
        out[QLatin1String(s.key)] = JsonInt(settings.*s.value);
    return out;
}

QJsonObject DevicesJson(const AcquisitionSession& session) {
    const DeviceLink& link = session.link();
    QJsonArray devices;
    for (int s = 0; s < link.deviceCount() && s < MAX_DEVICES; ++s) {
        const DeviceSlot& slot = link.slot(s);
        const SpectrumGrid grid = link.profile(s).grid();
        QJsonObject device = SettingsJson(session.knownSettings(s));
        device["slot"] = s;
        device["serial"] = QString::fromLatin1(link.storedIdentity(s).serialText);
        device["sensor_model"] = QString::fromLatin1(link.storedIdentity(s).sensorModel);
        device["firmware"] = QString::fromLatin1(slot.versionText);
        device["link"] = slot.bridged ? QStringLiteral("bridge") : QStringLiteral("direct");
        device["first_wavelength_nm"] = grid.firstWavelength;
        device["point_count"] = grid.pointCount;
        device["answering"] = slot.isOpen() && slot.answering && !session.deviceHeld(s);
        devices.append(device);
    }
    QJsonValue led(QJsonValue::Null);
    const LedUnit& unit = link.led();
    if (unit.present) {
        // The unit reports "NAME ver VERSION".
        const QString label = QString::fromLatin1(unit.label);
        const int ver = label.indexOf(QLatin1String(" ver "));
        QJsonObject o;
        o["name"] = ver < 0 ? label : label.left(ver);
        o["firmware"] = ver < 0 ? QString() : label.mid(ver + 5);
        o["on"] = unit.state != 0;
        o["temperature_C"] = unit.answering ? JsonFloat(unit.temperature) : QJsonValue();
        o["answering"] = unit.answering;
        led = o;
    }
    return QJsonObject{{"devices", devices}, {"led", led}};
}

QJsonObject SpectrumJson(const DeviceReading& d, std::uint64_t seq, double time) {
    QJsonArray wavelengths;
    QJsonArray counts;
    for (int i = 0; i < d.grid.pointCount && i < int(d.values.size()); ++i) {
        wavelengths.append(d.grid.firstWavelength + i);
        counts.append(JsonFloat(d.values[i]));
    }
    QJsonObject out;
    out["slot"] = d.slot;
    out["seq"] = qint64(seq);
    out["time"] = time;
    out["temperature_C"] = JsonFloat(d.temperature);
    out["exposure_us"] = JsonInt(d.settings.exposureUs);
    out["averaging"] = JsonInt(d.settings.averaging);
    out["wavelength_nm"] = wavelengths;
    out["counts"] = counts;
    return out;
}

QJsonObject StreamReadingJson(const ReadingEvent& reading, double time) {
    QJsonArray devices;
    for (const DeviceReading& d : reading.devices) {
        QJsonArray counts;
        if (d.fresh) {
            for (float v : d.values)
                counts.append(JsonFloat(v));
        }
        QJsonObject device;
        device["slot"] = d.slot;
        device["answering"] = d.answering && !d.held;
        // Only this tick's values: a device that gave none has none here.
        device["temperature_C"] = d.fresh ? JsonFloat(d.temperature) : QJsonValue();
        device["counts"] = d.fresh ? QJsonValue(counts) : QJsonValue();
        devices.append(device);
    }
    return QJsonObject{{"seq", qint64(reading.sequence)}, {"time", time}, {"devices", devices}};
}

QString RecordLabelText(std::int64_t timeStamp) {
    std::tm local{};
    if (!LocalTimeOf(timeStamp, local))
        return QString::fromLatin1(kLabelPlaceholder);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local);
    return QString::fromLatin1(text);
}

QJsonObject RecordSummaryJson(const MeasurementDataSet& data, int index) {
    const std::int64_t stamp = data.record(index).timeStamp;
    return QJsonObject{
        {"index", index}, {"time", double(stamp)}, {"label", RecordLabelText(stamp)}};
}

QJsonObject RecordListJson(const MeasurementDataSet& data) {
    QJsonArray records;
    for (int r = 0; r < data.recordCount; ++r)
        records.append(RecordSummaryJson(data, r));
    return QJsonObject{
        {"count", data.recordCount},
        {"reference_index",
         data.referenceIndex >= 0 ? QJsonValue(data.referenceIndex) : QJsonValue(QJsonValue::Null)},
        {"records", records}};
}

QJsonObject RecordJson(const MeasurementDataSet& data, int index) {
    QJsonArray devices;
    for (int d = 0; d < data.deviceCount && d < MAX_DEVICES; ++d) {
        const MeasurementDataSet::Entry& entry = data.entry(d, index);
        const SpectrumGrid grid = data.grid(d);
        QJsonArray counts;
        for (int i = 0; i < grid.pointCount && i < int(MAX_POINTS); ++i)
            counts.append(JsonFloat(entry.values[i]));
        QJsonObject device;
        device["slot"] = d;
        device["serial"] = QString::fromLatin1(data.serialText[d]);
        device["first_wavelength_nm"] = grid.firstWavelength;
        device["temperature_C"] = JsonFloat(entry.temperature);
        device["exposure_us"] = entry.exposure;
        device["counts"] = counts;
        devices.append(device);
    }
    const std::int64_t stamp = data.record(index).timeStamp;
    return QJsonObject{{"index", index}, {"time", double(stamp)}, {"devices", devices}};
}

QJsonObject ErrorJson(const QString& text) {
    return QJsonObject{{"error", text}};
}
