// velarim-cli acquire: detect as the window does at start-up, then store N
// records of all devices at the interval through the same monitoring cycle and
// record storing as the window's continuous acquisition, and write the
// document file, the whole-data-set CSV, the HDF5 file and/or one appended
// line per record.

#include <cstdio>

#include <QEventLoop>
#include <QTimer>

#include "CliLink.h"
#include "data/DocumentFile.h"
#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "export/DataSetCsv.h"
#include "export/Hdf5File.h"
#include "viewlogic/HeadlessForm.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/QtTimerHost.h"
#include "viewlogic/SettingsStore.h"

namespace {
struct NoDocument : DocumentHooks {
    void setModified() override {}
};

struct AcquireOptions {
    int records = 0;
    int intervalMs = 1000;
    QString vltd;
    QString csv;
    QString h5;
    QString appendCsv;
};

bool TakeAcquireOptions(QStringList& args, AcquireOptions& o, QString& error) {
    if (!TakeIntOption(args, "--records", o.records, error) ||
        !TakeIntOption(args, "--interval-ms", o.intervalMs, error) ||
        !TakeOption(args, "--vltd", o.vltd, error) || !TakeOption(args, "--csv", o.csv, error) ||
        !TakeOption(args, "--h5", o.h5, error) ||
        !TakeOption(args, "--append-csv", o.appendCsv, error))
        return false;
    if (!args.isEmpty()) {
        error = "acquire does not take \"" + args.first() + "\"";
        return false;
    }
    if (o.records < 1 || o.records > MAX_RECORDS) {
        error = QString("--records takes 1 to %1 records").arg(MAX_RECORDS);
        return false;
    }
    if (o.intervalMs < 0) {
        error = "--interval-ms takes 0 or more milliseconds";
        return false;
    }
    return true;
}

int Acquire(CliContext& context) {
    AcquireOptions options;
    QString error;
    if (!TakeAcquireOptions(context.args, options, error))
        return Fail(error);

    Clock& clock = SystemClock::instance();
    std::unique_ptr<PortProvider> ports = context.ports.makeProvider(clock, error);
    if (!ports)
        return Fail(error);
    WorkerPortExecutor executor;  // each port on its own worker, as in the window
    DeviceLink link(*ports, clock, executor, context.ports.settleMs);

    HeadlessForm form;
    MainViewLogic* running = nullptr;
    QtTimerHost timers([&running](int id) {
        if (running)
            running->OnTimer(id);
    });
    MemorySettingsStore settings;  // the user's window settings stay untouched
    MeasurementDataSet data;
    NoDocument document;
    MainViewLogic view(form, timers, settings, link, data, document, QString());
    running = &view;
    // A device that stops answering (its records then hold NaN) or answers
    // again is told on stderr, one line each.
    view.setAnsweringHook([&link](int slot, bool answering) {
        const QString who = slot < MAX_DEVICES ? link.ListEntry(slot) : QStringLiteral("LED");
        std::fprintf(stderr, "velarim-cli: %s %s\n", who.toLocal8Bit().constData(),
                     answering ? "answers again" : "does not answer");
    });
    WaitFor([&view](std::function<void()> done) { view.InitialUpdate(done); });
    if (data.deviceCount == 0)
        return Fail("no spectrometer found");

    // Each record goes to the appended file as the measurement plan writes
    // it: the header block with the first record of the run only.
    view.setRecordAppendFile(options.appendCsv);
    // Continuous acquisition at the interval, as the user starts it.
    form.setChecked(ControlId::Continuous, true);
    form.setText(ControlId::IntervalEdit, QString::number(options.intervalMs));
    view.OnAcquireButton();

    QString failure;
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!view.planFileNotice().isEmpty()) {  // the appended file takes no line
            view.OnAcquireButton();
            failure = view.planFileNotice();
            loop.quit();
            return;
        }
        if (data.recordCount >= options.records) {
            view.OnAcquireButton();  // stop: no record comes after the last asked for
            loop.quit();
        }
    });
    watch.start(5);
    loop.exec();
    watch.stop();
    if (!failure.isEmpty())
        return Fail(failure);

    // Every file asked for is written; one that fails (a document of devices
    // with different grids among them) does not keep the others from being written.
    int status = 0;
    if (!options.vltd.isEmpty()) {
        const DocumentResult written = WriteDocumentFile(options.vltd, data);
        if (!written.ok)
            status = Fail(QString("%1: %2").arg(options.vltd, written.message));
    }
    if (!options.csv.isEmpty()) {
        const CsvResult written = ExportDataSetCsv(data, options.csv);
        if (!written.ok)
            status = Fail(written.message);
    }
    if (!options.h5.isEmpty()) {
        const DocumentResult written =
            WriteHdf5File(options.h5, data, QStringLiteral("VL_Tool " VL_VERSION));
        if (!written.ok)
            status = Fail(QString("%1: %2").arg(options.h5, written.message));
    }
    if (status == 0)
        std::printf("%d records of %d devices\n", data.recordCount, data.deviceCount);
    return status;
}

CliCommandRegistrar reg("acquire",
                        "acquire --records N [--interval-ms MS] [--vltd FILE] [--csv FILE] "
                        "[--h5 FILE] [--append-csv FILE]",
                        Acquire);
}  // namespace
