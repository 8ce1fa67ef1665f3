#include "viewlogic/DisplayModes.h"

#include <iterator>

namespace {

constexpr bool InValueOrder() {
    for (std::size_t i = 0; i < std::size(DISPLAY_MODES); ++i)
        if (DISPLAY_MODES[i].value != static_cast<std::int32_t>(i))
            return false;
    return true;
}
static_assert(InValueOrder(), "the combo's index is the stored value");

// What a stored value of no mode shows.
constexpr DisplayMode kUnknownMode{.value = static_cast<DisplayModeValue>(-1), .caption = ""};

}  // namespace

const DisplayMode* FindDisplayMode(std::int32_t value) {
    if (value < 0 || value >= static_cast<std::int32_t>(std::size(DISPLAY_MODES)))
        return nullptr;
    return &DISPLAY_MODES[value];
}

const DisplayMode& DisplayModeOf(std::int32_t value) {
    const DisplayMode* mode = FindDisplayMode(value);
    return mode != nullptr ? *mode : kUnknownMode;
}

ModePainter ShownPainter(const DisplayMode& mode, bool allNir, bool allUv) {
    if ((allNir && !mode.drawsFor.nearInfrared) || (allUv && !mode.drawsFor.ultraviolet))
        return ModePainter::None;
    return mode.painter;
}
