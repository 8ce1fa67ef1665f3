#include "app/Language.h"

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool TakeLanguage(QStringList& args, const QLocale& system, UiLanguage& language, QString& error) {
    const int i = args.indexOf(QStringLiteral("--lang"));
    if (i < 0) {
        language =
            system.language() == QLocale::English ? UiLanguage::English : UiLanguage::Japanese;
        return true;
    }
    if (i + 1 >= args.size()) {
        error = QStringLiteral("--lang needs a value (en or ja)");
        return false;
    }
    const QString value = args.at(i + 1);
    if (value == QLatin1String("en")) {
        language = UiLanguage::English;
    } else if (value == QLatin1String("ja")) {
        language = UiLanguage::Japanese;
    } else {
        error = QStringLiteral("--lang takes en or ja, not \"%1\"").arg(value);
        return false;
    }
    args.remove(i, 2);
    return true;
}

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
