// velarim-cli recover: what a copy of the window, or an acquire run, that did
// not end cleanly kept in its recovery journal.
//
//   recover --list [--folder DIR]   one line per journal no running copy holds,
//                                   oldest first: path, records, first and last
//                                   record's local time, separated by tabs
//   recover JOURNAL OUT             the journal's data set written as convert
//                                   writes (OUT's extension; "-": CSV on stdout)
//
// A journal whose reading stopped at a damaged entry gives what came before it;
// the damage is one line on stderr, and recover JOURNAL OUT then ends with
// status 1 after writing. The journal itself is left as it is.

#include <cstdio>
#include <ctime>

#include <QDir>
#include <QFile>

#include "CliCommand.h"
#include "CliDataSetOutput.h"
#include "export/JournalFormat.h"
#include "session/RecoveryJournal.h"

namespace {

QString Usage() {
    return CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                     "recover には --list か、記録ファイルと出力ファイルを指定して"
                                     "ください: --list [--folder DIR] | JOURNAL "
                                     "OUT.csv|OUT.vltd|OUT.h5|-"));
}

// "%Y/%m/%d %H:%M:%S" in local time, or the placeholders of that shape.
QByteArray LocalTimeText(std::int64_t timeStamp) {
    std::tm local{};
    char text[64];
    if (LocalTimeOf(timeStamp, local) &&
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local) > 0)
        return QByteArray(text);
    return QByteArray(kDatePlaceholder) + ' ' + kTimePlaceholder;
}

int ListJournals(const QString& folder) {
    const std::vector<LeftoverJournal> journals = FindLeftoverJournals(folder);
    for (const LeftoverJournal& journal : journals) {
        const QString path = QDir::toNativeSeparators(journal.path);
        QByteArray line = QFile::encodeName(path) + '\t' + QByteArray::number(journal.records);
        if (journal.records > 0) {
            line += '\t' + LocalTimeText(journal.firstTimeStamp) + '\t' +
                    LocalTimeText(journal.lastTimeStamp);
        } else {
            line += "\t\t";
        }
        line += '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
        std::fflush(stdout);
        if (!journal.damage.isEmpty())
            Fail(QString("%1: %2").arg(path, journal.damage));
    }
    return 0;
}

int RecoverJournal(const QString& journal, const QString& out) {
    QString error;
    const DataSetFormat* format = DataSetOutputOf(out, error);
    if (!format)
        return Fail(error);
    const JournalContents contents = ReadJournal(journal);
    if (!contents.ok()) {
        // The message of a file that cannot be opened names it already.
        return Fail(contents.error.contains(journal)
                        ? contents.error
                        : QString("%1: %2").arg(journal, contents.error));
    }
    const QString failed = WriteDataSetOutput(contents.data, out, *format);
    if (!contents.damage.isEmpty())
        Fail(QString("%1: %2").arg(journal, contents.damage));
    if (!failed.isEmpty())
        return Fail(failed);
    return contents.damage.isEmpty() ? 0 : 1;
}

int Recover(CliContext& context) {
    QStringList args = context.args;
    QString folder;
    QString error;
    if (!TakeOption(args, "--folder", folder, error))
        return Fail(error);
    if (TakeFlag(args, "--list")) {
        if (!args.isEmpty())
            return Fail(UnexpectedArgument("recover", args.first()));
        return ListJournals(folder.isEmpty() ? RecoveryJournal::DefaultFolder() : folder);
    }
    if (!folder.isEmpty() || args.size() != 2)
        return Fail(Usage());
    return RecoverJournal(args.at(0), args.at(1));
}

CliCommandRegistrar reg("recover",
                        "recover --list [--folder DIR]\n"
                        "  recover JOURNAL OUT.csv|OUT.rows.csv|OUT.vltd|OUT.h5|-",
                        Recover);
}  // namespace
