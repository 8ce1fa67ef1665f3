// velarim-sim: simulated Velarim devices on pseudo-terminals, for the window,
// velarim-cli and end-to-end tests.
//
//   velarim-sim --pty DEVICES [--pty DEVICES ...] [--log] [--seed N] [--help] [--version]
//
// Prints one line PATH=VID:PID per device (what --port takes) and serves the
// devices until SIGINT or SIGTERM. Each --pty group is one simulation: an LED
// unit lights the spectrometers of its own group only.
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QStringList>

#include "PtyServer.h"
#include "device/Clock.h"
#include "setup/ArgOptions.h"
#include "sim/MakeSimDevice.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnSignal(int) {
    stopRequested = 1;
}

const char USAGE[] =
    "usage: velarim-sim --pty DEVICES [--pty DEVICES ...] [--log] [--seed N]\n"
    "  DEVICES: KIND[:key=value...][,KIND...], KIND vis|nir|uv|led\n"
    "Options take their value as --name VALUE or --name=VALUE; --help, --version.\n"
    "Pseudo-terminals are for Unix-like systems; on Windows run VL_Tool or velarim-cli\n"
    "with --simulate DEVICES, which needs no ports.\n";

int Usage(const char* message) {
    if (message)
        std::fprintf(stderr, "velarim-sim: %s\n", message);
    std::fprintf(stderr, "%s", USAGE);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (const auto answered = AnswerHelpOrVersion(args, QStringLiteral("velarim-sim"), USAGE))
        return *answered;
    QStringList groups;
    QString seedText;
    QString error;
    const bool log = TakeFlag(args, QStringLiteral("--log"));
    if (!TakeRepeatedOption(args, QStringLiteral("--pty"), groups, error) ||
        !TakeOption(args, QStringLiteral("--seed"), seedText, error))
        return Usage(qPrintable(error));
    std::uint32_t seed = 1;
    if (!seedText.isNull()) {
        bool ok = false;
        seed = seedText.toUInt(&ok);
        if (!ok)
            return Usage("--seed takes a whole number");
    }
    if (!args.isEmpty())
        return Usage(qPrintable(QString("unexpected argument \"%1\"").arg(args.first())));
    if (groups.isEmpty())
        return Usage("no --pty DEVICES given");

    std::vector<std::unique_ptr<SimWorld>> worlds;
    PtyServer server;
    QStringList lines;
    for (const QString& group : groups) {
        std::vector<SimDeviceSpec> deviceSpecs;
        if (!ParseDeviceSpecs(group, deviceSpecs, error))
            return Usage(qPrintable(error));
        worlds.push_back(std::make_unique<SimWorld>(SystemClock::instance(), seed++));
        int spectrometers = 0;
        for (const SimDeviceSpec& deviceSpec : deviceSpecs) {
            auto device = MakeSimDevice(*worlds.back(), deviceSpec, spectrometers);
            if (!deviceSpec.isLed())
                ++spectrometers;
            const QString path = server.add(device, error, deviceSpec.wire);
            if (path.isEmpty()) {
                std::fprintf(stderr, "velarim-sim: %s\n", qPrintable(error));
                return 1;
            }
            if (log) {
                device->setLogSink([path](const QString& line) {
                    std::fprintf(stderr, "velarim-sim: %s %s\n", qPrintable(path),
                                 qPrintable(line));
                });
            }
            lines << path + "=" +
                         QString("%1:%2")
                             .arg(deviceSpec.vendorId(), 4, 16, QChar('0'))
                             .arg(deviceSpec.productId(), 4, 16, QChar('0'))
                             .toUpper();
        }
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;  // no SA_RESTART: poll() returns on a signal
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    for (const QString& line : lines)
        std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);

    if (!server.serve(stopRequested, error)) {
        std::fprintf(stderr, "velarim-sim: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
