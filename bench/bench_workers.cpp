// The window's monitoring cycle over simulated bridged spectrometers whose
// links take real wire time (921600 baud, 1000 us turnaround per exchange):
// every port on its own worker against the one-thread design that waits on
// each port in turn (the inline executor), side by side in one run.
//   - tick period with 1, 2, 5 and 10 devices (50 ms pause + the exchanges);
//   - how soon the window's event loop answers a zero timer while ten stream
//     (99th percentile);
//   - start-up to the first drawn spectrum with ten devices and 3000 ms settle;
//   - host work on the window's thread per tick (thread CPU time, drawing of
//     all curves included).
// Real time throughout: run it on a quiet machine. bench_workers [--quick]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include "app/GraphInputBuilder.h"
#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "device/WorkerPortExecutor.h"
#include "display/LiveGraph.h"
#include "session/QtTimerHost.h"
#include "setup/SimPortProvider.h"
#include "support/FakeMainForm.h"
#include "support/InlinePortExecutor.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/SettingsStore.h"

namespace {

using Steady = std::chrono::steady_clock;

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Paints every graph as the window does and notes when.
class DrawingForm final : public FakeMainForm {
  public:
    std::function<void()> onDraw;
    void drawGraph(int) override {
        if (onDraw)
            onDraw();
    }
};

struct NoDocument final : DocumentHooks {
    void setModified() override {}
};

constexpr const char* kBridged = "vis:link=bridge:baud=921600:latency_us=1000";

// Wire time of one bridged device's tick: 32 pages and the temperature.
double DeviceTickWireMs() {
    SimWireTime wire{921600, 1000};
    std::int64_t us = wire.exchangeUs(4, 4);
    for (int p = 0; p < 32; ++p)
        us += wire.exchangeUs(4, p == 31 ? 60 : 64);
    return double(us) / 1000.0;
}

struct Figures {
    double periodMs = 0;
    double hostMsPerTick = 0;
    double loopP99Ms = 0;
    double firstSpectrumMs = 0;
};

// probeLoop: zero timers are posted every 7 ms to see how soon the loop
// answers (left out when the host work is measured: they are work too).
Figures Stream(int devices, bool workers, int ticks, int settleMs, bool probeLoop) {
    QString list;
    for (int d = 0; d < devices; ++d)
        list += QString(d ? "," : "") + kBridged;
    Clock& clock = SystemClock::instance();
    QString error;
    auto ports = SimPortProvider::FromText(list, clock, error);
    std::unique_ptr<PortExecutor> executor;
    if (workers)
        executor = std::make_unique<WorkerPortExecutor>();
    else
        executor = std::make_unique<InlinePortExecutor>(clock);
    DeviceLink link(*ports, clock, *executor, settleMs);
    DrawingForm form;
    MainViewLogic* view = nullptr;
    QtTimerHost timers([&view](int id) {
        if (view)
            view->OnTimer(id);
    });
    MemorySettingsStore settings;
    MeasurementDataSet data;
    NoDocument document;
    MainViewLogic logic(form, timers, settings, link, data, document, QString());
    view = &logic;
    LiveGraph graph;
    QImage panel(620, 650, QImage::Format_RGB32);

    Figures f;
    std::vector<Steady::time_point> draws;
    QEventLoop loop;
    const Steady::time_point start = Steady::now();
    double cpuAtFirst = 0;
    form.onDraw = [&] {
        panel.fill(Qt::white);
        graph.DrawGraph(panel, MakeGraphInput(logic.state(), link, data));
        draws.push_back(Steady::now());
        if (draws.size() == 2)  // the first-draw timer, then the first tick
            f.firstSpectrumMs = Ms(draws.back() - start);
        if (draws.size() == 4)
            cpuAtFirst = ThreadCpuMs();
        if (int(draws.size()) == 4 + ticks)
            loop.quit();
    };
    // Zero timers posted while the devices stream: how long each waits, from
    // when it was due (a loop held by a wire makes the 7 ms timer late too).
    std::vector<double> delays;
    QTimer probe;
    Steady::time_point due = Steady::now() + std::chrono::milliseconds(7);
    QObject::connect(&probe, &QTimer::timeout, [&delays, &due] {
        const Steady::time_point posted = due;
        due = Steady::now() + std::chrono::milliseconds(7);
        QTimer::singleShot(
            0, [&delays, posted] { delays.push_back(std::max(0.0, Ms(Steady::now() - posted))); });
    });
    if (probeLoop)
        probe.start(7);
    logic.InitialUpdate();
    loop.exec();
    probe.stop();
    const double cpu = ThreadCpuMs() - cpuAtFirst;
    f.periodMs = Ms(draws.back() - draws[3]) / ticks;
    f.hostMsPerTick = cpu / ticks;
    std::sort(delays.begin(), delays.end());
    if (!delays.empty())
        f.loopP99Ms = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
    link.CloseAll();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool quick = app.arguments().contains("--quick");
    const int ticks = quick ? 10 : 40;
    const double wire = DeviceTickWireMs();
    std::printf("one bridged device's tick on the wire: %.1f ms\n\n", wire);
    std::printf("%-8s %-22s %-22s %-18s %-12s\n", "devices", "tick period (workers)",
                "limit 1.1x(50+wire)", "one thread (old)", "50+sum");
    for (int n : {1, 2, 5, 10}) {
        const Figures w = Stream(n, true, ticks, 0, true);
        const Figures s = Stream(n, false, quick ? 4 : 10, 0, true);
        std::printf("%-8d %-22.1f %-22.1f %-18.1f %-12.1f\n", n, w.periodMs, 1.1 * (50 + wire),
                    s.periodMs, 50 + n * wire);
        if (n == 10) {
            const Figures quiet = Stream(n, true, ticks, 0, false);
            std::printf(
                "\nten devices streaming, workers: event loop answers a zero timer within "
                "%.2f ms (99th percentile); one thread: %.1f ms\n",
                w.loopP99Ms, s.loopP99Ms);
            std::printf(
                "host work on the window's thread per tick (drawing included): %.2f ms "
                "(%.1f %% of the 50 ms pause)\n",
                quiet.hostMsPerTick, 100.0 * quiet.hostMsPerTick / 50.0);
        }
    }
    const Figures startup = Stream(10, true, 2, 3000, false);
    const Figures startupOld = quick ? Figures{} : Stream(10, false, 2, 3000, false);
    std::printf(
        "\nstart-up to the first drawn spectrum, ten devices, 3000 ms settle: workers "
        "%.0f ms (limit 3500 + wire %.0f), one thread %.0f ms\n",
        startup.firstSpectrumMs, 3500 + wire, startupOld.firstSpectrumMs);
    return 0;
}
