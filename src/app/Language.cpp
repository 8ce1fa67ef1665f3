#include "app/Language.h"

#include <cstdio>
#include <memory>

#include <QLibraryInfo>
#include <QTranslator>

bool LoadQtTranslation(QTranslator& translator, UiLanguage language) {
    if (language != UiLanguage::Japanese)
        return false;
    return translator.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool InstallLanguage(UiLanguage language) {
    if (language == UiLanguage::English)
        return InstallEnglishTranslation();
    auto translator = std::make_unique<QTranslator>();
    if (!LoadQtTranslation(*translator, language) || !InstallTranslator(std::move(translator)))
        std::fprintf(stderr,
                     "VL_Tool: Qt's Japanese translation (qtbase_ja.qm) is missing; "
                     "Qt's own dialogs stay in English\n");
    return true;
}
