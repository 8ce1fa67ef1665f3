// velarim-cli spectrum: detect as the window does, set the device options
// (each value read back), then take one fresh reading of every spectrometer
// (or of slot K), each on its own grid, and print it: per device a line
// "# SLOT SERIAL MODEL TEMPERATURE_C" and one "WAVELENGTH_NM,VALUE" line per
// point, or with --json one object of all devices.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliDeviceOptions.h"
#include "CliLink.h"
#include "device/DeviceOperations.h"
#include "device/Gather.h"

namespace {

// One device's reading, and what it reported of its settings afterwards.
struct Reading {
    LiveReading live;
    ReportedSettings settings;
};

struct DeviceReading {
    int slot = 0;
    QByteArray serial;
    QByteArray model;
    SpectrumGrid grid;
    Reading reading;
};

// Every addressed device's reading, all ports at once.
std::vector<DeviceReading> ReadDevices(DeviceLink& link, const std::vector<int>& addressed) {
    std::vector<DeviceReading> out(addressed.size());
    WaitFor([&](std::function<void()> done) {
        auto all = Gather::Make(done);
        for (std::size_t i = 0; i < addressed.size(); ++i) {
            const int s = addressed[i];
            const DeviceSlot& slot = link.slot(s);
            DeviceReading& r = out[i];
            r.slot = s;
            r.serial = link.storedIdentity(s).serialText;
            r.model = link.storedIdentity(s).sensorModel;
            r.grid = link.profile(s).grid();
            Ask<Reading>(
                *slot.channel,
                [bridged = slot.bridged, version = slot.version,
                 points = r.grid.pointCount](PortAccess& port) {
                    Reading reading;
                    if (!port.transport())
                        return reading;
                    reading.live = ReadLiveData(*port.transport(), bridged, points);
                    reading.settings = ReadReportedSettings(*port.transport(), version, false);
                    return reading;
                },
                [&r, finished = all->Add()](Reading reading) {
                    r.reading = std::move(reading);
                    finished();
                });
        }
        all->Release();
    });
    return out;
}

QByteArray OrDash(const QByteArray& text) {
    return text.isEmpty() ? QByteArray("-") : text;
}

void PrintPlain(const std::vector<DeviceReading>& readings) {
    for (const DeviceReading& d : readings) {
        const LiveReading& live = d.reading.live;
        const QByteArray temperature =
            live.temperatureRead ? QString::asprintf("%.1f", double(live.temperature)).toLatin1()
                                 : QByteArray("nan");
        std::printf("# %d %s %s %s\n", d.slot, OrDash(d.serial).constData(),
                    OrDash(d.model).constData(), temperature.constData());
        for (int i = 0; live.spectrumRead && i < d.grid.pointCount; ++i)
            std::printf("%d,%.1f\n", d.grid.firstWavelength + i, double(live.spectrum[i]));
    }
}

// A float as JSON: its shortest decimal form (25.2, not 25.200000762939453),
// null when it is not a number.
QJsonValue JsonFloat(float v) {
    if (!std::isfinite(v))
        return QJsonValue(QJsonValue::Null);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return QJsonValue(std::strtod(std::string(text, end).c_str(), nullptr));
}

QJsonValue JsonInt(const std::optional<std::int32_t>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

void PrintJson(const std::vector<DeviceReading>& readings) {
    QJsonArray devices;
    for (const DeviceReading& d : readings) {
        const LiveReading& live = d.reading.live;
        QJsonArray wavelengths;
        QJsonArray counts;
        for (int i = 0; i < d.grid.pointCount; ++i) {
            wavelengths.append(d.grid.firstWavelength + i);
            if (live.spectrumRead)
                counts.append(JsonFloat(live.spectrum[i]));
        }
        QJsonObject device;
        device["slot"] = d.slot;
        device["serial"] = QString::fromLatin1(d.serial);
        device["sensor_model"] = QString::fromLatin1(d.model);
        device["first_wavelength_nm"] = d.grid.firstWavelength;
        device["wavelength_nm"] = wavelengths;
        device["counts"] = live.spectrumRead ? QJsonValue(counts) : QJsonValue(QJsonValue::Null);
        // The temperature to 0.1 degC, as the files and the plain form give it.
        device["temperature_C"] = live.temperatureRead
                                      ? QJsonValue(std::round(double(live.temperature) * 10) / 10)
                                      : QJsonValue(QJsonValue::Null);
        device["exposure_us"] = JsonInt(d.reading.settings.exposure);
        device["averaging"] = JsonInt(d.reading.settings.averaging);
        device["answering"] = live.spectrumRead;
        devices.append(device);
    }
    const QByteArray text =
        QJsonDocument(QJsonObject{{"devices", devices}}).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    std::fputc('\n', stdout);
}

int Spectrum(CliContext& context) {
    QString error;
    CliDeviceOptions options;
    const bool json = TakeFlag(context.args, "--json");
    if (!TakeDeviceOptions(context.args, options, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail("spectrum: unexpected argument \"" + context.args.first() + "\"");

    CliLink cli;
    if (!OpenCliLink(context, cli, error, options.led.has_value()))
        return Fail(error);
    DeviceLink& link = *cli.link;
    const std::vector<int> addressed = CommandSlots(link, options.device, error);
    if (addressed.empty())
        return Fail(error);
    const QString failure = ApplyDeviceOptions(link, options);
    if (!failure.isEmpty())
        return Fail(failure);

    // Read only now: every reading is taken after the settings were taken.
    const std::vector<DeviceReading> readings = ReadDevices(link, addressed);
    if (json)
        PrintJson(readings);
    else
        PrintPlain(readings);
    if (std::fflush(stdout) != 0)
        return Fail("spectrum: writing to standard output failed");
    for (const DeviceReading& d : readings) {
        if (!d.reading.live.spectrumRead)
            return Fail(QString("no spectrum from the device in slot %1").arg(d.slot));
    }
    return 0;
}

CliCommandRegistrar reg("spectrum",
                        "spectrum [--json] [--device K] [--exposure-us N] [--averaging N] "
                        "[--aux N] [--led on|off] [--dark]",
                        Spectrum);
}  // namespace
