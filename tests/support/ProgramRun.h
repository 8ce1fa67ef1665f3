#pragma once

#include <QString>
#include <QStringList>

// What a finished program left: its exit code (-1 when it crashed or had to be
// killed), standard output whole and as non-empty lines, standard error.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QStringList lines;
    QString err;
};

// Runs program to its end, killing it after waitMs. VELARIM_PORTS is taken out
// of its environment so that a developer's own ports cannot leak into a test;
// withoutDisplay also takes out every display a window could open on.
ProgramRun RunProgram(const QString& program, const QStringList& args, int waitMs = 60000,
                      bool withoutDisplay = false);
