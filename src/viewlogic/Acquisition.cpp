#include "viewlogic/Acquisition.h"

#include <limits>

#include <QCoreApplication>

#include "device/CommandTable.h"
#include "device/DeviceSlot.h"

std::int32_t EditInteger(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit)
            value = limit;  // beyond int32: clamp, never overflow
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

std::int32_t ExposureStepDown(std::int32_t v) {
    std::int32_t step = 10;
    if (v >= 200000)
        step = 100000;
    else if (v >= 20000)
        step = 10000;
    else if (v >= 2000)
        step = 1000;
    else if (v >= 200)
        step = 100;
    if (v < std::numeric_limits<std::int32_t>::min() + step)
        return v;  // no wrap-around
    return v - step;
}

std::int32_t ExposureStepUp(std::int32_t v) {
    std::int32_t step = 100000;
    if (v < 1000)
        step = 100;
    else if (v < 10000)
        step = 1000;
    else if (v < 100000)
        step = 10000;
    if (v > std::numeric_limits<std::int32_t>::max() - step)
        return v;  // no wrap-around
    return v + step;
}

void ShowReadSettings(const DeviceSettings& settings, MainForm& form, SettingsShow when) {
    form.setText(ControlId::ExposureEdit, QString::asprintf("%d", settings.exposure));
    form.setCurrentIndex(ControlId::AveragingCombo, settings.averaging - 1);
    if (when == SettingsShow::Redetect)
        return;
    if (settings.aux)
        form.setText(ControlId::AuxEdit, QString::asprintf("%d", *settings.aux));
    else if (when == SettingsShow::StartUp)
        form.setText(ControlId::AuxEdit, QStringLiteral("0"));
}

void ShowDeviceSettings(DeviceSlot& slot, MainForm& form, SettingsShow when,
                        std::function<void()> done) {
    if (!slot.isOpen()) {
        ShowReadSettings(DeviceSettings{}, form, when);
        if (done)
            done();
        return;
    }
    Ask<DeviceSettings>(
        *slot.channel,
        [version = slot.version, withAux = when != SettingsShow::Redetect](PortAccess& port) {
            return port.transport() ? ReadDeviceSettings(*port.transport(), version, withAux)
                                    : DeviceSettings{};
        },
        [&form, when, done = std::move(done)](DeviceSettings settings) {
            ShowReadSettings(settings, form, when);
            if (done)
                done();
        });
}

namespace {
void StepExposure(MainForm& form, ViewState& state, std::int32_t (*step)(std::int32_t)) {
    const std::int32_t v = step(EditInteger(form.text(ControlId::ExposureEdit)));
    form.setText(ControlId::ExposureEdit, QString::asprintf("%5d", v));
    state.exposurePending = true;
}
}  // namespace

void StepExposureDown(MainForm& form, ViewState& state) {
    StepExposure(form, state, ExposureStepDown);
}

void StepExposureUp(MainForm& form, ViewState& state) {
    StepExposure(form, state, ExposureStepUp);
}

PendingSettings TakePendingSettings(const DeviceSlot& slot, MainForm& form, ViewState& state) {
    PendingSettings settings;
    if (state.exposurePending) {
        settings.exposure = EditInteger(form.text(ControlId::ExposureEdit));
        state.exposurePending = false;
    }
    if (state.averagingChoice != state.averagingSent) {
        settings.averaging = state.averagingChoice;  // the device layer applies the gate
        state.averagingSent = state.averagingChoice;
    }
    if (DeviceTakes(CMD_SET_AUX_SETTING, slot.version)) {
        state.auxValue = EditInteger(form.text(ControlId::AuxEdit));
        if (state.auxValue != state.auxSent) {
            state.auxSent = state.auxValue;
            settings.aux = state.auxValue;
        }
    }
    return settings;
}
