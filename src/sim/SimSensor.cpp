#include "sim/SimSensor.h"

#include <algorithm>
#include <cmath>

namespace {

double Gauss(double x, double centre, double sigma) {
    const double d = (x - centre) / sigma;
    return std::exp(-0.5 * d * d);
}

// Black body at kelvin, relative to its value at 1000 nm.
double Planck(double nm, double kelvin) {
    constexpr double c2 = 1.4388e7;  // nm K
    auto radiance = [&](double l) {
        return 1.0 / (std::pow(l, 5) * (std::exp(c2 / (l * kelvin)) - 1));
    };
    return radiance(nm) / radiance(1000.0);
}

// Silicon sensor response: broad around 650 nm, fading into the UV and the NIR.
double Response(double nm) {
    return 0.15 + 0.85 * Gauss(nm, 650.0, 260.0);
}

double Lamp(double nm) {
    const double whiteLed = 0.85 * Gauss(nm, 452.0, 11.0) + 0.55 * Gauss(nm, 560.0, 48.0) +
                            0.35 * Gauss(nm, 625.0, 55.0);
    const double halogen = 0.45 * Planck(nm, 2900.0);
    const double deuterium = 0.30 * std::exp(-(nm - 190.0) / 70.0) + 0.08 * Gauss(nm, 656.1, 1.5) +
                             0.04 * Gauss(nm, 486.0, 1.5);
    return whiteLed + halogen + deuterium;
}

struct Span {
    double first;
    double last;
};

Span PixelSpan(const SimSensorProfile& p) {
    // The sensor sees a little beyond the delivered grid on both sides.
    const double first = p.firstWavelength - 12.0;
    const double last = p.firstWavelength + p.pointCount - 1 + 14.0;
    return {first, last};
}

}  // namespace

SimSensorProfile SimProfileForModel(const QByteArray& model) {
    if (model == "K52817QX-03")
        return {411, 640, 256};
    if (model == "K60293QX")
        return {251, 190, 288};
    return {511, 340, 288};
}

std::array<float, MAX_POINTS> SimLampShape(const SimSensorProfile& profile) {
    std::array<float, MAX_POINTS> shape{};
    double peak = 0.0;
    for (int i = 0; i < profile.pointCount; ++i) {
        const double nm = profile.firstWavelength + i;
        shape[i] = float(Lamp(nm) * Response(nm));
        peak = std::max(peak, double(shape[i]));
    }
    for (int i = 0; i < profile.pointCount; ++i)
        shape[i] = float(shape[i] / peak);
    return shape;
}

std::array<double, 6> SimCalibrationCoefficients(const SimSensorProfile& profile) {
    const Span span = PixelSpan(profile);
    const double p = profile.pixelCount;
    const double width = span.last - span.first;
    // A gently bent line through both ends, with small higher terms.
    const double c4 = 2.1e-8 * width / 560.0;
    const double c5 = -3.7e-11 * width / 560.0;
    const double c6 = 4.3e-14 * width / 560.0;
    const double c2 = 1.06 * width / (p - 1);
    const double higher =
        c4 * (p * p * p - 1) + c5 * (std::pow(p, 4) - 1) + c6 * (std::pow(p, 5) - 1);
    const double c3 = (width - c2 * (p - 1) - higher) / (p * p - 1);
    const double c1 = span.first - c2 - c3 - c4 - c5 - c6;
    return {c1, c2, c3, c4, c5, c6};
}

std::vector<float> SimPixelWavelengths(const SimSensorProfile& profile) {
    const auto c = SimCalibrationCoefficients(profile);
    std::vector<float> out(profile.pixelCount);
    for (int i = 0; i < profile.pixelCount; ++i) {
        const double p = i + 1;
        double v = 0.0;
        for (int k = 5; k >= 0; --k)
            v = v * p + c[k];
        out[i] = float(v);
    }
    return out;
}

std::vector<float> SimPixelGains(const SimSensorProfile& profile) {
    std::vector<float> out(profile.pixelCount);
    for (int i = 0; i < profile.pixelCount; ++i)
        out[i] = float(1.0 + 0.03 * std::sin(i * 0.21) + 0.01 * std::cos(i * 0.05));
    return out;
}

std::vector<float> SimDarkTables(const SimSensorProfile& profile) {
    const int n = profile.pixelCount;
    std::vector<float> out(2 * n);
    for (int i = 0; i < n; ++i) {
        const double base = 790.0 + 12.0 * std::sin(i * 0.3) + (i % 7);
        out[i] = float(base);
        out[n + i] = float(base + 40.0 + 6.0 * std::cos(i * 0.11));
    }
    return out;
}

float SimDarkCounts(int point, int exposureUs) {
    const double pattern = 6.0 * std::sin(point * 0.37) + 3.0 * std::cos(point * 0.071);
    return float(800.0 + pattern + 0.002 * std::max(exposureUs, 0));
}
