#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The language of the user interface. Japanese is the program's own; English
// comes from the translation embedded in the program. Files, settings and
// device exchanges never depend on it.
enum class UiLanguage { Japanese, English };

// Takes "--lang en|ja" out of args; without it, an English system locale
// chooses English and every other locale Japanese. False with a message for
// a value other than en or ja, or a missing value; args are then left as
// they were.
bool TakeLanguage(QStringList& args, const QLocale& system, UiLanguage& language, QString& error);
