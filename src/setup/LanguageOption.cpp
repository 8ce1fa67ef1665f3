#include "setup/LanguageOption.h"

#include "setup/ArgOptions.h"

bool TakeLanguage(QStringList& args, const QLocale& system, UiLanguage& language, QString& error) {
    QStringList rest = args;
    QString value;
    if (!TakeOption(rest, QStringLiteral("--lang"), value, error)) {
        error = QStringLiteral("--lang needs a value (en or ja)");
        return false;
    }
    if (rest.size() == args.size()) {
        language =
            system.language() == QLocale::English ? UiLanguage::English : UiLanguage::Japanese;
        return true;
    }
    if (value == QLatin1String("en")) {
        language = UiLanguage::English;
    } else if (value == QLatin1String("ja")) {
        language = UiLanguage::Japanese;
    } else {
        error = QStringLiteral("--lang takes en or ja, not \"%1\"").arg(value);
        return false;
    }
    args = rest;
    return true;
}
