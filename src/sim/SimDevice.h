#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "device/CommandWord.h"
#include "sim/SimDeviceSpec.h"
#include "sim/SimWorld.h"

// A simulated device seen from its port: request bytes go in (in any chunking),
// reply bytes come out. Each 4-byte word is followed by a 4-byte payload when it
// is a setting (code 0x80 and above) with length 4. A request that is malformed
// or in the wrong form for the device's link is refused: logged, not answered.
class SimDevice {
  public:
    SimDevice(SimWorld& world, bool bridged, SimFault fault);
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Feeds request bytes; replies to complete requests are queued for takeOutput().
    void receive(std::span<const std::uint8_t> bytes);
    // The reply bytes produced since the last call.
    QByteArray takeOutput();
    // Forgets a partly received request (the port was closed and reopened).
    void resetStream() { pending_.clear(); }

    // A device behind the bridge takes requests only once its port is set to the
    // bridge's baud rate; before that it hears garbage and refuses everything.
    void setLinkReady(bool ready) { linkReady_ = ready; }
    bool linkReady() const { return linkReady_; }
    bool bridged() const { return bridged_; }

    void setFault(SimFault fault) { fault_ = fault; }
    // Requests answered so far (refused ones do not count).
    int exchangeCount() const { return exchanges_; }

    // Refused requests, each with the bytes in hex and the reason.
    const QStringList& log() const { return log_; }
    // Also hands every log line to `sink` (e.g. stderr in velarim-sim --log).
    void setLogSink(std::function<void(const QString&)> sink) { sink_ = std::move(sink); }

  protected:
    // The reply to a complete request, or nullopt with a reason to refuse it.
    // `payload` is the int32 after a setting word (0 when there is none).
    virtual std::optional<QByteArray> answer(CommandWord word, std::int32_t payload,
                                             QString& reason) = 0;
    SimWorld& world() { return world_; }

    // Reply helpers.
    static QByteArray Int32Reply(std::int32_t v);
    static QByteArray FloatReply(float v);
    static QByteArray TextReply(const QByteArray& text, int fieldBytes);
    static QByteArray AckReply();

  private:
    void handle(CommandWord word, std::int32_t payload, const QByteArray& raw);
    void refuse(const QByteArray& raw, const QString& reason);
    void emitReply(QByteArray reply);

    SimWorld& world_;
    bool bridged_;
    SimFault fault_;
    bool linkReady_ = true;
    int exchanges_ = 0;
    QByteArray pending_;
    QByteArray output_;
    QStringList log_;
    std::function<void(const QString&)> sink_;
};
