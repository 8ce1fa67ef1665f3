#include "TrendScreenshot.h"

#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/ViewController.h"
#include "dialogs/TrendDlg.h"
#include "dialogs/TrendPlotView.h"
#include "setup/ArgOptions.h"

bool TrendScreenshotOptions::take(QStringList& args, QString& error) {
    return TakeOption(args, "--trend-screenshot", file, error);
}

void RunTrendScreenshot(CMainFrame& frame, const TrendScreenshotOptions& options) {
    const QString file = options.file;
    QTimer::singleShot(500, &frame, [&frame, file] {
        frame.controller().OpenTrends();
        CTrendDlg* dialog = frame.controller().trendDialog();
        if (!dialog) {
            QApplication::exit(1);
            return;
        }
        dialog->resize(960, 720);
        dialog->wavelengthEdit()->setText("550");
        for (TrendKind k : {TrendKind::BandMean, TrendKind::Peak, TrendKind::Temperature})
            dialog->kindBox(k)->setChecked(true);
        QTimer::singleShot(500, dialog, [dialog, file] {
            TrendPlotView* view = dialog->plotView();
            const TrendPlot& plot = view->plot();
            const int middle = dialog->table().recordCount() / 2;
            if (plot.panelCount() > 0) {
                const QPointF at(plot.XOf(middle), plot.panelRect(0).center().y());
                QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(view, &move);
            }
            const bool ok = dialog->grab().save(file, "PNG");
            if (!ok)
                std::fprintf(stderr, "VL_Tool: cannot write %s\n", qPrintable(file));
            QApplication::exit(ok ? 0 : 1);
        });
    });
}
