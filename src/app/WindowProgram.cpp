#include "app/WindowProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLocale>

#include "app/Language.h"
#include "device/Clock.h"
#include "setup/PortOptions.h"
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

std::optional<ViewController::Setup> WindowSetup(const PortOptions& ports, SettingsStore& settings,
                                                 QString& error) {
    Clock& clock = SystemClock::instance();
    ViewController::Setup setup;
    setup.ports = ports.makeProvider(clock, error);
    if (!setup.ports)
        return std::nullopt;
    setup.clock = &clock;
    setup.settleMs = ports.settleMs;
    setup.settings = &settings;
    setup.programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/");
    return setup;
}
