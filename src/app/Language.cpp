#include "app/Language.h"

#include <memory>

#include <QCoreApplication>
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

bool InstallLanguage(UiLanguage language) {
    if (language == UiLanguage::Japanese)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!LoadEnglishTranslation(*translator) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release()->setParent(QCoreApplication::instance());  // lives as long as the program
    return true;
}
