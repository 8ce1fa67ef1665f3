#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>

// Who may come in, decided on the request's headers alone (no socket), so
// the checks are the same for HTTP and the stream's upgrade and can be fuzzed.

// Status 0: allowed; else the HTTP status and the one-line reason.
struct RequestRefusal {
    int status = 0;
    QString error;
    explicit operator bool() const { return status != 0; }
};

struct ListenAddress {
    QString host;  // as given to --listen: "127.0.0.1", "::1", "0.0.0.0", a name
    std::uint16_t port = 0;
};

// Whether the host is a loopback name or address.
bool IsLoopbackHost(const QString& host);

// Refuses (403) a Host header that is neither the listening address nor a
// loopback name with the listening port (DNS rebinding), and an Origin
// header of any other host (a page in the user's browser).
RequestRefusal CheckHostAndOrigin(const QByteArray& host, const QByteArray& origin,
                                  const ListenAddress& listen);

// Refuses (401) a missing or wrong "Authorization: Bearer TOKEN".
RequestRefusal CheckBearer(const QByteArray& authorization, const QByteArray& token);

// "HOST:PORT", "[V6]:PORT" or ":PORT" (loopback), as --listen takes it.
// False with a message.
bool ParseListenAddress(const QString& text, ListenAddress& into, QString& error);
