#pragma once

#include <QString>
#include <QStringList>

class CMainFrame;

// A picture of the trend window: --trend-screenshot FILE with a document named
// on the command line opens View > Trends with the intensity at 550 nm, the
// band mean 500-600 nm, the peak and the temperature, rests the mouse on the
// middle record (the status line shows its readout), grabs the trend window
// into FILE and quits.
struct TrendScreenshotOptions {
    QString file;
    bool enabled() const { return !file.isEmpty(); }
    // Removes the option from args; false with a message when malformed.
    bool take(QStringList& args, QString& error);
};

void RunTrendScreenshot(CMainFrame& frame, const TrendScreenshotOptions& options);
