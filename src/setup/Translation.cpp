#include "setup/Translation.h"

#include <QCoreApplication>
#include <QTranslator>

bool LoadEnglishTranslation(QTranslator& translator) {
    return translator.load(QStringLiteral(":/i18n/vl_tool_en.qm"));
}

bool InstallTranslator(std::unique_ptr<QTranslator> translator) {
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release()->setParent(QCoreApplication::instance());  // lives as long as the program
    return true;
}

bool InstallEnglishTranslation() {
    auto translator = std::make_unique<QTranslator>();
    return LoadEnglishTranslation(*translator) && InstallTranslator(std::move(translator));
}
