#pragma once

#include <memory>

class QTranslator;

// The English texts of the programs: the window's and velarim-cli's sources are
// Japanese, and translations/vl_tool_en.ts, compiled and embedded in this
// library as ":/i18n/vl_tool_en.qm", turns them into English. No widgets here;
// Qt's own translation for the window's dialogs is the window's business.

// Loads the embedded English translation into translator.
bool LoadEnglishTranslation(QTranslator& translator);

// Installs translator into the application, which owns it from then on. False
// when Qt refuses it (the translator is then deleted).
bool InstallTranslator(std::unique_ptr<QTranslator> translator);

// Loads the embedded English translation and installs it into the
// application. False when it cannot be loaded.
bool InstallEnglishTranslation();
