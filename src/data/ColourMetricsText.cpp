// Text of the colour metrics: key=value lines for the command line, labelled values for the
// chromaticity diagram.
#include <cmath>
#include <cstdio>

#include <QCoreApplication>

#include "data/ColourMetrics.h"

namespace {

// printf-style number; a value that rounds to zero loses its minus sign.
std::string Number(const char* format, double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    std::string s(buf);
    if (s.front() == '-' && s.find_first_of("123456789") == std::string::npos)
        s.erase(0, 1);
    return s;
}

std::string Value(const char* format, double v) {
    return std::isfinite(v) ? Number(format, v) : std::string("nan");
}

QString Label(const QString& name, const char* format, double v, const char* unit) {
    QString s = name + ' ';
    if (!std::isfinite(v))
        return s + '-';
    return s + QString::fromStdString(Number(format, v)) + QString::fromLatin1(unit);
}

}  // namespace

std::vector<std::string> ColourMetricsLines(const ColourMetrics& m) {
    return {
        "x=" + Value("%.4f", m.x),
        "y=" + Value("%.4f", m.y),
        "u_prime=" + Value("%.4f", m.uPrime),
        "v_prime=" + Value("%.4f", m.vPrime),
        "cct_K=" + Value("%.0f", m.cctK),
        "duv=" + Value("%.4f", m.duv),
        "dominant_nm=" + Value("%.1f", m.dominantNm),
        "purity=" + Value("%.3f", m.purity),
        "peak_nm=" + Value("%.0f", m.peakNm),
        "centroid_nm=" + Value("%.1f", m.centroidNm),
        "fwhm_nm=" + Value("%.1f", m.fwhmNm),
    };
}

// The names go through the window's language; u', v', CCT and Duv read the same in both.
std::vector<QString> ColourMetricsLabels(const ColourMetrics& m) {
    // A purple has no dominant wavelength; the complementary one stands in.
    const QString dominant = m.dominantNm < 0.0
                                 ? Label(QCoreApplication::translate("ColourMetrics", "補色波長"),
                                         "%.1f", -m.dominantNm, " nm")
                                 : Label(QCoreApplication::translate("ColourMetrics", "主波長"),
                                         "%.1f", m.dominantNm, " nm");
    QString duv = Label(QStringLiteral("Duv"), "%+.4f", m.duv, "");
    if (duv == QLatin1String("Duv +0.0000") || duv == QLatin1String("Duv -0.0000"))
        duv = QStringLiteral("Duv 0.0000");
    return {
        Label(QString::fromUtf8("u′"), "%.4f", m.uPrime, ""),
        Label(QString::fromUtf8("v′"), "%.4f", m.vPrime, ""),
        Label(QStringLiteral("CCT"), "%.0f", m.cctK, " K"),
        duv,
        dominant,
        Label(QCoreApplication::translate("ColourMetrics", "純度"), "%.3f", m.purity, ""),
        Label(QCoreApplication::translate("ColourMetrics", "ピーク"), "%.0f", m.peakNm, " nm"),
        Label(QCoreApplication::translate("ColourMetrics", "重心"), "%.1f", m.centroidNm, " nm"),
        Label(QCoreApplication::translate("ColourMetrics", "半値幅"), "%.1f", m.fwhmNm, " nm"),
    };
}
