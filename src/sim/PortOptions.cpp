#include "sim/PortOptions.h"

#include <QProcessEnvironment>

#include "device/SerialPortProvider.h"
#include "device/TracingTransport.h"
#include "sim/SimDeviceSpec.h"
#include "sim/SimPortProvider.h"

namespace {

// "--name VALUE" or "--name=VALUE" at args[i]; removes it. Returns 0 when args[i]
// is not this option, 1 when taken, -1 when the value is missing.
int TakeAt(QStringList& args, int i, const QString& name, QString& value) {
    const QString& arg = args.at(i);
    if (arg.startsWith(name + "=")) {
        value = arg.mid(name.size() + 1);
        args.removeAt(i);
        return 1;
    }
    if (arg != name)
        return 0;
    if (i + 1 >= args.size())
        return -1;
    value = args.at(i + 1);
    args.remove(i, 2);
    return 1;
}

bool CheckDeclared(const QString& entry, const QString& from, QString& error) {
    DeclaredPort port;
    QString why;
    if (SerialPortProvider::ParseDeclaredPort(entry, port, why))
        return true;
    error = from + ": " + why;
    return false;
}

}  // namespace

bool PortOptions::take(QStringList& args, QString& error) {
    for (int i = 0; i < args.size();) {
        QString value;
        int r = TakeAt(args, i, "--port", value);
        if (r > 0) {
            if (!CheckDeclared(value, "--port", error))
                return false;
            declaredPorts << value;
            continue;
        }
        if (r == 0)
            r = TakeAt(args, i, "--simulate", value);
        if (r > 0 && simulate.isNull()) {
            std::vector<SimDeviceSpec> deviceSpecs;
            QString why;
            if (!ParseDeviceSpecs(value, deviceSpecs, why)) {
                error = "--simulate: " + why;
                return false;
            }
            simulate = value;
            continue;
        }
        if (r > 0) {
            error = "--simulate given twice";
            return false;
        }
        if (r == 0)
            r = TakeAt(args, i, "--settle-ms", value);
        if (r > 0) {
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms < 0 || value.startsWith('+')) {
                error = "--settle-ms takes a whole number of milliseconds, 0 or more, not \"" +
                        value + "\"";
                return false;
            }
            settleMs = ms;
            continue;
        }
        if (r == 0)
            r = TakeAt(args, i, "--trace", value);
        if (r > 0) {
            if (value.isEmpty()) {
                error = "--trace needs a file name";
                return false;
            }
            traceFile = value;
            continue;
        }
        if (r < 0) {
            error = args.at(i) + " needs a value";
            return false;
        }
        ++i;
    }
    const QString env = QProcessEnvironment::systemEnvironment().value("VELARIM_PORTS");
    for (const QString& entry : env.split(';', Qt::SkipEmptyParts)) {
        if (!CheckDeclared(entry.trimmed(), "VELARIM_PORTS", error))
            return false;
        declaredPorts << entry.trimmed();
    }
    return true;
}

std::unique_ptr<PortProvider> PortOptions::makeProvider(Clock& clock, QString& error) const {
    std::unique_ptr<PortProvider> provider;
    if (!simulate.isEmpty())
        provider = SimPortProvider::FromText(simulate, clock, error);
    else
        provider = std::make_unique<SerialPortProvider>(declaredPorts);
    if (!provider || traceFile.isEmpty())
        return provider;
    std::shared_ptr<TraceLog> log = TraceLog::Create(traceFile, error);
    if (!log)
        return nullptr;
    return std::make_unique<TracingPortProvider>(std::move(provider), std::move(log));
}
