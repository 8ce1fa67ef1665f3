#pragma once

#include <cstdint>

#include <QRect>
#include <QString>

#include "viewlogic/DisplayModes.h"

// The main view's live state: what the monitoring cycle and the handlers share
// and what the graph reads when it repaints. Initial values are those of a
// freshly constructed view before the settings are read.
struct ViewState {
    std::int32_t currentDevice = 0;           // target of every single-device exchange
    bool monitoring = true;                   // false while a stored record is shown (ticks paused)
    std::int32_t selectedRecord = 0;          // record shown while not monitoring
    std::int32_t comparisonIndex = -1;        // comparison record, never saved
    std::int32_t averagingChoice = 0;         // averaging count chosen in combo 1015
    std::int32_t averagingSent = 0;           // last averaging count handed to the device
    std::int32_t auxValue = 0;                // edit 1033 as last taken
    std::int32_t auxSent = 0;                 // last auxiliary setting handed to the device
    std::int32_t intervalMs = 1000;           // continuous interval (measure/interval)
    std::int32_t displayMode = DISPLAY_LINE;  // graph/kind
    std::int32_t graphMax = 65535;            // intensity axis
    std::int32_t graphMin = 0;
    std::int32_t ratioMax = 120;     // comparison axis, percent
    std::int32_t ratioMin = 0;       // re-derived by the graph at each repaint
    std::int32_t absorptionMax = 5;  // absorptance axis (read only setting)
    std::int32_t absorptionMin = 0;
    // Graph panel in form coordinates: x 5, y 50, width w - 285, height h - 50
    // (right edge w - 280 and bottom edge h, exclusive). Empty until laid out.
    QRect graphRect{0, 0, 0, 0};
    bool layoutReady = false;      // the first layout was made
    bool detectionPending = true;  // start-up detection still to do
    QString programFolder;         // executable's folder with trailing separator
};
