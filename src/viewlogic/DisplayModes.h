#pragma once

#include <cstdint>

#include <QtGlobal>

#include "data/RatioAndPeak.h"

// The display modes of the graph panel, one row each in DISPLAY_MODES: what the mode combo
// offers, what the view logic allows, and how display/ paints the panel and reads it out under
// the cursor. A new mode is a row here, its painter (display/ModePainters.h) and its tests.

// The stored values (combo 1001's index, setting graph/kind): never renumber.
enum DisplayModeValue : std::int32_t {
    DISPLAY_LINE = 0,
    DISPLAY_COLOUR = 1,
    DISPLAY_COMPARISON = 2,
    DISPLAY_ABSORPTANCE = 3,
    DISPLAY_CHROMATICITY = 4,
};

// The value axis of the spectrum frame. Only the ratio axis has limits of its own that a click
// on the axis edits; the absorptance limits are read only, so there the counts limits are edited.
enum class AxisKind { Counts, Ratio, Absorptance };

// What paints a mode; display/ModePainters.cpp has one painter for each.
enum class ModePainter {
    None,          // the spectrum frame without curves
    Line,          // each device's spectrum as a curve
    Colour,        // the current device's spectrum filled with the colours of its wavelengths
    Relative,      // each device's sample (and comparison record) against its reference
    Chromaticity,  // the chromaticity diagram in place of the spectrum frame
};

// The sensor kinds a mode draws for. When every live device is of a kind the mode leaves out,
// the panel shows the spectrum frame without curves.
struct SensorKinds {
    bool nearInfrared = true;
    bool ultraviolet = true;
};

struct DisplayMode {
    DisplayModeValue value;
    const char* caption;  // the combo's text, translated in context "MainView"
    // Refused while there is no reference record; left for the line mode when it goes.
    bool needsReference = false;
    // Shown as the line mode when every device is near-infrared or ultraviolet.
    bool linesForRestrictedSensors = true;
    SensorKinds drawsFor = {};
    AxisKind axis = AxisKind::Counts;
    // The value axis's caption with its unit, drawn in the plot's top-left corner (translated
    // in context "MainView"); none on the counts axis.
    const char* axisCaption = nullptr;
    ModePainter painter = ModePainter::None;
    const char* valueFormat = nullptr;  // one device's value in the cursor readout
    // The relative painter's value of a sample against the reference.
    double (*relative)(float sample, float reference) = nullptr;
};

// In the order of their values: the combo lists them so.
inline constexpr DisplayMode DISPLAY_MODES[] = {
    {.value = DISPLAY_LINE,
     .caption = QT_TRANSLATE_NOOP("MainView", "スペクトル（線）"),
     .painter = ModePainter::Line,
     .valueFormat = "%.1f"},
    {.value = DISPLAY_COLOUR,
     .caption = QT_TRANSLATE_NOOP("MainView", "スペクトル（色）"),
     .drawsFor = {.nearInfrared = false},
     .painter = ModePainter::Colour,
     .valueFormat = "%.1f"},
    {.value = DISPLAY_COMPARISON,
     .caption = QT_TRANSLATE_NOOP("MainView", "スペクトル（比較）"),
     .needsReference = true,
     .linesForRestrictedSensors = false,
     .axis = AxisKind::Ratio,
     .axisCaption = QT_TRANSLATE_NOOP("MainView", "試料/基準 (%)"),
     .painter = ModePainter::Relative,
     .valueFormat = "%.1f %%",
     .relative = RatioPercent},
    {.value = DISPLAY_ABSORPTANCE,
     .caption = QT_TRANSLATE_NOOP("MainView", "スペクトル（吸収率）"),
     .needsReference = true,
     .axis = AxisKind::Absorptance,
     .axisCaption = QT_TRANSLATE_NOOP("MainView", "吸光度 -log10(試料/基準)"),
     .painter = ModePainter::Relative,
     .valueFormat = "%.3f",
     .relative = Absorptance},
    {.value = DISPLAY_CHROMATICITY,
     .caption = QT_TRANSLATE_NOOP("MainView", "色度図　　　　　"),
     // The diagram needs the visible range.
     .drawsFor = {.nearInfrared = false, .ultraviolet = false},
     .painter = ModePainter::Chromaticity},
};

// The mode stored as value, or nullptr when no mode has that value.
const DisplayMode* FindDisplayMode(std::int32_t value);
// The same; a value no mode has (a setting of another version) shows the empty spectrum frame.
const DisplayMode& DisplayModeOf(std::int32_t value);

// The painter that draws the mode when every live device is near-infrared (allNir) or every
// one ultraviolet (allUv): the mode's own, or None for a kind it leaves out.
ModePainter ShownPainter(const DisplayMode& mode, bool allNir, bool allUv);
// Whether the painter draws the whole panel in place of the spectrum frame. The frame derives
// the lower ratio limit from the counts axis at each drawing; such a panel leaves it as it is.
constexpr bool PaintsWholePanel(ModePainter painter) {
    return painter == ModePainter::Chromaticity;
}
