#include "data/TrendSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string_view>

#include "data/ColourMetrics.h"
#include "data/RatioAndPeak.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int PointsOf(const MeasurementDataSet& data) {
    return std::clamp(data.pointCount, 0, static_cast<int>(MAX_POINTS));
}

bool OnGrid(const MeasurementDataSet& data, int nm) {
    const long long k = static_cast<long long>(nm) - data.firstWavelength;
    return k >= 0 && k < PointsOf(data);
}

std::span<const float> SpectrumOf(const MeasurementDataSet& data, int d, int r) {
    return std::span<const float>(data.entry(d, r).values.data(),
                                  static_cast<std::size_t>(PointsOf(data)));
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

// The colour metrics of every record of one slot, computed once for the x, y
// and CCT columns. A spectrum holding NaN (a slot that did not answer) has none:
// the colour code would leave such points out of its sums.
using ColourColumn = std::vector<ColourMetrics>;
const ColourColumn& ColourOf(const MeasurementDataSet& data, int d,
                             std::map<int, ColourColumn>& cache, TrendColourCache* known) {
    auto [it, added] = cache.try_emplace(d);
    if (!added)
        return it->second;
    const ColourMetrics none{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    it->second.reserve(static_cast<std::size_t>(data.recordCount));
    for (int r = 0; r < data.recordCount; ++r) {
        const auto s = SpectrumOf(data, d, r);
        if (HasNaN(s))
            it->second.push_back(none);
        else if (known)
            it->second.push_back(known->Of(s, data.firstWavelength));
        else
            it->second.push_back(ComputeColourMetrics(s, PointsOf(data), data.firstWavelength));
    }
    return it->second;
}

TrendColumn Column(TrendQuantity q, int d, std::string name, int records) {
    return {q, d, std::move(name), std::vector<double>(static_cast<std::size_t>(records), kNaN)};
}

void AddColumns(const MeasurementDataSet& data, const TrendRequest& req, int d,
                std::map<int, ColourColumn>& colour, TrendColourCache* known,
                std::vector<TrendColumn>& out) {
    const int n = data.recordCount;
    const int first = data.firstWavelength;
    switch (req.kind) {
        case TrendKind::Intensity: {
            TrendColumn c = Column(TrendQuantity::Intensity, d, "nm" + std::to_string(req.from), n);
            for (int r = 0; r < n; ++r)
                c.values[r] = SpectrumOf(data, d, r)[static_cast<std::size_t>(req.from - first)];
            out.push_back(std::move(c));
            break;
        }
        case TrendKind::BandMean: {
            TrendColumn c =
                Column(TrendQuantity::BandMean, d,
                       "band" + std::to_string(req.from) + "-" + std::to_string(req.to), n);
            for (int r = 0; r < n; ++r)
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
                const Peak p = FindPeak(s, PointsOf(data), first);
                height.values[r] = p.value;
                nm.values[r] = p.wavelength;
            }
            out.push_back(std::move(height));
            out.push_back(std::move(nm));
            break;
        }
        case TrendKind::Chromaticity: {
            TrendColumn x = Column(TrendQuantity::X, d, "x", n);
            TrendColumn y = Column(TrendQuantity::Y, d, "y", n);
            const ColourColumn& m = ColourOf(data, d, colour, known);
            for (int r = 0; r < n; ++r) {
                x.values[r] = m[r].x;
                y.values[r] = m[r].y;
            }
            out.push_back(std::move(x));
            out.push_back(std::move(y));
            break;
        }
        case TrendKind::Cct: {
            TrendColumn c = Column(TrendQuantity::Cct, d, "cct_K", n);
            const ColourColumn& m = ColourOf(data, d, colour, known);
            for (int r = 0; r < n; ++r)
                c.values[r] = m[r].cctK;
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

const ColourMetrics& TrendColourCache::Of(std::span<const float> spectrum, int firstWavelength) {
    const std::string_view bytes(reinterpret_cast<const char*>(spectrum.data()),
                                 spectrum.size_bytes());
    const std::uint64_t key =
        std::hash<std::string_view>{}(bytes) ^
        (static_cast<std::uint64_t>(firstWavelength) * 0x9E3779B97F4A7C15ULL) ^
        (spectrum.size() << 48);
    if (const auto it = metrics_.find(key); it != metrics_.end())
        return it->second;
    if (metrics_.size() >= kMaxEntries)
        metrics_.clear();
    const int points = static_cast<int>(spectrum.size());
    return metrics_.emplace(key, ComputeColourMetrics(spectrum, points, firstWavelength))
        .first->second;
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
        case TrendQuantity::Cct:
            return TrendUnit::Kelvin;
        case TrendQuantity::Temperature:
            break;
    }
    return TrendUnit::Celsius;
}

QString CheckTrendRequest(const TrendRequest& request, const MeasurementDataSet& data) {
    const int last = data.firstWavelength + PointsOf(data) - 1;
    const QString grid =
        QString("the grid runs from %1 to %2 nm").arg(data.firstWavelength).arg(last);
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
                  TrendColourCache* cache) {
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
    std::map<int, ColourColumn> colour;
    for (const TrendRequest& req : requests) {
        for (int d : chosen)
            AddColumns(data, req, d, colour, cache, out.columns);
    }
    return true;
}
