#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QTranslator;

// The language of the user interface. Japanese is the program's own; English
// comes from the translation embedded in the program (":/i18n/vl_tool_en.qm").
// Files, settings and device exchanges never depend on it.
enum class UiLanguage { Japanese, English };

// Takes "--lang en|ja" out of args; without it, an English system locale
// chooses English and every other locale Japanese. False with a message for
// a value other than en or ja, or a missing value.
bool TakeLanguage(QStringList& args, const QLocale& system, UiLanguage& language, QString& error);

// Loads the embedded English translation into translator.
bool LoadEnglishTranslation(QTranslator& translator);

// Installs the translation for language into the application (nothing for
// Japanese); the translator is owned by the application object. False when
// the embedded translation cannot be loaded.
bool InstallLanguage(UiLanguage language);
