// velarim-cli list: detect as the window does at start-up and print the device
// list, one entry per spectrometer in slot order, then the LED unit's label.
// A port with a device identity that could not be opened (no permission, held
// by another program) is named on stderr with its remedy, one line each; the
// exit status stays 0 as long as a device was listed. When none was and a
// port could not be opened, one line names the ports and the status is 1.

#include <cstdio>
#include <vector>

#include "CliLink.h"
#include "device/DeviceLink.h"

namespace {
void PrintLine(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

int List(CliContext& context) {
    if (!context.args.isEmpty())
        return Fail(
            CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                      "list が受け付けるのはポートのオプションだけです: \"%1\""))
                .arg(context.args.first()));
    QString error;
    CliLink cli;
    if (!OpenCliLink(context, cli, error, true))
        return Fail(error);
    DeviceLink& link = *cli.link;
    const int count = cli.count;

    const std::vector<PortDiagnostic> diagnostics = link.portDiagnostics();
    if (count == 0 && !link.led().present && !diagnostics.empty()) {
        QStringList messages;
        for (const PortDiagnostic& diagnostic : diagnostics)
            messages << diagnostic.message;
        return Fail(messages.join("; "));
    }
    for (int i = 0; i < count; ++i)
        PrintLine(link.ListEntry(i));
    if (link.led().present)
        PrintLine("LED: " + QString::fromLatin1(link.led().label));
    std::fflush(stdout);
    for (const PortDiagnostic& diagnostic : diagnostics) {
        const QString warning =
            CliText(QT_TRANSLATE_NOOP("velarim-cli", "警告: %1")).arg(diagnostic.message);
        std::fprintf(stderr, "velarim-cli: %s\n", warning.toUtf8().constData());
    }
    return 0;
}

CliCommandRegistrar reg("list", "list [--settle-ms N]", List);
}  // namespace
