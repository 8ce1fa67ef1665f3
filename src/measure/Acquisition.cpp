#include "measure/Acquisition.h"

#include <limits>

#include <QCoreApplication>

#include "device/CommandTable.h"
#include "device/DeviceLink.h"
#include "device/DeviceSlot.h"
#include "device/Exchange.h"

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

void ShowDeviceSettings(DeviceSlot& slot, MainForm& form, SettingsShow when) {
    std::int32_t exposure = 0;
    std::int32_t averaging = 0;
    if (slot.isOpen())
        ReadInt32(*slot.handle, CMD_GET_EXPOSURE, exposure);
    form.setText(ControlId::ExposureEdit, QString::asprintf("%d", exposure));
    if (slot.isOpen())
        ReadInt32(*slot.handle, CMD_GET_AVERAGING, averaging);
    form.setCurrentIndex(ControlId::AveragingCombo, averaging - 1);
    if (when == SettingsShow::Redetect)
        return;
    if (VersionAbove15(slot)) {
        std::int32_t aux = 0;
        if (slot.isOpen())
            ReadInt32(*slot.handle, CMD_GET_AUX_SETTING, aux);
        form.setText(ControlId::AuxEdit, QString::asprintf("%d", aux));
    } else if (when == SettingsShow::StartUp) {
        form.setText(ControlId::AuxEdit, QStringLiteral("0"));
    }
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

void ReadLiveData(DeviceLink& link, int deviceCount, int pointCount) {
    for (int d = 0; d < deviceCount && d < MAX_DEVICES; ++d) {
        DeviceSlot& slot = link.slot(d);
        if (!slot.isOpen())
            continue;
        ReadSpectrum(slot, pointCount);
        ReadFloat(*slot.handle, CMD_GET_TEMPERATURE, slot.temperature);
    }
    LedUnit& led = link.led();
    if (led.present && led.handle) {
        ReadFloat(*led.handle, LED_GET_TEMPERATURE, led.temperature);
        SendSetting(*led.handle, LED_SET_STATE, led.state);
    }
}

void ApplyPendingSettings(DeviceSlot& slot, MainForm& form, ViewState& state) {
    if (state.exposurePending) {
        const std::int32_t exposure = EditInteger(form.text(ControlId::ExposureEdit));
        if (slot.isOpen())
            SendSetting(*slot.handle, CMD_SET_EXPOSURE, exposure);
        state.exposurePending = false;
    }
    if (state.averagingChoice != state.averagingSent) {
        if (VersionAtLeast15(slot) && slot.isOpen())
            SendSetting(*slot.handle, CMD_SET_AVERAGING, state.averagingChoice);
        state.averagingSent = state.averagingChoice;
    }
    if (VersionAbove15(slot)) {
        state.auxValue = EditInteger(form.text(ControlId::AuxEdit));
        if (state.auxValue != state.auxSent) {
            state.auxSent = state.auxValue;
            if (slot.isOpen())
                SendSetting(*slot.handle, CMD_SET_AUX_SETTING, state.auxValue);
        }
    }
}

void PerformDarkRequest(DeviceSlot& slot, MainForm& form, ViewState& state) {
    if (!state.darkPending)
        return;
    if (VersionAtLeast15(slot) && slot.isOpen())
        SendStoreDark(*slot.handle);
    state.darkPending = false;
    form.message(QCoreApplication::translate("MainView", "終了しました"), false);
}

void WakeDevice(DeviceSlot& slot) {
    if (!slot.isOpen())
        return;
    std::int32_t ignored = 0;
    ReadInt32(*slot.handle, CMD_GET_DEVICE_TYPE, ignored);
}
