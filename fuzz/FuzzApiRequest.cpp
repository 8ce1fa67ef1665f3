#include "FuzzApiRequest.h"

#include <QByteArray>
#include <QList>

#include "api/ApiJson.h"
#include "api/ApiRequestCheck.h"

QString RunApiRequestInput(std::span<const std::uint8_t> input) {
    const QByteArray bytes(reinterpret_cast<const char*>(input.data()), qsizetype(input.size()));
    QList<QByteArray> parts = bytes.split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    const QByteArray token(64, 'a');
    const ListenAddress listen{"127.0.0.1", 47800};

    const RequestRefusal host = CheckHostAndOrigin(parts[0], parts[1], listen);
    if (host && (host.status != 403 || host.error.isEmpty()))
        return QStringLiteral("Host/Origin refusal without 403 and a reason");
    const RequestRefusal bearer = CheckBearer(parts[2], token);
    const bool exact = parts[2].trimmed().toLower() == "bearer " + token;
    if (!bearer != exact)
        return QStringLiteral("a token other than the server's passed, or its own was refused");

    DeviceSettingValues settings;
    QString error;
    if (ParseSettingsBody(parts[3], settings, error)) {
        if (settings.exposureUs &&
            (*settings.exposureUs < kMinExposureUs || *settings.exposureUs > kMaxExposureUs))
            return QStringLiteral("an exposure out of range was taken");
        if (settings.averaging &&
            (*settings.averaging < kMinAveraging || *settings.averaging > kMaxAveraging))
            return QStringLiteral("an averaging count out of range was taken");
    } else if (error.isEmpty()) {
        return QStringLiteral("a settings body refused without a reason");
    }
    bool on = false;
    if (!ParseLedBody(parts[3], on, error) && error.isEmpty())
        return QStringLiteral("an LED body refused without a reason");
    ListenAddress parsed;
    if (!ParseListenAddress(QString::fromUtf8(parts[0]), parsed, error) && error.isEmpty())
        return QStringLiteral("a listen address refused without a reason");
    return {};
}
