#include "app/Language.h"

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool LoadEnglishTranslation(QTranslator& translator) {
    return translator.load(QStringLiteral(":/i18n/vl_tool_en.qm"));
}

bool LoadQtTranslation(QTranslator& translator, UiLanguage language) {
    if (language != UiLanguage::Japanese)
        return false;
    return translator.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

namespace {
// The application owns the translator from now on.
bool Install(std::unique_ptr<QTranslator> translator) {
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release()->setParent(QCoreApplication::instance());  // lives as long as the program
    return true;
}
}  // namespace

bool InstallLanguage(UiLanguage language) {
    auto translator = std::make_unique<QTranslator>();
    if (language == UiLanguage::Japanese) {
        if (!LoadQtTranslation(*translator, language) || !Install(std::move(translator)))
            std::fprintf(stderr,
                         "VL_Tool: Qt's Japanese translation (qtbase_ja.qm) is missing; "
                         "Qt's own dialogs stay in English\n");
        return true;
    }
    return LoadEnglishTranslation(*translator) && Install(std::move(translator));
}
