// vl-screenshots: pictures of the window for the documentation, on simulated
// devices. Not installed: scripts/screenshots.sh runs it from the build tree.
// Takes the window's port options and --lang, an optional document, and
// either the main window's picture options (--screenshot FILE, see
// ScreenshotMode.h) or --trend-screenshot FILE. It keeps no settings and no
// journal, and runs beside a copy of VL_Tool.

#include <cstdio>

#include <QApplication>

#include "ScreenshotMode.h"
#include "TrendScreenshot.h"
#include "app/MainFrame.h"
#include "app/WindowProgram.h"
#include "setup/PortOptions.h"
#include "viewlogic/SettingsStore.h"

namespace {
int Fail(const QString& message) {
    std::fprintf(stderr, "vl-screenshots: %s\n", message.toLocal8Bit().constData());
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    NameApplication();
    QStringList args = app.arguments();
    args.removeFirst();
    QString error;
    PortOptions ports;
    ScreenshotOptions screenshot;
    TrendScreenshotOptions trendShot;
    if (!ports.take(args, error) || !screenshot.take(args, error) || !trendShot.take(args, error) ||
        !TakeWindowLanguage(args, error))
        return Fail(error);
    if (screenshot.enabled() == trendShot.enabled())
        return Fail("give either --screenshot FILE or --trend-screenshot FILE");
    if (args.size() > 1 || (args.size() == 1 && args.front().startsWith("--")))
        return Fail("unexpected " + args.join(' '));

    MemorySettingsStore settings;
    std::optional<ViewController::Setup> setup = WindowSetup(ports, settings, error);
    if (!setup)
        return Fail(error);

    CMainFrame frame(std::move(*setup));
    if (!args.isEmpty()) {
        if (!frame.OpenDocumentFile(args.front()))
            return 1;
    } else {
        frame.InitialUpdate();
    }
    if (screenshot.enabled()) {
        frame.resize(ScreenshotOptions::WINDOW_SIZE);
        frame.show();
        RunScreenshotSession(frame, screenshot);
    } else {
        frame.show();
        RunTrendScreenshot(frame, trendShot);
    }
    return app.exec();
}
