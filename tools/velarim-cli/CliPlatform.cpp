#include "CliPlatform.h"

#include <QCoreApplication>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <QSocketNotifier>
#endif

bool StderrIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

#ifdef Q_OS_WIN
namespace {
// Runs on a thread of the system's: a queued call is safe from any thread.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
        return FALSE;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
    return TRUE;
}
}  // namespace

void QuitOnSignals() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
#else
namespace {
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}
}  // namespace

// Through a socket pair: nothing else is safe in a signal handler.
void QuitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
#endif
