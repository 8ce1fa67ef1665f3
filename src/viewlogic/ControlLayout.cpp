#include "viewlogic/ControlLayout.h"

#include <algorithm>

LayoutPlan PlanLayout(int w, int h, bool ledPresent, bool auxAvailable) {
    LayoutPlan plan;
    plan.ledControlsVisible = ledPresent;
    plan.auxEditVisible = auxAvailable;
    // What the window gives beyond the form's own width goes to the graph; the
    // column right of it moves over by as much.
    const int dx = std::max(w, kFormWidth) - kFormWidth;
    auto place = [&plan](ControlId id, int x, int y, int cw, int ch) {
        plan.placements.push_back({id, QRect(x, y, cw, ch)});
    };
    place(ControlId::LedCheck, 235, 18, 70, 30);
    place(ControlId::LedDetails, 305, 15, 70, 30);
    place(ControlId::GraphPanel, 5, 50, 620 + dx, h - 50);
    place(ControlId::ModeCombo, 395, 18, 230, 160);
    place(ControlId::Redetect, 630 + dx, 18, 135, 30);
    place(ControlId::Sensor, 810 + dx, 18, 90, 30);
    place(ControlId::DeviceList, 630 + dx, 50, 270, 200);
    place(ControlId::ExposureLabel, 630 + dx, 255, 135, 30);
    place(ControlId::SettingsNotice, 765 + dx, 252, 135, 36);
    place(ControlId::ExposureDown, 630 + dx, 290, 40, 30);
    place(ControlId::ExposureEdit, 680 + dx, 290, 80, 30);
    place(ControlId::ExposureUpdate, 770 + dx, 290, 60, 30);
    place(ControlId::ExposureUp, 840 + dx, 290, 40, 30);
    place(ControlId::AveragingLabel, 630 + dx, 340, 80, 30);
    place(ControlId::AveragingCombo, 720 + dx, 335, 100, 300);
    if (auxAvailable)
        place(ControlId::AuxEdit, 830 + dx, 335, 60, 30);
    place(ControlId::Acquire, 630 + dx, 380, 120, 30);
    place(ControlId::Continuous, 755 + dx, 380, 80, 30);
    place(ControlId::IntervalEdit, 840 + dx, 380, 60, 30);
    place(ControlId::DataListLabel, 630 + dx, 425, 135, 30);
    place(ControlId::MeasurePlan, 770 + dx, 420, 130, 30);
    place(ControlId::DataList, 630 + dx, 455, 270, h - 535);
    place(ControlId::Delete, 630 + dx, h - 75, 60, 30);
    place(ControlId::Reference, 700 + dx, h - 75, 100, 30);
    place(ControlId::Comparison, 810 + dx, h - 75, 80, 30);
    place(ControlId::SaveCsv, 630 + dx, h - 30, 270, 30);
    plan.graphRect = QRect(5, 50, 620 + dx, h - 50);
    return plan;
}

LayoutPlan PlanLayout(int h, bool ledPresent, bool auxAvailable) {
    return PlanLayout(kFormWidth, h, ledPresent, auxAvailable);
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
