#include "viewlogic/ControlLayout.h"

LayoutPlan PlanLayout(int h, bool ledPresent, bool auxAvailable) {
    LayoutPlan plan;
    plan.ledControlsVisible = ledPresent;
    plan.auxEditVisible = auxAvailable;
    auto place = [&plan](ControlId id, int x, int y, int w, int hh) {
        plan.placements.push_back({id, QRect(x, y, w, hh)});
    };
    place(ControlId::LedCheck, 235, 18, 70, 30);
    place(ControlId::LedDetails, 305, 15, 70, 30);
    place(ControlId::GraphPanel, 5, 50, 620, h - 50);
    place(ControlId::ModeCombo, 395, 18, 230, 160);
    place(ControlId::Redetect, 630, 18, 135, 30);
    place(ControlId::Sensor, 810, 18, 90, 30);
    place(ControlId::DeviceList, 630, 50, 270, 200);
    place(ControlId::ExposureLabel, 630, 255, 135, 30);
    place(ControlId::SettingsNotice, 765, 252, 135, 36);
    place(ControlId::ExposureDown, 630, 290, 40, 30);
    place(ControlId::ExposureEdit, 680, 290, 80, 30);
    place(ControlId::ExposureUpdate, 770, 290, 60, 30);
    place(ControlId::ExposureUp, 840, 290, 40, 30);
    place(ControlId::AveragingLabel, 630, 340, 80, 30);
    place(ControlId::AveragingCombo, 720, 335, 100, 300);
    if (auxAvailable)
        place(ControlId::AuxEdit, 830, 335, 60, 30);
    place(ControlId::Acquire, 630, 380, 120, 30);
    place(ControlId::Continuous, 755, 380, 80, 30);
    place(ControlId::IntervalEdit, 840, 380, 60, 30);
    place(ControlId::DataListLabel, 630, 425, 135, 30);
    place(ControlId::MeasurePlan, 770, 420, 130, 30);
    place(ControlId::DataList, 630, 455, 270, h - 535);
    place(ControlId::Delete, 630, h - 75, 60, 30);
    place(ControlId::Reference, 700, h - 75, 100, 30);
    place(ControlId::Comparison, 810, h - 75, 80, 30);
    place(ControlId::SaveCsv, 630, h - 30, 270, 30);
    plan.graphRect = QRect(5, 50, 620, h - 50);
    return plan;
}

AxisZone AxisZoneAt(const QRect& graphRect, int x, int y) {
    const int xs = x - 5;
    const int ys = y - 30;
    const int left = graphRect.left();
    if (xs < left || xs > left + 50)
        return AxisZone::None;
    const int top = graphRect.top();
    if (ys >= top && ys <= top + 30)
        return AxisZone::Upper;
    // Lower label: drawn at panel (plot left - 50, plot bottom - 10) = form
    // (10, h - 35) with h the bottom edge of the panel.
    const int bottom = graphRect.top() + graphRect.height();
    if (y >= bottom - 40 && y <= bottom - 10)
        return AxisZone::Lower;
    return AxisZone::None;
}
