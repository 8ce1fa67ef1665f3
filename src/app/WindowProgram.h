#pragma once

#include <QString>
#include <QStringList>

// What every program that opens the main window does first: the application's
// names (for the settings and the desktop), and the language of the window.

void NameApplication();

// Takes --lang en|ja from args (else English on an English system locale,
// else Japanese) and installs its translations. False with a message.
bool TakeWindowLanguage(QStringList& args, QString& error);
