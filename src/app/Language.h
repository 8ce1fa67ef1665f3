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

// Loads Qt's own translation (file dialogs, standard buttons) for language
// from Qt's translations folder. False when there is none: English needs
// none, and a system without Qt's translations has no Japanese one.
bool LoadQtTranslation(QTranslator& translator, UiLanguage language);

// Installs the translations for language into the application: the embedded
// English one for English, Qt's own for Japanese. The translators are owned
// by the application object. False when the embedded translation cannot be
// loaded; Qt's own translation missing only leaves Qt's dialogs in English
// (with a note on stderr).
bool InstallLanguage(UiLanguage language);
