#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include <QString>

// Colour metrics of one spectrum on a 1-nm grid (point k at firstWavelength + k nm), all from
// the rounded Judd-Vos table of CmfTable.h, so that they agree with the chromaticity diagram.
//
// - x, y: the diagram's chromaticity (single-precision sums over 380..824 nm, ascending),
//   widened to double. The points are matched to the table by wavelength, so a grid starting at
//   190 or 640 nm contributes only where it overlaps 380..824 nm.
// - uPrime, vPrime: CIE 1976 u', v' from the same sums, u' = 4X / (X + 15Y + 3Z),
//   v' = 9Y / (X + 15Y + 3Z); NaN where x, y are, or where that quotient is not finite.
// - cctK, duv: correlated colour temperature and distance from the Planckian locus in the
//   CIE 1960 (u, v) diagram. The locus is Planck's law (c2 = 1.4388e-2 m K) summed with the same
//   table at 1 nm; the temperature is the one whose locus point lies nearest. It is found on a
//   table of the locus every 4 mired (points and slopes, made once): the nearest table point,
//   then the nearest point of the cubic through it and its neighbour (ColourTemperature.cpp).
//   duv is positive above the locus (greater v). Both are NaN outside 1000..25000 K or for
//   |duv| > 0.05.
// - dominantNm, purity: against the equal-energy white point of the same table (x 0.334957,
//   y 0.336336), the ray from white through the sample meets the spectral locus (380..780 nm at
//   1 nm, linear between points). A sample on the purple side gets the complementary wavelength,
//   negative. purity = distance(white, sample) / distance(white, boundary point), so 1 on the
//   locus or the purple line. A sample within 1e-6 of white: dominantNm NaN, purity 0.
// - peakNm: FindPeak's wavelength (first highest value above 0; firstWavelength when nothing is
//   above 0, as the graph's peak label).
// - centroidNm: sum(lambda s) / sum(s) over the points above 0 of the whole grid.
// - fwhmNm: the width at half the peak value, the crossings interpolated linearly on either side
//   of the peak; NaN when no value is above 0 or the spectrum does not fall to half within the
//   grid on both sides.
// Everything that depends on the chromaticity is NaN when there is no light in 380..824 nm.
// A spectrum whose sums are negative (below the dark level) keeps the diagram's x, y (the
// quotient of negative sums) but gets no temperature or dominant wavelength.
struct ColourMetrics {
    double x;
    double y;
    double uPrime;
    double vPrime;
    double cctK;
    double duv;
    double dominantNm;
    double purity;
    double peakNm;
    double centroidNm;
    double fwhmNm;
};

ColourMetrics ComputeColourMetrics(std::span<const float> spectrum, int pointCount,
                                   int firstWavelength);

// The colour part of ColourMetrics alone, the temperature only when asked for: a series of
// x, y needs one weighted sum per spectrum and nothing else.
struct SpectrumColour {
    double x;
    double y;
    double uPrime;
    double vPrime;
    double cctK;  // NaN when not asked for
    double duv;
};
SpectrumColour ColourOfSpectrum(std::span<const float> spectrum, int pointCount,
                                int firstWavelength, bool withTemperature);

// Colour needs the whole of 380..780 nm: a device whose grid does not span it (the ultraviolet
// and near-infrared sensors) has no colour, only the part of it its grid happens to overlap.
inline constexpr int kColourFirstNm = 380;
inline constexpr int kColourLastNm = 780;
bool GridSpansColour(int pointCount, int firstWavelength);

// The metrics of one device's spectrum on its own grid: ComputeColourMetrics, but on a grid
// that does not span 380..780 nm x, y, CCT, Duv, dominant wavelength and purity are NaN (the
// peak, centroid and width of the spectrum stay).
ColourMetrics DeviceColourMetrics(std::span<const float> spectrum, int pointCount,
                                  int firstWavelength);
// The same rule for the colour part alone.
SpectrumColour DeviceColourOfSpectrum(std::span<const float> spectrum, int pointCount,
                                      int firstWavelength, bool withTemperature);

// The pieces, for tests and for callers that need one of them.
struct Tristimulus {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};
// Double-precision sums over the part of the grid inside 380..824 nm.
Tristimulus TristimulusOf(std::span<const float> spectrum, int pointCount, int firstWavelength);
// A blackbody's tristimulus values (relative) from the same table.
Tristimulus PlanckTristimulus(double kelvin);

struct CctDuv {
    double cctK;
    double duv;
};
// From CIE 1960 u, v: u = 4X / (X + 15Y + 3Z), v = 6Y / (X + 15Y + 3Z).
CctDuv CctAndDuvOf(const Tristimulus& t);

struct DominantWavelength {
    double nm;  // negative: complementary wavelength of a purple
    double purity;
};
DominantWavelength DominantWavelengthOf(double x, double y);
// CIE 1976 u', v' of a chromaticity x, y: 4x / (-2x + 12y + 3), 9y / (-2x + 12y + 3).
std::array<double, 2> UvPrimeOf(double x, double y);
// Chromaticity of the equal-energy spectrum through the table.
std::array<double, 2> WhitePointE();

double CentroidNm(std::span<const float> spectrum, int pointCount, int firstWavelength);
double FwhmNm(std::span<const float> spectrum, int pointCount, int firstWavelength);

// velarim-cli color's lines, in this order: x, y, u_prime, v_prime (4 decimals), cct_K (0), duv
// (4), dominant_nm (1), purity (3), peak_nm (0), centroid_nm (1), fwhm_nm (1); "nan" for an
// undefined value.
std::vector<std::string> ColourMetricsLines(const ColourMetrics& m);

// The chromaticity diagram's lines beside "X,Y = ...", named in the window's language:
// "u′ 0.2548", "v′ 0.5266", "CCT 2856 K", "Duv +0.0001", "主波長 583.1 nm" (purples "補色波長 495.3
// nm"), "純度 0.520", "ピーク 555 nm", "重心 560.2 nm", "半値幅 47.1 nm" (in English "dominant",
// "compl.", "purity", "peak", "centroid", "FWHM"); an undefined value shows as "-".
std::vector<QString> ColourMetricsLabels(const ColourMetrics& m);
