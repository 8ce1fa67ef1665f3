// One monitoring tick of the main view with ten simulated spectrometers and the
// LED unit: spectrum and temperature of every device, the LED exchange, the
// repaint of the graph panel (line mode, all ten curves, into the panel's
// image) and the pending-settings step. Host time per tick; the simulated
// devices run on a fake clock, so no wire time is counted. Must stay < 5 ms.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include <QGuiApplication>
#include <QImage>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "display/LiveGraph.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/InlinePortExecutor.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/SettingsStore.h"

namespace {
// A form that keeps what the logic sets and paints the graph into an image of
// the panel's size, as the window does.
class ImageForm final : public MainForm {
  public:
    std::function<void(QImage&)> paint;
    QImage panel{620, 650, QImage::Format_RGB32};

    QString text(ControlId id) const override { return value(texts_, id); }
    void setText(ControlId id, const QString& t) override { texts_[id] = t; }
    void setEnabled(ControlId, bool) override {}
    void setVisible(ControlId, bool) override {}
    bool isChecked(ControlId id) const override { return checked_.count(id) && checked_.at(id); }
    void setChecked(ControlId id, bool c) override { checked_[id] = c; }
    void setGeometry(ControlId, const QRect&) override {}
    void clearList(ControlId id) override { lists_[id].clear(); }
    void addListItem(ControlId id, const QString& t) override { lists_[id].append(t); }
    int listCount(ControlId id) const override {
        return lists_.count(id) ? static_cast<int>(lists_.at(id).size()) : 0;
    }
    int currentRow(ControlId id) const override { return rows_.count(id) ? rows_.at(id) : -1; }
    void setCurrentRow(ControlId id, int row) override { rows_[id] = row; }
    void clearCombo(ControlId id) override { lists_[id].clear(); }
    void addComboItem(ControlId id, const QString& t) override { lists_[id].append(t); }
    int currentIndex(ControlId id) const override { return currentRow(id); }
    void setCurrentIndex(ControlId id, int index) override { rows_[id] = index; }
    bool message(const QString&, bool) override { return true; }
    void notice(const QString&) override {}
    bool editNumber(int&) override { return false; }
    void drawGraph(int) override {
        panel.fill(Qt::white);
        if (paint)
            paint(panel);
    }
    int clientHeight() const override { return 700; }
    int clientWidth() const override { return 905; }

  private:
    static QString value(const std::map<ControlId, QString>& m, ControlId id) {
        const auto it = m.find(id);
        return it == m.end() ? QString() : it->second;
    }
    std::map<ControlId, QString> texts_;
    std::map<ControlId, bool> checked_;
    std::map<ControlId, QStringList> lists_;
    std::map<ControlId, int> rows_;
};

class NoTimers final : public TimerHost {
  public:
    void start(int, int) override {}
    void stop(int) override {}
    bool isActive(int) const override { return false; }
};

class NoDocument final : public DocumentHooks {
  public:
    void setModified() override {}
};

GraphInput InputOf(const MainViewLogic& logic, const DeviceLink& link,
                   const MeasurementDataSet& data) {
    const ViewState& s = logic.state();
    GraphInput in;
    in.mode = s.displayMode;
    in.pointCount = data.pointCount;
    in.firstWavelength = data.firstWavelength;
    in.deviceCount = data.deviceCount;
    in.currentDevice = s.currentDevice;
    in.monitoring = s.monitoring;
    for (int d = 0; d < data.deviceCount; ++d) {
        in.liveSpectra[d] = std::span<const float>(link.slot(d).spectrum);
        in.liveTemperatures[d] = link.slot(d).temperature;
    }
    in.dataSet = &data;
    in.referenceIndex = data.referenceIndex;
    in.ledPresent = link.led().present;
    in.ledTemperature = link.led().temperature;
    in.limits.graphMax = s.graphMax;
    in.limits.graphMin = s.graphMin;
    return in;
}

void BM_MonitoringTick(benchmark::State& state) {
    FakeClock clock;
    QString error;
    QString devices;
    for (int d = 0; d < MAX_DEVICES; ++d)
        devices += QString("vis:serial=VS%1,").arg(d, 4, 10, QChar('0'));
    devices += "led";
    auto ports = SimPortProvider::FromText(devices, clock, error);
    if (!ports) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    InlinePortExecutor executor(clock);
    DeviceLink link(*ports, clock, executor, 0);
    MeasurementDataSet data;
    MemorySettingsStore settings;
    ImageForm form;
    NoTimers timers;
    NoDocument document;
    MainViewLogic logic(form, timers, settings, link, data, document, "/tmp/");
    LiveGraph graph;
    form.paint = [&](QImage& image) {
        logic.state().ratioMin = graph.DrawGraph(image, InputOf(logic, link, data));
    };
    logic.InitialUpdate();
    if (data.deviceCount != MAX_DEVICES) {
        state.SkipWithError("not all ten simulated devices were detected");
        return;
    }
    for (auto _ : state) {
        clock.advanceMs(50);
        logic.OnTimer(TIMER_TICK);
    }
    state.counters["devices"] = data.deviceCount;
}
BENCHMARK(BM_MonitoringTick)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
