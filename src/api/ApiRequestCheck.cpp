#include "api/ApiRequestCheck.h"

#include <QHostAddress>
#include <QUrl>

#include "api/ApiToken.h"

bool IsLoopbackHost(const QString& host) {
    QString h = host.toLower();
    if (h.startsWith('[') && h.endsWith(']'))
        h = h.mid(1, h.size() - 2);
    if (h == QLatin1String("localhost") || h.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(h);
    return !address.isNull() && address.isLoopback();
}

namespace {

// Splits "name:port" or "[v6]:port"; false when the text is not of that shape.
bool SplitHostPort(const QString& text, QString& host, int& port) {
    port = -1;
    if (text.isEmpty())
        return false;
    if (text.startsWith('[')) {
        const int close = text.indexOf(']');
        if (close < 0)
            return false;
        host = text.left(close + 1);
        const QString rest = text.mid(close + 1);
        if (rest.isEmpty())
            return true;
        if (!rest.startsWith(':'))
            return false;
        bool ok = false;
        port = rest.mid(1).toInt(&ok);
        return ok && port >= 0 && port <= 65535;
    }
    const int colon = text.lastIndexOf(':');
    if (colon < 0) {
        host = text;
        return true;
    }
    if (text.indexOf(':') != colon)
        return false;  // an unbracketed IPv6 address is no Host
    host = text.left(colon);
    bool ok = false;
    port = text.mid(colon + 1).toInt(&ok);
    return ok && port >= 0 && port <= 65535 && !host.isEmpty();
}

bool SameHost(const QString& a, const QString& b) {
    auto bare = [](QString h) {
        h = h.toLower();
        if (h.startsWith('[') && h.endsWith(']'))
            h = h.mid(1, h.size() - 2);
        return h;
    };
    return bare(a) == bare(b);
}

// The host may reach this server: a loopback name, or the address it listens on.
bool HostAllowed(const QString& host, int port, const ListenAddress& listen) {
    if (port >= 0 && port != listen.port)
        return false;
    if (IsLoopbackHost(host))
        return true;
    const QHostAddress any(listen.host);
    const bool wildcard =
        any == QHostAddress(QHostAddress::AnyIPv4) || any == QHostAddress(QHostAddress::AnyIPv6);
    return !wildcard && SameHost(host, listen.host);
}

}  // namespace

RequestRefusal CheckHostAndOrigin(const QByteArray& host, const QByteArray& origin,
                                  const ListenAddress& listen) {
    QString name;
    int port = -1;
    if (!SplitHostPort(QString::fromLatin1(host.trimmed()), name, port) ||
        !HostAllowed(name, port, listen))
        return {403, QStringLiteral("Host not allowed")};
    if (origin.isEmpty())
        return {};
    const QUrl url(QString::fromLatin1(origin.trimmed()), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http")) || url.host().isEmpty() ||
        !url.path().isEmpty())
        return {403, QStringLiteral("Origin not allowed")};
    const QString originHost =
        url.host().contains(':') ? '[' + url.host() + ']' : url.host();  // IPv6 stays bracketed
    if (!HostAllowed(originHost, url.port(80), listen))
        return {403, QStringLiteral("Origin not allowed")};
    return {};
}

RequestRefusal CheckBearer(const QByteArray& authorization, const QByteArray& token) {
    static const QByteArray scheme = "bearer ";
    const QByteArray value = authorization.trimmed();
    if (value.isEmpty())
        return {401, QStringLiteral("missing token (Authorization: Bearer TOKEN)")};
    if (value.size() <= scheme.size() || value.left(scheme.size()).toLower() != scheme ||
        !TokensEqual(value.mid(scheme.size()).trimmed(), token))
        return {401, QStringLiteral("wrong token")};
    return {};
}

bool ParseListenAddress(const QString& text, ListenAddress& into, QString& error) {
    QString host;
    int port = -1;
    const QString full = text.startsWith(':') ? QStringLiteral("127.0.0.1") + text : text;
    if (!SplitHostPort(full, host, port) || port < 0) {
        error = QStringLiteral("--listen takes HOST:PORT, not \"%1\"").arg(text);
        return false;
    }
    if (host.startsWith('['))
        host = host.mid(1, host.size() - 2);
    into = {host, std::uint16_t(port)};
    return true;
}
