#include "viewlogic/LedMonitor.h"

#include <algorithm>
#include <limits>

#include <QCoreApplication>

#include "device/Clock.h"
#include "device/DeviceSlot.h"
#include "viewlogic/PlanScheduler.h"
#include "viewlogic/SettingsStore.h"

LedMonitor::LedMonitor(SettingsStore& settings, Clock& clock, LedMonitorSources sources)
    : settings_(settings),
      clock_(clock),
      sources_(std::move(sources)),
      wave1_(settings.readInt("LED", "wave1", 400)),
      wave2_(settings.readInt("LED", "wave2", 450)),
      monitor_(settings.readInt("LED", "monitor", 1)) {}

LedMonitor::~LedMonitor() {
    settings_.writeInt("LED", "wave1", wave1_);
    settings_.writeInt("LED", "wave2", wave2_);
    settings_.writeInt("LED", "monitor", monitor_);
}

bool LedMonitor::ledOn() const {
    return sources_.led.state != 0;
}

void LedMonitor::ApplyEnabling() {
    controls_.wavesEnabled = !ledOn();
}

void LedMonitor::ShowState() {
    controls_.buttonText = ledOn() ? QStringLiteral("LED ON") : QStringLiteral("LED OFF");
}

int LedMonitor::Initialise() {
    controls_.wave1Text = QString::number(wave1_);
    controls_.wave2Text = QString::number(wave2_);
    controls_.monitorChecked = monitor_ != 0;
    ApplyEnabling();
    nextMark_ = clock_.tickMs() + LED_TICK_MS;
    ShowState();
    return LED_TICK_MS;
}

QString LedMonitor::WavelengthRefusal(const QString& text) const {
    if (!sources_.wavelengthRange)
        return {};
    const auto [first, last] = sources_.wavelengthRange();
    const int nm = ParseCInt(text);
    if (nm >= first && nm <= last)
        return {};
    return QCoreApplication::translate("LedMonitor", "%1～%2 nm の範囲外です").arg(first).arg(last);
}

bool LedMonitor::CheckWavelengths() {
    controls_.wave1Notice = WavelengthRefusal(controls_.wave1Text);
    controls_.wave2Notice = WavelengthRefusal(controls_.wave2Text);
    return controls_.wave1Notice.isEmpty() && controls_.wave2Notice.isEmpty();
}

void LedMonitor::LedButton() {
    if (ledOn()) {
        sources_.led.state = 0;
    } else {
        if (!CheckWavelengths())
            return;
        sources_.led.state = 1;
        count_ = 0;
        wave1_ = ParseCInt(controls_.wave1Text);
        wave2_ = ParseCInt(controls_.wave2Text);
    }
    ShowState();
    if (sources_.setLedCheckBox)
        sources_.setLedCheckBox(ledOn());
    ApplyEnabling();
}

void LedMonitor::MonitorBoxClicked() {
    ApplyEnabling();
}

float LedMonitor::IntensityAt(int wavelength) const {
    constexpr float none = std::numeric_limits<float>::quiet_NaN();
    if (!sources_.firstSpectrum || !sources_.firstWavelength)
        return none;
    const std::span<const float> spectrum = sources_.firstSpectrum();
    const long long index = static_cast<long long>(wavelength) - sources_.firstWavelength();
    if (index < 0 || index >= static_cast<long long>(spectrum.size()))
        return none;
    return spectrum[static_cast<std::size_t>(index)];
}

void LedMonitor::Sample(int capacity) {
    capacity_ = std::clamp(capacity, 0, LED_HISTORY - 1);
    if (count_ > capacity_) {  // a narrower plot keeps the newest samples
        const int drop = count_ - capacity_;
        for (auto* series : {&temperature_, &intensity1_, &intensity2_})
            std::copy(series->begin() + drop, series->begin() + count_, series->begin());
        count_ = capacity_;
    }
    const auto slot = static_cast<std::size_t>(count_);
    temperature_[slot] = sources_.led.temperature;
    intensity1_[slot] = IntensityAt(wave1_);
    intensity2_[slot] = IntensityAt(wave2_);
    if (!ledOn())
        return;
    if (count_ < capacity_) {
        ++count_;
        return;
    }
    for (auto* series : {&temperature_, &intensity1_, &intensity2_})
        std::copy(series->begin() + 1, series->begin() + count_ + 1, series->begin());
}

int LedMonitor::Tick(int capacity) {
    ShowState();
    if (ledOn() && count_ == 0)
        nextMark_ = clock_.tickMs();
    Sample(capacity);
    nextMark_ += LED_TICK_MS;
    const auto left = static_cast<std::int32_t>(nextMark_ - clock_.tickMs());
    return std::max<std::int32_t>(left, 0);
}

LedDialogPlace LedDialogPlace::Read(SettingsStore& settings) {
    return {settings.readInt("leddlg", "left", 0), settings.readInt("leddlg", "top", 0)};
}

void LedDialogPlace::Write(SettingsStore& settings, int left, int top, int right, int bottom) {
    settings.writeInt("leddlg", "left", left);
    settings.writeInt("leddlg", "right", right);
    settings.writeInt("leddlg", "top", top);
    settings.writeInt("leddlg", "bottom", bottom);
}
