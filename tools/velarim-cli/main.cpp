// velarim-cli: the headless face of VL_Tool. Same device, data and file code as
// the window; one command per file, each registering itself below.

#include <cstdio>
#include <map>
#include <string>

#include <QCoreApplication>

#include "CliCommand.h"

namespace {
struct CommandEntry {
    const char* usage;
    CliCommandFn fn;
};
std::map<std::string, CommandEntry>& Commands() {
    static std::map<std::string, CommandEntry> commands;
    return commands;
}

void PrintUsage() {
    std::fprintf(stderr, "usage: velarim-cli COMMAND [options]\n");
    for (const auto& [name, entry] : Commands())
        std::fprintf(stderr, "  %s\n", entry.usage);
    std::fprintf(stderr,
                 "port options: --port PATH=VID:PID (repeatable), --simulate DEVICES, "
                 "--settle-ms N, --trace FILE; VELARIM_PORTS=PATH=VID:PID;...\n");
}
}  // namespace

CliCommandRegistrar::CliCommandRegistrar(const char* name, const char* usage, CliCommandFn fn) {
    Commands()[name] = {usage, fn};
}

int Fail(const QString& message, int status) {
    std::fprintf(stderr, "velarim-cli: %s\n", message.toLocal8Bit().constData());
    return status;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == "--help" || args.first() == "-h") {
        PrintUsage();
        return args.isEmpty() ? 2 : 0;
    }
    const std::string name = args.takeFirst().toStdString();
    const auto it = Commands().find(name);
    if (it == Commands().end()) {
        PrintUsage();
        return Fail(QString("unknown command \"%1\"").arg(QString::fromStdString(name)), 2);
    }
    CliContext context;
    context.args = args;
    QString error;
    if (!context.ports.take(context.args, error))
        return Fail(error, 2);
    return it->second.fn(context);
}
