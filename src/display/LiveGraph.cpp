#include "display/LiveGraph.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "display/ModePainters.h"
#include "display/PanelPainter.h"

namespace {

WavelengthGrid SetWideGrid(const GraphInput& in) {
    return {in.firstWavelength, std::clamp(in.pointCount, 0, int{MAX_POINTS})};
}

// The limits of a value axis: counts and absorptance as set, ratio from the derived minimum.
struct AxisRange {
    std::int64_t min = 0;
    std::int64_t max = 0;
};
AxisRange RangeOf(AxisKind kind, const AxisLimits& lim, std::int32_t ratioMin) {
    switch (kind) {
        case AxisKind::Ratio:
            return {ratioMin, lim.ratioMax};
        case AxisKind::Absorptance:
            return {lim.absorptionMin, lim.absorptionMax};
        case AxisKind::Counts:
            break;
    }
    return {lim.graphMin, lim.graphMax};
}

}  // namespace

WavelengthGrid RecordGrid(const GraphInput& in, int d) {
    if (in.dataSet == nullptr)
        return SetWideGrid(in);
    WavelengthGrid g = in.dataSet->grid(d);
    g.pointCount = PointsOf(g);
    return g;
}

WavelengthGrid SampleGrid(const GraphInput& in, int d) {
    if (!in.monitoring)
        return RecordGrid(in, d);
    if (!DrawableDevice(d) || !in.liveGrids[d])
        return SetWideGrid(in);
    WavelengthGrid g = *in.liveGrids[d];
    g.pointCount = PointsOf(g);
    return g;
}

WavelengthAxis GraphAxis(const GraphInput& in, const PlotFrame& f) {
    std::array<WavelengthGrid, MAX_DEVICES> grids{};
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < devices; ++d)
        grids[d] = SampleGrid(in, d);
    return WavelengthAxisFor(f, std::span<const WavelengthGrid>(grids.data(), devices),
                             SetWideGrid(in));
}

const float* RecordSpectrum(const GraphInput& in, int d, int r) {
    const MeasurementDataSet* ds = in.dataSet;
    if (ds == nullptr || !DrawableDevice(d) || r < 0 || r >= ds->recordCount ||
        r >= ds->allocated())
        return nullptr;
    return ds->entry(d, r).values.data();
}

const float* SampleSpectrum(const GraphInput& in, int d) {
    if (!DrawableDevice(d))
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

    const DisplayMode& mode = DisplayModeOf(in.mode);
    const ModePainting& painting = PaintingOf(ShownPainter(mode, in.nirSensor, in.uvSensor));
    ModeCanvas c{p, in, mode, palette_, chroma_, points_, {}, {}, {}, panel};
    if (painting.panel != nullptr) {
        painting.panel(c);
        return in.limits.ratioMin;
    }

    const PlotFrame f = PlotFrameFor(panel.width(), panel.height());
    PanelRectangle(p, f.left, f.top, f.right, f.bottom);
    c.frame = f;
    c.axis = GraphAxis(in, f);
    const AxisLimits& lim = in.limits;
    // Derived by the view logic before each drawing; hand-built inputs get it here alike.
    const std::int32_t ratioMin = DerivedRatioMin(lim.ratioMax, lim.graphMin, lim.graphMax);
    const AxisRange range = RangeOf(mode.axis, lim, ratioMin);
    DrawAxes(p, f, c.axis, in.nirSensor, mode.axis, range.min, range.max);
    // Over the curves, as the peak labels.
    auto caption = [&] {
        if (mode.axisCaption != nullptr)
            DrawAxisCaption(p, f, QCoreApplication::translate("MainView", mode.axisCaption));
    };
    if (in.deviceCount <= 0) {
        caption();
        return ratioMin;
    }

    c.scale = CurveScale{static_cast<double>(range.min), static_cast<double>(range.max), f.bottom,
                         f.height()};
    if (painting.curves != nullptr)
        painting.curves(c);
    caption();
    p.setPen(palette_.framePen());

    const int cur = in.currentDevice;
    const bool stored = !in.monitoring && RecordSpectrum(in, cur, in.selectedRecord) != nullptr;
    if (DrawableDevice(cur) && (in.monitoring || stored)) {
        const float t = in.monitoring ? in.liveTemperatures[cur]
                                      : in.dataSet->entry(cur, in.selectedRecord).temperature;
        PanelText(p, f.right - 200, f.top + 2, TemperatureLabel(t).view());
    }
    if (in.ledPresent) {
        PanelText(p, f.right - 200, f.top + 22, LedTemperatureLabel(in.ledTemperature).view());
    }
    return ratioMin;
}

void DrawAxisCaption(QPainter& p, const PlotFrame& f, const QString& text) {
    static const QFontMetrics metrics(PanelFont());
    PanelLabel(p, f.left + 2, f.top + 2, metrics.horizontalAdvance(text) + 4, metrics.height(),
               text, Qt::black);
}

void LiveGraph::DrawAxes(QPainter& p, const PlotFrame& f, const WavelengthAxis& axis,
                         bool nirSensor, AxisKind kind, std::int64_t min, std::int64_t max) {
    p.setPen(palette_.gridPen());
    DrawWavelengthGrid(p, f, axis, nirSensor);
    for (const ValueTick& t : ValueTicks(f, kind, min, max)) {
        PanelLine(p, f.left, t.y, f.right, t.y);
        PanelText(p, f.left - 50, t.y - 10, ValueLabel(kind, t.value));
    }
    p.setPen(palette_.framePen());
}
