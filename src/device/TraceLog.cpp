#include "device/TraceLog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstring>

std::int64_t SystemTraceTime::wallMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t SystemTraceTime::steadyUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

// Writes `value` as exactly `width` decimal digits, zero padded.
char* PutDigits(char* at, std::int64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return at + width;
}

char* PutNumber(char* at, char* end, std::int64_t value) {
    return std::to_chars(at, end, value).ptr;
}

char* PutText(char* at, char* end, std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), std::size_t(end - at));
    std::memcpy(at, text.data(), n);
    return at + n;
}

char* PutHex32(char* at, std::uint32_t value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int i = 7; i >= 0; --i) {
        at[i] = kHex[value & 0xF];
        value >>= 4;
    }
    return at + 8;
}

std::uint32_t LittleEndian32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) |
           (std::uint32_t(b[at + 2]) << 16) | (std::uint32_t(b[at + 3]) << 24);
}

}  // namespace

void FormatIsoTimeMs(std::int64_t wallMs, std::span<char, 24> out) {
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    std::int64_t ms = wallMs % 1000;
    std::int64_t seconds = wallMs / 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    std::int64_t days = seconds / 86400;
    std::int64_t secOfDay = seconds % 86400;
    if (secOfDay < 0) {
        secOfDay += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    char* p = out.data();
    p = PutDigits(p, std::clamp<std::int64_t>(year, 0, 9999), 4);
    *p++ = '-';
    p = PutDigits(p, month, 2);
    *p++ = '-';
    p = PutDigits(p, day, 2);
    *p++ = 'T';
    p = PutDigits(p, secOfDay / 3600, 2);
    *p++ = ':';
    p = PutDigits(p, secOfDay / 60 % 60, 2);
    *p++ = ':';
    p = PutDigits(p, secOfDay % 60, 2);
    *p++ = '.';
    p = PutDigits(p, ms, 3);
    *p = 'Z';
}

std::size_t FormatTraceLine(const TraceEntry& e, std::span<char, TRACE_LINE_MAX> out) {
    char* const begin = out.data();
    char* const end = begin + out.size();
    char* p = begin;
    FormatIsoTimeMs(e.wallMs, std::span<char, 24>(p, 24));
    p += 24;
    *p++ = ' ';
    // Room for the rest of the line: word, payload, sizes, duration, flags.
    constexpr std::size_t kTail = 200;
    p = PutText(p, end - kTail, e.port.empty() ? std::string_view("-") : e.port);
    *p++ = ' ';
    const std::span<const std::uint8_t> req = e.request;
    if (req.size() >= 4) {
        p = PutHex32(p, LittleEndian32(req, 0));
    } else {
        *p++ = '-';
    }
    *p++ = ' ';
    if (req.size() >= 8 && e.requestBytes == 8)
        p = PutNumber(p, end, static_cast<std::int32_t>(LittleEndian32(req, 4)));
    else
        *p++ = '-';
    *p++ = ' ';
    p = PutNumber(p, end, static_cast<std::int64_t>(e.received));
    *p++ = '/';
    p = PutNumber(p, end, static_cast<std::int64_t>(e.requested));
    *p++ = ' ';
    p = PutNumber(p, end, std::max<std::int64_t>(e.durationUs, 0));
    p = PutText(p, end, "us");
    if (e.received < e.requested)
        p = PutText(p, end, " missing");
    if (e.written < e.requestBytes) {
        p = PutText(p, end, " short-write=");
        p = PutNumber(p, end, static_cast<std::int64_t>(e.written));
        *p++ = '/';
        p = PutNumber(p, end, static_cast<std::int64_t>(e.requestBytes));
    }
    if (e.requestBytes != 4 && e.requestBytes != 8) {
        p = PutText(p, end, " request-bytes=");
        p = PutNumber(p, end, static_cast<std::int64_t>(e.requestBytes));
    }
    *p++ = '\n';
    return std::size_t(p - begin);
}

TraceLog::TraceLog(const QString& path, std::unique_ptr<TraceTimeSource> time)
    : file_(path), time_(std::move(time)) {
    if (!time_)
        time_ = std::make_unique<SystemTraceTime>();
    buffer_.reserve(BUFFER_BYTES + TRACE_LINE_MAX);
}

std::shared_ptr<TraceLog> TraceLog::Create(const QString& path, QString& error,
                                           std::unique_ptr<TraceTimeSource> time) {
    std::shared_ptr<TraceLog> log(new TraceLog(path, std::move(time)));
    if (!log->file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = "cannot write the trace file \"" + path + "\": " + log->file_.errorString();
        return nullptr;
    }
    log->buffer_.append(TRACE_HEADER);
    log->lastWriteOutUs_ = log->time_->steadyUs();
    log->flush();
    return log;
}

TraceLog::~TraceLog() {
    flush();
}

void TraceLog::add(const TraceEntry& entry, std::int64_t nowUs) {
    std::array<char, TRACE_LINE_MAX> line;
    const std::size_t n = FormatTraceLine(entry, line);
    const std::lock_guard<std::mutex> lock(mutex_);
    buffer_.append(line.data(), n);
    if (buffer_.size() >= BUFFER_BYTES || nowUs - lastWriteOutUs_ >= FLUSH_INTERVAL_US) {
        writeOutLocked();
        lastWriteOutUs_ = nowUs;
    }
}

void TraceLog::flush() {
    const std::lock_guard<std::mutex> lock(mutex_);
    writeOutLocked();
}

void TraceLog::writeOutLocked() {
    if (!buffer_.empty() && !failed_ && file_.isOpen()) {
        const qint64 n = file_.write(buffer_.data(), qint64(buffer_.size()));
        failed_ = n != qint64(buffer_.size());  // a full disk ends the trace, not the program
        file_.flush();
    }
    buffer_.clear();
}
