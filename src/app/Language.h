#pragma once

#include "setup/LanguageOption.h"
#include "setup/Translation.h"

class QTranslator;

// The translations of the window: English is embedded in the program (setup/Translation.h);
// Japanese is the program's own, with Qt's own Japanese texts for its dialogs.

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
