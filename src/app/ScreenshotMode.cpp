#include "app/ScreenshotMode.h"

#include <cstdio>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>

#include "app/MainFormWidget.h"
#include "app/MainFrame.h"
#include "app/ViewController.h"
#include "device/DeviceLink.h"
#include "measure/MainViewLogic.h"

namespace {
bool TakeValue(QStringList& args, const QString& name, QString& value, QString& error) {
    const int i = args.indexOf(name);
    if (i < 0)
        return true;
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    value = args.at(i + 1);
    args.remove(i, 2);
    return true;
}

bool TakeNumber(QStringList& args, const QString& name, int& value, QString& error) {
    QString text;
    if (!TakeValue(args, name, text, error))
        return false;
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0) {
        error = name + " takes a whole number, not \"" + text + "\"";
        return false;
    }
    value = v;
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

void Grab(std::shared_ptr<Session> s) {
    const QPixmap shot = s->frame.grab();
    const bool ok = shot.save(s->options.file, "PNG");
    if (!ok)
        std::fprintf(stderr, "VL_Tool: cannot write %s\n", qPrintable(s->options.file));
    QApplication::exit(ok ? 0 : 1);
}

void ChooseMode(std::shared_ptr<Session> s) {
    // As a choice in the combo: the combo shows it, the logic takes it up.
    s->form().setCurrentIndex(ControlId::ModeCombo, s->options.mode);
    s->frame.controller().logic().OnModeSelected(s->options.mode);
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
    const int mode = s->options.mode;
    if (mode == 2 || mode == 3) {
        SetReference(s);
    } else {
        ChooseMode(s);
    }
}
}  // namespace

bool ScreenshotOptions::take(QStringList& args, QString& error) {
    return TakeValue(args, "--screenshot", file, error) &&
           TakeNumber(args, "--mode", mode, error) &&
           TakeNumber(args, "--after-ms", afterMs, error) &&
           TakeNumber(args, "--records", records, error);
}

void RunScreenshotSession(CMainFrame& frame, const ScreenshotOptions& options) {
    auto session = std::make_shared<Session>(Session{frame, options});
    Then(session, 600, StoreRecords);
}
