#include "viewlogic/DeviceSettingsEdits.h"

#include <algorithm>
#include <limits>

#include <QCoreApplication>

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

namespace {
std::optional<std::int32_t> WholeNumberIn(const QString& text, std::int32_t low,
                                          std::int32_t high) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qint64 value = digits.toLongLong();
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}
}  // namespace

std::optional<std::int32_t> ParseExposureUs(const QString& text) {
    return WholeNumberIn(text, kMinExposureUs, kMaxExposureUs);
}

std::optional<std::int32_t> ParseAveraging(const QString& text) {
    return WholeNumberIn(text, kMinAveraging, kMaxAveraging);
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
    if (v < kMinExposureUs + step)
        return kMinExposureUs;
    return std::min(v - step, kMaxExposureUs);
}

std::int32_t ExposureStepUp(std::int32_t v) {
    std::int32_t step = 100000;
    if (v < 1000)
        step = 100;
    else if (v < 10000)
        step = 1000;
    else if (v < 100000)
        step = 10000;
    if (v > kMaxExposureUs - step)
        return kMaxExposureUs;
    return std::max(v + step, kMinExposureUs);
}

void ShowReadSettings(const DeviceSettings& settings, MainForm& form, SettingsShow when) {
    form.setText(ControlId::ExposureEdit, QString::asprintf("%d", settings.exposure));
    ClearSettingsNotice(form);  // the edit shows what the device has
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
QString AveragingRefusal() {
    return QCoreApplication::translate("MainView", AVERAGING_REFUSED)
        .arg(kMinAveraging)
        .arg(kMaxAveraging);
}
}  // namespace

void RefuseExposure(MainForm& form) {
    form.setText(ControlId::SettingsNotice,
                 QCoreApplication::translate("MainView", EXPOSURE_REFUSED)
                     .arg(kMinExposureUs)
                     .arg(kMaxExposureUs));
}

void ClearSettingsNotice(MainForm& form) {
    form.setText(ControlId::SettingsNotice, QString());
}

std::optional<std::int32_t> TakeExposureEdit(MainForm& form) {
    const std::optional<std::int32_t> v = ParseExposureUs(form.text(ControlId::ExposureEdit));
    if (!v)
        RefuseExposure(form);
    else
        ClearSettingsNotice(form);
    return v;
}

bool TakeAveragingChoice(int index, MainForm& form, ViewState& state) {
    if (index < 0)
        return false;  // no selection
    if (index >= kMaxAveraging) {
        form.setText(ControlId::SettingsNotice, AveragingRefusal());
        return false;
    }
    state.averagingChoice = index + 1;
    if (form.text(ControlId::SettingsNotice) == AveragingRefusal())
        ClearSettingsNotice(form);  // an exposure refusal stays while the edit holds it
    return true;
}

namespace {
std::optional<std::int32_t> StepExposure(MainForm& form, std::int32_t (*step)(std::int32_t)) {
    const std::optional<std::int32_t> v = ParseExposureUs(form.text(ControlId::ExposureEdit));
    if (!v) {
        RefuseExposure(form);
        return std::nullopt;
    }
    const std::int32_t stepped = step(*v);
    form.setText(ControlId::ExposureEdit, QString::asprintf("%5d", stepped));
    ClearSettingsNotice(form);
    return stepped;
}
}  // namespace

std::optional<std::int32_t> StepExposureDown(MainForm& form) {
    return StepExposure(form, ExposureStepDown);
}

std::optional<std::int32_t> StepExposureUp(MainForm& form) {
    return StepExposure(form, ExposureStepUp);
}
