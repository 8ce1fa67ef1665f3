#pragma once

#include <vector>

#include <QRect>

#include "viewlogic/ControlId.h"

struct ControlPlacement {
    ControlId id;
    QRect rect;  // form coordinates: x, y, width, height
};

// The form's own width: at it the graph panel is 620 pixels wide. A narrower
// form is laid out as this wide (the window scrolls instead).
inline constexpr int kFormWidth = 905;

// Where the main form's controls go for a client area of w x h. The graph
// panel takes what the window gives beyond the form's own size, in both
// directions; the title, the LED controls and the mode combo above the graph
// stay at the top left; the column right of the graph keeps its distance to
// the right edge, and its bottom row (the record buttons, "CSV保存") to the
// bottom edge, while the data list between them grows downwards. Placements
// are in the order they are applied.
struct LayoutPlan {
    std::vector<ControlPlacement> placements;
    bool ledControlsVisible = false;  // check box 1048 and button 1047
    bool auxEditVisible = false;      // edit 1033, placed only when shown
    QRect graphRect;                  // the graph panel (5, 50, w - 285, h - 50)
};

// ledPresent: an LED unit was found. auxAvailable: slot 0's firmware is above
// 1.5 (only then is the auxiliary setting shown).
LayoutPlan PlanLayout(int w, int h, bool ledPresent, bool auxAvailable);
// The same at the form's own width.
LayoutPlan PlanLayout(int h, bool ledPresent, bool auxAvailable);

// Axis-limit click zones, in form coordinates. The upper zone covers the
// click test of the upper axis label; the lower one lies over the label of the
// lower limit that the graph draws at (plot left - 50, plot bottom - 10) in the
// panel, i.e. at form (10, h - 35): a zone 50 wide and 30 high around it,
// x 10..60, y h - 40..h - 10. Both follow the graph rectangle.
enum class AxisZone { None, Upper, Lower };
AxisZone AxisZoneAt(const QRect& graphRect, int x, int y);
