// velarim-cli acquire: detect as the window does at start-up, set the
// devices' settings (each read back) before the first record, then store N
// records of all devices at the interval through the same acquisition session
// as the window's continuous acquisition, and write the document file, the
// whole-data-set CSV, the HDF5 file and/or one appended line per record ("-":
// standard output).

#include <cstdio>

#include <QDir>
#include <QEventLoop>

#include "CliDeviceOptions.h"
#include "CliLink.h"
#include "CliPlatform.h"
#include "CliSession.h"
#include "CliStdout.h"
#include "data/DocumentFile.h"
#include "export/DataSetCsv.h"
#include "export/Hdf5File.h"
#include "session/RecoveryJournal.h"

namespace {

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
        error = CliText(QT_TRANSLATE_NOOP("velarim-cli", "acquire には \"%1\" は指定できません"))
                    .arg(args.first());
        return false;
    }
    if (o.records < 1 || o.records > MAX_RECORDS) {
        error =
            CliText(QT_TRANSLATE_NOOP("velarim-cli", "--records には 1〜%1 件を指定してください"))
                .arg(MAX_RECORDS);
        return false;
    }
    if (o.intervalMs < 0) {
        error = CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                          "--interval-ms には 0 以上のミリ秒を指定してください"));
        return false;
    }
    if (o.vltd.isEmpty() && o.csv.isEmpty() && o.h5.isEmpty() && o.appendCsv.isEmpty()) {
        error = CliText(QT_TRANSLATE_NOOP(
            "velarim-cli",
            "acquire には出力ファイルが必要です: --csv, --vltd, --h5, --append-csv のいずれか"));
        return false;
    }
    if (IsStdout(o.csv) && IsStdout(o.appendCsv)) {
        error = CliText(QT_TRANSLATE_NOOP(
            "velarim-cli", "--csv と --append-csv を両方とも標準出力 (-) にはできません"));
        return false;
    }
    if (IsStdout(o.vltd) || IsStdout(o.h5)) {
        error = CliText(QT_TRANSLATE_NOOP(
            "velarim-cli", "--vltd と --h5 にはファイル名を指定してください (標準出力 - は不可)"));
        return false;
    }
    return true;
}

// "\rK/N records" on stderr while it is a terminal; a line of its own ends it.
class Progress {
  public:
    explicit Progress(int total) : total_(total), shown_(StderrIsTerminal()) {}
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

int Acquire(CliContext& context) {
    AcquireOptions options;
    QString error;
    if (!TakeAcquireOptions(context.args, options, error))
        return Fail(error);

    CliSession cli;
    if (!OpenCliSession(context, cli, error, true))
        return Fail(error);
    AcquisitionSession& session = *cli.session;
    const MeasurementDataSet& data = cli.data;
    if (data.deviceCount == 0)
        return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli", "分光器が見つかりません")));

    // The settings go out (and are read back) before the first record.
    const QString refused = ApplyDeviceOptions(session, options.device);
    if (!refused.isEmpty())
        return Fail(refused);

    // Every record is journalled as it is stored: a run that dies leaves them
    // for `recover` and the window; a run that ends with its files written
    // deletes the journal.
    Progress progress(options.records);
    RecoveryJournal journal(RecoveryJournal::DefaultFolder(), [&progress](const QString& notice) {
        if (notice.isEmpty())
            return;
        progress.Break();
        std::fprintf(stderr, "velarim-cli: %s\n", notice.toLocal8Bit().constData());
    });
    journal.Watch(session);

    // A device that stops answering (its records then hold NaN) or answers
    // again is told on stderr, one line each; the run ends when the records
    // are in or the appended file takes no line.
    QString failure;
    QEventLoop loop;
    session.Subscribe([&](const SessionEvent& event) {
        if (const auto* a = std::get_if<AnsweringEvent>(&event)) {
            progress.Break();
            const QString who =
                a->slot < MAX_DEVICES ? cli.link->ListEntry(a->slot) : QStringLiteral("LED");
            const QString line =
                a->answering ? CliText(QT_TRANSLATE_NOOP("velarim-cli", "%1 が再び応答しています"))
                             : CliText(QT_TRANSLATE_NOOP("velarim-cli", "%1 が応答しません"));
            std::fprintf(stderr, "velarim-cli: %s\n", line.arg(who).toLocal8Bit().constData());
        } else if (std::holds_alternative<RecordStoredEvent>(event)) {
            progress.Show(data.recordCount);
            if (data.recordCount >= options.records) {
                session.StopAcquisition();  // no record comes after the last asked for
                loop.quit();
            }
        } else if (const auto* file = std::get_if<AppendFileEvent>(&event)) {
            if (!file->notice.isEmpty()) {
                session.StopAcquisition();
                failure = file->notice;
                loop.quit();
            }
        }
    });
    // Each record goes to the appended file as the measurement plan writes
    // it: the header block with the first record of the run only.
    session.setRecordCsvWriter(RecordCsvWriterOrStdout());
    session.setRecordAppendFile(options.appendCsv);
    session.StartContinuous(options.intervalMs);
    session.StartTicks();
    loop.exec();
    progress.Show(data.recordCount);
    progress.Break();
    // A run that could not write its records keeps them in the journal.
    auto keptInJournal = [&journal] {
        journal.Flush();
        return CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                         "記録は %1 に残っています (velarim-cli recover)"))
            .arg(QDir::toNativeSeparators(journal.path()));
    };
    if (!failure.isEmpty()) {
        // One line: what failed, and where the records are.
        return Fail(QStringLiteral("%1; %2").arg(failure, keptInJournal()));
    }

    // Every file asked for is written; one that fails (a document of devices
    // with different grids among them) does not keep the others from being written.
    int status = 0;
    if (!options.vltd.isEmpty()) {
        const FileResult written = WriteDocumentFile(options.vltd, data);
        if (!written.ok)
            status = Fail(QString("%1: %2").arg(options.vltd, written.message));
    }
    if (!options.csv.isEmpty()) {
        const FileResult written = ExportDataSetCsvOrStdout(data, options.csv);
        if (!written.ok)
            status = Fail(written.message);
    }
    if (!options.h5.isEmpty()) {
        const FileResult written =
            WriteHdf5File(options.h5, data, QStringLiteral("VL_Tool " VL_VERSION));
        if (!written.ok)
            status = Fail(QString("%1: %2").arg(options.h5, written.message));
    }
    if (status != 0)
        return Fail(keptInJournal(), status);
    journal.EndCleanly();
    // Standard output carrying a file takes nothing else.
    if (!IsStdout(options.csv) && !IsStdout(options.appendCsv))
        std::printf("%s\n", CliText(QT_TRANSLATE_NOOP("velarim-cli", "%1 件の記録 (装置 %2 台)"))
                                .arg(data.recordCount)
                                .arg(data.deviceCount)
                                .toLocal8Bit()
                                .constData());
    return status;
}

CliCommandRegistrar reg("acquire",
                        "acquire --records N [--interval-ms MS] [--vltd FILE] [--csv FILE] "
                        "[--h5 FILE] [--append-csv FILE] [--device K] [--exposure-us N] "
                        "[--averaging N] [--aux N] [--led on|off] [--dark]",
                        Acquire);
}  // namespace
