// The API's device and record endpoints: each answers its request now or,
// through the session, once the device has done the work.
#include <QHttpServerRequest>
#include <QUrlQuery>

#include "api/ApiJson.h"
#include "api/ApiReply.h"
#include "api/ApiServer.h"
#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "session/AcquisitionSession.h"

namespace {

// A path element that must be a small whole number (a slot, a record index).
int IndexOf(const QString& text) {
    if (text.isEmpty() || text.size() > 6)
        return -1;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > 127)
            return -1;
    }
    return text.toInt();
}

}  // namespace

int ApiServer::DeviceSlotOf(const QString& slotText, ApiReply& reply) {
    if (session_.link().detecting()) {
        reply.SendError(409, QStringLiteral("detection under way"));
        return -1;
    }
    const int slot = IndexOf(slotText);
    if (slot < 0 || slot >= session_.link().deviceCount() || slot >= MAX_DEVICES) {
        reply.SendError(404, QStringLiteral("no device in slot %1").arg(slotText.left(16)));
        return -1;
    }
    return slot;
}

bool ApiServer::DeviceAnswering(int slot) const {
    const DeviceSlot& s = session_.link().slot(slot);
    return s.isOpen() && s.answering;
}

void ApiServer::GetSpectrum(const QString& slotText, const QHttpServerRequest& request,
                            ApiReply reply) {
    const int slot = DeviceSlotOf(slotText, reply);
    if (slot < 0)
        return;
    // Without after: the latest reading there is; with it, a later one.
    std::optional<std::uint64_t> after;
    const QUrlQuery query = request.query();
    for (const auto& [key, value] : query.queryItems()) {
        bool ok = key == QLatin1String("after");
        const qulonglong seq = value.toULongLong(&ok);
        if (key != QLatin1String("after") || !ok || value.size() > 20) {
            reply.SendError(400, QStringLiteral("the only parameter is after=SEQ"));
            return;
        }
        after = seq;
    }
    if (!DeviceAnswering(slot)) {
        reply.SendError(409, QStringLiteral("the device in slot %1 is not answering").arg(slot));
        return;
    }
    const std::optional<Latest>& latest = latest_[slot];
    if (latest && (!after || latest->seq > *after)) {
        reply.Send(200, SpectrumText(latest->device, latest->seq, latest->time));
        return;
    }
    const std::uint64_t since = after.value_or(0);
    pending_.Add(std::move(reply), limits_.waitMs, QStringLiteral("no reading came in time"),
                 [this, slot, since](const SessionEvent& event, ApiReply& r) {
                     const auto* reading = std::get_if<ReadingEvent>(&event);
                     if (!reading || reading->sequence <= since)
                         return false;
                     for (const DeviceReading& d : reading->devices) {
                         if (d.slot != slot)
                             continue;
                         if (d.fresh) {
                             const Latest& l = *latest_[slot];
                             r.Send(200, SpectrumText(l.device, l.seq, l.time));
                         } else if (!d.answering) {
                             r.SendError(409, QStringLiteral("the device in slot %1 is not "
                                                             "answering")
                                                  .arg(slot));
                         }
                         return true;
                     }
                     return false;
                 });
}

void ApiServer::PutSettings(const QString& slotText, const QHttpServerRequest& request,
                            ApiReply reply) {
    const int slot = DeviceSlotOf(slotText, reply);
    if (slot < 0)
        return;
    DeviceSettingValues values;
    QString error;
    if (!ParseSettingsBody(request.body(), values, error)) {
        reply.SendError(400, error);
        return;
    }
    if (!DeviceAnswering(slot)) {
        reply.SendError(409, QStringLiteral("the device in slot %1 is not answering").arg(slot));
        return;
    }
    error = CheckDeviceSettings(session_.link(), slot, values);
    if (!error.isEmpty()) {
        reply.SendError(400, error);
        return;
    }
    if (values.empty()) {
        QJsonObject out = SettingsJson(session_.knownSettings(slot));
        out["seq"] = qint64(session_.lastReadingSequence());
        reply.Send(200, out);
        return;
    }
    const int id = pending_.Add(std::move(reply), limits_.waitMs,
                                QStringLiteral("the device did not take the settings in time"));
    session_.ApplySettings(slot, values, [this, id, slot](DeviceCommandResult result) {
        if (!result.ok()) {
            // Not answering, or it reported back another value than it was sent.
            pending_.Answer(id, 409, ErrorJson(result.firstFailure()));
            return;
        }
        // The SettingAppliedEvent told the sequence just before this.
        QJsonObject out = SettingsJson(session_.knownSettings(slot));
        out["seq"] = qint64(appliedAfter_[slot]);
        pending_.Answer(id, 200, out);
    });
}

void ApiServer::PostDark(const QString& slotText, ApiReply reply) {
    const int slot = DeviceSlotOf(slotText, reply);
    if (slot < 0)
        return;
    if (!DeviceAnswering(slot)) {
        reply.SendError(409, QStringLiteral("the device in slot %1 is not answering").arg(slot));
        return;
    }
    session_.QueueDark(slot);
    pending_.Add(std::move(reply), limits_.waitMs,
                 QStringLiteral("the dark setting did not finish in time"),
                 [this, slot](const SessionEvent& event, ApiReply& r) {
                     const auto* dark = std::get_if<DarkEvent>(&event);
                     if (!dark || dark->slot != slot)
                         return false;
                     if (dark->failure.isEmpty())
                         r.Send(200, QJsonObject{{"slot", slot},
                                                 {"seq", qint64(session_.lastReadingSequence())}});
                     else
                         r.SendError(409, dark->failure);
                     return true;
                 });
}

void ApiServer::PutLed(const QHttpServerRequest& request, ApiReply reply) {
    bool on = false;
    QString error;
    if (!ParseLedBody(request.body(), on, error)) {
        reply.SendError(400, error);
        return;
    }
    const LedUnit& led = session_.link().led();
    if (!led.present) {
        reply.SendError(404, QStringLiteral("no LED unit"));
        return;
    }
    if (!led.answering) {
        reply.SendError(409, QStringLiteral("the LED unit is not answering"));
        return;
    }
    session_.SetLed(on);
    // Every tick sends the state: the next reading's tick has sent it.
    const std::uint64_t since = session_.lastReadingSequence();
    pending_.Add(std::move(reply), limits_.waitMs, QStringLiteral("the LED unit did not answer"),
                 [since, on](const SessionEvent& event, ApiReply& r) {
                     const auto* reading = std::get_if<ReadingEvent>(&event);
                     if (!reading || reading->sequence <= since)
                         return false;
                     if (reading->ledAnswering)
                         r.Send(200, QJsonObject{{"on", on}, {"seq", qint64(reading->sequence)}});
                     else
                         r.SendError(409, QStringLiteral("the LED unit is not answering"));
                     return true;
                 });
}

void ApiServer::PostRecord(ApiReply reply) {
    if (session_.link().detecting()) {
        reply.SendError(409, QStringLiteral("detection under way"));
        return;
    }
    if (session_.link().deviceCount() == 0) {
        reply.SendError(409, QStringLiteral("no spectrometer"));
        return;
    }
    if (session_.dataSet().recordCount >= MAX_RECORDS) {
        reply.SendError(409, QStringLiteral("the data set is full"));
        return;
    }
    const int id = pending_.Add(std::move(reply), limits_.waitMs,
                                QStringLiteral("the record was not stored in time"));
    session_.operations().Run([this, id](OperationQueue::Finished finished) {
        const int before = session_.dataSet().recordCount;
        session_.StoreRecord([this, id, before, finished] {
            finished();
            const MeasurementDataSet& data = session_.dataSet();
            if (data.recordCount > before)
                pending_.Answer(id, 200, RecordSummaryJson(data, before));
            else
                pending_.Answer(id, 409, ErrorJson(QStringLiteral("the record was not stored")));
        });
    });
}

void ApiServer::GetRecord(const QString& indexText, ApiReply reply) {
    const int index = IndexOf(indexText);
    const MeasurementDataSet& data = session_.dataSet();
    if (index < 0 || index >= data.recordCount) {
        reply.SendError(404, QStringLiteral("no record %1").arg(indexText.left(16)));
        return;
    }
    reply.Send(200, RecordJson(data, index));
}
