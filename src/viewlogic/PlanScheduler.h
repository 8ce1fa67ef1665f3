#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>

#include <QString>

#include "viewlogic/PlanSettings.h"

class Clock;
class SettingsStore;

// The C library's decimal conversion of an edit's text: leading blanks, an
// optional sign and the leading digits; anything else gives 0.
int ParseCInt(const QString& text);

// "%04d%02d%02d_%02d%02d%02d.csv" of t in local time, e.g. 20240315_070509.csv.
QString AutosaveName(std::int64_t t);

// Lines of the schedule list and their periods in minutes; the dialog shows
// the lines through QCoreApplication::translate("PlanScheduler", text).
inline constexpr int kScheduleLines = 6;
extern const std::array<const char*, kScheduleLines> kScheduleTexts;
extern const std::array<int, kScheduleLines> kSchedulePeriods;

// What the plan dialog's controls show. The dialog copies what the user did
// into these fields before each handler and shows them again afterwards.
struct PlanControls {
    QString clockText = QStringLiteral("--/--/-- --:--:--");  // label 1026
    bool scheduledChecked = false;                            // radio 1027
    bool intervalChecked = false;                             // radio 1028
    int scheduleSelection = -1;  // combo 1029: selected line, -1 when none (text typed)
    bool scheduleEnabled = true;
    QString intervalText;  // edit 1030
    bool intervalEnabled = true;
    bool limitChecked = false;           // box 1034
    std::array<QString, 4> windowTexts;  // edits 1035 to 1038: start h, start m, end h, end m
    bool windowEnabled = false;
    bool appendChecked = false;  // box 1039
    bool startEnabled = true;    // 1017
    bool stopEnabled = false;    // 1020
};

// "%Y/%m/%d %H:%M:%S" of t in local time (the plan dialog's clock).
QString PlanClockText(std::int64_t t);

// The measurement plan: scheduled measurements on the clock's minute
// boundaries, or every so many minutes from Start, optionally within a daily
// window, optionally appended to a CSV file named after the start time.
// Widget-free and independent of its dialog: the main view owns it and calls
// Tick() every 300 ms while it runs; the dialog, while open, shows and edits
// its controls and calls the handlers below.
class PlanScheduler {
  public:
    // One measurement: store a record and, with a file name, append it to that
    // file in the program folder; appendFlag 0 brings the header block.
    using MeasureFn = std::function<void(const QString& fileName, int appendFlag)>;

    PlanScheduler(SettingsStore& settings, Clock& clock, MeasureFn measure);
    // Writes the settings back.
    ~PlanScheduler();
    PlanScheduler(const PlanScheduler&) = delete;
    PlanScheduler& operator=(const PlanScheduler&) = delete;

    // Dialog initialisation: window edits, both boxes, then UpdateControls.
    void Initialise();
    void UpdateControls();

    // Start refuses (and changes nothing) when the interval method is chosen
    // with an interval of 0 minutes (or none); the text is then shown to the user.
    static constexpr const char* kIntervalTooShort =
        QT_TRANSLATE_NOOP("PlanScheduler", "インターバルは1分以上を指定してください");
    // With the daily window on, each of its four edits must hold a time of
    // the day (0:00 to 23:59).
    static constexpr const char* kWindowOutOfDay =
        QT_TRANSLATE_NOOP("PlanScheduler", "時刻の範囲は 0:00〜23:59 の時刻を入力してください");
    bool Start(QString& refusal);
    void Stop();
    void ChooseScheduled();   // radio 1027
    void ChooseInterval();    // radio 1028
    void LimitBoxClicked();   // box 1034: controls().limitChecked already holds the new state
    void AppendBoxClicked();  // box 1039
    // The controls as the user left them become the settings, written now
    // (the dialog closes, or the plan starts).
    void TakeControls();
    // Where the plan's files go; empty: the default folder.
    void SetFolder(const QString& folder);

    // One scheduler tick (the timer's stop and re-arm are the dialog's).
    void Tick();

    // The daily window test on the hour and minute; it does not wrap over midnight.
    bool InsideWindow(int hour, int minute) const;
    // Whether the minute (of the hour) is due under the current method.
    bool MinuteDue(int minute) const { return MinuteDue(minute, minuteCounter_); }
    // The start of the next minute a running plan measures in, seen from
    // `now` (within two days); none while stopped.
    std::optional<std::int64_t> NextMeasurement(std::int64_t now) const;

    PlanControls& controls() { return controls_; }
    const PlanControls& controls() const { return controls_; }
    const PlanSettings& state() const { return s_; }
    bool running() const { return running_; }
    int runCount() const { return runCount_; }
    int minuteCounter() const { return minuteCounter_; }
    const QString& fileName() const { return fileName_; }

  private:
    bool MinuteDue(int minute, int counter) const;

    SettingsStore& settings_;
    Clock& clock_;
    MeasureFn measure_;
    PlanSettings s_;
    PlanControls controls_;
    bool running_ = false;
    int lastMinute_ = -1;  // none seen yet
    int minuteCounter_ = 0;
    int lastDay_ = -1;  // none yet
    QString fileName_;
    int runCount_ = 0;
};

// Local time of a wall-clock second (zero-filled when it cannot be converted).
std::tm PlanLocalTime(std::int64_t t);
