#include "device/TracingTransport.h"

#include <algorithm>

TracingTransport::TracingTransport(std::unique_ptr<Transport> inner, std::shared_ptr<TraceLog> log)
    : inner_(std::move(inner)), log_(std::move(log)) {
    const QByteArray name = inner_->portName().toUtf8();
    port_.assign(name.constData(), std::size_t(name.size()));
}

TracingTransport::~TracingTransport() {
    if (pending_)
        addLine(0, 0, writeEndUs_);
}

std::size_t TracingTransport::write(std::span<const std::uint8_t> bytes) {
    if (pending_)
        addLine(0, 0, writeEndUs_);  // the previous request had no read
    TraceTimeSource& time = log_->time();
    wallMs_ = time.wallMs();
    startUs_ = time.steadyUs();
    requestBytes_ = bytes.size();
    const std::size_t kept = std::min(bytes.size(), request_.size());
    std::copy_n(bytes.begin(), kept, request_.begin());
    written_ = inner_->write(bytes);
    writeEndUs_ = time.steadyUs();
    pending_ = true;
    haveRequest_ = true;
    return written_;
}

bool TracingTransport::read(std::span<std::uint8_t> into) {
    if (!haveRequest_) {
        // A read with no request before it: traced with an empty request.
        TraceTimeSource& time = log_->time();
        wallMs_ = time.wallMs();
        startUs_ = time.steadyUs();
        requestBytes_ = 0;
        written_ = 0;
        haveRequest_ = true;
    }
    const bool ok = inner_->read(into);
    const std::int64_t endUs = log_->time().steadyUs();
    addLine(into.size(), ok ? into.size() : 0, endUs);
    pending_ = false;
    startUs_ = endUs;  // a further read of the same request counts from here
    return ok;
}

void TracingTransport::addLine(std::size_t requested, std::size_t received, std::int64_t endUs) {
    TraceEntry entry;
    entry.wallMs = wallMs_;
    entry.port = port_;
    entry.request =
        std::span<const std::uint8_t>(request_.data(), std::min(requestBytes_, request_.size()));
    entry.requestBytes = requestBytes_;
    entry.written = written_;
    entry.requested = requested;
    entry.received = received;
    entry.durationUs = endUs - startUs_;
    log_->add(entry, endUs);
}

TracingPortProvider::TracingPortProvider(std::unique_ptr<PortProvider> inner,
                                         std::shared_ptr<TraceLog> log)
    : inner_(std::move(inner)), log_(std::move(log)) {}

std::unique_ptr<Transport> TracingPortProvider::open(const QString& portName) {
    std::unique_ptr<Transport> port = inner_->open(portName);
    if (!port)
        return nullptr;
    return std::make_unique<TracingTransport>(std::move(port), log_);
}

PortOpenFailure TracingPortProvider::lastOpenFailure(const QString& portName) const {
    const auto* reporter = dynamic_cast<const PortOpenReporter*>(inner_.get());
    return reporter ? reporter->lastOpenFailure(portName) : PortOpenFailure{};
}
