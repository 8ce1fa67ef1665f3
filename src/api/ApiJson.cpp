#include "api/ApiJson.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <string>
#include <type_traits>

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
    double shortest = 0;
    std::from_chars(text, end, shortest);
    return QJsonValue(shortest);
}

QJsonValue JsonInt(const std::optional<std::int32_t>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

namespace {

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
        const WavelengthGrid grid = link.profile(s).grid();
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

namespace {

// JSON text written straight: a tick's message carries thousands of numbers,
// and the document classes spend microseconds on each one.
template <typename Number>
void AppendText(QByteArray& out, Number v) {
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(v)) {
            out.append("null");
            return;
        }
    }
    char text[32];  // the shortest form that reads back the same
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr - text);
}

void AppendText(QByteArray& out, const std::optional<std::int32_t>& v) {
    if (v)
        AppendText(out, std::int64_t(*v));
    else
        out.append("null");
}

void AppendFloats(QByteArray& out, const float* values, int count) {
    out.append('[');
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out.append(',');
        AppendText(out, values[i]);
    }
    out.append(']');
}

}  // namespace

QByteArray SpectrumText(const DeviceReading& d, std::uint64_t seq, double time) {
    const int count = std::min(d.grid.pointCount, int(d.values.size()));
    QByteArray out;
    out.reserve(64 + count * 16);
    out.append("{\"slot\":");
    AppendText(out, std::int64_t(d.slot));
    out.append(",\"seq\":");
    AppendText(out, std::int64_t(seq));
    out.append(",\"time\":");
    AppendText(out, time);
    out.append(",\"temperature_C\":");
    AppendText(out, d.temperature);
    out.append(",\"exposure_us\":");
    AppendText(out, d.settings.exposureUs);
    out.append(",\"averaging\":");
    AppendText(out, d.settings.averaging);
    out.append(",\"wavelength_nm\":[");
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out.append(',');
        AppendText(out, std::int64_t(d.grid.firstWavelength + i));
    }
    out.append("],\"counts\":");
    AppendFloats(out, d.values.data(), count);
    out.append('}');
    return out;
}

QByteArray StreamReadingText(const ReadingEvent& reading, double time) {
    QByteArray out;
    out.reserve(64 + int(reading.devices.size()) * (96 + MAX_POINTS * 10));
    out.append("{\"seq\":");
    AppendText(out, std::int64_t(reading.sequence));
    out.append(",\"time\":");
    AppendText(out, time);
    out.append(",\"devices\":[");
    bool first = true;
    for (const DeviceReading& d : reading.devices) {
        out.append(first ? "{\"slot\":" : ",{\"slot\":");
        first = false;
        AppendText(out, std::int64_t(d.slot));
        out.append(d.answering && !d.held ? ",\"answering\":true" : ",\"answering\":false");
        // Only this tick's values: a device that gave none has none here.
        out.append(",\"temperature_C\":");
        if (d.fresh)
            AppendText(out, d.temperature);
        else
            out.append("null");
        out.append(",\"counts\":");
        if (d.fresh)
            AppendFloats(out, d.values.data(), int(d.values.size()));
        else
            out.append("null");
        out.append('}');
    }
    out.append("]}");
    return out;
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
        const WavelengthGrid grid = data.grid(d);
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
