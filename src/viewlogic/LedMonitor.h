#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

#include <QString>

class Clock;
class SettingsStore;
struct LedUnit;

// Room of each history series; the plot's capacity stays below it.
inline constexpr int LED_HISTORY = 1000;
inline constexpr int LED_TICK_MS = 500;

// Where the LED monitor takes its samples: the LED unit that the monitoring
// cycle keeps current, the first spectrometer's last spectrum on the grid of
// the sensor profile, and the main view's "LED" check box to keep in step.
struct LedMonitorSources {
    LedUnit& led;
    std::function<std::span<const float>()> firstSpectrum;  // slot 0, pointCount values
    std::function<int()> firstWavelength;                   // W0 of the grid
    std::function<void(bool)> setLedCheckBox;
    // The wavelengths the edits may name: the selected device's grid, first and last nm.
    // None given: any.
    std::function<std::pair<int, int>()> wavelengthRange = {};
};

// What the LED dialog's controls show.
struct LedMonitorControls {
    QString buttonText;          // 1043: "LED ON" / "LED OFF"
    QString wave1Text;           // edit 1045
    QString wave2Text;           // edit 1046
    bool wavesEnabled = true;    // the two edits: only while the LED is off
    bool monitorChecked = true;  // 1044 (hidden)
    // Beside each edit: why its wavelength is refused, empty while it is taken.
    QString wave1Notice;
    QString wave2Notice;
};

// The LED dialog without widgets: the LED switch, and a history of the LED
// temperature and of the intensity at two wavelengths sampled on a 500-ms grid
// counted from the start of a recording.
class LedMonitor {
  public:
    // Reads "LED" wave1, wave2 and monitor.
    LedMonitor(SettingsStore& settings, Clock& clock, LedMonitorSources sources);
    // Writes "LED" wave1, wave2 and monitor (the values held, not the edits).
    ~LedMonitor();
    LedMonitor(const LedMonitor&) = delete;
    LedMonitor& operator=(const LedMonitor&) = delete;

    // Dialog initialisation; returns the first timer delay (500 ms).
    int Initialise();
    // LED button 1043. Switching on takes the two wavelengths; a wavelength off the grid
    // is refused beside its edit, and the LED stays off (nothing goes to the unit).
    void LedButton();
    // The notices of the two edits for the texts they hold now; true when both are taken.
    bool CheckWavelengths();
    // Why a wavelength typed into an edit is refused; empty when it lies on the grid.
    QString WavelengthRefusal(const QString& text) const;
    // Monitor box 1044: the enabling rule again.
    void MonitorBoxClicked();
    // Timer tick: button text, sample into the history for a plot of the given
    // capacity, and the delay until the next 500-ms mark (0 when the mark has
    // already passed, so that a late tick catches up at once).
    int Tick(int capacity);

    // One sample into slot [count]; while the LED is on it is kept (the oldest
    // sample dropped once the plot is full).
    void Sample(int capacity);
    // Intensity at a wavelength of the first spectrometer's spectrum, on that
    // device's own grid; NaN (no value: nothing plotted) when the wavelength lies
    // outside it.
    float IntensityAt(int wavelength) const;

    bool ledOn() const;
    int count() const { return count_; }
    int capacity() const { return capacity_; }
    int wave1() const { return wave1_; }
    int wave2() const { return wave2_; }
    std::uint32_t nextMark() const { return nextMark_; }
    std::span<const float> temperatures() const { return {temperature_.data(), kept()}; }
    std::span<const float> intensities1() const { return {intensity1_.data(), kept()}; }
    std::span<const float> intensities2() const { return {intensity2_.data(), kept()}; }
    LedMonitorControls& controls() { return controls_; }
    const LedMonitorControls& controls() const { return controls_; }

  private:
    std::size_t kept() const { return static_cast<std::size_t>(count_); }
    void ApplyEnabling();
    void ShowState();

    SettingsStore& settings_;
    Clock& clock_;
    LedMonitorSources sources_;
    std::array<float, LED_HISTORY> temperature_{};
    std::array<float, LED_HISTORY> intensity1_{};
    std::array<float, LED_HISTORY> intensity2_{};
    int count_ = 0;
    int capacity_ = 100;
    int wave1_;
    int wave2_;
    int monitor_;
    std::uint32_t nextMark_ = 0;
    LedMonitorControls controls_;
};

// The dialog's saved place: "leddlg" left and top (default 0) are read at
// initialisation; all four edges are written when the dialog closes.
struct LedDialogPlace {
    int left = 0;
    int top = 0;
    static LedDialogPlace Read(SettingsStore& settings);
    static void Write(SettingsStore& settings, int left, int top, int right, int bottom);
};
