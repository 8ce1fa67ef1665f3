#include "sim/SimLedUnit.h"

#include <cmath>

#include "device/CommandTable.h"

SimLedUnit::SimLedUnit(SimWorld& world, const SimDeviceSpec& deviceSpec)
    : SimDevice(world, false, deviceSpec.fault),
      spec_(deviceSpec),
      lastSeconds_(world.elapsedSeconds()) {}

void SimLedUnit::advance() {
    const double now = world().elapsedSeconds();
    const double target = state_ ? ON_CELSIUS : SimWorld::AMBIENT_CELSIUS;
    celsius_ = target + (celsius_ - target) * std::exp(-(now - lastSeconds_) / TIME_CONSTANT_S);
    lastSeconds_ = now;
}

float SimLedUnit::temperature() {
    advance();
    return float(celsius_);
}

std::optional<QByteArray> SimLedUnit::answer(CommandWord word, std::int32_t payload,
                                             QString& reason) {
    const CommandWord known[] = {LED_GET_NAME, LED_GET_VERSION, LED_GET_STATE, LED_GET_TEMPERATURE,
                                 LED_SET_STATE};
    bool codeKnown = false;
    for (const CommandWord& k : known)
        codeKnown = codeKnown || k.code == word.code;
    if (!codeKnown) {
        reason = QString("unknown code %1 for the LED unit").arg(word.code, 2, 16, QChar('0'));
        return {};
    }
    if (word == LED_GET_NAME)
        return TextReply(spec_.name, LONG_TEXT_BYTES);
    if (word == LED_GET_VERSION)
        return TextReply(spec_.firmware, SHORT_TEXT_BYTES);
    if (word == LED_GET_STATE)
        return Int32Reply(state_);
    if (word == LED_GET_TEMPERATURE)
        return FloatReply(temperature());
    if (word == LED_SET_STATE) {
        advance();  // the temperature so far followed the old state
        state_ = payload ? 1 : 0;
        world().setLedOn(state_ != 0);
        return AckReply();
    }
    reason = QString("code %1 with page %2 length %3")
                 .arg(word.code, 2, 16, QChar('0'))
                 .arg(word.page)
                 .arg(word.length);
    return {};
}
