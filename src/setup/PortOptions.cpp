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

const char PORT_OPTIONS_HELP[] =
    "  --port PATH=VID:PID   declare a port with its USB identity (repeatable);\n"
    "                        VELARIM_PORTS=PATH=VID:PID;... adds more\n"
    "  --simulate DEVICES    simulated devices instead of serial ports\n"
    "                        (KIND[:key=value...][,KIND...], KIND vis|nir|uv|led)\n"
    "  --settle-ms N         wait N ms instead of 3000 after detection and wake-up\n"
    "  --trace FILE          one line per exchange on any port into FILE\n";

bool PortOptions::take(QStringList& args, QString& error) {
    QStringList ports;
    QStringList simulations;
    QString settle;
    QString trace;
    if (!TakeRepeatedOption(args, "--port", ports, error) ||
        !TakeRepeatedOption(args, "--simulate", simulations, error) ||
        !TakeOption(args, "--settle-ms", settle, error) ||
        !TakeOption(args, "--trace", trace, error))
        return false;
    for (const QString& port : ports) {
        if (!CheckDeclared(port, "--port", error))
            return false;
        declaredPorts << port;
    }
    if (simulations.size() > 1) {
        error = "--simulate given twice";
        return false;
    }
    if (!simulations.isEmpty()) {
        std::vector<SimDeviceSpec> deviceSpecs;
        QString why;
        if (!ParseDeviceSpecs(simulations.first(), deviceSpecs, why)) {
            error = "--simulate: " + why;
            return false;
        }
        simulate = simulations.first();
    }
    if (!settle.isNull()) {
        bool ok = false;
        const int ms = settle.toInt(&ok);
        if (!ok || ms < 0 || settle.startsWith('+')) {
            error = "--settle-ms takes a whole number of milliseconds, 0 or more, not \"" + settle +
                    "\"";
            return false;
        }
        settleMs = ms;
    }
    if (!trace.isNull()) {
        if (trace.isEmpty()) {
            error = "--trace needs a file name";
            return false;
        }
        traceFile = trace;
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
