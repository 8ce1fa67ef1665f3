#include "data/LoggedRecord.h"

#include <algorithm>
#include <bit>

#include "data/NumberCells.h"

namespace {

constexpr std::size_t kAuxOffset = 2044;
constexpr std::size_t kTemperatureOffset = 2068;
constexpr std::size_t kVoltageOffset = 2072;
constexpr std::size_t kRecordNumberOffset = 2076;

std::uint32_t Word(const std::array<std::uint8_t, LOGGED_RECORD_BYTES>& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) |
           (std::uint32_t(b[at + 2]) << 16) | (std::uint32_t(b[at + 3]) << 24);
}

int PointsOf(int pointCount) {
    return std::clamp(pointCount, 0, int(MAX_POINTS));
}

}  // namespace

float LoggedRecord::spectrum(int i) const {
    return std::bit_cast<float>(Word(bytes, std::size_t(i) * 4));
}
std::int32_t LoggedRecord::aux() const {
    return static_cast<std::int32_t>(Word(bytes, kAuxOffset));
}
float LoggedRecord::temperature() const {
    return std::bit_cast<float>(Word(bytes, kTemperatureOffset));
}
float LoggedRecord::voltage() const {
    return std::bit_cast<float>(Word(bytes, kVoltageOffset));
}
std::int32_t LoggedRecord::recordNumber() const {
    return static_cast<std::int32_t>(Word(bytes, kRecordNumberOffset));
}

std::string LoggedRecordListLine(const LoggedRecord& record) {
    std::string line;
    AppendIntCell(line, std::int64_t(record.recordNumber()) + 1);
    line += ' ';
    AppendIntCell(line, record.aux(), 5);
    line += ' ';
    AppendFixedCell(line, record.temperature(), 1, 3);
    line += ' ';
    AppendFixedCell(line, record.voltage(), 2, 3);
    return line;
}

std::string LoggedRecordCsvHeader(int pointCount, int firstWavelength) {
    std::string line = "no,temperature, voltage,";
    for (int i = 0; i < PointsOf(pointCount); ++i) {
        AppendIntCell(line, std::int64_t(firstWavelength) + i);
        line += ',';
    }
    return line;
}

std::string LoggedRecordCsvLine(const LoggedRecord& record, int pointCount) {
    std::string line;
    line.reserve(16 + std::size_t(PointsOf(pointCount)) * 8);
    AppendIntCell(line, std::int64_t(record.recordNumber()) + 1);
    line += ',';
    AppendFixedCell(line, record.temperature(), 1, 3);
    line += ',';
    AppendFixedCell(line, record.voltage(), 2, 3);
    line += ',';
    for (int i = 0; i < PointsOf(pointCount); ++i) {
        AppendFixedCell(line, record.spectrum(i), 1, 3);
        line += ',';
    }
    return line;
}
