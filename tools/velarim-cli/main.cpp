// velarim-cli: the headless face of VL_Tool. Same device, data and file code as
// the window; one command per file, each registering itself below.

#include <csignal>
#include <cstdio>
#include <map>
#include <string>

#include <QCoreApplication>
#include <QLocale>

#include "CliCommand.h"
#include "setup/LanguageOption.h"
#include "setup/Translation.h"
#include "viewlogic/SettingsStore.h"

namespace {
struct CommandEntry {
    const char* usage;
    CliCommandFn fn;
};
std::map<std::string, CommandEntry>& Commands() {
    static std::map<std::string, CommandEntry> commands;
    return commands;
}

QString Usage() {
    QString text = "usage: velarim-cli COMMAND [options]\n";
    for (const auto& [name, entry] : Commands())
        text += QString("  %1\n").arg(entry.usage);
    text += QString("port options:\n") + PORT_OPTIONS_HELP +
            "  --lang en|ja          language of the messages (default: the system's, else ja)\n"
            "Options take their value as --name VALUE or --name=VALUE; --help, --version.\n";
    return text;
}

void PrintUsage() {
    std::fprintf(stderr, "%s", Usage().toLocal8Bit().constData());
}
}  // namespace

CliCommandRegistrar::CliCommandRegistrar(const char* name, const char* usage, CliCommandFn fn) {
    Commands()[name] = {usage, fn};
}

int Fail(const QString& message, int status) {
    std::fprintf(stderr, "velarim-cli: %s\n", message.toLocal8Bit().constData());
    return status;
}

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file grown past the size limit fails its write, as a full disk does,
    // instead of ending the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    // The window's organisation: its data folder (the recovery journals) is
    // named after it, and velarim-cli shares that folder.
    QCoreApplication::setOrganizationName(QSettingsStore::ORGANISATION);
    QStringList args = app.arguments();
    args.removeFirst();
    // The messages are Japanese unless --lang en or an English system locale asks for English,
    // as in the window.
    UiLanguage language = UiLanguage::Japanese;
    QString error;
    if (!TakeLanguage(args, QLocale::system(), language, error))
        return Fail(error, 2);
    if (language == UiLanguage::English && !InstallEnglishTranslation())
        return Fail(QStringLiteral("the English translation is missing from the program"), 2);
    if (args.isEmpty()) {
        PrintUsage();
        return 2;
    }
    if (const auto answered = AnswerHelpOrVersion(args, QStringLiteral("velarim-cli"), Usage()))
        return *answered;
    const std::string name = args.takeFirst().toStdString();
    const auto it = Commands().find(name);
    if (it == Commands().end()) {
        PrintUsage();
        return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli", "不明なコマンド \"%1\""))
                        .arg(QString::fromStdString(name)),
                    2);
    }
    CliContext context;
    context.args = args;
    if (!context.ports.take(context.args, error))
        return Fail(error, 2);
    return it->second.fn(context);
}
