#include "sim/SimSpectrometer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "device/CommandTable.h"

namespace {

constexpr std::uint8_t CODE_TYPE = CMD_GET_DEVICE_TYPE.code;
constexpr std::uint8_t CODE_VERSION = CMD_GET_VERSION.code;
constexpr std::uint8_t CODE_SERIAL = CMD_GET_SERIAL.code;
constexpr std::uint8_t CODE_MODEL = CMD_GET_SENSOR_MODEL.code;
constexpr std::uint8_t CODE_COEFFS = CMD_GET_CAL_COEFFS.code;
constexpr std::uint8_t CODE_EXPOSURE = CMD_GET_EXPOSURE.code;
constexpr std::uint8_t CODE_AVERAGING = CMD_GET_AVERAGING.code;
constexpr std::uint8_t CODE_TEMPERATURE = CMD_GET_TEMPERATURE.code;
constexpr std::uint8_t CODE_AUX = CMD_GET_AUX_SETTING.code;
constexpr std::uint8_t CODE_COUNT = CMD_GET_STORED_COUNT.code;
constexpr std::uint8_t CODE_RECORD = CMD_GET_STORED_RECORD.code;
constexpr std::uint8_t CODE_SET_EXPOSURE = CMD_SET_EXPOSURE.code;
constexpr std::uint8_t CODE_SET_AVERAGING = CMD_SET_AVERAGING.code;
constexpr std::uint8_t CODE_SET_AUX = CMD_SET_AUX_SETTING.code;
constexpr std::uint8_t CODE_STORE_DARK = CMD_STORE_DARK.code;

constexpr double TWO_PI = 2.0 * std::numbers::pi;

template <typename T>
QByteArray Bytes(const T* values, std::size_t count) {
    return QByteArray(reinterpret_cast<const char*>(values), qsizetype(count * sizeof(T)));
}

void PutInt32(QByteArray& out, int offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((std::uint32_t(v) >> (8 * i)) & 0xFF);
}

void PutFloat(QByteArray& out, int offset, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    PutInt32(out, offset, std::int32_t(bits));
}

}  // namespace

SimSpectrometer::SimSpectrometer(SimWorld& world, const SimDeviceSpec& deviceSpec, int index)
    : SimDevice(world, deviceSpec.bridged, deviceSpec.fault),
      spec_(deviceSpec),
      index_(index),
      profile_(SimProfileForModel(deviceSpec.model)),
      shape_(SimLampShape(profile_)),
      rng_(world.seed() * 7919u + std::uint32_t(index)) {}

double SimSpectrometer::idealCounts(int point) {
    const double light = PEAK_COUNTS * shape_[point] * std::max(exposureUs_, 0) /
                         double(DEFAULT_EXPOSURE_US) * world().illumination();
    const double dark = SimDarkCounts(point, exposureUs_);
    const double stored = darkStored_ ? SimDarkCounts(point, darkExposureUs_) : 0.0;
    return light + dark - stored;
}

std::array<float, MAX_POINTS> SimSpectrometer::acquire() {
    std::array<float, MAX_POINTS> out{};
    std::normal_distribution<double> gauss(0.0, 1.0);
    const double scans = std::sqrt(double(std::max(averaging_, 1)));
    for (int i = 0; i < profile_.pointCount; ++i) {
        const double ideal = idealCounts(i);
        const double sigma = std::sqrt(READ_NOISE * READ_NOISE + std::max(ideal, 0.0)) / scans;
        out[i] = float(std::clamp(ideal + sigma * gauss(rng_), 0.0, 65535.0));
    }
    return out;
}

float SimSpectrometer::temperature() {
    const double t = world().elapsedSeconds();
    std::normal_distribution<double> jitter(0.0, 0.02);
    return float(26.5 + 0.4 * index_ + 1.2 * std::sin(TWO_PI * t / 900.0) +
                 0.3 * std::sin(TWO_PI * t / 137.0 + index_) + jitter(rng_));
}

QByteArray SimSpectrometer::loggedRecord(int n) const {
    QByteArray out(int(LOGGED_RECORD_BYTES), '\0');
    const double level = 0.55 + 0.35 * std::sin(n * 0.7 + 1.0);
    const std::int32_t exposure = 10000 + 1000 * (n % 5);
    for (int i = 0; i < profile_.pointCount; ++i) {
        const double counts = PEAK_COUNTS * shape_[i] * level * exposure / DEFAULT_EXPOSURE_US +
                              3.0 * std::sin(i * 0.9 + n);
        PutFloat(out, 4 * i, float(std::clamp(counts, 0.0, 65535.0)));
    }
    PutInt32(out, 2044, exposure);
    PutFloat(out, 2068, float(24.0 + 2.0 * std::sin(n * 0.3)));
    PutFloat(out, 2072, float(std::max(3.3, 4.10 - 0.004 * n)));
    PutInt32(out, 2076, n);
    return out;
}

std::optional<QByteArray> SimSpectrometer::answer(CommandWord word, std::int32_t payload,
                                                  QString& reason) {
    if (word.code >= CMD_GET_PIXEL_WAVELENGTHS && word.code <= CMD_GET_SPECTRUM)
        return answerTable(word, reason);
    // Every other command has exactly one word.
    auto is = [&](CommandWord expected) {
        if (word == expected)
            return true;
        reason = QString("code %1 takes the word %2")
                     .arg(word.code, 2, 16, QChar('0'))
                     .arg(expected.value(), 8, 16, QChar('0'));
        return false;
    };
    switch (word.code) {
        case CODE_TYPE:
            if (!is(CMD_GET_DEVICE_TYPE))
                return {};
            return Int32Reply(spec_.lx ? LX_MODEL_CODE : 1);
        case CODE_VERSION:
            if (!is(CMD_GET_VERSION))
                return {};
            return TextReply(spec_.firmware, SHORT_TEXT_BYTES);
        case CODE_SERIAL:
            if (!is(CMD_GET_SERIAL))
                return {};
            return TextReply(spec_.serial, SHORT_TEXT_BYTES);
        case CODE_MODEL:
            if (!is(CMD_GET_SENSOR_MODEL))
                return {};
            return TextReply(spec_.model, SHORT_TEXT_BYTES);
        case CODE_COEFFS: {
            if (!is(CMD_GET_CAL_COEFFS))
                return {};
            const auto c = SimCalibrationCoefficients(profile_);
            return Bytes(c.data(), c.size());
        }
        case CODE_EXPOSURE:
            if (!is(CMD_GET_EXPOSURE))
                return {};
            return Int32Reply(exposureUs_);
        case CODE_AVERAGING:
            if (!is(CMD_GET_AVERAGING))
                return {};
            return Int32Reply(averaging_);
        case CODE_TEMPERATURE:
            if (!is(CMD_GET_TEMPERATURE))
                return {};
            return FloatReply(temperature());
        case CODE_AUX:
            if (!is(CMD_GET_AUX_SETTING))
                return {};
            return Int32Reply(aux_);
        case CODE_COUNT:
            if (!is(CMD_GET_STORED_COUNT))
                return {};
            nextRecord_ = 0;  // an upload starts over with the first record
            return Int32Reply(spec_.lx ? spec_.records : 0);
        case CODE_RECORD:
            if (!is(CMD_GET_STORED_RECORD))
                return {};
            if (!spec_.lx || spec_.records == 0) {
                reason = "no logged records";
                return {};
            }
            return loggedRecord(nextRecord_++ % spec_.records);
        case CODE_SET_EXPOSURE:
            if (!is(CMD_SET_EXPOSURE))
                return {};
            exposureUs_ = payload;
            return AckReply();
        case CODE_SET_AVERAGING:
            if (!is(CMD_SET_AVERAGING))
                return {};
            averaging_ = payload;
            return AckReply();
        case CODE_SET_AUX:
            if (!is(CMD_SET_AUX_SETTING))
                return {};
            aux_ = payload;
            return AckReply();
        case CODE_STORE_DARK:
            if (!is(CMD_STORE_DARK))
                return {};
            darkStored_ = true;
            darkExposureUs_ = exposureUs_;
            return AckReply();
        default:
            reason = QString("unknown code %1").arg(word.code, 2, 16, QChar('0'));
            return {};
    }
}

QByteArray SimSpectrometer::tableBytes(std::uint8_t code) {
    switch (code) {
        case CMD_GET_PIXEL_WAVELENGTHS: {
            const auto v = SimPixelWavelengths(profile_);
            return Bytes(v.data(), v.size());
        }
        case CMD_GET_PIXEL_GAINS: {
            const auto v = SimPixelGains(profile_);
            return Bytes(v.data(), v.size());
        }
        case CMD_GET_DARK_TABLES: {
            const auto v = SimDarkTables(profile_);
            return Bytes(v.data(), v.size());
        }
        default: {
            const auto v = acquire();
            return Bytes(v.data(), v.size());
        }
    }
}

std::optional<QByteArray> SimSpectrometer::answerTable(CommandWord word, QString& reason) {
    const bool spectrum = word.code == CMD_GET_SPECTRUM;
    const std::size_t perPixel = word.code == CMD_GET_DARK_TABLES ? 8 : 4;
    const std::size_t whole = spectrum ? std::size_t(profile_.pointCount) * 4
                                       : std::size_t(profile_.pixelCount) * perPixel;
    if (!bridged()) {
        if (word != WholeWord(word.code, whole)) {
            reason = QString("whole read of %1 bytes expected on a direct link").arg(whole);
            return {};
        }
        return tableBytes(word.code).left(qsizetype(whole));
    }
    const std::size_t total = spectrum ? SPECTRUM_BYTES : whole;
    const std::size_t pages = spectrum ? SPECTRUM_PAGES : total / PAGE_BYTES;
    if (word.page >= pages) {
        reason = QString("page %1 of %2 pages").arg(word.page).arg(pages);
        return {};
    }
    const CommandWord expected = PageWord(word.code, word.page, total);
    if (word.length != expected.length) {
        reason = QString("page %1 wants length %2 on a bridged link")
                     .arg(word.page)
                     .arg(expected.length);
        return {};
    }
    // A spectrum is taken at page 0 and handed out page by page.
    if (!spectrum)
        return tableBytes(word.code).mid(word.page * qsizetype(PAGE_BYTES), expected.length);
    if (word.page == 0 || frame_.isEmpty())
        frame_ = tableBytes(CMD_GET_SPECTRUM);
    return frame_.mid(word.page * qsizetype(PAGE_BYTES), expected.length);
}
