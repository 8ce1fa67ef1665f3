#include "display/LiveGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include "data/RatioAndPeak.h"
#include "display/PanelPainter.h"

namespace {

bool Drawable(int d) {
    return d >= 0 && d < MAX_DEVICES;
}

SpectrumGrid SetWideGrid(const GraphInput& in) {
    return {in.firstWavelength, std::clamp(in.pointCount, 0, int{MAX_POINTS})};
}

int PointsOf(SpectrumGrid g) {
    return std::clamp<int>(g.pointCount, 0, MAX_POINTS);
}

// Colour of a wavelength in the colour mode: the palette's 340..850 nm, black beyond.
QColor ColourOfWavelength(const GraphPalette& palette, long long nm) {
    const long long i = nm - 340;
    return i >= 0 && i < kWavelengthPens ? palette.wavelengthColour(static_cast<int>(i))
                                         : QColor(Qt::black);
}

}  // namespace

SpectrumGrid RecordGrid(const GraphInput& in, int d) {
    if (in.dataSet == nullptr)
        return SetWideGrid(in);
    SpectrumGrid g = in.dataSet->grid(d);
    g.pointCount = PointsOf(g);
    return g;
}

SpectrumGrid SampleGrid(const GraphInput& in, int d) {
    if (!in.monitoring)
        return RecordGrid(in, d);
    if (!Drawable(d) || !in.liveGrids[d])
        return SetWideGrid(in);
    SpectrumGrid g = *in.liveGrids[d];
    g.pointCount = PointsOf(g);
    return g;
}

WavelengthAxis GraphAxis(const GraphInput& in, const PlotFrame& f) {
    std::array<SpectrumGrid, MAX_DEVICES> grids{};
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < devices; ++d)
        grids[d] = SampleGrid(in, d);
    return WavelengthAxisFor(f, std::span<const SpectrumGrid>(grids.data(), devices),
                             SetWideGrid(in));
}

const float* RecordSpectrum(const GraphInput& in, int d, int r) {
    const MeasurementDataSet* ds = in.dataSet;
    if (ds == nullptr || !Drawable(d) || r < 0 || r >= ds->recordCount || r >= ds->allocated())
        return nullptr;
    return ds->entry(d, r).values.data();
}

const float* SampleSpectrum(const GraphInput& in, int d) {
    if (!Drawable(d))
        return nullptr;
    if (!in.monitoring)
        return RecordSpectrum(in, d, in.selectedRecord);
    const std::span<const float> live = in.liveSpectra[d];
    if (live.size() < static_cast<std::size_t>(SampleGrid(in, d).pointCount))
        return nullptr;
    return live.data();
}

LiveGraph::LiveGraph(QString backgroundPath) : chroma_(std::move(backgroundPath)) {}

std::int32_t LiveGraph::DrawGraph(QImage& image, const GraphInput& in) {
    QPainter p(&image);
    return DrawGraph(p, image.size(), in);
}

std::int32_t LiveGraph::DrawGraph(QPainter& p, QSize panel, const GraphInput& in) {
    BeginPanel(p);
    PanelRectangle(p, 0, 0, panel.width(), panel.height());

    if (in.mode == DISPLAY_CHROMATICITY && !in.nirSensor && !in.uvSensor) {
        std::span<const float> sample;
        SpectrumGrid grid;
        if (in.deviceCount > 0 && Drawable(in.currentDevice)) {
            grid = SampleGrid(in, in.currentDevice);
            if (in.monitoring)
                sample = in.liveSpectra[in.currentDevice];
            else if (const float* s = RecordSpectrum(in, in.currentDevice, in.selectedRecord))
                sample = std::span<const float>(s, MAX_POINTS);
        }
        chroma_.Draw(p, sample, grid);
        return in.limits.ratioMin;
    }

    const PlotFrame f = PlotFrameFor(panel.width(), panel.height());
    PanelRectangle(p, f.left, f.top, f.right, f.bottom);
    axis_ = GraphAxis(in, f);
    const AxisLimits& lim = in.limits;
    // Derived by the view logic before each drawing; hand-built inputs get it here alike.
    const std::int32_t ratioMin = DerivedRatioMin(lim.ratioMax, lim.graphMin, lim.graphMax);
    DrawAxes(p, f, in, ratioMin);
    if (in.deviceCount <= 0)
        return ratioMin;

    DrawCurves(p, f, in, ratioMin);

    const int cur = in.currentDevice;
    const bool stored = !in.monitoring && RecordSpectrum(in, cur, in.selectedRecord) != nullptr;
    if (Drawable(cur) && (in.monitoring || stored)) {
        const float t = in.monitoring ? in.liveTemperatures[cur]
                                      : in.dataSet->entry(cur, in.selectedRecord).temperature;
        PanelText(p, f.right - 200, f.top + 2, TemperatureLabel(t).view());
    }
    if (in.ledPresent) {
        PanelText(p, f.right - 200, f.top + 22, LedTemperatureLabel(in.ledTemperature).view());
    }
    return ratioMin;
}

void LiveGraph::DrawAxes(QPainter& p, const PlotFrame& f, const GraphInput& in,
                         std::int32_t ratioMin) {
    p.setPen(palette_.gridPen());
    DrawWavelengthGrid(p, f, axis_, in.nirSensor);

    const AxisLimits& lim = in.limits;
    AxisKind kind = AxisKind::Counts;
    std::int64_t min = lim.graphMin;
    std::int64_t max = lim.graphMax;
    if (in.mode == DISPLAY_COMPARISON) {
        kind = AxisKind::Ratio;
        min = ratioMin;
        max = lim.ratioMax;
    } else if (in.mode == DISPLAY_ABSORPTANCE) {
        kind = AxisKind::Absorptance;
        min = lim.absorptionMin;
        max = lim.absorptionMax;
    }
    for (const ValueTick& t : ValueTicks(f, kind, min, max)) {
        PanelLine(p, f.left, t.y, f.right, t.y);
        PanelText(p, f.left - 50, t.y - 10, ValueLabel(kind, t.value));
    }
    p.setPen(palette_.framePen());
}

void LiveGraph::DrawCurves(QPainter& p, const PlotFrame& f, const GraphInput& in,
                           std::int32_t ratioMin) {
    switch (in.mode) {
        case DISPLAY_LINE:
            DrawLineMode(p, f, in);
            break;
        case DISPLAY_COLOUR:
            if (!in.nirSensor)
                DrawColourMode(p, f, in);
            break;
        case DISPLAY_COMPARISON:
        case DISPLAY_ABSORPTANCE:
            DrawRelativeMode(p, f, in, ratioMin);
            break;
        default:
            break;
    }
    p.setPen(palette_.framePen());
}

void LiveGraph::Polyline(QPainter& p, int count) {
    if (count > 1)
        DrawCurve(p, points_.data(), count);
}

void LiveGraph::DrawPeakLabel(QPainter& p, const PlotFrame& f, int row, const float* s,
                              SpectrumGrid g, const GraphInput& in) {
    const int d = row == 0 && in.mode == DISPLAY_COLOUR ? in.currentDevice : row;
    if (in.monitoring && Drawable(d) && in.liveStale[d]) {
        PanelUnicodeText(p, f.right - 200, f.top + 42 + 20 * row,
                         QStringLiteral("peak ----- (") +
                             QCoreApplication::translate("LiveGraph", "応答なし") + ")");
        return;
    }
    const int n = PointsOf(g);
    const Peak peak = FindPeak(std::span<const float>(s, n), n, g.firstWavelength);
    PanelText(p, f.right - 200, f.top + 42 + 20 * row,
              PeakLabel(peak.value, peak.wavelength).view());
}

void LiveGraph::DrawLineMode(QPainter& p, const PlotFrame& f, const GraphInput& in) {
    const CurveScale scale{static_cast<double>(in.limits.graphMin),
                           static_cast<double>(in.limits.graphMax), f.bottom, f.height()};
    const int devices = std::min(in.deviceCount, MAX_DEVICES);
    for (int d = 0; d < devices; ++d) {
        const float* s = SampleSpectrum(in, d);
        if (s == nullptr)
            continue;
        const SpectrumGrid g = SampleGrid(in, d);
        if (scale.valid()) {
            const int n = PointsOf(g);
            for (int i = 0; i < n; ++i)
                points_[i] = QPoint(axis_.Column(g.firstWavelength + i), CountsRow(scale, s[i]));
            if (in.monitoring && in.liveStale[d])
                p.setPen(QPen(Qt::gray, 1, Qt::DashLine));  // the last curve, visibly stale
            else
                p.setPen(palette_.devicePen(d, d == in.currentDevice));
            Polyline(p, n);
        }
        DrawPeakLabel(p, f, d, s, g, in);
    }
}

void LiveGraph::DrawColourMode(QPainter& p, const PlotFrame& f, const GraphInput& in) {
    const float* s = SampleSpectrum(in, in.currentDevice);
    if (s == nullptr)
        return;
    const SpectrumGrid g = SampleGrid(in, in.currentDevice);
    const CurveScale scale{static_cast<double>(in.limits.graphMin),
                           static_cast<double>(in.limits.graphMax), f.bottom, f.height()};
    if (scale.valid()) {
        const int n = PointsOf(g);
        for (int i = 0; i < n; ++i) {
            // The line from (x, bottom) up to (x, y) without its end point.
            const int y = CountsRow(scale, s[i]);
            const long long nm = g.firstWavelength + i;
            if (y != kNoRow && y < f.bottom)
                p.fillRect(axis_.Column(nm), y + 1, 1, f.bottom - y,
                           ColourOfWavelength(palette_, nm));
        }
    }
    DrawPeakLabel(p, f, 0, s, g, in);
}

void LiveGraph::DrawRelativeMode(QPainter& p, const PlotFrame& f, const GraphInput& in,
                                 std::int32_t ratioMin) {
    const bool ratio = in.mode == DISPLAY_COMPARISON;
    const AxisLimits& lim = in.limits;
    const CurveScale scale{static_cast<double>(ratio ? ratioMin : lim.absorptionMin),
                           static_cast<double>(ratio ? lim.ratioMax : lim.absorptionMax), f.bottom,
                           f.height()};
    if (!scale.valid())
        return;
    const int devices = std::min(in.deviceCount, MAX_DEVICES);
    // A curve on the grid of s against the reference on its own grid: a wavelength the
    // reference has no point at leaves a gap, one beyond the axis is left out.
    auto plot = [&](const float* s, SpectrumGrid gs, const float* ref, SpectrumGrid gr) {
        int count = 0;
        for (int i = 0; i < PointsOf(gs); ++i) {
            const long long nm = gs.firstWavelength + i;
            if (nm < axis_.firstWavelength || nm > axis_.lastWavelength())
                continue;
            const int j = gr.indexOf(nm);
            // A value missing on either side leaves a gap (Absorptance alone would hide it).
            const bool missing = j < 0 || std::isnan(s[i]) || std::isnan(ref[j]);
            const double v = missing ? std::nan("")
                             : ratio ? RatioPercent(s[i], ref[j])
                                     : Absorptance(s[i], ref[j]);
            points_[count++] = QPoint(axis_.Column(nm), DoubleRow(scale, v));
        }
        Polyline(p, count);
    };
    for (int d = 0; d < devices; ++d) {
        const float* ref = RecordSpectrum(in, d, in.referenceIndex);
        if (ref == nullptr)
            return;  // no valid reference record: no curves
        const SpectrumGrid gr = RecordGrid(in, d);
        if (const float* s = SampleSpectrum(in, d)) {
            p.setPen(palette_.devicePen(d, d == in.currentDevice));
            plot(s, SampleGrid(in, d), ref, gr);
        }
        if (const float* c = RecordSpectrum(in, d, in.comparisonIndex)) {
            p.setPen(palette_.devicePen(d, false));
            plot(c, gr, ref, gr);
        }
    }
}
