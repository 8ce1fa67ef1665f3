#include "session/SensorInfo.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>

#include "data/NumberCells.h"
#include "device/Exchange.h"

namespace {

std::uint64_t LittleEndian(std::span<const std::uint8_t> b) {
    std::uint64_t v = 0;
    for (std::size_t i = b.size(); i-- > 0;)
        v = (v << 8) | b[i];
    return v;
}

// Reads a float32 table of `count` values; on a failed read the values stay 0.
std::vector<float> ReadFloatTable(Transport& port, std::uint8_t code, int count, bool bridged) {
    std::vector<std::uint8_t> raw(std::size_t(count) * 4, 0);
    ReadTable(port, code, raw.size(), bridged, raw);
    std::vector<float> values(static_cast<std::size_t>(count), 0.0f);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = std::bit_cast<float>(
            static_cast<std::uint32_t>(LittleEndian(std::span(raw).subspan(i * 4, 4))));
    return values;
}

}  // namespace

SensorInfo ReadSensorInfo(Transport& port, bool bridged, int pixelCount) {
    SensorInfo info;
    const int p = std::clamp(pixelCount, 1, MAX_PIXELS);
    info.pixelCount = p;
    info.model = ReadText(port, CMD_GET_SENSOR_MODEL);
    info.serial = ReadText(port, CMD_GET_SERIAL);

    std::array<std::uint8_t, CAL_COEFF_COUNT * 8> coeffs{};
    Exchange(port, CMD_GET_CAL_COEFFS, coeffs);
    for (std::size_t n = 0; n < CAL_COEFF_COUNT; ++n)
        info.comp[n] = std::bit_cast<double>(LittleEndian(std::span(coeffs).subspan(n * 8, 8)));

    const auto wave = ReadFloatTable(port, CMD_GET_PIXEL_WAVELENGTHS, p, bridged);
    const auto gain = ReadFloatTable(port, CMD_GET_PIXEL_GAINS, p, bridged);
    const auto dark = ReadFloatTable(port, CMD_GET_DARK_TABLES, 2 * p, bridged);
    std::copy_n(wave.begin(), p, info.wave.begin());
    std::copy_n(gain.begin(), p, info.gain.begin());
    std::copy_n(dark.begin(), p, info.dark005.begin());
    std::copy_n(dark.begin() + p, p, info.dark05.begin());
    return info;
}

std::vector<std::string> SensorInfoLines(const SensorInfo& info) {
    const int p = std::clamp(info.pixelCount, 0, MAX_PIXELS);
    std::vector<std::string> lines;
    lines.reserve(9 + std::size_t(p));
    lines.push_back("Sensor," + info.model.toStdString());
    lines.push_back("Serial," + info.serial.toStdString());
    for (std::size_t n = 0; n < CAL_COEFF_COUNT; ++n) {
        std::string line = "comp ";
        AppendIntCell(line, std::int64_t(n) + 1);
        line += ", ";
        AppendScientificCell(line, info.comp[n], 8, 12);
        lines.push_back(std::move(line));
    }
    lines.emplace_back("pixel,   wave, dark(0.05s), dark(0.5s),    gain");
    for (int i = 0; i < p; ++i) {
        std::string line;
        AppendIntCell(line, i + 1, 5);
        line += ',';
        AppendFixedCell(line, info.wave[i], 1, 7);
        line += ", ";
        AppendFixedCell(line, info.dark005[i], 1, 7);
        line += ", ";
        AppendFixedCell(line, info.dark05[i], 1, 7);
        line += ", ";
        AppendFixedCell(line, info.gain[i], 3, 7);
        lines.push_back(std::move(line));
    }
    return lines;
}

QString SensorInfoFileName(const QByteArray& serial) {
    return QString::fromLatin1(serial) + QStringLiteral(".csv");
}

FileResult SaveSensorInfoFile(const QString& path, const std::vector<std::string>& lines) {
    WholeFileWriter file(path);
    for (const std::string& line : lines)
        file.WriteLine(line);
    FileResult result = file.Finish();
    result.message = TextFileError(result, path);
    return result;
}
