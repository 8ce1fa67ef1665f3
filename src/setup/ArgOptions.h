#pragma once

#include <climits>
#include <optional>

#include <QString>
#include <QStringList>

// The one option grammar of every program: "--name VALUE" or "--name=VALUE",
// taken out of the arguments wherever they stand, the rest left in order. An
// absent option leaves value as it was; an option without a value, or a number
// that is not a whole number of at least minimum, gives false and a message
// naming the option.
bool TakeOption(QStringList& args, const QString& name, QString& value, QString& error);
bool TakeIntOption(QStringList& args, const QString& name, int& value, QString& error,
                   int minimum = INT_MIN);
// Every occurrence, in order.
bool TakeRepeatedOption(QStringList& args, const QString& name, QStringList& values,
                        QString& error);
// A switch without a value; true when it was there.
bool TakeFlag(QStringList& args, const QString& name);

// "--help" / "-h" prints help (the usage text) and "--version" the program's
// name and version, both on stdout; the exit status (0) is returned then, and
// nothing when neither is asked for.
std::optional<int> AnswerHelpOrVersion(const QStringList& args, const QString& program,
                                       const QString& help);
