#include "viewlogic/PlanSettings.h"

#include "viewlogic/SettingsStore.h"

PlanSettings PlanSettings::Read(SettingsStore& store) {
    PlanSettings s;
    s.method = store.readInt("plan", "method", 0);
    s.scheduleIndex = store.readInt("plan", "everytime", 0);
    s.intervalMinutes = store.readInt("plan", "intervaltime", 10);
    s.startHour = store.readInt("limit", "starth", 6);
    s.startMinute = store.readInt("limit", "startm", 30);
    s.endHour = store.readInt("limit", "endh", 18);
    s.endMinute = store.readInt("limit", "endm", 30);
    s.limitEnabled = store.readInt("limit", "enable", 0) != 0;
    s.appendEnabled = store.readInt("autosave", "enable", 0) != 0;
    s.folder = store.readText("autosave", "folder", QString());
    return s;
}

void PlanSettings::Write(SettingsStore& store) const {
    store.writeInt("plan", "method", method);
    store.writeInt("plan", "everytime", scheduleIndex);
    store.writeInt("plan", "intervaltime", intervalMinutes);
    store.writeInt("limit", "starth", startHour);
    store.writeInt("limit", "startm", startMinute);
    store.writeInt("limit", "endh", endHour);
    store.writeInt("limit", "endm", endMinute);
    store.writeInt("limit", "enable", limitEnabled ? 1 : 0);
    store.writeInt("autosave", "enable", appendEnabled ? 1 : 0);
    store.writeText("autosave", "folder", folder);
}
