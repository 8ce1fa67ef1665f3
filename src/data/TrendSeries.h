#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "data/ColourMetrics.h"
#include "data/MeasurementDataSet.h"

// Series across the records of a data set, one value per record and device
// slot: what the trend window draws and `velarim-cli trend` writes.

enum class TrendKind {
    Intensity,     // the value at one wavelength
    BandMean,      // mean of the points from..to nm, both included
    Peak,          // height and wavelength, as the graph's peak label finds them
    Chromaticity,  // x and y, as the chromaticity diagram
    Uv,            // CIE 1976 u', v' from the same sums
    Cct,           // correlated colour temperature
    Temperature,   // the device temperature
};

struct TrendRequest {
    TrendKind kind = TrendKind::Intensity;
    int from = 0;  // nm: the wavelength of Intensity, the band's first point
    int to = 0;    // nm: the band's last point
};

// What one column holds; a request gives one column per device slot, two for
// Peak (height, wavelength), Chromaticity (x, y) and Uv (u', v').
enum class TrendQuantity {
    Intensity,
    BandMean,
    PeakHeight,
    PeakWavelength,
    X,
    Y,
    UPrime,
    VPrime,
    Cct,
    Temperature
};

// The axis a quantity is drawn against.
enum class TrendUnit { Counts, Nanometre, Chromaticity, UvChromaticity, Kelvin, Celsius };
inline constexpr int kTrendUnits = 6;
TrendUnit UnitOf(TrendQuantity q);

struct TrendColumn {
    TrendQuantity quantity;
    int device;
    // "nm450", "band500-600", "peak", "peak_nm", "x", "y", "u_prime", "v_prime", "cct_K",
    // "temperature"
    std::string name;
    std::vector<double> values;  // per record; NaN where undefined
};

struct TrendTable {
    std::vector<std::int64_t> timeStamps;  // per record
    std::vector<TrendColumn> columns;      // per request in order, per device, per quantity
    std::vector<QByteArray> serialText;    // per device slot of the data set
    int recordCount() const { return static_cast<int>(timeStamps.size()); }
};

// The wavelengths the devices' grids hold, as runs of consecutive nm, ascending: the data
// set's grid, or with grids of several kinds their union (one run, or more with gaps).
std::vector<WavelengthGrid> WavelengthRuns(const MeasurementDataSet& data);

// Empty when the request's wavelengths lie on some device's grid (WavelengthRuns), else one
// line naming the wavelength. Series are worked out on each device's own grid: a device
// whose grid does not hold the wavelength, or the whole band, gets NaN for it.
QString CheckTrendRequest(const TrendRequest& request, const MeasurementDataSet& data);

// The columns of the requests for the given device slots (every slot of the
// data set when devices is empty), in that order. False with a message when a
// request does not fit the grid; out is then empty. The colour columns hold only what
// was asked: x, y and u', v' one weighted sum per spectrum, the temperature only for
// Cct. With TrendColourWhen::Later they are left NaN, for TrendColour.h to fill on another thread.
enum class TrendColourWhen { Now, Later };
bool ComputeTrend(const MeasurementDataSet& data, std::span<const TrendRequest> requests,
                  std::span<const int> devices, TrendTable& out, QString& error,
                  TrendColourWhen colour = TrendColourWhen::Now);

// Whether a request is one of the colour series (Chromaticity, Uv, Cct).
bool IsColourKind(TrendKind kind);
