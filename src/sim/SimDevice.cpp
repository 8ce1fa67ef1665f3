#include "sim/SimDevice.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int WORD_BYTES = 4;
constexpr int PAYLOAD_BYTES = 4;
}  // namespace

SimDevice::SimDevice(SimWorld& world, bool bridged, SimFault fault)
    : world_(world), bridged_(bridged), fault_(fault) {}

void SimDevice::receive(std::span<const std::uint8_t> bytes) {
    pending_.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    while (pending_.size() >= WORD_BYTES) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(pending_.constData());
        const CommandWord word =
            CommandWord::fromValue(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                   std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
        // A setting that announces a 4-byte payload waits for it.
        const int payloadBytes =
            word.isSetting() && word.length == PAYLOAD_BYTES ? PAYLOAD_BYTES : 0;
        if (pending_.size() < WORD_BYTES + payloadBytes)
            return;
        std::int32_t payload = 0;
        if (payloadBytes) {
            payload = std::int32_t(std::uint32_t(p[4]) | std::uint32_t(p[5]) << 8 |
                                   std::uint32_t(p[6]) << 16 | std::uint32_t(p[7]) << 24);
        }
        const QByteArray raw = pending_.left(WORD_BYTES + payloadBytes);
        pending_.remove(0, WORD_BYTES + payloadBytes);
        handle(word, payload, raw);
    }
}

QByteArray SimDevice::takeOutput() {
    QByteArray out;
    out.swap(output_);
    return out;
}

void SimDevice::handle(CommandWord word, std::int32_t payload, const QByteArray& raw) {
    if (!linkReady_) {
        refuse(raw, "port not set to the bridge's baud rate");
        return;
    }
    if (word.isSetting() && word.length != PAYLOAD_BYTES && word.length != 0) {
        refuse(raw, QString("setting with payload length %1").arg(word.length));
        return;
    }
    QString reason;
    std::optional<QByteArray> reply = answer(word, payload, reason);
    if (!reply) {
        refuse(raw, reason);
        return;
    }
    ++exchanges_;
    emitReply(*std::move(reply));
}

void SimDevice::emitReply(QByteArray reply) {
    switch (fault_.kind) {
        case SimFault::Kind::None:
            break;
        case SimFault::Kind::Silent:
            return;
        case SimFault::Kind::UnplugAfter:
            if (exchanges_ > fault_.exchanges)
                return;
            break;
        case SimFault::Kind::Short:
            reply.chop(std::max<qsizetype>(1, reply.size() / 4));
            break;
        case SimFault::Kind::Garble:
            for (qsizetype i = 0; i < reply.size(); ++i)
                reply[i] = char(std::uint8_t(reply[i]) ^ std::uint8_t(0xA5 + 3 * i));
            break;
    }
    output_.append(reply);
}

void SimDevice::refuse(const QByteArray& raw, const QString& reason) {
    const QString line = QString("refused %1: %2").arg(QString::fromLatin1(raw.toHex(' ')), reason);
    log_ << line;
    if (log_.size() > 1000)
        log_.removeFirst();
    if (sink_)
        sink_(line);
}

QByteArray SimDevice::Int32Reply(std::int32_t v) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((std::uint32_t(v) >> (8 * i)) & 0xFF);
    return out;
}

QByteArray SimDevice::FloatReply(float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    return Int32Reply(std::int32_t(bits));
}

QByteArray SimDevice::TextReply(const QByteArray& text, int fieldBytes) {
    QByteArray out(fieldBytes, '\0');
    std::memcpy(out.data(), text.constData(), std::min<std::size_t>(text.size(), fieldBytes));
    return out;
}

QByteArray SimDevice::AckReply() {
    return QByteArray("\x06\x00", 2);
}
