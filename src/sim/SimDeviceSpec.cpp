#include "sim/SimDeviceSpec.h"

#include <QStringList>

namespace {

bool ParseKind(const QString& text, SimKind& kind) {
    if (text == "vis") {
        kind = SimKind::Vis;
    } else if (text == "nir") {
        kind = SimKind::Nir;
    } else if (text == "uv") {
        kind = SimKind::Uv;
    } else if (text == "led") {
        kind = SimKind::Led;
    } else {
        return false;
    }
    return true;
}

QByteArray DefaultModel(SimKind kind) {
    switch (kind) {
        case SimKind::Nir:
            return "K52817QX-03";
        case SimKind::Uv:
            return "K60293QX";
        default:
            return "VIS-S10";
    }
}

bool ParseCount(const QString& text, int max, int& value) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > max || text.startsWith('+'))
        return false;
    value = v;
    return true;
}

bool ParseFault(const QString& text, SimFault& fault) {
    if (text == "silent") {
        fault.kind = SimFault::Kind::Silent;
    } else if (text == "short") {
        fault.kind = SimFault::Kind::Short;
    } else if (text == "garble") {
        fault.kind = SimFault::Kind::Garble;
    } else if (text.startsWith("unplug@")) {
        fault.kind = SimFault::Kind::UnplugAfter;
        return ParseCount(text.mid(7), 1000000000, fault.exchanges);
    } else {
        return false;
    }
    return true;
}

// Text option that must fit its reply field.
bool TakeText(const QString& value, int fieldBytes, QByteArray& out) {
    const QByteArray bytes = value.toLatin1();
    if (bytes.size() > fieldBytes || value.toLatin1() != value.toUtf8())
        return false;
    out = bytes;
    return true;
}

// One device: KIND[:key=value]... `number` counts devices from 1 for messages.
bool ParseOne(const QString& text, int number, int spectrometerNumber, SimDeviceSpec& deviceSpec,
              QString& error) {
    const QString where = QString("device %1 (\"%2\")").arg(number).arg(text);
    const QStringList parts = text.split(':');
    if (parts.first().isEmpty()) {
        error = "empty device kind in " + where;
        return false;
    }
    if (!ParseKind(parts.first(), deviceSpec.kind)) {
        error =
            QString("unknown kind \"%1\" in %2 (vis, nir, uv or led)").arg(parts.first(), where);
        return false;
    }
    const bool led = deviceSpec.isLed();
    deviceSpec.firmware = led ? "1.0" : "1.6";
    deviceSpec.model = DefaultModel(deviceSpec.kind);
    if (led)
        deviceSpec.name = "Velarim LED";
    if (!led)
        deviceSpec.serial = "S" + QByteArray::number(10000 + spectrometerNumber);
    bool recordsGiven = false;
    QStringList seen;
    for (int i = 1; i < parts.size(); ++i) {
        const QString& option = parts[i];
        const int eq = option.indexOf('=');
        const QString key = eq < 0 ? option : option.left(eq);
        const QString value = eq < 0 ? QString() : option.mid(eq + 1);
        const QString bad = QString("bad option \"%1\" in %2").arg(option, where);
        if (eq < 0) {
            error = bad + ": expected key=value";
            return false;
        }
        if (seen.contains(key)) {
            error = QString("option \"%1\" given twice in %2").arg(key, where);
            return false;
        }
        seen << key;
        bool ok = true;
        if (key == "fw") {
            ok = TakeText(value, 16, deviceSpec.firmware);
        } else if (key == "fault") {
            ok = ParseFault(value, deviceSpec.fault);
        } else if (key == "baud") {
            ok = ParseCount(value, 100000000, deviceSpec.wire.baud) && deviceSpec.wire.baud > 0;
        } else if (key == "latency_us") {
            ok = ParseCount(value, 10000000, deviceSpec.wire.latencyUs);
        } else if (led && key == "name") {
            ok = TakeText(value, 32, deviceSpec.name);
        } else if (!led && key == "serial") {
            ok = TakeText(value, 16, deviceSpec.serial);
        } else if (!led && key == "model") {
            ok = TakeText(value, 16, deviceSpec.model);
        } else if (!led && key == "link") {
            ok = value == "direct" || value == "bridge";
            deviceSpec.bridged = value == "bridge";
        } else if (!led && key == "lx") {
            ok = value == "0" || value == "1";
            deviceSpec.lx = value == "1";
        } else if (!led && key == "records") {
            ok = ParseCount(value, 100000, deviceSpec.records);
            recordsGiven = true;
        } else {
            error = QString("bad option \"%1\" in %2: %3 takes %4")
                        .arg(option, where, parts.first(),
                             led ? "name=, fw=, fault=, baud=, latency_us="
                                 : "serial=, fw=, link=, lx=, records=, model=, fault=, baud=, "
                                   "latency_us=");
            return false;
        }
        if (!ok) {
            error = bad + ": bad value";
            return false;
        }
    }
    if (recordsGiven && !deviceSpec.lx) {
        error = "records= needs lx=1 in " + where;
        return false;
    }
    return true;
}

}  // namespace

std::uint16_t SimDeviceSpec::vendorId() const {
    return bridged && !isLed() ? 0x1A86 : 0x3D7E;
}

std::uint16_t SimDeviceSpec::productId() const {
    if (isLed())
        return 0x0B20;
    return bridged ? 0x7523 : 0x0825;
}

bool ParseDeviceSpecs(const QString& text, std::vector<SimDeviceSpec>& deviceSpecs,
                      QString& error) {
    deviceSpecs.clear();
    if (text.isEmpty()) {
        error = "no simulated devices given";
        return false;
    }
    const QStringList devices = text.split(',');
    int spectrometers = 0;
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].isEmpty()) {
            error = QString("empty device %1 in \"%2\"").arg(i + 1).arg(text);
            deviceSpecs.clear();
            return false;
        }
        SimDeviceSpec deviceSpec;
        const bool led = devices[i].section(':', 0, 0) == "led";
        if (!ParseOne(devices[i], i + 1, led ? 0 : spectrometers + 1, deviceSpec, error)) {
            deviceSpecs.clear();
            return false;
        }
        if (!deviceSpec.isLed())
            ++spectrometers;
        deviceSpecs.push_back(deviceSpec);
    }
    return true;
}
