#include "ProgramRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

QProcessEnvironment ProgramEnvironment(const QString& locale) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VELARIM_PORTS");
    env.insert("LANG", locale);
    env.insert("LC_ALL", locale);
    // The programs' own data (recovery journals) stays out of the user's folders.
    env.insert("XDG_DATA_HOME",
               QDir::tempPath() +
                   QStringLiteral("/vl-test-data-%1").arg(QCoreApplication::applicationPid()));
    return env;
}

ProgramRun RunProgram(const QString& program, const QStringList& args, int waitMs,
                      bool withoutDisplay, const QString& locale) {
    QProcess process;
    QProcessEnvironment env = ProgramEnvironment(locale);
    if (withoutDisplay) {
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
    }
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(5000);
        run.err = program + " did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.lines = run.out.split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
