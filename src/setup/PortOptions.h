#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "device/Clock.h"
#include "device/PortProvider.h"

// The port options both programs take:
//   --port PATH=VID:PID   (repeatable) declare a port with the given USB identity
//   VELARIM_PORTS         the same entries separated by ';'
//   --simulate DEVICES    in-process simulated devices instead of serial ports
//   --settle-ms N         replaces the 3000 ms waits of detection and wake-up
//   --trace FILE          writes one line per exchange on any port to FILE
// Those options as the programs' --help lists them, one or two lines each.
extern const char PORT_OPTIONS_HELP[];

struct PortOptions {
    QStringList declaredPorts;  // "PATH=VID:PID"
    QString simulate;           // DEVICES grammar, empty when not simulating
    int settleMs = 3000;
    QString traceFile;  // empty: no trace, and no tracing layer at all

    // Removes the options above from args (leaving the rest in order; "--name
    // VALUE" and "--name=VALUE" both work) and reads VELARIM_PORTS, whose entries
    // follow those of --port. Every entry and the DEVICES text are checked here;
    // on a malformed option returns false with a one-line message.
    bool take(QStringList& args, QString& error);

    // The provider these options describe: simulated devices when --simulate is
    // given, else the system's serial ports followed by the declared ports.
    // Simulated devices run on `clock`. With --trace every port it opens is
    // traced into the file (created afresh here). Returns nullptr with a message
    // when the DEVICES text is malformed or the trace file cannot be written.
    std::unique_ptr<PortProvider> makeProvider(Clock& clock, QString& error) const;
};
