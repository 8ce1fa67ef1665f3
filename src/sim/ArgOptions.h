#pragma once

#include <climits>

#include <QString>
#include <QStringList>

// "--name VALUE" options taken out of a program's arguments, for both
// programs' own options. An absent option leaves value as it was; an option
// without a value, or a number that is not a whole number of at least minimum,
// gives false and a message naming the option.
bool TakeOption(QStringList& args, const QString& name, QString& value, QString& error);
bool TakeIntOption(QStringList& args, const QString& name, int& value, QString& error,
                   int minimum = INT_MIN);
