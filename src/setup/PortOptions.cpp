#include "setup/PortOptions.h"

#include <QProcessEnvironment>

#include "device/SerialPortProvider.h"
#include "device/TracingTransport.h"
#include "setup/ArgOptions.h"
#include "setup/SimPortProvider.h"
#include "sim/SimDeviceSpec.h"

namespace {

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
        int r = TakeOptionAt(args, i, "--port", value);
        if (r > 0) {
            if (!CheckDeclared(value, "--port", error))
                return false;
            declaredPorts << value;
            continue;
        }
        if (r == 0)
            r = TakeOptionAt(args, i, "--simulate", value);
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
            r = TakeOptionAt(args, i, "--settle-ms", value);
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
            r = TakeOptionAt(args, i, "--trace", value);
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
