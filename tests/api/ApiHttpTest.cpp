// The API's handlers over simulated devices: what each request answers, the
// order of settings and readings, and clients at the same time.
#include <gtest/gtest.h>

#include <cmath>

#include <QJsonArray>

#include "ApiRig.h"
#include "api/ApiJson.h"

namespace {

QByteArray Json(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

TEST(ApiHttpTest, DevicesRecordsAndErrorsAnswerWithTheirStatus) {
    ApiRig rig("vis:serial=A1,nir:serial=B2:link=bridge,led");
    ASSERT_EQ(rig.found, 2);

    const auto devices = rig.Call("GET", "/api/v1/devices");
    ASSERT_EQ(devices.status, 200) << devices.body.toStdString();
    const QJsonArray list = devices.json["devices"].toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0]["serial"].toString(), "A1");
    EXPECT_EQ(list[0]["link"].toString(), "direct");
    EXPECT_EQ(list[1]["link"].toString(), "bridge");
    EXPECT_EQ(list[1]["first_wavelength_nm"].toInt(), 640);
    EXPECT_EQ(list[1]["point_count"].toInt(), 411);
    EXPECT_TRUE(list[0]["answering"].toBool());
    EXPECT_TRUE(devices.json["led"].isObject());

    const auto spectrum = rig.Call("GET", "/api/v1/devices/1/spectrum");
    ASSERT_EQ(spectrum.status, 200) << spectrum.body.toStdString();
    EXPECT_EQ(spectrum.json["wavelength_nm"].toArray().size(), 411);
    EXPECT_EQ(spectrum.json["counts"].toArray().size(), 411);
    EXPECT_EQ(spectrum.json["wavelength_nm"].toArray()[0].toInt(), 640);

    // Each refusal with its status and a JSON line saying why.
    struct Case {
        QByteArray method;
        QString path;
        QByteArray body;
        int status;
    };
    const std::vector<Case> cases = {
        {"GET", "/api/v1/devices/7/spectrum", {}, 404},
        {"GET", "/api/v1/devices/x/spectrum", {}, 404},
        {"GET", "/api/v1/nothing", {}, 404},
        {"GET", "/elsewhere", {}, 404},
        {"GET", "/api/v1/records/0", {}, 404},
        {"DELETE", "/api/v1/devices", {}, 405},
        {"GET", "/api/v1/devices/0/spectrum?after=soon", {}, 400},
        {"GET", "/api/v1/devices/0/spectrum?before=3", {}, 400},
        {"PUT", "/api/v1/devices/0/settings", "{not json", 400},
        {"PUT", "/api/v1/devices/0/settings", "[1]", 400},
        {"PUT", "/api/v1/devices/0/settings", R"({"gain": 2})", 400},
        {"PUT", "/api/v1/devices/0/settings", R"({"exposure_us": 0})", 400},
        {"PUT", "/api/v1/devices/0/settings", R"({"exposure_us": 1000001})", 400},
        {"PUT", "/api/v1/devices/0/settings", R"({"averaging": 2.5})", 400},
        {"PUT", "/api/v1/devices/0/settings", R"({"averaging": "3"})", 400},
        {"PUT", "/api/v1/led", R"({"on": 1})", 400},
        {"PUT", "/api/v1/led", R"({"on": true, "colour": 1})", 400},
    };
    for (const Case& c : cases) {
        const auto answer = rig.Call(c.method, c.path, c.body);
        EXPECT_EQ(answer.status, c.status)
            << c.method.toStdString() << ' ' << c.path.toStdString() << ' ' << c.body.toStdString();
        EXPECT_FALSE(answer.json["error"].toString().isEmpty()) << answer.body.toStdString();
    }

    // A record of all devices, then the list and the record itself.
    const auto stored = rig.Call("POST", "/api/v1/records");
    ASSERT_EQ(stored.status, 200) << stored.body.toStdString();
    EXPECT_EQ(stored.json["index"].toInt(), 0);
    EXPECT_EQ(stored.json["label"].toString().size(), 15);
    const auto records = rig.Call("GET", "/api/v1/records");
    EXPECT_EQ(records.json["count"].toInt(), 1);
    EXPECT_TRUE(records.json["reference_index"].isNull());
    const auto record = rig.Call("GET", "/api/v1/records/0");
    ASSERT_EQ(record.status, 200);
    const QJsonArray recorded = record.json["devices"].toArray();
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_EQ(recorded[1]["serial"].toString(), "B2");
    EXPECT_EQ(recorded[1]["counts"].toArray().size(), 411);

    const auto led = rig.Call("PUT", "/api/v1/led", R"({"on": true})");
    EXPECT_EQ(led.status, 200) << led.body.toStdString();
    EXPECT_TRUE(rig.Call("GET", "/api/v1/devices").json["led"].toObject()["on"].toBool());

    const auto dark = rig.Call("POST", "/api/v1/devices/0/dark");
    EXPECT_EQ(dark.status, 200) << dark.body.toStdString();
}

TEST(ApiHttpTest, ASpectrumAfterASettingIsTakenWithIt) {
    ApiRig rig("vis:serial=A1,vis:serial=B2");
    for (int exposure : {2000, 50000, 700}) {
        const auto set = rig.Call("PUT", "/api/v1/devices/1/settings",
                                  Json({{"exposure_us", exposure}, {"averaging", 2}}));
        ASSERT_EQ(set.status, 200) << set.body.toStdString();
        EXPECT_EQ(set.json["exposure_us"].toInt(), exposure);
        EXPECT_EQ(set.json["averaging"].toInt(), 2);
        const qint64 seq = set.json["seq"].toInteger();
        const auto spectrum =
            rig.Call("GET", QStringLiteral("/api/v1/devices/1/spectrum?after=%1").arg(seq));
        ASSERT_EQ(spectrum.status, 200) << spectrum.body.toStdString();
        EXPECT_GT(spectrum.json["seq"].toInteger(), seq);
        EXPECT_EQ(spectrum.json["exposure_us"].toInt(), exposure);
    }
    // The device the setting did not address keeps what it had.
    EXPECT_NE(rig.Call("GET", "/api/v1/devices/0/spectrum").json["exposure_us"].toInt(), 700);
}

TEST(ApiHttpTest, AWaitForAReadingEndsIn504WhenNoneComes) {
    ApiLimits limits = ApiRig::ShortLimits();
    limits.waitMs = 300;
    ApiRig rig("vis", limits);
    rig.session->PauseTicks();
    const auto seq = qint64(rig.session->lastReadingSequence());
    const auto waited =
        rig.Call("GET", QStringLiteral("/api/v1/devices/0/spectrum?after=%1").arg(seq + 5));
    EXPECT_EQ(waited.status, 504);
}

TEST(ApiHttpTest, ADeviceThatStopsAnsweringIs409) {
    ApiRig rig("vis:serial=A1,vis:serial=B2:fault=unplug@40");
    ASSERT_TRUE(EventuallyTrue([&] { return !rig.link->slot(1).answering; }));
    EXPECT_EQ(rig.Call("GET", "/api/v1/devices/1/spectrum").status, 409);
    EXPECT_EQ(rig.Call("PUT", "/api/v1/devices/1/settings", R"({"exposure_us": 100})").status, 409);
    EXPECT_EQ(rig.Call("GET", "/api/v1/devices/0/spectrum").status, 200);
}

TEST(ApiHttpTest, ClientsAtOnceEachGetTheirOwnAnswer) {
    ApiRig rig("vis:serial=A1,vis:serial=B2,vis:serial=C3");
    std::vector<std::pair<int, QNetworkReply*>> replies;
    for (int round = 0; round < 4; ++round) {
        for (int slot = 0; slot < 3; ++slot) {
            const int exposure = 1000 + 100 * slot + round;
            replies.push_back(
                {exposure, rig.Start("PUT", QStringLiteral("/api/v1/devices/%1/settings").arg(slot),
                                     Json({{"exposure_us", exposure}}))});
        }
        replies.push_back({-1, rig.Start("GET", "/api/v1/devices")});
    }
    for (auto& [exposure, reply] : replies) {
        const auto answer = ApiRig::Finish(reply);
        ASSERT_EQ(answer.status, 200) << answer.body.toStdString();
        if (exposure > 0) {
            EXPECT_EQ(answer.json["exposure_us"].toInt(), exposure);
        }
    }
}

// The messages that carry spectra are written as text: exact, byte for byte.
TEST(ApiHttpTest, SpectraAsJsonTextAreShortestFloatsWithNullForNaN) {
    DeviceReading d;
    d.slot = 3;
    d.grid = WavelengthGrid{340, 3};
    d.fresh = true;
    d.values = {25.2f, std::nanf(""), -0.5f};
    d.temperature = 31.7f;
    d.settings.exposureUs = 15000;
    EXPECT_EQ(SpectrumText(d, 42, 1765000000.25),
              R"({"slot":3,"seq":42,"time":1765000000.25,"temperature_C":31.7,)"
              R"("exposure_us":15000,"averaging":null,"wavelength_nm":[340,341,342],)"
              R"("counts":[25.2,null,-0.5]})");

    ReadingEvent reading;
    reading.sequence = 7;
    reading.devices = {d, d};
    reading.devices[1].slot = 4;
    reading.devices[1].fresh = false;
    reading.devices[1].held = true;
    EXPECT_EQ(StreamReadingText(reading, 2.5),
              R"({"seq":7,"time":2.5,"devices":[)"
              R"({"slot":3,"answering":true,"temperature_C":31.7,"counts":[25.2,null,-0.5]},)"
              R"({"slot":4,"answering":false,"temperature_C":null,"counts":null}]})");
}

}  // namespace
