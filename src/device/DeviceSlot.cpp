#include "device/DeviceSlot.h"

#include <cstdlib>
#include <string>

DeviceSlot::DeviceSlot() {
    for (std::size_t i = 0; i < spectrum.size(); ++i)
        spectrum[i] = 100.0f * float(i);
}

bool VersionAtLeast15(const DeviceSlot& slot) {
    return GatePasses(FirmwareGate::AtLeast15, slot.version);
}

bool VersionAbove15(const DeviceSlot& slot) {
    return GatePasses(FirmwareGate::Above15, slot.version);
}

float ParseVersion(const QByteArray& text) {
    // Leading digits and at most one decimal point, in the C locale whatever
    // the user's locale says; anything after them is ignored.
    const std::string s = text.toStdString();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        number += s[i++];
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        number += s[i++], digits = true;
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            number += s[i++], digits = true;
    }
    if (!digits)
        return 0.0f;
    return std::strtof(number.c_str(), nullptr);
}

namespace {
struct SensorRow {
    const char* model;
    std::int32_t pointCount;
    std::int32_t firstWavelength;
    std::int32_t pixelCount;
    bool nir;
    bool uv;
};
constexpr SensorRow kSensorRows[] = {
    {"K52817QX-03", 411, 640, 256, true, false},
    {"K60293QX", 251, 190, 288, false, true},
};
}  // namespace

SensorProfile ProfileForSensorModel(const QByteArray& model, std::int32_t currentPixelCount) {
    for (const SensorRow& row : kSensorRows) {
        if (model == row.model)
            return {row.pointCount, row.firstWavelength, row.pixelCount, row.nir, row.uv};
    }
    return {511, 340, currentPixelCount, false, false};
}
