// Who may come in: the token, the Host and Origin a browser page would send,
// a body too large, silent and surplus connections, and the stream's door.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QWebSocket>

#include "ApiRig.h"
#include "api/ApiRequestCheck.h"
#include "api/ApiToken.h"

namespace {

TEST(ApiSecurityTest, TokenHostAndOriginAreChecked) {
    ApiRig rig("vis");
    const QString path = "/api/v1/devices";
    EXPECT_EQ(rig.Call("GET", path, {}, {}, false).status, 401);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Authorization", "Bearer " + MakeApiToken()}}).status,
              401);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Authorization", "Basic " + rig.token}}).status, 401);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Authorization", "Bearer " + rig.token.left(63)}}).status,
              401);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Host", "attacker.example:80"}}).status, 403);
    const QByteArray port = QByteArray::number(rig.server->address().port);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Host", "attacker.example:" + port}}).status, 403);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Host", "localhost:" + port}}).status, 200);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Origin", "http://attacker.example"}}).status, 403);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Origin", "null"}}).status, 403);
    EXPECT_EQ(rig.Call("GET", path, {}, {{"Origin", "http://127.0.0.1:" + port}}).status, 200);
    // A refused request learns nothing of the devices.
    EXPECT_FALSE(rig.Call("GET", path, {}, {}, false).json.contains("devices"));
}

TEST(ApiSecurityTest, HostAndOriginRulesOnTheirOwn) {
    const ListenAddress loopback{"127.0.0.1", 47800};
    EXPECT_FALSE(CheckHostAndOrigin("127.0.0.1:47800", "", loopback));
    EXPECT_FALSE(CheckHostAndOrigin("[::1]:47800", "http://localhost:47800", loopback));
    EXPECT_TRUE(CheckHostAndOrigin("", "", loopback));
    EXPECT_TRUE(CheckHostAndOrigin("127.0.0.1:80", "", loopback));
    EXPECT_TRUE(CheckHostAndOrigin("evil.localhost.example:47800", "", loopback));
    EXPECT_TRUE(CheckHostAndOrigin("127.0.0.1:47800", "https://127.0.0.1:47800", loopback));
    EXPECT_TRUE(CheckHostAndOrigin("127.0.0.1:47800", "http://127.0.0.1:47800/x", loopback));
    const ListenAddress lan{"192.168.1.5", 47800};
    EXPECT_FALSE(CheckHostAndOrigin("192.168.1.5:47800", "", lan));
    const ListenAddress any{"0.0.0.0", 47800};
    EXPECT_TRUE(CheckHostAndOrigin("0.0.0.0:47800", "", any)) << "a wildcard is no host name";
    EXPECT_TRUE(TokensEqual("abc", "abc"));
    EXPECT_FALSE(TokensEqual("abc", "abd"));
    EXPECT_FALSE(TokensEqual("abc", "abcd"));
    EXPECT_EQ(MakeApiToken().size(), 64);
    EXPECT_NE(MakeApiToken(), MakeApiToken());
}

TEST(ApiSecurityTest, AnOversizedBodyIs413AndTheServerGoesOn) {
    ApiRig rig("vis");
    const QByteArray big = "{\"exposure_us\": 100, \"pad\": \"" + QByteArray(100000, 'x') + "\"}";
    EXPECT_EQ(rig.Call("PUT", "/api/v1/devices/0/settings", big).status, 413);
    // Announced but never sent in full: refused as the bytes pass the limit.
    auto raw = rig.Connect();
    raw->write(
        "PUT /api/v1/devices/0/settings HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Content-Length: 900000000\r\n\r\n" +
        QByteArray(200000, ' '));
    EXPECT_TRUE(ApiRig::ReadUntilClosed(*raw).startsWith("HTTP/1.1 413"));
    EXPECT_EQ(rig.Call("GET", "/api/v1/devices").status, 200);
}

TEST(ApiSecurityTest, SilentAndSurplusConnectionsHoldUpNoOne) {
    ApiLimits limits = ApiRig::ShortLimits();
    limits.maxConnections = 4;
    limits.idleMs = 2000;  // long enough for four connections on a loaded machine
    ApiRig rig("vis", limits);
    // A client that sends half a request and then nothing.
    auto silent = rig.Connect();
    silent->write("GET /api/v1/devices HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    silent->flush();
    EXPECT_EQ(rig.Call("GET", "/api/v1/devices").status, 200) << "others are served meanwhile";
    ApiRig::ReadUntilClosed(*silent);
    EXPECT_EQ(silent->state(), QAbstractSocket::UnconnectedState) << "dropped when idle";

    // Connections beyond the limit are told so and closed; the others stay.
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 4; ++i)
        held.push_back(rig.Connect());
    ASSERT_TRUE(EventuallyTrue([&] { return rig.server->clientCount() == 4; }));
    auto surplus = rig.Connect();
    EXPECT_TRUE(ApiRig::ReadUntilClosed(*surplus).startsWith("HTTP/1.1 503"));
    held.clear();
    ASSERT_TRUE(EventuallyTrue([&] { return rig.server->clientCount() == 0; }));
    EXPECT_EQ(rig.Call("GET", "/api/v1/devices").status, 200);
}

TEST(ApiSecurityTest, TheStreamAdmitsTheTokenOnly) {
    ApiRig rig("vis:serial=A1,vis:serial=B2");
    QString ws = rig.server->url();
    ws.replace("http://", "ws://");
    auto open = [&](const QByteArray& authorization, const QByteArray& origin = {}) {
        auto socket = std::make_unique<QWebSocket>(origin);
        QNetworkRequest request(QUrl(ws + "/api/v1/stream"));
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization);
        socket->open(request);
        return socket;
    };
    auto messagesOf = [](QWebSocket& socket) {
        auto got = std::make_shared<QStringList>();
        QObject::connect(&socket, &QWebSocket::textMessageReceived,
                         [got](const QString& m) { got->append(m); });
        return got;
    };

    auto good = open("Bearer " + rig.token);
    auto goodGot = messagesOf(*good);
    auto late = open({});
    auto lateGot = messagesOf(*late);
    QObject::connect(late.get(), &QWebSocket::connected,
                     [&] { late->sendTextMessage(QString::fromLatin1(rig.token)); });
    auto wrong = open("Bearer " + MakeApiToken());
    auto wrongGot = messagesOf(*wrong);
    auto foreign = open("Bearer " + rig.token, "http://attacker.example");
    auto foreignGot = messagesOf(*foreign);

    ASSERT_TRUE(EventuallyTrue([&] { return goodGot->size() >= 2 && lateGot->size() >= 2; }));
    const QJsonObject tick = QJsonDocument::fromJson(goodGot->back().toUtf8()).object();
    EXPECT_GT(tick["seq"].toInteger(), 0);
    EXPECT_EQ(tick["devices"].toArray().size(), 2);
    EXPECT_EQ(tick["devices"].toArray()[0].toObject()["counts"].toArray().size(), 511);
    EXPECT_TRUE(EventuallyTrue([&] {
        return wrong->state() == QAbstractSocket::UnconnectedState &&
               foreign->state() == QAbstractSocket::UnconnectedState;
    }));
    EXPECT_TRUE(wrongGot->isEmpty());
    EXPECT_TRUE(foreignGot->isEmpty());

    // A stored record is told on the stream.
    ASSERT_EQ(rig.Call("POST", "/api/v1/records").status, 200);
    EXPECT_TRUE(EventuallyTrue([&] {
        return std::any_of(goodGot->begin(), goodGot->end(), [](const QString& m) {
            return m.contains("\"event\":\"record_stored\"");
        });
    }));
    // A client that vanishes mid-stream costs the others nothing.
    good->abort();
    const auto before = lateGot->size();
    EXPECT_TRUE(EventuallyTrue([&] { return lateGot->size() >= before + 3; }));
}

}  // namespace
