#pragma once

#include <QByteArray>
#include <QString>

// The bearer token every client must show: 256 bits from the system's random
// generator as 64 hexadecimal digits, made once per server.
QByteArray MakeApiToken();

// Where the token is written by default: the user's runtime folder.
QString DefaultApiTokenPath();

// Writes the token to path, readable and writable by the user alone (the
// folder is made, owner-only, when missing). False with a message.
bool WriteApiTokenFile(const QString& path, const QByteArray& token, QString& error);

// Whether the two are equal, in a time that does not depend on where they differ.
bool TokensEqual(const QByteArray& a, const QByteArray& b);
