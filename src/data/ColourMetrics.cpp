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
constexpr double kC2 = 1.4388e-2;  // second radiation constant, m K
constexpr double kMinKelvin = 1000.0;
constexpr double kMaxKelvin = 25000.0;
constexpr double kMaxDuv = 0.05;
// The locus table runs a little beyond 1000..25000 K so that the edges are found as minima.
constexpr double kTableFirstMired = 35.0;
constexpr double kTableStepMired = 4.0;
constexpr int kTableMireds = 245;  // 35 .. 1011 mired

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

struct Uv {
    double u;
    double v;
};
Uv UvOf(const Tristimulus& t) {
    const double d = t.X + 15.0 * t.Y + 3.0 * t.Z;
    return {4.0 * t.X / d, 6.0 * t.Y / d};
}

double Distance2(Uv a, Uv b) {
    return (a.u - b.u) * (a.u - b.u) + (a.v - b.v) * (a.v - b.v);
}

Uv PlanckUv(double kelvin) {
    return UvOf(PlanckTristimulus(kelvin));
}

// The Planckian locus every 4 mired, made once.
const std::array<Uv, kTableMireds>& LocusTable() {
    static const std::array<Uv, kTableMireds> table = [] {
        std::array<Uv, kTableMireds> t{};
        for (int i = 0; i < kTableMireds; ++i)
            t[i] = PlanckUv(1e6 / (kTableFirstMired + kTableStepMired * i));
        return t;
    }();
    return table;
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

Tristimulus PlanckTristimulus(double kelvin) {
    const CmfTable& cmf = SharedCmfTable();
    Tristimulus t;
    for (int nm = kFirstNm; nm <= kLastNm; ++nm) {
        const double m = nm * 1e-9;
        // Relative to 560 nm so that the sums stay near 1 at any temperature.
        const double r = m / 560e-9;
        const double s = 1.0 / (r * r * r * r * r * std::expm1(kC2 / (m * kelvin)));
        const auto& e = cmf[nm - kTableFirstNm];
        t.X += s * e[0];
        t.Y += s * e[1];
        t.Z += s * e[2];
    }
    return t;
}

CctDuv CctAndDuvOf(const Tristimulus& t) {
    const CctDuv none{kNaN, kNaN};
    const double d = t.X + 15.0 * t.Y + 3.0 * t.Z;
    if (!(d > 0.0) || !std::isfinite(d))
        return none;
    const Uv sample = UvOf(t);
    const auto& table = LocusTable();
    int best = 0;
    for (int i = 1; i < kTableMireds; ++i) {
        if (Distance2(sample, table[i]) < Distance2(sample, table[best]))
            best = i;
    }
    // Golden section between the neighbours of the nearest table point.
    double a = kTableFirstMired + kTableStepMired * std::max(best - 1, 0);
    double b = kTableFirstMired + kTableStepMired * std::min(best + 1, kTableMireds - 1);
    const auto f = [&](double mired) { return Distance2(sample, PlanckUv(1e6 / mired)); };
    constexpr double g = 0.6180339887498949;
    double c = b - g * (b - a);
    double e = a + g * (b - a);
    double fc = f(c);
    double fe = f(e);
    while (b - a > 1e-5) {  // 0.006 K at 25000 K
        if (fc < fe) {
            b = e;
            e = c;
            fe = fc;
            c = b - g * (b - a);
            fc = f(c);
        } else {
            a = c;
            c = e;
            fc = fe;
            e = a + g * (b - a);
            fe = f(e);
        }
    }
    const double kelvin = 1e6 / (0.5 * (a + b));
    if (kelvin < kMinKelvin || kelvin > kMaxKelvin)
        return none;
    const Uv locus = PlanckUv(kelvin);
    const double duv = std::copysign(std::sqrt(Distance2(sample, locus)), sample.v - locus.v);
    if (std::abs(duv) > kMaxDuv)
        return none;
    return {kelvin, duv};
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

ColourMetrics ComputeColourMetrics(std::span<const float> spectrum, int pointCount,
                                   int firstWavelength) {
    ColourMetrics m{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    const int n = std::clamp(pointCount, 0, static_cast<int>(spectrum.size()));
    const Peak peak = FindPeak(spectrum, n, firstWavelength);
    m.peakNm = peak.wavelength;
    m.centroidNm = CentroidNm(spectrum, n, firstWavelength);
    m.fwhmNm = FwhmNm(spectrum, n, firstWavelength);

    // The diagram's chromaticity: single precision, ascending, x = X / (Y + X + Z).
    const CmfTable& cmf = SharedCmfTable();
    const Overlap o = OverlapOf(spectrum.size(), n, firstWavelength);
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    for (int k = o.first; k <= o.last; ++k) {
        const float s = spectrum[static_cast<std::size_t>(k)];
        const auto& e = cmf[firstWavelength + k - kTableFirstNm];
        X += s * e[0];
        Y += s * e[1];
        Z += s * e[2];
    }
    const float sum = Y + X + Z;
    if (sum == 0.0f || !std::isfinite(sum))
        return m;
    const float x = X / sum;
    const float y = Y / sum;
    if (!std::isfinite(x) || !std::isfinite(y))
        return m;
    m.x = x;
    m.y = y;

    const Tristimulus t = TristimulusOf(spectrum, n, firstWavelength);
    const double total = t.X + t.Y + t.Z;
    if (!(total > 0.0))
        return m;  // no net light: x, y as the diagram divides, nothing derived
    const CctDuv cct = CctAndDuvOf(t);
    m.cctK = cct.cctK;
    m.duv = cct.duv;
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
        m.x = m.y = m.cctK = m.duv = m.dominantNm = m.purity = kNaN;
    return m;
}
