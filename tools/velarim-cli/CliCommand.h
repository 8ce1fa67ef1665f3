#pragma once

#include <QString>
#include <QStringList>

#include "setup/ArgOptions.h"
#include "setup/PortOptions.h"

// What a command gets: its own arguments (port options already taken out) and
// the port options. It returns the exit status and prints its own messages.
struct CliContext {
    QStringList args;
    PortOptions ports;
};

using CliCommandFn = int (*)(CliContext&);

// Each command registers itself from its own file.
struct CliCommandRegistrar {
    CliCommandRegistrar(const char* name, const char* usage, CliCommandFn fn);
};

// One line on stderr: "velarim-cli: " + message.
int Fail(const QString& message, int status = 1);
