#include "data/ColourMetrics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/CmfTable.h"
#include "data/RatioAndPeak.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kTableFirstNm = CmfTable::kFirstWavelength;                    // 340
constexpr int kFirstNm = CmfTable::kFirstWavelength + CmfTable::kFirstUsed;  // 380
constexpr int kLastNm = CmfTable::kFirstWavelength + CmfTable::kLastUsed;    // 824
// Points k of a grid that fall on 380..824 nm: [first, last], empty when first > last.
struct Overlap {
    int first;
    int last;
};
Overlap OverlapOf(std::size_t size, int pointCount, int firstWavelength) {
    // In 64 bits: a grid read from a file may start anywhere.
    const long long n = std::clamp(pointCount, 0, static_cast<int>(size));
    const long long first = std::max(0LL, static_cast<long long>(kFirstNm) - firstWavelength);
    const long long last = std::min(n - 1, static_cast<long long>(kLastNm) - firstWavelength);
    if (first > last)
        return {0, -1};
    return {static_cast<int>(first), static_cast<int>(last)};
}

struct Point {
    double x;
    double y;
};
double Cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}

// The spectral locus 380..780 nm at 1 nm.
constexpr int kLocusFirstNm = 380;
constexpr int kLocusPoints = 401;
const std::array<Point, kLocusPoints>& SpectralLocus() {
    static const std::array<Point, kLocusPoints> locus = [] {
        std::array<Point, kLocusPoints> l{};
        const CmfTable& cmf = SharedCmfTable();
        for (int k = 0; k < kLocusPoints; ++k) {
            const auto& e = cmf[kLocusFirstNm - kTableFirstNm + k];
            const double sum = double{e[0]} + double{e[1]} + double{e[2]};
            l[k] = {e[0] / sum, e[1] / sum};
        }
        return l;
    }();
    return locus;
}

// Ray origin + t d (t > 0) against segment p..q: t, or -1 when they do not meet; s receives the
// position along the segment (0..1).
double RayHit(Point origin, Point d, Point p, Point q, double& s) {
    const Point e{q.x - p.x, q.y - p.y};
    const double den = Cross(d, e);
    if (std::abs(den) < 1e-18)
        return -1.0;
    const Point w{p.x - origin.x, p.y - origin.y};
    const double t = Cross(w, e) / den;
    s = Cross(w, d) / den;
    constexpr double eps = 1e-9;
    if (t <= 0.0 || s < -eps || s > 1.0 + eps)
        return -1.0;
    s = std::clamp(s, 0.0, 1.0);
    return t;
}

// The farthest crossing of the ray with the spectral locus: t and wavelength (t < 0: none).
struct LocusHit {
    double t = -1.0;
    double nm = kNaN;
};
LocusHit FarthestSpectralHit(Point origin, Point d) {
    const auto& locus = SpectralLocus();
    LocusHit best;
    for (int k = 0; k + 1 < kLocusPoints; ++k) {
        double s = 0.0;
        const double t = RayHit(origin, d, locus[k], locus[k + 1], s);
        if (t > best.t + 1e-12)
            best = {t, kLocusFirstNm + k + s};
    }
    return best;
}

}  // namespace

Tristimulus TristimulusOf(std::span<const float> spectrum, int pointCount, int firstWavelength) {
    const CmfTable& cmf = SharedCmfTable();
    const Overlap o = OverlapOf(spectrum.size(), pointCount, firstWavelength);
    Tristimulus t;
    for (int k = o.first; k <= o.last; ++k) {
        const double s = spectrum[static_cast<std::size_t>(k)];
        const auto& e = cmf[firstWavelength + k - kTableFirstNm];
        t.X += s * e[0];
        t.Y += s * e[1];
        t.Z += s * e[2];
    }
    return t;
}

std::array<double, 2> WhitePointE() {
    static const std::array<double, 2> white = [] {
        const CmfTable& cmf = SharedCmfTable();
        double X = 0.0, Y = 0.0, Z = 0.0;
        for (int i = CmfTable::kFirstUsed; i <= CmfTable::kLastUsed; ++i) {
            X += cmf[i][0];
            Y += cmf[i][1];
            Z += cmf[i][2];
        }
        return std::array<double, 2>{X / (X + Y + Z), Y / (X + Y + Z)};
    }();
    return white;
}

std::array<double, 2> UvPrimeOf(double x, double y) {
    const double d = -2.0 * x + 12.0 * y + 3.0;
    return {4.0 * x / d, 9.0 * y / d};
}

DominantWavelength DominantWavelengthOf(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return {kNaN, kNaN};
    const auto [wx, wy] = WhitePointE();
    const Point white{wx, wy};
    const Point d{x - wx, y - wy};
    if (std::hypot(d.x, d.y) < 1e-6)
        return {kNaN, 0.0};
    const LocusHit spectral = FarthestSpectralHit(white, d);
    const auto& locus = SpectralLocus();
    double s = 0.0;
    const double purple = RayHit(white, d, locus.front(), locus.back(), s);
    if (purple > spectral.t) {
        const LocusHit opposite = FarthestSpectralHit(white, Point{-d.x, -d.y});
        return {opposite.t > 0.0 ? -opposite.nm : kNaN, 1.0 / purple};
    }
    if (spectral.t <= 0.0)
        return {kNaN, kNaN};
    return {spectral.nm, 1.0 / spectral.t};
}

namespace {

// The colour part, and the double-precision sums the dominant wavelength is read from.
struct ColourAndSums {
    SpectrumColour colour{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    Tristimulus sums;
    bool netLight = false;  // x, y defined and the sums' total above 0
};

ColourAndSums ColourWithSums(std::span<const float> spectrum, int pointCount, int firstWavelength,
                             bool withTemperature) {
    ColourAndSums out;
    // The diagram's chromaticity: single precision, ascending, x = X / (Y + X + Z); the
    // double sums of TristimulusOf beside them, in the same pass.
    const CmfTable& cmf = SharedCmfTable();
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    const Overlap o = OverlapOf(spectrum.size(), n, firstWavelength);
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    Tristimulus& t = out.sums;
    for (int k = o.first; k <= o.last; ++k) {
        const float s = spectrum[static_cast<std::size_t>(k)];
        const auto& e = cmf[firstWavelength + k - kTableFirstNm];
        X += s * e[0];
        Y += s * e[1];
        Z += s * e[2];
        const double sd = s;
        t.X += sd * e[0];
        t.Y += sd * e[1];
        t.Z += sd * e[2];
    }
    const float sum = Y + X + Z;
    if (sum == 0.0f || !std::isfinite(sum))
        return out;
    const float x = X / sum;
    const float y = Y / sum;
    if (!std::isfinite(x) || !std::isfinite(y))
        return out;
    SpectrumColour& c = out.colour;
    c.x = x;
    c.y = y;
    const double d = double{X} + 15.0 * double{Y} + 3.0 * double{Z};
    const double u = 4.0 * double{X} / d;
    const double v = 9.0 * double{Y} / d;
    if (std::isfinite(u) && std::isfinite(v)) {
        c.uPrime = u;
        c.vPrime = v;
    }
    out.netLight = t.X + t.Y + t.Z > 0.0;
    if (out.netLight && withTemperature) {  // no net light: x, y as the diagram divides
        const CctDuv cct = CctAndDuvOf(t);
        c.cctK = cct.cctK;
        c.duv = cct.duv;
    }
    return out;
}

}  // namespace

SpectrumColour ColourOfSpectrum(std::span<const float> spectrum, int pointCount,
                                int firstWavelength, bool withTemperature) {
    return ColourWithSums(spectrum, pointCount, firstWavelength, withTemperature).colour;
}

ColourMetrics ComputeColourMetrics(std::span<const float> spectrum, int pointCount,
                                   int firstWavelength) {
    ColourMetrics m{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    const Peak peak = FindPeak(spectrum, n, firstWavelength);
    m.peakNm = peak.wavelength;
    m.centroidNm = CentroidNm(spectrum, n, firstWavelength);
    m.fwhmNm = FwhmNm(spectrum, n, firstWavelength);

    const ColourAndSums c = ColourWithSums(spectrum, n, firstWavelength, true);
    m.x = c.colour.x;
    m.y = c.colour.y;
    m.uPrime = c.colour.uPrime;
    m.vPrime = c.colour.vPrime;
    m.cctK = c.colour.cctK;
    m.duv = c.colour.duv;
    if (!c.netLight)
        return m;
    const Tristimulus& t = c.sums;
    const double total = t.X + t.Y + t.Z;
    const DominantWavelength dom = DominantWavelengthOf(t.X / total, t.Y / total);
    m.dominantNm = dom.nm;
    m.purity = dom.purity;
    return m;
}

bool GridSpansColour(int pointCount, int firstWavelength) {
    const long long last = static_cast<long long>(firstWavelength) + pointCount - 1;
    return pointCount > 0 && firstWavelength <= kColourFirstNm && last >= kColourLastNm;
}

ColourMetrics DeviceColourMetrics(std::span<const float> spectrum, int pointCount,
                                  int firstWavelength) {
    ColourMetrics m = ComputeColourMetrics(spectrum, pointCount, firstWavelength);
    if (!GridSpansColour(pointCount, firstWavelength))
        m.x = m.y = m.uPrime = m.vPrime = m.cctK = m.duv = m.dominantNm = m.purity = kNaN;
    return m;
}

SpectrumColour DeviceColourOfSpectrum(std::span<const float> spectrum, int pointCount,
                                      int firstWavelength, bool withTemperature) {
    if (!GridSpansColour(pointCount, firstWavelength))
        return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    return ColourOfSpectrum(spectrum, pointCount, firstWavelength, withTemperature);
}
