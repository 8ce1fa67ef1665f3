#include "CliDeviceOptions.h"

#include <limits>
#include <memory>

#include "CliLink.h"
#include "session/AcquisitionSession.h"
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
        error = CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                          "%1 には整数を指定してください (\"%2\" は不可)"))
                    .arg(name, text);
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}
}  // namespace

bool TakeDeviceOptions(QStringList& args, CliDeviceOptions& options, QString& error) {
    QString led;
    if (!TakeIntOption(args, "--device", options.device, error, 0))
        return false;
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        if (!TakeInt32Option(args, QLatin1String(setting.option), options.settings.*setting.value,
                             error))
            return false;
    }
    if (!TakeOption(args, "--led", led, error))
        return false;
    options.dark = TakeFlag(args, "--dark");
    if (led == "on" || led == "off") {
        options.led = led == "on";
    } else if (!led.isEmpty()) {
        error =
            CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                      "--led には on か off を指定してください (\"%1\" は不可)"))
                .arg(led);
        return false;
    }
    error = CheckSettingsRange(options.settings);
    return error.isEmpty();
}

namespace {
// One step of the chain as an operation of the session (between its ticks).
void Step(AcquisitionSession& session,
          std::function<void(std::function<void(QString)> report)> work,
          std::function<void(QString)> next) {
    session.operations().Run(
        [work = std::move(work), next = std::move(next)](OperationQueue::Finished finished) {
            work([finished, next](QString failure) {
                finished();
                next(failure);
            });
        });
}
}  // namespace

QString ApplyDeviceOptions(AcquisitionSession& session, const CliDeviceOptions& options) {
    DeviceLink& link = session.link();
    auto run = [&](std::function<void(std::function<void(QString)>)> work) {
        QString failure;
        WaitFor([&](std::function<void()> done) {
            Step(session, std::move(work), [&failure, done](QString f) {
                failure = f;
                done();
            });
        });
        return failure;
    };
    QString failure;
    if (options.led)
        failure = run([&](auto report) { SetLedUnit(link, *options.led, report); });
    if (failure.isEmpty()) {  // also checks the slot asked for
        WaitFor([&](std::function<void()> done) {
            session.ApplySettings(options.device, options.settings,
                                  [&failure, done](DeviceCommandResult result) {
                                      failure = result.firstFailure();
                                      done();
                                  });
        });
    }
    if (failure.isEmpty() && options.dark)
        failure = run([&](auto report) {
            RequestDark(link, options.device,
                        [report](DeviceCommandResult result) { report(result.firstFailure()); });
        });
    return failure;
}
