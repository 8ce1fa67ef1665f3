// velarim-cli spectrum: detect as the window does, set the device options
// (each value read back), then take one fresh reading of every spectrometer
// (or of slot K), each on its own grid, and print it: per device a line
// "# SLOT SERIAL MODEL TEMPERATURE_C" and one "WAVELENGTH_NM,VALUE" line per
// point, or with --json one object of all devices.

#include <algorithm>
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
#include "CliSession.h"
#include "api/ApiJson.h"

namespace {

// The first reading of the session's ticks (all taken after the settings
// were applied), of the addressed slots.
std::vector<DeviceReading> ReadDevices(AcquisitionSession& session,
                                       const std::vector<int>& addressed) {
    std::vector<DeviceReading> out;
    const std::uint64_t after = session.lastReadingSequence();
    int id = -1;
    WaitFor([&](std::function<void()> done) {
        id = session.Subscribe([&, done](const SessionEvent& event) {
            const auto* reading = std::get_if<ReadingEvent>(&event);
            if (!reading || reading->sequence <= after || !out.empty())
                return;
            for (const DeviceReading& d : reading->devices) {
                if (std::find(addressed.begin(), addressed.end(), d.slot) != addressed.end())
                    out.push_back(d);
            }
            session.PauseTicks();
            done();
        });
        session.StartTicks();
    });
    session.Unsubscribe(id);
    return out;
}

QByteArray OrDash(const QByteArray& text) {
    return text.isEmpty() ? QByteArray("-") : text;
}

void PrintPlain(const std::vector<DeviceReading>& readings) {
    for (const DeviceReading& d : readings) {
        const QByteArray temperature =
            d.fresh ? QString::asprintf("%.1f", double(d.temperature)).toLatin1()
                    : QByteArray("nan");
        std::printf("# %d %s %s %s\n", d.slot, OrDash(d.serial).constData(),
                    OrDash(d.sensorModel).constData(), temperature.constData());
        for (int i = 0; d.fresh && i < d.grid.pointCount && i < int(d.values.size()); ++i)
            std::printf("%d,%.1f\n", d.grid.firstWavelength + i, double(d.values[i]));
    }
}

void PrintJson(const std::vector<DeviceReading>& readings) {
    QJsonArray devices;
    for (const DeviceReading& d : readings) {
        QJsonArray wavelengths;
        QJsonArray counts;
        for (int i = 0; i < d.grid.pointCount; ++i) {
            wavelengths.append(d.grid.firstWavelength + i);
            if (d.fresh && i < int(d.values.size()))
                counts.append(JsonFloat(d.values[i]));
        }
        QJsonObject device;
        device["slot"] = d.slot;
        device["serial"] = QString::fromLatin1(d.serial);
        device["sensor_model"] = QString::fromLatin1(d.sensorModel);
        device["first_wavelength_nm"] = d.grid.firstWavelength;
        device["wavelength_nm"] = wavelengths;
        device["counts"] = d.fresh ? QJsonValue(counts) : QJsonValue(QJsonValue::Null);
        // The temperature to 0.1 degC, as the files and the plain form give it.
        device["temperature_C"] = d.fresh ? QJsonValue(std::round(double(d.temperature) * 10) / 10)
                                          : QJsonValue(QJsonValue::Null);
        // What the device reported back, or was read to have at detection; a
        // device that gave nothing now delivers nothing.
        const std::optional<std::int32_t> none;
        device["exposure_us"] = JsonInt(d.fresh ? d.settings.exposureUs : none);
        device["averaging"] = JsonInt(d.fresh ? d.settings.averaging : none);
        device["answering"] = d.fresh;
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
        return Fail(UnexpectedArgument("spectrum", context.args.first()));

    CliSession cli;
    if (!OpenCliSession(context, cli, error, options.led.has_value()))
        return Fail(error);
    const std::vector<int> addressed = CommandSlots(*cli.link, options.device, error);
    if (addressed.empty())
        return Fail(error);
    const QString failure = ApplyDeviceOptions(*cli.session, options);
    if (!failure.isEmpty())
        return Fail(failure);

    // The ticks start only now: every reading is taken after the settings.
    const std::vector<DeviceReading> readings = ReadDevices(*cli.session, addressed);
    if (json)
        PrintJson(readings);
    else
        PrintPlain(readings);
    if (std::fflush(stdout) != 0)
        return Fail(
            CliText(QT_TRANSLATE_NOOP("velarim-cli", "spectrum: 標準出力に書けませんでした")));
    for (const DeviceReading& d : readings) {
        if (!d.fresh)
            return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                                  "スロット %1 の装置からスペクトルを読めません"))
                            .arg(d.slot));
    }
    return 0;
}

CliCommandRegistrar reg("spectrum",
                        "spectrum [--json] [--device K] [--exposure-us N] [--averaging N] "
                        "[--aux N] [--led on|off] [--dark]",
                        Spectrum);
}  // namespace
