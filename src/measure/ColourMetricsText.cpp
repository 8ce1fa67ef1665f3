// Text of the colour metrics: key=value lines for the command line, short labels for the
// chromaticity diagram.
#include <cmath>
#include <cstdio>

#include "measure/ColourMetrics.h"

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

std::string Label(const char* name, const char* format, double v, const char* unit) {
    std::string s(name);
    s += ' ';
    if (!std::isfinite(v))
        return s + '-';
    return s + Number(format, v) + unit;
}

}  // namespace

std::vector<std::string> ColourMetricsLines(const ColourMetrics& m) {
    return {
        "x=" + Value("%.4f", m.x),
        "y=" + Value("%.4f", m.y),
        "cct_K=" + Value("%.0f", m.cctK),
        "duv=" + Value("%.4f", m.duv),
        "dominant_nm=" + Value("%.1f", m.dominantNm),
        "purity=" + Value("%.3f", m.purity),
        "peak_nm=" + Value("%.0f", m.peakNm),
        "centroid_nm=" + Value("%.1f", m.centroidNm),
        "fwhm_nm=" + Value("%.1f", m.fwhmNm),
    };
}

std::vector<std::string> ColourMetricsLabels(const ColourMetrics& m) {
    std::string dominant = m.dominantNm < 0.0 ? Label("compl", "%.1f", -m.dominantNm, " nm")
                                              : Label("dom", "%.1f", m.dominantNm, " nm");
    std::string duv = Label("Duv", "%+.4f", m.duv, "");
    if (duv == "Duv +0.0000" || duv == "Duv -0.0000")
        duv = "Duv 0.0000";
    return {
        Label("CCT", "%.0f", m.cctK, " K"),
        duv,
        dominant,
        Label("pe", "%.3f", m.purity, ""),
        Label("peak", "%.0f", m.peakNm, " nm"),
        Label("cen", "%.1f", m.centroidNm, " nm"),
        Label("FWHM", "%.1f", m.fwhmNm, " nm"),
    };
}
