#pragma once

#include <cstdint>
#include <span>

// Arithmetic on spectra of the 1-nm grid: point k lies at firstWavelength + k nm.

// Sample against reference in percent: the quotient in single precision,
// widened and scaled by 100. No guard for ref == 0 (gives inf or NaN).
double RatioPercent(float s, float ref);

// log10(ref / max(1, s)); 0 when ref is not above 0 (or NaN).
double Absorptance(float s, float ref);

struct Peak {
    float value = 0.0f;
    std::int32_t wavelength = 0;
};

// Highest value above 0 among the first pointCount values; ties keep the
// shortest wavelength; no value above 0 gives (0, firstWavelength).
Peak FindPeak(std::span<const float> spectrum, int pointCount, std::int32_t firstWavelength);
