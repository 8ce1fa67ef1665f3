#include "ScreenshotMode.h"

#include <cstdio>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include "app/GraphPanel.h"
#include "app/MainFrame.h"
#include "app/VL_ToolView.h"
#include "app/ViewController.h"
#include "device/DeviceLink.h"
#include "setup/ArgOptions.h"
#include "viewlogic/DisplayModes.h"
#include "viewlogic/MainViewLogic.h"

namespace {
bool TakePoint(QStringList& args, const QString& name, std::optional<QPoint>& value,
               QString& error) {
    QString text;
    if (!TakeOption(args, name, text, error))
        return false;
    if (text.isEmpty())
        return true;
    const QStringList parts = text.split(',');
    bool okX = false;
    bool okY = false;
    const int x = parts.size() == 2 ? parts[0].toInt(&okX) : 0;
    const int y = parts.size() == 2 ? parts[1].toInt(&okY) : 0;
    if (!okX || !okY) {
        error = name + " takes X,Y, not \"" + text + "\"";
        return false;
    }
    value = QPoint(x, y);
    return true;
}

// One step of the session, run after a delay.
struct Session {
    CMainFrame& frame;
    ScreenshotOptions options;
    int stored = 0;

    CVL_ToolView& form() { return frame.view(); }
    void click(ControlId id) {
        if (auto* b = qobject_cast<QAbstractButton*>(form().control(id)))
            b->click();
    }
    int tickMs() const { return 200; }
    int settleMs() { return frame.controller().link().settleMs(); }
};

void Then(std::shared_ptr<Session> s, int ms, void (*step)(std::shared_ptr<Session>)) {
    QTimer::singleShot(ms, &s->frame, [s, step] { step(s); });
}

// The mouse comes to rest over the graph panel: a move event as the window
// system delivers it to the form.
void PlaceCursor(std::shared_ptr<Session> s) {
    if (!s->options.cursor)
        return;
    CVL_ToolView& form = s->form();
    const QPointF at = form.graphPanel()->pos() + *s->options.cursor;
    QMouseEvent move(QEvent::MouseMove, at, form.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &move);
}

// A grab shows no mouse pointer: an arrow is drawn where the mouse rests.
void DrawArrow(QPixmap& shot, QPoint tip) {
    static constexpr QPoint kArrow[] = {{0, 0},   {0, 16}, {4, 12}, {7, 19},
                                        {10, 18}, {7, 11}, {12, 11}};
    QPolygon arrow;
    for (const QPoint& p : kArrow)
        arrow << tip + p * shot.devicePixelRatio();
    QPainter painter(&shot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
}

void Grab(std::shared_ptr<Session> s) {
    QPixmap shot = s->frame.grab();
    if (s->options.cursor) {
        CVL_ToolView& form = s->form();
        const QPoint at = form.graphPanel()->pos() + *s->options.cursor;
        DrawArrow(shot, form.mapTo(&s->frame, at) * shot.devicePixelRatio());
    }
    const bool ok = shot.save(s->options.file, "PNG");
    if (!ok)
        std::fprintf(stderr, "VL_Tool: cannot write %s\n", qPrintable(s->options.file));
    QApplication::exit(ok ? 0 : 1);
}

void ChooseMode(std::shared_ptr<Session> s) {
    // As a choice in the combo: the combo shows it, the logic takes it up.
    s->form().setCurrentIndex(ControlId::ModeCombo, s->options.mode);
    s->frame.controller().logic().OnModeSelected(s->options.mode);
    PlaceCursor(s);
    Then(s, s->options.afterMs, Grab);
}

void SetReference(std::shared_ptr<Session> s) {
    // As the user does it: pick a stored record, register it, resume monitoring.
    auto* list = qobject_cast<QListWidget*>(s->form().control(ControlId::DataList));
    if (list && list->count() > 1) {
        list->setCurrentRow(1);
        s->click(ControlId::Reference);
        s->click(ControlId::Acquire);  // "モニター再開"
        Then(s, s->settleMs() + 300, ChooseMode);
        return;
    }
    ChooseMode(s);
}

void StoreRecords(std::shared_ptr<Session> s) {
    if (s->stored < s->options.records && s->frame.controller().logic().state().monitoring) {
        ++s->stored;
        s->click(ControlId::Acquire);  // single acquisition at the next tick
        Then(s, s->tickMs(), StoreRecords);
        return;
    }
    const DisplayMode* mode = FindDisplayMode(s->options.mode);
    if (mode != nullptr && mode->needsReference) {
        SetReference(s);
    } else {
        ChooseMode(s);
    }
}
}  // namespace

bool ScreenshotOptions::take(QStringList& args, QString& error) {
    return TakeOption(args, "--screenshot", file, error) &&
           TakeIntOption(args, "--mode", mode, error, 0) &&
           TakeIntOption(args, "--after-ms", afterMs, error, 0) &&
           TakeIntOption(args, "--records", records, error, 0) &&
           TakePoint(args, "--cursor", cursor, error);
}

void RunScreenshotSession(CMainFrame& frame, const ScreenshotOptions& options) {
    auto session = std::make_shared<Session>(Session{frame, options});
    Then(session, 600, StoreRecords);
}
