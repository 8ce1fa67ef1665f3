// Correlated colour temperature and Duv on the Planckian locus of the program's own table.
//
// The locus is tabulated once every 4 mired with its slope, so that between two table points
// it is a cubic (Hermite) that stays within 1e-10 of Planck's law in (u, v); the nearest point
// of that cubic is found by Newton's method. No sum of Planck's law is made per sample.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "data/CmfTable.h"
#include "data/ColourMetrics.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kTableFirstNm = CmfTable::kFirstWavelength;                    // 340
constexpr int kFirstNm = CmfTable::kFirstWavelength + CmfTable::kFirstUsed;  // 380
constexpr int kLastNm = CmfTable::kFirstWavelength + CmfTable::kLastUsed;    // 824
constexpr double kC2 = 1.4388e-2;  // second radiation constant, m K
constexpr double kMinKelvin = 1000.0;
constexpr double kMaxKelvin = 25000.0;
constexpr double kMaxDuv = 0.05;
// The table runs a little beyond 1000..25000 K so that the edges are found as minima.
constexpr double kFirstMired = 35.0;
constexpr double kStepMired = 4.0;
constexpr int kPoints = 245;  // 35 .. 1011 mired

struct Uv {
    double u;
    double v;
};

Uv UvOf(double X, double Y, double Z) {
    const double d = X + 15.0 * Y + 3.0 * Z;
    return {4.0 * X / d, 6.0 * Y / d};
}

// The locus at the table's mireds: points, and slopes per mired, in separate rows so that the
// search for the nearest point runs through contiguous memory.
struct LocusTable {
    std::array<double, kPoints> u{};
    std::array<double, kPoints> v{};
    std::array<double, kPoints> du{};
    std::array<double, kPoints> dv{};
};

const LocusTable& Locus() {
    static const LocusTable table = [] {
        LocusTable t;
        const CmfTable& cmf = SharedCmfTable();
        for (int i = 0; i < kPoints; ++i) {
            const double mired = kFirstMired + kStepMired * i;
            const double kelvin = 1e6 / mired;
            const Tristimulus p = PlanckTristimulus(kelvin);
            // d/d(mired) of the same sums: dB/dT = B * x e^x / (T (e^x - 1)), dT/dmired = -T^2/1e6.
            double dX = 0.0, dY = 0.0, dZ = 0.0;
            for (int nm = kFirstNm; nm <= kLastNm; ++nm) {
                const double m = nm * 1e-9;
                const double r = m / 560e-9;
                const double x = kC2 / (m * kelvin);
                const double em1 = std::expm1(x);
                const double b = 1.0 / (r * r * r * r * r * em1);
                const double db = b * x * (em1 + 1.0) / (kelvin * em1) * (-kelvin * kelvin / 1e6);
                const auto& e = cmf[nm - kTableFirstNm];
                dX += db * e[0];
                dY += db * e[1];
                dZ += db * e[2];
            }
            const Uv uv = UvOf(p.X, p.Y, p.Z);
            const double d = p.X + 15.0 * p.Y + 3.0 * p.Z;
            const double dd = dX + 15.0 * dY + 3.0 * dZ;
            t.u[i] = uv.u;
            t.v[i] = uv.v;
            t.du[i] = 4.0 * (dX * d - p.X * dd) / (d * d);
            t.dv[i] = 6.0 * (dY * d - p.Y * dd) / (d * d);
        }
        return t;
    }();
    return table;
}

// The cubic between table points j and j + 1 at s in 0..1: point, first and second
// derivative in s.
struct CurvePoint {
    Uv p;
    Uv d1;
    Uv d2;
};
CurvePoint Curve(const LocusTable& t, int j, double s) {
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double h = kStepMired;
    const double a0 = 2 * s3 - 3 * s2 + 1, b0 = h * (s3 - 2 * s2 + s);
    const double a1 = -2 * s3 + 3 * s2, b1 = h * (s3 - s2);
    const double a0d = 6 * s2 - 6 * s, b0d = h * (3 * s2 - 4 * s + 1);
    const double a1d = -a0d, b1d = h * (3 * s2 - 2 * s);
    const double a0dd = 12 * s - 6, b0dd = h * (6 * s - 4);
    const double a1dd = -a0dd, b1dd = h * (6 * s - 2);
    const auto mix = [&](double c0, double e0, double c1, double e1) {
        return Uv{c0 * t.u[j] + e0 * t.du[j] + c1 * t.u[j + 1] + e1 * t.du[j + 1],
                  c0 * t.v[j] + e0 * t.dv[j] + c1 * t.v[j + 1] + e1 * t.dv[j + 1]};
    };
    return {mix(a0, b0, a1, b1), mix(a0d, b0d, a1d, b1d), mix(a0dd, b0dd, a1dd, b1dd)};
}

// Half the derivative of the squared distance from the sample along the cubic.
double Slope(const CurvePoint& c, Uv sample) {
    return (c.p.u - sample.u) * c.d1.u + (c.p.v - sample.v) * c.d1.v;
}

// The s in 0..1 of segment j where the distance to the sample is least, given that it falls
// towards the inside from both ends (slope(0) < 0 < slope(1)): Newton's method kept inside
// a shrinking bracket.
double NearestOnSegment(const LocusTable& t, int j, Uv sample) {
    double lo = 0.0, hi = 1.0;
    double s = 0.5;
    for (int i = 0; i < 60; ++i) {
        const CurvePoint c = Curve(t, j, s);
        const double g = Slope(c, sample);
        if (g < 0.0)
            lo = s;
        else
            hi = s;
        const double gd = c.d1.u * c.d1.u + c.d1.v * c.d1.v + (c.p.u - sample.u) * c.d2.u +
                          (c.p.v - sample.v) * c.d2.v;
        double next = gd > 0.0 ? s - g / gd : 0.5 * (lo + hi);
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (std::abs(next - s) < 1e-13 || hi - lo < 1e-13)
            return next;
        s = next;
    }
    return s;
}

}  // namespace

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
    const Uv sample = UvOf(t.X, t.Y, t.Z);
    const LocusTable& locus = Locus();
    int best = 0;
    double bestD2 = std::numeric_limits<double>::infinity();
    for (int i = 0; i < kPoints; ++i) {
        const double du = sample.u - locus.u[i];
        const double dv = sample.v - locus.v[i];
        const double d2 = du * du + dv * dv;
        if (d2 < bestD2) {
            bestD2 = d2;
            best = i;
        }
    }
    // The distance falls towards the side where it slopes down; at the table's ends the end
    // itself is the nearest point (and lies outside 1000..25000 K).
    const double slope =
        (locus.u[best] - sample.u) * locus.du[best] + (locus.v[best] - sample.v) * locus.dv[best];
    double mired = kFirstMired + kStepMired * best;
    Uv nearest{locus.u[best], locus.v[best]};
    const int j = slope > 0.0 ? best - 1 : best;
    if (slope != 0.0 && j >= 0 && j + 1 < kPoints) {
        const double s = NearestOnSegment(locus, j, sample);
        mired = kFirstMired + kStepMired * (j + s);
        nearest = Curve(locus, j, s).p;
    }
    const double kelvin = 1e6 / mired;
    if (kelvin < kMinKelvin || kelvin > kMaxKelvin)
        return none;
    const double du = sample.u - nearest.u;
    const double dv = sample.v - nearest.v;
    const double duv = std::copysign(std::sqrt(du * du + dv * dv), dv);
    if (std::abs(duv) > kMaxDuv)
        return none;
    return {kelvin, duv};
}
