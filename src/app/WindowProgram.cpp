#include "app/WindowProgram.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>

#include "app/Language.h"
#include "viewlogic/SettingsStore.h"

void NameApplication() {
    QCoreApplication::setOrganizationName(QSettingsStore::ORGANISATION);
    QCoreApplication::setApplicationName(QSettingsStore::APPLICATION);
    QCoreApplication::setApplicationVersion(VL_VERSION);
    QGuiApplication::setDesktopFileName("vl_tool");
}

bool TakeWindowLanguage(QStringList& args, QString& error) {
    UiLanguage language = UiLanguage::Japanese;
    if (!TakeLanguage(args, QLocale::system(), language, error))
        return false;
    if (!InstallLanguage(language)) {
        error = QStringLiteral("the English translation is missing from the program");
        return false;
    }
    return true;
}
