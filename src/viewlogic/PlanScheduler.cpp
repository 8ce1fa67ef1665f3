#include "viewlogic/PlanScheduler.h"

#include <climits>

#include <QCoreApplication>

#include "device/Clock.h"
#include "viewlogic/SettingsStore.h"

const std::array<const char*, kScheduleLines> kScheduleTexts = {
    QT_TRANSLATE_NOOP("PlanScheduler", "1分毎"),  QT_TRANSLATE_NOOP("PlanScheduler", "5分毎"),
    QT_TRANSLATE_NOOP("PlanScheduler", "10分毎"), QT_TRANSLATE_NOOP("PlanScheduler", "20分毎"),
    QT_TRANSLATE_NOOP("PlanScheduler", "30分毎"), QT_TRANSLATE_NOOP("PlanScheduler", "1時間毎"),
};
const std::array<int, kScheduleLines> kSchedulePeriods = {1, 5, 10, 20, 30, 60};

int ParseCInt(const QString& text) {
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

std::tm PlanLocalTime(std::int64_t t) {
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
#ifdef _WIN32
    if (localtime_s(&tm, &tt) != 0)
        tm = std::tm{};
#else
    if (localtime_r(&tt, &tm) == nullptr)
        tm = std::tm{};
#endif
    return tm;
}

QString PlanClockText(std::int64_t t) {
    const std::tm tm = PlanLocalTime(t);
    char clock[32] = {};
    std::strftime(clock, sizeof clock, "%Y/%m/%d %H:%M:%S", &tm);
    return QString::fromLatin1(clock);
}

QString AutosaveName(std::int64_t t) {
    const std::tm tm = PlanLocalTime(t);
    return QString::asprintf("%04d%02d%02d_%02d%02d%02d.csv", tm.tm_year + 1900, tm.tm_mon + 1,
                             tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

PlanScheduler::PlanScheduler(SettingsStore& settings, Clock& clock, MeasureFn measure)
    : settings_(settings),
      clock_(clock),
      measure_(std::move(measure)),
      s_(PlanSettings::Read(settings)) {}

PlanScheduler::~PlanScheduler() {
    s_.Write(settings_);
}

void PlanScheduler::Initialise() {
    controls_.windowTexts = {QString::number(s_.startHour), QString::number(s_.startMinute),
                             QString::number(s_.endHour), QString::number(s_.endMinute)};
    controls_.limitChecked = s_.limitEnabled;
    controls_.appendChecked = s_.appendEnabled;
    UpdateControls();
}

void PlanScheduler::UpdateControls() {
    controls_.startEnabled = !running_;
    controls_.stopEnabled = running_;
    controls_.scheduledChecked = s_.method == 0;
    controls_.intervalChecked = s_.method == 1;
    controls_.scheduleSelection =
        s_.scheduleIndex >= 0 && s_.scheduleIndex < kScheduleLines ? s_.scheduleIndex : -1;
    controls_.intervalText = QString::number(s_.intervalMinutes);
    controls_.scheduleEnabled = s_.method == 0;
    controls_.intervalEnabled = s_.method == 1;
    controls_.windowEnabled = controls_.limitChecked;
    s_.startHour = ParseCInt(controls_.windowTexts[0]);
    s_.startMinute = ParseCInt(controls_.windowTexts[1]);
    s_.endHour = ParseCInt(controls_.windowTexts[2]);
    s_.endMinute = ParseCInt(controls_.windowTexts[3]);
}

bool PlanScheduler::Start(QString& refusal) {
    const int interval = ParseCInt(controls_.intervalText);
    if (s_.method != 0 && interval == 0) {
        refusal = QCoreApplication::translate("PlanScheduler", kIntervalTooShort);
        return false;
    }
    if (controls_.limitChecked) {
        for (int i = 0; i < 4; ++i) {
            const QString& text = controls_.windowTexts[i];
            const int v = ParseCInt(text);
            if (text.trimmed().isEmpty() || v < 0 || v > (i % 2 == 0 ? 23 : 59)) {
                refusal = QCoreApplication::translate("PlanScheduler", kWindowOutOfDay);
                return false;
            }
        }
    }
    s_.intervalMinutes = interval;
    s_.scheduleIndex = controls_.scheduleSelection;
    minuteCounter_ = 0;
    runCount_ = 0;
    running_ = true;
    const std::int64_t now = clock_.nowSeconds();
    fileName_ = controls_.appendChecked ? AutosaveName(now) : QString();
    const std::tm tm = PlanLocalTime(now);
    lastDay_ = tm.tm_mday;
    // The minute the plan starts in is not one of its measurements: counting
    // begins with the next one.
    lastMinute_ = tm.tm_min;
    TakeControls();
    UpdateControls();
    return true;
}

void PlanScheduler::Stop() {
    if (!running_)
        return;
    running_ = false;
    UpdateControls();
}

void PlanScheduler::ChooseScheduled() {
    s_.method = 0;
    UpdateControls();
}

void PlanScheduler::ChooseInterval() {
    s_.method = 1;
    UpdateControls();
}

void PlanScheduler::LimitBoxClicked() {
    s_.limitEnabled = controls_.limitChecked;
    UpdateControls();
}

void PlanScheduler::AppendBoxClicked() {
    s_.appendEnabled = controls_.appendChecked;
}

void PlanScheduler::TakeControls() {
    // A line typed into the schedule combo selects none: the last chosen stays.
    if (controls_.scheduleSelection >= 0)
        s_.scheduleIndex = controls_.scheduleSelection;
    if (!controls_.intervalText.trimmed().isEmpty())
        s_.intervalMinutes = ParseCInt(controls_.intervalText);
    s_.limitEnabled = controls_.limitChecked;
    s_.appendEnabled = controls_.appendChecked;
    for (int i = 0; i < 4; ++i) {
        if (controls_.windowTexts[i].trimmed().isEmpty())
            continue;  // an emptied edit keeps the time it had
        const int v = ParseCInt(controls_.windowTexts[i]);
        (i == 0 ? s_.startHour : i == 1 ? s_.startMinute : i == 2 ? s_.endHour : s_.endMinute) = v;
    }
    s_.Write(settings_);
}

void PlanScheduler::SetFolder(const QString& folder) {
    s_.folder = folder;
    s_.Write(settings_);
}

bool PlanScheduler::InsideWindow(int h, int m) const {
    if (h == s_.endHour && m <= s_.endMinute)
        return true;
    return (h > s_.startHour || (h == s_.startHour && m >= s_.startMinute)) && h < s_.endHour;
}

bool PlanScheduler::MinuteDue(int minute, int counter) const {
    if (s_.method == 0) {
        if (s_.scheduleIndex < 0 || s_.scheduleIndex >= kScheduleLines)
            return false;
        return minute % kSchedulePeriods[std::size_t(s_.scheduleIndex)] == 0;
    }
    // An interval of 0 minutes is refused at Start; should the method change to
    // interval during a run begun with 0 in the edit, nothing is due.
    return s_.intervalMinutes != 0 && counter % s_.intervalMinutes == 0;
}

std::optional<std::int64_t> PlanScheduler::NextMeasurement(std::int64_t now) const {
    if (!running_)
        return std::nullopt;
    std::int64_t minute = now - now % 60;
    int counter = minuteCounter_;
    // The minute under way counts when the ticks have not seen it yet.
    if (PlanLocalTime(now).tm_min == lastMinute_)
        minute += 60;
    for (int k = 0; k < 2 * 24 * 60; ++k, minute += 60) {
        const std::tm tm = PlanLocalTime(minute);
        ++counter;
        if (controls_.limitChecked && !InsideWindow(tm.tm_hour, tm.tm_min))
            continue;
        if (MinuteDue(tm.tm_min, counter))
            return minute;
    }
    return std::nullopt;
}

void PlanScheduler::Tick() {
    const std::int64_t now = clock_.nowSeconds();
    const std::tm tm = PlanLocalTime(now);
    controls_.clockText = PlanClockText(now);

    if (tm.tm_min == lastMinute_)
        return;
    if (tm.tm_mday != lastDay_) {
        if (controls_.appendChecked) {
            lastDay_ = tm.tm_mday;
            fileName_ = AutosaveName(now);
        } else {
            fileName_.clear();
        }
    }
    ++minuteCounter_;
    lastMinute_ = tm.tm_min;
    if (controls_.limitChecked && !InsideWindow(tm.tm_hour, tm.tm_min))
        return;
    if (running_ && MinuteDue(tm.tm_min)) {
        const int n = runCount_++;
        if (measure_)
            measure_(fileName_, n);
    }
}
