#include <algorithm>
#include <cmath>
#include <memory>

#include "FuzzEntries.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Exchange.h"
#include "session/LoggedRecordUpload.h"
#include "session/SensorInfo.h"
#include "sim/SimDeviceSpec.h"
#include "sim/SimLedUnit.h"
#include "sim/SimSpectrometer.h"
#include "sim/SimWorld.h"
#include "support/FakeClock.h"

namespace {

constexpr qsizetype kLargestReply = 2 * 4 * 288;

// The bytes a device sends, shared by the ports that read them.
struct ReplyStream {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    int writes = 0;
    QString badWrite;  // first request of a size no command has
};

// A port whose device answers every read from the stream. A read the stream
// cannot fill scribbles what is left into the buffer and reports the reply
// missing, so code that reads straight into its result is caught.
class StreamPort final : public Transport {
  public:
    explicit StreamPort(std::shared_ptr<ReplyStream> stream) : stream_(std::move(stream)) {}

    std::size_t write(std::span<const std::uint8_t> bytes) override {
        ++stream_->writes;
        if (bytes.size() != 4 && bytes.size() != 8 && stream_->badWrite.isEmpty())
            stream_->badWrite = QStringLiteral("a request of %1 bytes").arg(bytes.size());
        return bytes.size();
    }
    bool read(std::span<std::uint8_t> into) override {
        ReplyStream& s = *stream_;
        const std::size_t left = s.bytes.size() - s.pos;
        const std::size_t n = std::min(left, into.size());
        std::copy_n(s.bytes.begin() + static_cast<std::ptrdiff_t>(s.pos), n, into.begin());
        std::fill(into.begin() + static_cast<std::ptrdiff_t>(n), into.end(), std::uint8_t{0xA5});
        s.pos += n;
        return n == into.size();
    }
    QString portName() const override { return QStringLiteral("fuzz0"); }

  private:
    std::shared_ptr<ReplyStream> stream_;
};

struct Header {
    ReplyTarget target;
    std::uint8_t options;
    std::int32_t param;
    std::span<const std::uint8_t> rest;
};

Header Split(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, 6> h{};
    const std::size_t n = std::min(bytes.size(), h.size());
    std::copy_n(bytes.begin(), n, h.begin());
    const auto param =
        static_cast<std::int32_t>(std::uint32_t(h[2]) | std::uint32_t(h[3]) << 8 |
                                  std::uint32_t(h[4]) << 16 | std::uint32_t(h[5]) << 24);
    return {static_cast<ReplyTarget>(h[0] % kReplyTargets), h[1], param, bytes.subspan(n)};
}

bool TextFits(const QByteArray& text, std::size_t field) {
    return static_cast<std::size_t>(text.size()) <= field && !text.contains('\0');
}

void RunIdentity(const Header& h, std::shared_ptr<ReplyStream> stream, RepliesOutcome& out) {
    StreamPort port(stream);
    const DeviceIdentity id = IdentifyOnDetection(port);
    if (!TextFits(id.versionText, SHORT_TEXT_BYTES) || !TextFits(id.serialText, SHORT_TEXT_BYTES))
        out.failure = QStringLiteral("identity text longer than its field");
    const StoredIdentity identity = ReadStoredIdentity(port, id.version);
    if (!TextFits(identity.serialText, SHORT_TEXT_BYTES) ||
        !TextFits(identity.sensorModel, SHORT_TEXT_BYTES))
        out.failure = QStringLiteral("stored identity text longer than its field");
    ProfileForSensorModel(identity.sensorModel, 288);
    const LedIdentity led = ConnectLedUnit(port);
    if (led.label.size() > qsizetype(LONG_TEXT_BYTES + SHORT_TEXT_BYTES + 5))
        out.failure = QStringLiteral("LED label longer than its two fields");
    const LiveReading live = ReadLiveData(port, (h.options & 1) != 0, h.param);
    if (!live.spectrumRead && live.spectrum != SpectrumBuffer{})
        out.failure = QStringLiteral("a missing spectrum brought values");
    out.items = 1;
}

void RunStoredUpload(const Header& h, std::shared_ptr<ReplyStream> stream, RepliesOutcome& out) {
    StreamPort port(stream);
    LoggedRecordUpload upload(&port);
    const int total = upload.Begin();
    if (total < 0 || total > MAX_LOGGED_RECORDS)
        out.failure = QStringLiteral("upload count %1 beyond the store").arg(total);
    while (upload.Step()) {
    }
    if (upload.uploadedCount() != total || upload.failedRecords() > total)
        out.failure = QStringLiteral("upload loop miscounted");
    // Lines of the records that carry data, with a grid from the header.
    const int points = h.param % 1024;
    const std::int32_t first = (h.options & 1) ? h.param : 340;
    const std::string header = LoggedRecordCsvHeader(points, first);
    const int shown = std::min(upload.uploadedCount(), 16);
    for (int i = 0; i < shown; ++i) {
        const LoggedRecord& record = upload.records()[static_cast<std::size_t>(i)];
        LoggedRecordListLine(record);
        const std::string line = LoggedRecordCsvLine(record, points);
        if (line.size() > 64 * (MAX_POINTS + 4))
            out.failure = QStringLiteral("stored record line of %1 bytes").arg(line.size());
    }
    out.items = upload.uploadedCount();
}

void RunSensorInfo(const Header& h, std::shared_ptr<ReplyStream> stream, RepliesOutcome& out) {
    StreamPort port(stream);
    const SensorInfo info = ReadSensorInfo(port, (h.options & 1) != 0, h.param);
    if (info.pixelCount < 1 || info.pixelCount > MAX_PIXELS)
        out.failure = QStringLiteral("pixel count %1 beyond the tables").arg(info.pixelCount);
    if (!TextFits(info.model, SHORT_TEXT_BYTES) || !TextFits(info.serial, SHORT_TEXT_BYTES))
        out.failure = QStringLiteral("sensor text longer than its field");
    const std::vector<std::string> lines = SensorInfoLines(info);
    if (lines.size() != 9 + std::size_t(info.pixelCount))
        out.failure = QStringLiteral("%1 sensor information lines").arg(lines.size());
    out.items = static_cast<int>(lines.size());
}

void RunSimRequests(const Header& h, std::span<const std::uint8_t> requests, RepliesOutcome& out) {
    FakeClock clock;
    SimWorld world(clock, 7);
    SimDeviceSpec deviceSpec;
    deviceSpec.kind = static_cast<SimKind>(h.options & 3);
    deviceSpec.serial = "S10001";
    deviceSpec.firmware = "1.6";
    deviceSpec.model = (h.options & 4) ? QByteArray("K52817QX-03") : QByteArray("VIS-S10");
    deviceSpec.name = "Velarim LED";
    deviceSpec.bridged = (h.options & 8) != 0;
    deviceSpec.lx = (h.options & 16) != 0;
    deviceSpec.records = static_cast<int>(static_cast<std::uint32_t>(h.param) % 100001);
    deviceSpec.fault.kind = static_cast<SimFault::Kind>((h.options >> 5) % 5);
    deviceSpec.fault.exchanges = static_cast<int>(static_cast<std::uint32_t>(h.param) % 64);
    std::unique_ptr<SimDevice> device;
    if (deviceSpec.isLed())
        device = std::make_unique<SimLedUnit>(world, deviceSpec);
    else
        device = std::make_unique<SimSpectrometer>(world, deviceSpec, 0);
    device->setLinkReady(!deviceSpec.bridged || (h.param & 0x100) == 0);
    // Request bytes arrive in chunks whose sizes come from the bytes themselves.
    std::size_t pos = 0;
    while (pos < requests.size()) {
        const std::size_t chunk =
            std::min<std::size_t>(requests[pos] % 13 + 1, requests.size() - pos);
        device->receive(requests.subspan(pos, chunk));
        pos += chunk;
        clock.advanceMs(50);
        const QByteArray reply = device->takeOutput();
        // A chunk and what was pending complete at most five requests, none
        // answered with more than the dark tables of the largest sensor.
        if (reply.size() > 5 * kLargestReply)
            out.failure =
                QStringLiteral("reply of %1 bytes to a %2-byte chunk").arg(reply.size()).arg(chunk);
    }
    out.requests = device->exchangeCount();
    out.items = static_cast<int>(device->log().size());
}

void RunDeviceSpecs(std::span<const std::uint8_t> text, RepliesOutcome& out) {
    std::vector<SimDeviceSpec> deviceSpecs;
    QString error;
    const QString devices = QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                                              static_cast<qsizetype>(text.size()));
    if (ParseDeviceSpecs(devices, deviceSpecs, error)) {
        for (const SimDeviceSpec& s : deviceSpecs) {
            if (s.records < 0 || s.serial.size() > qsizetype(SHORT_TEXT_BYTES) ||
                s.firmware.size() > qsizetype(SHORT_TEXT_BYTES) ||
                s.name.size() > qsizetype(LONG_TEXT_BYTES))
                out.failure = QStringLiteral("a device description beyond its fields was accepted");
        }
        out.items = static_cast<int>(deviceSpecs.size());
    } else if (error.isEmpty()) {
        out.failure = QStringLiteral("refused without a message");
    }
}

}  // namespace

RepliesOutcome RunRepliesInput(std::span<const std::uint8_t> bytes) {
    const Header h = Split(bytes);
    RepliesOutcome out;
    out.target = h.target;
    auto stream = std::make_shared<ReplyStream>();
    stream->bytes = h.rest;
    switch (h.target) {
        case ReplyTarget::Identity:
            RunIdentity(h, stream, out);
            break;
        case ReplyTarget::StoredUpload:
            RunStoredUpload(h, stream, out);
            break;
        case ReplyTarget::SensorInfo:
            RunSensorInfo(h, stream, out);
            break;
        case ReplyTarget::SimRequests:
            RunSimRequests(h, h.rest, out);
            return out;
        case ReplyTarget::DeviceSpecs:
            RunDeviceSpecs(h.rest, out);
            return out;
    }
    out.requests = stream->writes;
    if (out.failure.isEmpty() && !stream->badWrite.isEmpty())
        out.failure = stream->badWrite;
    return out;
}
