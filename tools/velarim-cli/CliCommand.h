#pragma once

#include <QCoreApplication>
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

// A message of velarim-cli's own, written in Japanese where it is used and
// marked there for lupdate in the context "velarim-cli":
//   Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli", "スロット %1 に装置がありません")).arg(k))
// Under English (an English locale or --lang en) it comes out as the English of
// translations/vl_tool_en.ts. Machine-read output (CSV, JSON, key=value lines,
// list entries) and the usage text stay as they are.
inline QString CliText(const char* text) {
    return QCoreApplication::translate("velarim-cli", text);
}

// "COMMAND: unexpected argument "ARG"", for the argument a command has no use for.
inline QString UnexpectedArgument(const char* command, const QString& arg) {
    return CliText(QT_TRANSLATE_NOOP("velarim-cli", "%1: 余分な引数 \"%2\""))
        .arg(QLatin1String(command), arg);
}
