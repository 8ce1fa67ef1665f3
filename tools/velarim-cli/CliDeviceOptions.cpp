#include "CliDeviceOptions.h"

#include <limits>
#include <memory>

#include "CliLink.h"
#include "setup/ArgOptions.h"

namespace {
// An int32 option, absent left as nullopt.
bool TakeInt32Option(QStringList& args, const QString& name, std::optional<std::int32_t>& value,
                     QString& error) {
    QString text;
    bool present = false;
    for (const QString& a : args)
        present = present || a == name || a.startsWith(name + "=");
    if (!present)
        return true;
    if (!TakeOption(args, name, text, error))
        return false;
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max()) {
        error = QString("%1 takes a whole number, not \"%2\"").arg(name, text);
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}
}  // namespace

bool TakeDeviceOptions(QStringList& args, CliDeviceOptions& options, QString& error) {
    QString led;
    if (!TakeIntOption(args, "--device", options.device, error, 0) ||
        !TakeInt32Option(args, "--exposure-us", options.settings.exposureUs, error) ||
        !TakeInt32Option(args, "--averaging", options.settings.averaging, error) ||
        !TakeInt32Option(args, "--aux", options.settings.aux, error) ||
        !TakeOption(args, "--led", led, error))
        return false;
    options.dark = TakeFlag(args, "--dark");
    if (led == "on" || led == "off") {
        options.led = led == "on";
    } else if (!led.isEmpty()) {
        error = "--led takes on or off, not \"" + led + "\"";
        return false;
    }
    error = CheckSettingsRange(options.settings);
    return error.isEmpty();
}

void ApplyDeviceOptions(DeviceLink& link, const CliDeviceOptions& options,
                        std::function<void(QString failure)> done) {
    auto dark = [&link, options, done](QString failure) {
        if (!failure.isEmpty() || !options.dark) {
            done(failure);
            return;
        }
        RequestDark(link, options.device,
                    [done](DeviceCommandResult result) { done(result.firstFailure()); });
    };
    auto settings = [&link, options, dark](QString failure) {
        if (!failure.isEmpty()) {
            dark(failure);  // passed on as it is
            return;
        }
        ApplyDeviceSettings(link, options.device, options.settings,
                            [dark](DeviceCommandResult result) { dark(result.firstFailure()); });
    };
    if (options.led)
        SetLedUnit(link, *options.led, settings);
    else
        settings({});
}

QString ApplyDeviceOptions(DeviceLink& link, const CliDeviceOptions& options) {
    QString failure;
    WaitFor([&](std::function<void()> done) {
        ApplyDeviceOptions(link, options, [&failure, done](QString f) {
            failure = f;
            done();
        });
    });
    return failure;
}
