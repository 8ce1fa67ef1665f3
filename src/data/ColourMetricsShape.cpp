// Shape of a spectrum on its grid: centroid and width at half maximum.
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/ColourMetrics.h"
#include "data/RatioAndPeak.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

double CentroidNm(std::span<const float> spectrum, int pointCount, int firstWavelength) {
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    double weighted = 0.0;
    double total = 0.0;
    for (int k = 0; k < n; ++k) {
        const double s = spectrum[static_cast<std::size_t>(k)];
        if (s > 0.0) {
            weighted += s * (static_cast<double>(firstWavelength) + k);
            total += s;
        }
    }
    return total > 0.0 ? weighted / total : kNaN;
}

double FwhmNm(std::span<const float> spectrum, int pointCount, int firstWavelength) {
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    const Peak peak = FindPeak(spectrum, n, firstWavelength);
    if (!(peak.value > 0.0f))
        return kNaN;
    const auto at = [&](int k) { return double{spectrum[static_cast<std::size_t>(k)]}; };
    const int p = peak.wavelength - firstWavelength;
    const double half = 0.5 * peak.value;
    int j = p;
    while (j >= 0 && at(j) > half)
        --j;
    if (j < 0)
        return kNaN;
    const double left = j + (half - at(j)) / (at(j + 1) - at(j));
    j = p;
    while (j < n && at(j) > half)
        ++j;
    if (j >= n)
        return kNaN;
    const double right = (j - 1) + (at(j - 1) - half) / (at(j - 1) - at(j));
    return right - left;
}
