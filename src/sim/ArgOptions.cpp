#include "sim/ArgOptions.h"

bool TakeOption(QStringList& args, const QString& name, QString& value, QString& error) {
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
