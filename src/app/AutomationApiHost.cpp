#include "app/AutomationApiHost.h"

#include "api/ApiLimits.h"
#include "api/ApiServer.h"
#include "api/ApiToken.h"
#include "viewlogic/SettingsStore.h"

AutomationApiHost::AutomationApiHost(AcquisitionSession& session, SettingsStore& settings,
                                     QObject* parent)
    : QObject(parent), session_(session), settings_(settings) {}

AutomationApiHost::~AutomationApiHost() = default;

void AutomationApiHost::Restore() {
    if (settings_.readInt("api", "enabled", 0) != 0)
        SetEnabled(true);
}

bool AutomationApiHost::SetEnabled(bool on) {
    error_.clear();
    if (!on) {
        server_.reset();
        settings_.writeInt("api", "enabled", 0);
        emit changed();
        return true;
    }
    if (server_)
        return true;
    const QByteArray token = MakeApiToken();
    QString error;
    if (!WriteApiTokenFile(DefaultApiTokenPath(), token, error)) {
        error_ = error;
        emit changed();
        return false;
    }
    auto server = std::make_unique<ApiServer>(session_, token);
    if (!server->Listen(QStringLiteral("127.0.0.1"), kDefaultApiPort, error)) {
        error_ = error;
        emit changed();
        return false;
    }
    connect(server.get(), &ApiServer::clientCountChanged, this, &AutomationApiHost::changed);
    server_ = std::move(server);
    settings_.writeInt("api", "enabled", 1);
    emit changed();
    return true;
}

QString AutomationApiHost::url() const {
    return server_ ? server_->url() : QString();
}

QByteArray AutomationApiHost::token() const {
    return server_ ? server_->token() : QByteArray();
}

int AutomationApiHost::clientCount() const {
    return server_ ? server_->clientCount() : 0;
}

QString AutomationApiHost::StatusText() const {
    if (!server_)
        return {};
    return tr("API %1 (クライアント %2)").arg(url()).arg(clientCount());
}
