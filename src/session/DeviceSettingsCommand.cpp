#include "session/DeviceSettingsCommand.h"

#include <memory>

#include <QCoreApplication>

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
// Messages of the commands, in the user's language.
QString Tr(const char* text) {
    return QCoreApplication::translate("DeviceSettings", text);
}

QString DeviceName(const DeviceLink& link, int slot) {
    return Tr(QT_TRANSLATE_NOOP("DeviceSettings", "スロット %1 の装置 (%2)"))
        .arg(slot)
        .arg(QString::fromLatin1(link.slot(slot).serialText));
}

QString FirmwareName(const DeviceLink& link, int slot) {
    return Tr(QT_TRANSLATE_NOOP("DeviceSettings", "スロット %1 の装置 (ファームウェア %2)"))
        .arg(slot)
        .arg(QString::fromLatin1(link.slot(slot).versionText));
}

QString TakesNo(const DeviceLink& link, int slot, const char* what) {
    return Tr(QT_TRANSLATE_NOOP("DeviceSettings", "%1 は%2を受け付けません"))
        .arg(FirmwareName(link, slot), Tr(what));
}

// The outcome of one device from what it sent back.
DeviceCommandOutcome Judge(const DeviceLink& link, int slot, const DeviceSettingValues& asked,
                           const SettingsReadBack& back) {
    DeviceCommandOutcome o;
    o.slot = slot;
    o.reported = back.reported;
    o.answered = back.acknowledged;
    for (const DeviceSetting& setting : DEVICE_SETTINGS)
        o.answered = o.answered && (!(asked.*setting.value) || o.reported.*setting.value);
    if (!o.answered) {
        o.failure = Tr(QT_TRANSLATE_NOOP("DeviceSettings", "%1 が設定に応答しません"))
                        .arg(DeviceName(link, slot));
        return o;
    }
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        const std::optional<std::int32_t>& wanted = asked.*setting.value;
        const std::optional<std::int32_t>& got = o.reported.*setting.value;
        if (!wanted || *got == *wanted)
            continue;
        o.failure =
            Tr(QT_TRANSLATE_NOOP("DeviceSettings", "%1 の%2は %3%4 です (%5%4 ではありません)"))
                .arg(DeviceName(link, slot), Tr(setting.name))
                .arg(*got)
                .arg(QLatin1String(setting.unit))
                .arg(*wanted);
        break;
    }
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
            error = Tr(QT_TRANSLATE_NOOP("DeviceSettings", "分光器が見つかりません"));
        return addressed;
    }
    if (target < 0 || target >= link.deviceCount() || target >= MAX_DEVICES ||
        !link.slot(target).isOpen()) {
        error =
            Tr(QT_TRANSLATE_NOOP("DeviceSettings", "スロット %1 に装置がありません")).arg(target);
        return addressed;
    }
    addressed.push_back(target);
    return addressed;
}

QString CheckSettingsRange(const DeviceSettingValues& request) {
    for (const DeviceSetting& setting : DEVICE_SETTINGS) {
        const std::optional<std::int32_t>& v = request.*setting.value;
        if (v && (*v < setting.min || *v > setting.max))
            return Tr(QT_TRANSLATE_NOOP("DeviceSettings", "%1 %2%3 は %4〜%5%3 の範囲外です"))
                .arg(Tr(setting.name))
                .arg(*v)
                .arg(QLatin1String(setting.unit))
                .arg(setting.min)
                .arg(setting.max);
    }
    return {};
}

QString CheckDeviceSettings(const DeviceLink& link, int target,
                            const DeviceSettingValues& request) {
    const QString range = CheckSettingsRange(request);
    if (!range.isEmpty())
        return range;
    QString error;
    for (const int slot : CommandSlots(link, target, error)) {
        for (const DeviceSetting& setting : DEVICE_SETTINGS) {
            if (request.*setting.value && !DeviceTakes(setting.set, link.slot(slot).version))
                return TakesNo(link, slot, setting.name);
        }
    }
    return error;
}

void ApplyDeviceSettings(DeviceLink& link, int target, const DeviceSettingValues& request,
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
    const DeviceSettingValues settings = request;
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
            refused.refused = TakesNo(link, slot, QT_TRANSLATE_NOOP("DeviceSettings", "ダーク"));
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
                o.failure = Tr(QT_TRANSLATE_NOOP("DeviceSettings", "%1 がダーク設定に応答しません"))
                                .arg(DeviceName(link, slot));
            return o;
        },
        std::move(done));
}

void SetLedUnit(DeviceLink& link, bool on, std::function<void(QString failure)> done) {
    LedUnit& led = link.led();
    if (!led.present || !led.channel) {
        done(Tr(QT_TRANSLATE_NOOP("DeviceSettings", "LED ユニットが見つかりません")));
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
                done(Tr(QT_TRANSLATE_NOOP("DeviceSettings", "LED ユニットが応答しません")));
            else if (*reported != state)
                done(Tr(QT_TRANSLATE_NOOP("DeviceSettings",
                                          "LED ユニットの状態は %1 です (%2 ではありません)"))
                         .arg(*reported)
                         .arg(state));
            else
                done({});
        });
}
