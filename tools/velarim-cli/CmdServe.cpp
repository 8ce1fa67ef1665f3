// velarim-cli serve: detect as the window does, then serve the automation API
// (docs/api.md) over the session until SIGINT or SIGTERM. Once it listens it
// prints "listening http://HOST:PORT" on stdout; the token goes to the token
// file only.

#include <cstdio>

#include <QCoreApplication>

#include "CliLink.h"
#include "CliPlatform.h"
#include "CliSession.h"
#include "api/ApiServer.h"
#include "api/ApiToken.h"

namespace {

int Serve(CliContext& context) {
    QString error;
    QString listenText = QStringLiteral("127.0.0.1:%1").arg(kDefaultApiPort);
    QString tokenFile = DefaultApiTokenPath();
    if (!TakeOption(context.args, "--listen", listenText, error) ||
        !TakeOption(context.args, "--token-file", tokenFile, error))
        return Fail(error, 2);
    if (!context.args.isEmpty())
        return Fail(UnexpectedArgument("serve", context.args.first()), 2);
    ListenAddress listen;
    if (!ParseListenAddress(listenText, listen, error))
        return Fail(error, 2);

    CliSession cli;
    if (!OpenCliSession(context, cli, error, true))
        return Fail(error);
    const QByteArray token = MakeApiToken();
    if (!WriteApiTokenFile(tokenFile, token, error))
        return Fail(error);
    ApiServer server(*cli.session, token);
    if (!server.Listen(listen.host, listen.port, error))
        return Fail(error);
    if (!IsLoopbackHost(listen.host))
        std::fprintf(stderr,
                     "velarim-cli: WARNING: serving on %s, which other machines can reach; "
                     "anyone holding the token controls the devices\n",
                     qPrintable(server.url()));
    std::fprintf(stderr, "velarim-cli: %d spectrometer(s); token in %s\n", cli.count,
                 qPrintable(tokenFile));
    std::printf("listening %s\n", qPrintable(server.url()));
    std::fflush(stdout);

    QuitOnSignals();
    cli.session->StartTicks();
    QCoreApplication::exec();
    return 0;
}

CliCommandRegistrar reg("serve", "serve [--listen HOST:PORT] [--token-file FILE]", Serve);
}  // namespace
