#include "session/DeviceSettingsCommand.h"

#include <memory>

#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Gather.h"

bool DeviceCommandResult::ok() const {
    return firstFailure().isEmpty();
}

QString DeviceCommandResult::firstFailure() const {
    if (!refused.isEmpty())
        return refused;
    for (const DeviceCommandOutcome& d : devices) {
        if (!d.ok())
            return d.failure;
    }
    return {};
}

namespace {
QString DeviceName(const DeviceLink& link, int slot) {
    return QString("device in slot %1 (%2)")
        .arg(slot)
        .arg(QString::fromLatin1(link.slot(slot).serialText));
}

QString FirmwareName(const DeviceLink& link, int slot) {
    return QString("device in slot %1 (firmware %2)")
        .arg(slot)
        .arg(QString::fromLatin1(link.slot(slot).versionText));
}

// The outcome of one device from what it sent back.
DeviceCommandOutcome Judge(const DeviceLink& link, int slot, const DeviceSettingsRequest& asked,
                           const SettingsReadBack& back) {
    DeviceCommandOutcome o;
    o.slot = slot;
    o.exposureUs = back.reported.exposure;
    o.averaging = back.reported.averaging;
    o.aux = back.reported.aux;
    o.answered = back.acknowledged && (!asked.exposureUs || o.exposureUs) &&
                 (!asked.averaging || o.averaging) && (!asked.aux || o.aux);
    if (!o.answered) {
        o.failure = DeviceName(link, slot) + " does not answer the settings";
        return o;
    }
    const auto differs = [&](const char* what, const std::optional<std::int32_t>& wanted,
                             const std::optional<std::int32_t>& got, const char* unit) {
        if (!o.failure.isEmpty() || !wanted || *got == *wanted)
            return;
        o.failure = QString("%1 reports %2 %3%4, not %5%4")
                        .arg(DeviceName(link, slot), what)
                        .arg(*got)
                        .arg(unit)
                        .arg(*wanted);
    };
    differs("exposure", asked.exposureUs, o.exposureUs, " us");
    differs("averaging", asked.averaging, o.averaging, "");
    differs("auxiliary setting", asked.aux, o.aux, "");
    return o;
}

// Runs `work(slot)` on every addressed slot's channel at once and hands the
// outcomes, in slot order, to `done` when the last is back.
template <class Reply, class WorkFor, class JudgeFn>
void OnEverySlot(DeviceLink& link, const std::vector<int>& addressed, WorkFor workFor,
                 JudgeFn judge, std::function<void(DeviceCommandResult)> done) {
    auto result = std::make_shared<DeviceCommandResult>();
    result->devices.resize(addressed.size());
    auto all = Gather::Make([result, done = std::move(done)] { done(std::move(*result)); });
    for (std::size_t i = 0; i < addressed.size(); ++i) {
        const int slot = addressed[i];
        Ask<Reply>(*link.slot(slot).channel, workFor(link.slot(slot)),
                   [result, i, slot, judge, finished = all->Add()](Reply reply) {
                       result->devices[i] = judge(slot, reply);
                       finished();
                   });
    }
    all->Release();
}
}  // namespace

std::vector<int> CommandSlots(const DeviceLink& link, int target, QString& error) {
    std::vector<int> addressed;
    if (target == ALL_SPECTROMETERS) {
        for (int s = 0; s < link.deviceCount() && s < MAX_DEVICES; ++s) {
            if (link.slot(s).isOpen())
                addressed.push_back(s);
        }
        if (addressed.empty())
            error = QStringLiteral("no spectrometer found");
        return addressed;
    }
    if (target < 0 || target >= link.deviceCount() || target >= MAX_DEVICES ||
        !link.slot(target).isOpen()) {
        error = QString("no device in slot %1").arg(target);
        return addressed;
    }
    addressed.push_back(target);
    return addressed;
}

QString CheckSettingsRange(const DeviceSettingsRequest& request) {
    const auto& e = request.exposureUs;
    if (e && (*e < kMinExposureUs || *e > kMaxExposureUs))
        return QString("exposure %1 us is outside %2..%3 us")
            .arg(*e)
            .arg(kMinExposureUs)
            .arg(kMaxExposureUs);
    const auto& a = request.averaging;
    if (a && (*a < kMinAveraging || *a > kMaxAveraging))
        return QString("averaging %1 is outside %2..%3")
            .arg(*a)
            .arg(kMinAveraging)
            .arg(kMaxAveraging);
    return {};
}

QString CheckDeviceSettings(const DeviceLink& link, int target,
                            const DeviceSettingsRequest& request) {
    const QString range = CheckSettingsRange(request);
    if (!range.isEmpty())
        return range;
    const auto& a = request.averaging;
    QString error;
    for (const int slot : CommandSlots(link, target, error)) {
        const float version = link.slot(slot).version;
        if (a && !DeviceTakes(CMD_SET_AVERAGING, version))
            return FirmwareName(link, slot) + " takes no averaging";
        if (request.aux && !DeviceTakes(CMD_SET_AUX_SETTING, version))
            return FirmwareName(link, slot) + " takes no auxiliary setting";
    }
    return error;
}

void ApplyDeviceSettings(DeviceLink& link, int target, const DeviceSettingsRequest& request,
                         std::function<void(DeviceCommandResult)> done) {
    DeviceCommandResult refused;
    refused.refused = CheckDeviceSettings(link, target, request);
    QString error;
    const std::vector<int> addressed = CommandSlots(link, target, error);
    if (!refused.refused.isEmpty() || request.empty()) {
        for (const int slot : addressed) {
            if (refused.refused.isEmpty()) {
                DeviceCommandOutcome nothingAsked;
                nothingAsked.slot = slot;
                refused.devices.push_back(nothingAsked);
            }
        }
        done(std::move(refused));
        return;
    }
    const PendingSettings settings{request.exposureUs, request.averaging, request.aux};
    OnEverySlot<SettingsReadBack>(
        link, addressed,
        [settings](const DeviceSlot& slot) {
            return [settings, version = slot.version](PortAccess& port) {
                if (!port.transport())
                    return SettingsReadBack{false, {}};
                return SendSettingsAndReadBack(*port.transport(), version, settings);
            };
        },
        [&link, request](int slot, const SettingsReadBack& back) {
            return Judge(link, slot, request, back);
        },
        std::move(done));
}

void RequestDark(DeviceLink& link, int target, std::function<void(DeviceCommandResult)> done) {
    DeviceCommandResult refused;
    const std::vector<int> addressed = CommandSlots(link, target, refused.refused);
    for (const int slot : addressed) {
        if (refused.refused.isEmpty() && !DeviceTakes(CMD_STORE_DARK, link.slot(slot).version))
            refused.refused = FirmwareName(link, slot) + " takes no dark";
    }
    if (!refused.refused.isEmpty()) {
        done(std::move(refused));
        return;
    }
    OnEverySlot<DarkOutcome>(
        link, addressed,
        [](const DeviceSlot& slot) {
            return [version = slot.version](PortAccess& port) {
                return port.transport() ? StoreDarkAcknowledged(*port.transport(), version)
                                        : DarkOutcome::NoReply;
            };
        },
        [&link](int slot, DarkOutcome outcome) {
            DeviceCommandOutcome o;
            o.slot = slot;
            o.answered = outcome == DarkOutcome::Acknowledged;
            if (!o.answered)
                o.failure = DeviceName(link, slot) + " does not answer the dark request";
            return o;
        },
        std::move(done));
}

void SetLedUnit(DeviceLink& link, bool on, std::function<void(QString failure)> done) {
    LedUnit& led = link.led();
    if (!led.present || !led.channel) {
        done(QStringLiteral("no LED unit found"));
        return;
    }
    const std::int32_t state = on ? 1 : 0;
    led.state = state;  // the ticks re-send it from now on
    Ask<std::optional<std::int32_t>>(
        *led.channel,
        [state](PortAccess& port) {
            return port.transport() ? SendLedStateAndReadBack(*port.transport(), state)
                                    : std::optional<std::int32_t>();
        },
        [state, done = std::move(done)](std::optional<std::int32_t> reported) {
            if (!reported)
                done(QStringLiteral("the LED unit does not answer"));
            else if (*reported != state)
                done(QString("the LED unit reports state %1, not %2").arg(*reported).arg(state));
            else
                done({});
        });
}
