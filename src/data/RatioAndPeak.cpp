#include "data/RatioAndPeak.h"

#include <algorithm>
#include <cmath>

double RatioPercent(float s, float ref) {
    const float q = s / ref;
    return static_cast<double>(q) * 100.0;
}

double Absorptance(float s, float ref) {
    if (!(ref > 0.0f))
        return 0.0;
    const float m = std::max(1.0f, s);
    return -std::log10(static_cast<double>(m) / static_cast<double>(ref));
}

Peak FindPeak(std::span<const float> spectrum, int pointCount, std::int32_t firstWavelength) {
    Peak peak{0.0f, firstWavelength};
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    for (int k = 0; k < n; ++k) {
        if (spectrum[static_cast<std::size_t>(k)] > peak.value) {
            peak.value = spectrum[static_cast<std::size_t>(k)];
            peak.wavelength = firstWavelength + k;
        }
    }
    return peak;
}
