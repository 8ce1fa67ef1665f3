#pragma once

#include <QProcessEnvironment>
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

// The locale the programs run under unless a test asks for another: their
// messages then read in English.
inline constexpr char ENGLISH_LOCALE[] = "en_US.UTF-8";

// The test's own environment for a program it starts, under locale (LANG and
// LC_ALL), without VELARIM_PORTS so that a developer's own ports cannot leak
// into a test.
QProcessEnvironment ProgramEnvironment(const QString& locale = ENGLISH_LOCALE);

// Runs program to its end in ProgramEnvironment(locale), killing it after
// waitMs; withoutDisplay also takes out every display a window could open on.
ProgramRun RunProgram(const QString& program, const QStringList& args, int waitMs = 60000,
                      bool withoutDisplay = false, const QString& locale = ENGLISH_LOCALE);
