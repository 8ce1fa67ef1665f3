#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "app/ViewController.h"

class PortOptions;

// What every program that opens the main window does first: the application's
// names (for the settings and the desktop), and the language of the window.

void NameApplication();

// Takes --lang en|ja from args (else English on an English system locale,
// else Japanese) and installs its translations. False with a message.
bool TakeWindowLanguage(QStringList& args, QString& error);

// The window's set-up from the port options: the ports they choose on the
// system clock, the settle time, the settings, the program's folder.
// Nothing (with a message) when the ports cannot be had.
std::optional<ViewController::Setup> WindowSetup(const PortOptions& ports, SettingsStore& settings,
                                                 QString& error);
