#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include <QFile>
#include <QString>

// Where the trace takes its times from: the wall clock for the stamp of each
// line and a steady microsecond counter for durations. The trace runs on the
// system's clocks, not on the program's Clock, so that a trace taken under a
// fake or scaled clock still shows real host time; tests inject their own.
class TraceTimeSource {
  public:
    virtual ~TraceTimeSource() = default;
    // Milliseconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t wallMs() = 0;
    // Microseconds of a steady counter (arbitrary origin).
    virtual std::int64_t steadyUs() = 0;
};

class SystemTraceTime final : public TraceTimeSource {
  public:
    std::int64_t wallMs() override;
    std::int64_t steadyUs() override;
};

// One exchange on one port: the request as written and what came back.
struct TraceEntry {
    std::int64_t wallMs = 0;                // when the request was written
    std::string_view port;                  // "ttyUSB0", "pts/5", "sim0"
    std::span<const std::uint8_t> request;  // the first (at most 8) bytes written
    std::size_t requestBytes = 0;           // bytes the request had
    std::size_t written = 0;                // bytes the port took
    std::size_t requested = 0;              // reply bytes read for (0: none read)
    std::size_t received = 0;               // reply bytes received (requested, or 0)
    std::int64_t durationUs = 0;            // from the write to the end of the read
};

// Longest line FormatTraceLine writes (port names are cut to fit).
inline constexpr std::size_t TRACE_LINE_MAX = 320;
// The first line of every trace file.
inline constexpr std::string_view TRACE_HEADER =
    "# time port request payload received/requested duration\n";

// "2026-12-08T10:02:03.123Z ttyUSB0 07FC000F - 2044/2044 1234us\n" and, after a
// setting, "... 00040084 100000 2/2 310us\n"; a reply that did not arrive in full
// reads "0/4 ... missing", a request the port did not take in full ends in
// " short-write=3/8". Returns the length written into `out`.
std::size_t FormatTraceLine(const TraceEntry& entry, std::span<char, TRACE_LINE_MAX> out);

// "2026-12-08T10:02:03.123Z" (UTC, always 24 characters) into `out`.
void FormatIsoTimeMs(std::int64_t wallMs, std::span<char, 24> out);

// The trace file shared by every traced port of a program. Lines are gathered
// in memory and written to the file when the buffer fills, when a line comes
// FLUSH_INTERVAL_US or more after the last write-out, and when the log goes
// (the last port and provider holding it are destroyed). Safe to use from
// several threads.
class TraceLog {
  public:
    static constexpr std::int64_t FLUSH_INTERVAL_US = 200000;
    static constexpr std::size_t BUFFER_BYTES = 64 * 1024;

    // Creates (or truncates) the file and writes the header line; nullptr with a
    // one-line message when it cannot be written. `time` defaults to the system's.
    static std::shared_ptr<TraceLog> Create(const QString& path, QString& error,
                                            std::unique_ptr<TraceTimeSource> time = {});
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    TraceTimeSource& time() { return *time_; }
    // Adds one exchange; `nowUs` is the steady time at its end.
    void add(const TraceEntry& entry, std::int64_t nowUs);
    // Writes out what is gathered and flushes the file.
    void flush();
    QString path() const { return file_.fileName(); }

  private:
    TraceLog(const QString& path, std::unique_ptr<TraceTimeSource> time);
    void writeOutLocked();

    std::mutex mutex_;
    QFile file_;
    std::unique_ptr<TraceTimeSource> time_;
    std::string buffer_;
    std::int64_t lastWriteOutUs_ = 0;
    bool failed_ = false;
};
