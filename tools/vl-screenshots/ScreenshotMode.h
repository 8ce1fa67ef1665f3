#pragma once

#include <optional>

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class CMainFrame;

// A scripted session for pictures of the window: store a few records, make
// the second the reference, resume monitoring, pick the display mode, let the
// ticks run, then grab the window into a PNG file and quit.
//   --screenshot FILE  --mode N (a value of DISPLAY_MODES)  [--after-ms T]  [--records K]
//   [--cursor X,Y]  a mouse resting at (X, Y) of the graph panel: the status
//                   bar shows its readout and the picture an arrow there
struct ScreenshotOptions {
    QString file;
    int mode = 0;
    int afterMs = 1500;
    int records = 3;
    std::optional<QPoint> cursor;
    // The window is made large enough for the whole form.
    static constexpr QSize WINDOW_SIZE{915, 700};

    bool enabled() const { return !file.isEmpty(); }
    // Removes the options above from args; false with a message when malformed.
    bool take(QStringList& args, QString& error);
};

// Starts the session on a shown frame; the application quits when the file is
// written (exit status 0) or cannot be written (1).
void RunScreenshotSession(CMainFrame& frame, const ScreenshotOptions& options);
