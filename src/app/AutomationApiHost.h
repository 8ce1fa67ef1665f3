#pragma once

#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>

class AcquisitionSession;
class ApiServer;
class SettingsStore;

// The automation API in the window: off by default, turned on and off by the
// user (remembered as api/enabled), served on the default address over the
// window's own acquisition session. The token goes to the default token file,
// where the Python client looks for it.
class AutomationApiHost : public QObject {
    Q_OBJECT
  public:
    AutomationApiHost(AcquisitionSession& session, SettingsStore& settings,
                      QObject* parent = nullptr);
    ~AutomationApiHost() override;

    // Turns it on as the user left it at the last end (a failure is kept in error()).
    void Restore();
    // On: false with the reason in error(). Off always succeeds.
    bool SetEnabled(bool on);
    bool enabled() const { return server_ != nullptr; }
    QString url() const;
    QByteArray token() const;
    int clientCount() const;
    const QString& error() const { return error_; }
    // "API http://… (clients N)" while on; "" while off.
    QString StatusText() const;

  signals:
    void changed();

  private:
    AcquisitionSession& session_;
    SettingsStore& settings_;
    std::unique_ptr<ApiServer> server_;
    QString error_;
};
