#pragma once

// What velarim-cli asks of the system, one branch per platform.

// Whether standard error is a terminal (a progress line is drawn there).
bool StderrIsTerminal();

// From now on SIGINT and SIGTERM (Ctrl+C, Ctrl+Break on Windows) end the
// event loop instead of the program, so that it closes its ports.
void QuitOnSignals();
