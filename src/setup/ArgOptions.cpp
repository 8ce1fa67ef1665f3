#include "setup/ArgOptions.h"

#include <cstdio>

#include "setup/ProgramVersion.h"

namespace {
// args[i] as option name: 0 when it is not this option, 1 when taken (value
// set, args shortened), -1 when its value is missing.
int TakeOptionAt(QStringList& args, int i, const QString& name, QString& value) {
    const QString& arg = args.at(i);
    if (arg.startsWith(name + "=")) {
        value = arg.mid(name.size() + 1);
        args.removeAt(i);
        return 1;
    }
    if (arg != name)
        return 0;
    if (i + 1 >= args.size())
        return -1;
    value = args.at(i + 1);
    args.remove(i, 2);
    return 1;
}
}  // namespace

bool TakeRepeatedOption(QStringList& args, const QString& name, QStringList& values,
                        QString& error) {
    for (int i = 0; i < args.size();) {
        QString value;
        const int r = TakeOptionAt(args, i, name, value);
        if (r < 0) {
            error = name + " needs a value";
            return false;
        }
        if (r > 0)
            values << value;
        else
            ++i;
    }
    return true;
}

bool TakeOption(QStringList& args, const QString& name, QString& value, QString& error) {
    QStringList values;
    if (!TakeRepeatedOption(args, name, values, error))
        return false;
    if (!values.isEmpty())
        value = values.last();
    return true;
}

bool TakeIntOption(QStringList& args, const QString& name, int& value, QString& error,
                   int minimum) {
    QString text;
    if (!TakeOption(args, name, text, error))
        return false;
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < minimum) {
        error = name + " takes a whole number, not \"" + text + "\"";
        return false;
    }
    value = v;
    return true;
}

bool TakeFlag(QStringList& args, const QString& name) {
    return args.removeAll(name) > 0;
}

std::optional<int> AnswerHelpOrVersion(const QStringList& args, const QString& program,
                                       const QString& help) {
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::printf("%s", help.toLocal8Bit().constData());
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("%s %s\n", program.toLocal8Bit().constData(), VL_VERSION);
        return 0;
    }
    return std::nullopt;
}
