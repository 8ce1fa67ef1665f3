#pragma once

class SettingsStore;

// The measurement plan's nine settings, read when the plan is created and
// written back, all nine, when it goes away.
struct PlanSettings {
    int method = 0;              // plan/method: 0 scheduled, 1 interval
    int scheduleIndex = 0;       // plan/everytime: line of the schedule list
    int intervalMinutes = 10;    // plan/intervaltime
    int startHour = 6;           // limit/starth
    int startMinute = 30;        // limit/startm
    int endHour = 18;            // limit/endh
    int endMinute = 30;          // limit/endm
    bool limitEnabled = false;   // limit/enable
    bool appendEnabled = false;  // autosave/enable

    static PlanSettings Read(SettingsStore& store);
    void Write(SettingsStore& store) const;
};
