#include "data/TrendSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include <QStringList>

#include "data/ColourMetrics.h"
#include "data/RatioAndPeak.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int PointsOf(const MeasurementDataSet& data) {
    return std::clamp(data.pointCount, 0, static_cast<int>(MAX_POINTS));
}

// Device d's grid, its point count within the buffer.
WavelengthGrid GridOf(const MeasurementDataSet& data, int d) {
    WavelengthGrid g = data.grid(d);
    g.pointCount = std::clamp<std::int32_t>(g.pointCount, 0, MAX_POINTS);
    return g;
}

// Whether any device's grid has a point at nm.
bool OnGrid(const MeasurementDataSet& data, int nm) {
    if (!data.hasMixedGrids()) {
        const long long k = static_cast<long long>(nm) - data.firstWavelength;
        return k >= 0 && k < PointsOf(data);
    }
    for (const WavelengthGrid& run : WavelengthRuns(data)) {
        if (run.holds(nm))
            return true;
    }
    return false;
}

std::span<const float> SpectrumOf(const MeasurementDataSet& data, int d, int r) {
    return std::span<const float>(data.entry(d, r).values.data(),
                                  static_cast<std::size_t>(GridOf(data, d).pointCount));
}

bool HasNaN(std::span<const float> spectrum) {
    return std::any_of(spectrum.begin(), spectrum.end(), [](float v) { return std::isnan(v); });
}

double BandMean(std::span<const float> spectrum, int first, int last) {
    double sum = 0.0;
    for (int k = first; k <= last; ++k)
        sum += spectrum[static_cast<std::size_t>(k)];
    return sum / (last - first + 1);
}

// The colour of every record of one slot, worked out once for all its colour
// columns, the temperature only when a Cct column wants it. A spectrum holding NaN
// (a slot that did not answer) has none: the colour code would leave such points
// out of its sums.
using ColourColumn = std::vector<SpectrumColour>;
struct ColourWork {
    TrendColourWhen when = TrendColourWhen::Now;
    bool temperature = false;
    std::map<int, ColourColumn> bySlot;
};

const ColourColumn* ColourOf(const MeasurementDataSet& data, int d, ColourWork& work) {
    if (work.when == TrendColourWhen::Later)
        return nullptr;
    auto [it, added] = work.bySlot.try_emplace(d);
    if (!added)
        return &it->second;
    const SpectrumColour none{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    const WavelengthGrid grid = GridOf(data, d);
    it->second.reserve(static_cast<std::size_t>(data.recordCount));
    for (int r = 0; r < data.recordCount; ++r) {
        const auto s = SpectrumOf(data, d, r);
        it->second.push_back(HasNaN(s)
                                 ? none
                                 : DeviceColourOfSpectrum(s, grid.pointCount, grid.firstWavelength,
                                                          work.temperature));
    }
    return &it->second;
}

TrendColumn Column(TrendQuantity q, int d, std::string name, int records) {
    return {q, d, std::move(name), std::vector<double>(static_cast<std::size_t>(records), kNaN)};
}

// The two columns of a pair of colour values, filled now or left NaN for later.
void AddColourPair(const MeasurementDataSet& data, int d, ColourWork& work, TrendQuantity qa,
                   const char* na, double SpectrumColour::*a, TrendQuantity qb, const char* nb,
                   double SpectrumColour::*b, std::vector<TrendColumn>& out) {
    const int n = data.recordCount;
    TrendColumn first = Column(qa, d, na, n);
    TrendColumn second = Column(qb, d, nb, n);
    if (const ColourColumn* m = ColourOf(data, d, work)) {
        for (int r = 0; r < n; ++r) {
            first.values[r] = (*m)[r].*a;
            second.values[r] = (*m)[r].*b;
        }
    }
    out.push_back(std::move(first));
    out.push_back(std::move(second));
}

void AddColumns(const MeasurementDataSet& data, const TrendRequest& req, int d, ColourWork& work,
                std::vector<TrendColumn>& out) {
    const int n = data.recordCount;
    // Each device on its own grid: a wavelength it has no point at gives NaN.
    const WavelengthGrid grid = GridOf(data, d);
    const int first = grid.firstWavelength;
    switch (req.kind) {
        case TrendKind::Intensity: {
            TrendColumn c = Column(TrendQuantity::Intensity, d, "nm" + std::to_string(req.from), n);
            const int k = grid.indexOf(req.from);
            for (int r = 0; r < n && k >= 0; ++r)
                c.values[r] = SpectrumOf(data, d, r)[static_cast<std::size_t>(k)];
            out.push_back(std::move(c));
            break;
        }
        case TrendKind::BandMean: {
            TrendColumn c =
                Column(TrendQuantity::BandMean, d,
                       "band" + std::to_string(req.from) + "-" + std::to_string(req.to), n);
            const bool held = grid.holds(req.from) && grid.holds(req.to);
            for (int r = 0; r < n && held; ++r)
                c.values[r] = BandMean(SpectrumOf(data, d, r), req.from - first, req.to - first);
            out.push_back(std::move(c));
            break;
        }
        case TrendKind::Peak: {
            TrendColumn height = Column(TrendQuantity::PeakHeight, d, "peak", n);
            TrendColumn nm = Column(TrendQuantity::PeakWavelength, d, "peak_nm", n);
            for (int r = 0; r < n; ++r) {
                const auto s = SpectrumOf(data, d, r);
                if (HasNaN(s))
                    continue;  // FindPeak would pass over NaN and report a peak of the rest
                const Peak p = FindPeak(s, grid.pointCount, first);
                height.values[r] = p.value;
                nm.values[r] = p.wavelength;
            }
            out.push_back(std::move(height));
            out.push_back(std::move(nm));
            break;
        }
        case TrendKind::Chromaticity:
            AddColourPair(data, d, work, TrendQuantity::X, "x", &SpectrumColour::x,
                          TrendQuantity::Y, "y", &SpectrumColour::y, out);
            break;
        case TrendKind::Uv:
            AddColourPair(data, d, work, TrendQuantity::UPrime, "u_prime", &SpectrumColour::uPrime,
                          TrendQuantity::VPrime, "v_prime", &SpectrumColour::vPrime, out);
            break;
        case TrendKind::Cct: {
            TrendColumn c = Column(TrendQuantity::Cct, d, "cct_K", n);
            if (const ColourColumn* m = ColourOf(data, d, work)) {
                for (int r = 0; r < n; ++r)
                    c.values[r] = (*m)[r].cctK;
            }
            out.push_back(std::move(c));
            break;
        }
        case TrendKind::Temperature: {
            TrendColumn c = Column(TrendQuantity::Temperature, d, "temperature", n);
            for (int r = 0; r < n; ++r)
                c.values[r] = data.entry(d, r).temperature;
            out.push_back(std::move(c));
            break;
        }
    }
}

}  // namespace

bool IsColourKind(TrendKind kind) {
    return kind == TrendKind::Chromaticity || kind == TrendKind::Uv || kind == TrendKind::Cct;
}

TrendUnit UnitOf(TrendQuantity q) {
    switch (q) {
        case TrendQuantity::Intensity:
        case TrendQuantity::BandMean:
        case TrendQuantity::PeakHeight:
            return TrendUnit::Counts;
        case TrendQuantity::PeakWavelength:
            return TrendUnit::Nanometre;
        case TrendQuantity::X:
        case TrendQuantity::Y:
            return TrendUnit::Chromaticity;
        case TrendQuantity::UPrime:
        case TrendQuantity::VPrime:
            return TrendUnit::UvChromaticity;
        case TrendQuantity::Cct:
            return TrendUnit::Kelvin;
        case TrendQuantity::Temperature:
            break;
    }
    return TrendUnit::Celsius;
}

std::vector<WavelengthGrid> WavelengthRuns(const MeasurementDataSet& data) {
    if (!data.hasMixedGrids())
        return {WavelengthGrid{data.firstWavelength, PointsOf(data)}};
    std::vector<WavelengthGrid> runs;
    for (std::int32_t nm : data.UnionWavelengths()) {
        if (!runs.empty() && runs.back().lastWavelength() + 1 == nm)
            ++runs.back().pointCount;
        else
            runs.push_back({nm, 1});
    }
    return runs;
}

QString CheckTrendRequest(const TrendRequest& request, const MeasurementDataSet& data) {
    const std::vector<WavelengthGrid> runs = WavelengthRuns(data);
    QString grid;
    if (runs.size() == 1) {
        grid = QString("the grid runs from %1 to %2 nm")
                   .arg(runs[0].firstWavelength)
                   .arg(runs[0].lastWavelength());
    } else {
        QStringList parts;
        for (const WavelengthGrid& run : runs)
            parts << QString("%1 to %2").arg(run.firstWavelength).arg(run.lastWavelength());
        grid = QString("the devices' grids hold %1 nm").arg(parts.join(", "));
    }
    if (request.kind == TrendKind::Intensity && !OnGrid(data, request.from))
        return QString("%1 nm is outside the wavelength grid (%2)").arg(request.from).arg(grid);
    if (request.kind == TrendKind::BandMean) {
        if (request.from > request.to)
            return QString("band %1-%2 nm: the first wavelength is above the last")
                .arg(request.from)
                .arg(request.to);
        for (int nm : {request.from, request.to}) {
            if (!OnGrid(data, nm))
                return QString("band %1-%2 nm: %3 nm is outside the wavelength grid (%4)")
                    .arg(request.from)
                    .arg(request.to)
                    .arg(nm)
                    .arg(grid);
        }
    }
    return {};
}

bool ComputeTrend(const MeasurementDataSet& data, std::span<const TrendRequest> requests,
                  std::span<const int> devices, TrendTable& out, QString& error,
                  TrendColourWhen colour) {
    out = TrendTable{};
    for (const TrendRequest& req : requests) {
        error = CheckTrendRequest(req, data);
        if (!error.isEmpty())
            return false;
    }
    const int deviceCount = std::clamp(data.deviceCount, 0, MAX_DEVICES);
    std::vector<int> chosen;
    for (int d : devices) {
        if (d >= 0 && d < deviceCount)
            chosen.push_back(d);
    }
    if (devices.empty()) {
        for (int d = 0; d < deviceCount; ++d)
            chosen.push_back(d);
    }
    const int n = std::clamp(data.recordCount, 0, MAX_RECORDS);
    out.timeStamps.reserve(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r)
        out.timeStamps.push_back(data.record(r).timeStamp);
    for (int d = 0; d < deviceCount; ++d)
        out.serialText.push_back(data.serialText[d]);
    ColourWork work;
    work.when = colour;
    work.temperature = std::any_of(requests.begin(), requests.end(),
                                   [](const TrendRequest& r) { return r.kind == TrendKind::Cct; });
    for (const TrendRequest& req : requests) {
        for (int d : chosen)
            AddColumns(data, req, d, work, out.columns);
    }
    return true;
}
