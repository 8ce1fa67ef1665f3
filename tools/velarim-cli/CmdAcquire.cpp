// velarim-cli acquire: detect as the window does at start-up, set the
// devices' settings (each read back) before the first record, then store N
// records of all devices at the interval through the same monitoring cycle and
// record storing as the window's continuous acquisition, and write the
// document file, the whole-data-set CSV, the HDF5 file and/or one appended
// line per record ("-": standard output).

#include <cstdio>

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>

#include "CliDeviceOptions.h"
#include "CliLink.h"
#include "CliStdout.h"
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
    CliDeviceOptions device;
};

bool TakeAcquireOptions(QStringList& args, AcquireOptions& o, QString& error) {
    if (!TakeIntOption(args, "--records", o.records, error) ||
        !TakeIntOption(args, "--interval-ms", o.intervalMs, error) ||
        !TakeOption(args, "--vltd", o.vltd, error) || !TakeOption(args, "--csv", o.csv, error) ||
        !TakeOption(args, "--h5", o.h5, error) ||
        !TakeOption(args, "--append-csv", o.appendCsv, error) ||
        !TakeDeviceOptions(args, o.device, error))
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
    if (o.vltd.isEmpty() && o.csv.isEmpty() && o.h5.isEmpty() && o.appendCsv.isEmpty()) {
        error = "acquire needs an output file: --csv, --vltd, --h5 or --append-csv";
        return false;
    }
    if (IsStdout(o.csv) && IsStdout(o.appendCsv)) {
        error = "--csv and --append-csv cannot both go to standard output (-)";
        return false;
    }
    if (IsStdout(o.vltd) || IsStdout(o.h5)) {
        error = "--vltd and --h5 take a file name, not standard output (-)";
        return false;
    }
    return true;
}

// "\rK/N records" on stderr while it is a terminal; a line of its own ends it.
class Progress {
  public:
    explicit Progress(int total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    void Show(int stored) {
        if (!shown_ || stored == last_)
            return;
        last_ = stored;
        std::fprintf(stderr, "\r%d/%d records", stored, total_);
        std::fflush(stderr);
        open_ = true;
    }
    // Ends the progress line before other text goes to stderr.
    void Break() {
        if (open_)
            std::fputc('\n', stderr);
        open_ = false;
    }

  private:
    int total_;
    bool shown_;
    int last_ = -1;
    bool open_ = false;
};

// The values the selected device took, into the form as a selection shows
// them (the ticks hand the form's values to the selected device).
void ShowTakenSettings(HeadlessForm& form, const CliDeviceOptions& o, int current) {
    if (o.device != ALL_SPECTROMETERS && o.device != current)
        return;
    const DeviceSettingsRequest& s = o.settings;
    if (s.exposureUs)
        form.setText(ControlId::ExposureEdit, QString::asprintf("%d", *s.exposureUs));
    if (s.averaging)
        form.setCurrentIndex(ControlId::AveragingCombo, *s.averaging - 1);
    if (s.aux)
        form.setText(ControlId::AuxEdit, QString::asprintf("%d", *s.aux));
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
    Progress progress(options.records);
    view.setAnsweringHook([&link, &progress](int slot, bool answering) {
        progress.Break();
        const QString who = slot < MAX_DEVICES ? link.ListEntry(slot) : QStringLiteral("LED");
        std::fprintf(stderr, "velarim-cli: %s %s\n", who.toLocal8Bit().constData(),
                     answering ? "answers again" : "does not answer");
    });
    WaitFor([&view](std::function<void()> done) { view.InitialUpdate(done); });
    if (data.deviceCount == 0)
        return Fail("no spectrometer found");

    // The settings go out (and are read back) between the monitoring ticks,
    // before the first record; the form shows what the selected device took,
    // so that nothing of the form's older values is sent after them.
    QString refused;
    WaitFor([&](std::function<void()> done) {
        view.operations().Run([&, done](OperationQueue::Finished finished) {
            ApplyDeviceOptions(link, options.device, [&, done, finished](QString failure) {
                refused = failure;
                finished();
                done();
            });
        });
    });
    if (!refused.isEmpty())
        return Fail(refused);
    ShowTakenSettings(form, options.device, view.currentDevice());
    if (options.device.led)
        view.SetLedState(*options.device.led);

    // Each record goes to the appended file as the measurement plan writes
    // it: the header block with the first record of the run only.
    view.setRecordCsvWriter(RecordCsvWriterOrStdout());
    view.setRecordAppendFile(options.appendCsv);
    // Continuous acquisition at the interval, as the user starts it.
    form.setChecked(ControlId::Continuous, true);
    form.setText(ControlId::IntervalEdit, QString::number(options.intervalMs));
    view.OnAcquireButton();

    QString failure;
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        progress.Show(data.recordCount);
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
    progress.Show(data.recordCount);
    progress.Break();
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
        const CsvResult written = ExportDataSetCsvOrStdout(data, options.csv);
        if (!written.ok)
            status = Fail(written.message);
    }
    if (!options.h5.isEmpty()) {
        const DocumentResult written =
            WriteHdf5File(options.h5, data, QStringLiteral("VL_Tool " VL_VERSION));
        if (!written.ok)
            status = Fail(QString("%1: %2").arg(options.h5, written.message));
    }
    // Standard output carrying a file takes nothing else.
    if (status == 0 && !IsStdout(options.csv) && !IsStdout(options.appendCsv))
        std::printf("%d records of %d devices\n", data.recordCount, data.deviceCount);
    return status;
}

CliCommandRegistrar reg("acquire",
                        "acquire --records N [--interval-ms MS] [--vltd FILE] [--csv FILE] "
                        "[--h5 FILE] [--append-csv FILE] [--device K] [--exposure-us N] "
                        "[--averaging N] [--aux N] [--led on|off] [--dark]",
                        Acquire);
}  // namespace
