// VL_Tool: the window program. One copy at a time: a second one hands its
// document file name (or none) to the running copy, which comes to the front
// and opens it, and ends; an optional document file name on the command line
// is opened as the document. Takes the port options
// of velarim-cli (--port, --simulate, --settle-ms, --trace, VELARIM_PORTS),
// --lang en|ja for the language of the user interface, --help and --version.

#include <csignal>
#include <cstdio>

#include <QApplication>
#include <QFileInfo>

#include "app/HandOver.h"
#include "app/MainFrame.h"
#include "app/SingleInstance.h"
#include "app/WindowProgram.h"
#include "session/RecoveryJournal.h"
#include "setup/ArgOptions.h"
#include "setup/PortOptions.h"
#include "viewlogic/SettingsStore.h"

namespace {
const QString HELP = QStringLiteral("usage: VL_Tool [options] [DOCUMENT.vltd|DOCUMENT.h5]\n") +
                     PORT_OPTIONS_HELP +
                     "  --lang en|ja          language of the window (default: the system's, else "
                     "ja)\n"
                     "  --help, --version\n"
                     "Options take their value as --name VALUE or --name=VALUE.\n";

// How long a second copy waits for the running one to take its file.
constexpr int kHandOverWaitMs = 3000;

int Fail(const QString& message) {
    std::fprintf(stderr, "VL_Tool: %s\n", message.toLocal8Bit().constData());
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file grown past the size limit fails its write, as a full disk does:
    // the plan's file notice tells of it and the window goes on.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // --help and --version are answered before the window system is asked
    // for a display, so that they work where there is none.
    QStringList early;
    for (int i = 1; i < argc; ++i)
        early << QString::fromLocal8Bit(argv[i]);
    if (const auto answered = AnswerHelpOrVersion(early, QStringLiteral("VL_Tool"), HELP))
        return *answered;

    QApplication app(argc, argv);
    NameApplication();

    QStringList args = app.arguments();
    args.removeFirst();
    QString error;
    PortOptions ports;
    if (!ports.take(args, error) || !TakeWindowLanguage(args, error))
        return Fail(error);
    QString documentPath;
    for (const QString& a : args) {
        if (a.startsWith("--"))
            return Fail("unknown option " + a);
        if (documentPath.isEmpty())
            documentPath = a;
    }

    // A second copy hands over to the running one and ends. When none
    // answers in time, this copy starts as the one that answers the next.
    SingleInstance instance;
    const QString handOverName = HandOver::ServerName();
    if (!instance.acquire()) {
        const QString absolute =
            documentPath.isEmpty() ? QString() : QFileInfo(documentPath).absoluteFilePath();
        if (HandToRunningCopy(handOverName, absolute, kHandOverWaitMs))
            return 0;
    }

    QSettingsStore settings;
    std::optional<ViewController::Setup> setup = WindowSetup(ports, settings, error);
    if (!setup)
        return Fail(error);
    // What is stored is journalled as it goes.
    setup->recoveryFolder = RecoveryJournal::DefaultFolder();

    CMainFrame frame(std::move(*setup));
    // Listening once the window can take what a second copy hands over.
    HandOverServer handOver;
    QObject::connect(&handOver, &HandOverServer::handedOver, &frame, &CMainFrame::AcceptHandOver);
    if (!handOver.listen(handOverName))
        std::fprintf(stderr, "VL_Tool: a second copy cannot hand over to this one: %s\n",
                     handOver.errorString().toLocal8Bit().constData());
    // Records of a copy that died are offered before anything else happens.
    frame.controller().OfferLeftoverJournals();
    if (!documentPath.isEmpty()) {
        if (!frame.OpenDocumentFile(documentPath))
            return 1;
    } else {
        frame.InitialUpdate();
    }
    frame.show();
    return app.exec();
}
