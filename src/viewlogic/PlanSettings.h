#pragma once

#include <QString>

class SettingsStore;

// The measurement plan's settings, read when the plan is created and written
// back, all of them, whenever the user starts it or closes its dialog, and
// when it goes away.
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
    QString folder;              // autosave/folder: where its files go; empty: the default

    static PlanSettings Read(SettingsStore& store);
    void Write(SettingsStore& store) const;
};
