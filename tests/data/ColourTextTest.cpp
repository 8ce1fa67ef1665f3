// The colour metrics as text: velarim-cli color's key=value lines (formats, order, nan), the
// diagram's labels and where they are drawn, and the command over simulated devices.
#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include "data/ColourMetrics.h"
#include "display/LiveGraph.h"
#include "support/ProgramRun.h"

namespace {

constexpr double kNaN = NAN;

std::vector<std::string> Lines(const ColourMetrics& m) {
    return ColourMetricsLines(m);
}

}  // namespace

TEST(ColourMetricsText, KeyValueLinesInOrder) {
    const ColourMetrics m{0.44934, 0.41268, 0.25482, 0.52657, 2856.46, 0.00004,
                          583.04,  0.5818,  724,     695.84,  47.096};
    EXPECT_EQ(Lines(m), (std::vector<std::string>{
                            "x=0.4493", "y=0.4127", "u_prime=0.2548", "v_prime=0.5266",
                            "cct_K=2856", "duv=0.0000", "dominant_nm=583.0", "purity=0.582",
                            "peak_nm=724", "centroid_nm=695.8", "fwhm_nm=47.1"}));
}

TEST(ColourMetricsText, UndefinedValuesAndSigns) {
    const ColourMetrics m{kNaN, kNaN, kNaN, kNaN, kNaN, -0.00004, -495.26, kNaN, 340, kNaN, kNaN};
    EXPECT_EQ(Lines(m),
              (std::vector<std::string>{"x=nan", "y=nan", "u_prime=nan", "v_prime=nan", "cct_K=nan",
                                        "duv=0.0000", "dominant_nm=-495.3", "purity=nan",
                                        "peak_nm=340", "centroid_nm=nan", "fwhm_nm=nan"}));
    const ColourMetrics below{0.3, 0.3, 0.2, 0.45, 6000, -0.01234, 480, 0.1, 450, 500, 20};
    EXPECT_EQ(Lines(below)[5], "duv=-0.0123");
}

TEST(ColourMetricsText, DiagramLabels) {
    const auto labels = [](const ColourMetrics& m) {
        QStringList out;
        for (const QString& line : ColourMetricsLabels(m))
            out << line;
        return out;
    };
    const ColourMetrics m{0.4493, 0.4127, 0.25482, 0.52657, 2856.46, 0.00012,
                          583.04, 0.5818, 724,     695.84,  47.096};
    EXPECT_EQ(labels(m),
              QStringList({"u′ 0.2548", "v′ 0.5266", "CCT 2856 K", "Duv +0.0001", "主波長 583.0 nm",
                           "純度 0.582", "ピーク 724 nm", "重心 695.8 nm", "半値幅 47.1 nm"}));
    const ColourMetrics purple{0.3, 0.2, 0.25, 0.34, kNaN, kNaN, -530.06, 0.4, 420, 600, kNaN};
    EXPECT_EQ(labels(purple),
              QStringList({"u′ 0.2500", "v′ 0.3400", "CCT -", "Duv -", "補色波長 530.1 nm",
                           "純度 0.400", "ピーク 420 nm", "重心 600.0 nm", "半値幅 -"}));
    const ColourMetrics zero{0.3, 0.3, 0.2, 0.45, 6000, -0.00001, 480, 0.1, 450, 500, 20};
    EXPECT_EQ(labels(zero)[3], "Duv 0.0000");
    const ColourMetrics none{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 340, kNaN, kNaN};
    EXPECT_EQ(labels(none)[0], "u′ -");
}

// The labels stand in a column right of the plot (x = 0.7 at column 485), under the "X,Y" text,
// and leave the diagram itself alone.
TEST(ColourMetricsText, DrawnBesideTheDiagram) {
    QTemporaryDir dir;
    const QString path = dir.filePath("xyz.bmp");
    constexpr QRgb background = 0xffc8dcf0;
    QImage bg(560, 540, QImage::Format_RGB888);
    bg.fill(background);
    ASSERT_TRUE(bg.save(path, "BMP"));
    std::array<float, 511> spectrum;
    spectrum.fill(1000.0f);
    GraphInput in;
    in.mode = DISPLAY_CHROMATICITY;
    in.deviceCount = 1;
    in.liveSpectra[0] = spectrum;
    QImage image(620, 580, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    LiveGraph g(path);
    g.DrawGraph(image, in);
    auto count = [&](QRgb c, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += image.pixel(x, y) == c;
        return n;
    };
    const QRgb black = qRgb(0, 0, 0);
    for (int line = 0; line < 9; ++line) {
        const int top = kMetricsTop + line * kMetricsPitch;
        EXPECT_GT(count(black, kMetricsLeft, top, 618, top + kMetricsPitch - 1), 10) << line;
    }
    // Nothing left of the column below the "X,Y" text but the marker in its box
    // (272, 312)-(282, 322), nothing below the column.
    EXPECT_EQ(count(black, 2, 20, kMetricsLeft - 1, 538), count(black, 272, 312, 282, 322));
    EXPECT_GT(count(black, 272, 312, 282, 322), 10);
    EXPECT_EQ(count(black, kMetricsLeft, kMetricsTop + 9 * kMetricsPitch + 2, 618, 538), 0);
    EXPECT_LE(kMetricsLeft, 618 - 100);
}

namespace {

ProgramRun RunCli(const QStringList& args) {
    return RunProgram(VELARIM_CLI_PATH, args);
}

}  // namespace

TEST(CliColor, LinesOfTheSimulatedLamp) {
    const ProgramRun run =
        RunCli({"color", "--settle-ms", "0", "--simulate", "vis,vis:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList keys{"x",           "y",      "u_prime", "v_prime",     "cct_K",  "duv",
                           "dominant_nm", "purity", "peak_nm", "centroid_nm", "fwhm_nm"};
    ASSERT_EQ(run.lines.size(), keys.size());
    for (int k = 0; k < keys.size(); ++k) {
        ASSERT_TRUE(run.lines[k].startsWith(keys[k] + "=")) << run.lines[k].toStdString();
        EXPECT_NE(run.lines[k].section('=', 1), "nan") << run.lines[k].toStdString();
    }
    EXPECT_EQ(run.lines[0].size(), 8);  // x=0.dddd
    EXPECT_EQ(run.lines[1].size(), 8);
    EXPECT_EQ(run.lines[2].size(), 14);  // u_prime=0.dddd
    // u', v' from the printed x, y (to their rounding).
    const double x = run.lines[0].section('=', 1).toDouble();
    const double y = run.lines[1].section('=', 1).toDouble();
    EXPECT_NEAR(run.lines[2].section('=', 1).toDouble(), 4 * x / (-2 * x + 12 * y + 3), 2e-4);
    EXPECT_NEAR(run.lines[3].section('=', 1).toDouble(), 9 * y / (-2 * x + 12 * y + 3), 2e-4);
    const double cct = run.lines[4].section('=', 1).toDouble();
    EXPECT_GT(cct, 2500.0);  // a warm lamp with the dark offset
    EXPECT_LT(cct, 6000.0);

    const ProgramRun bridged =
        RunCli({"color", "--device", "1", "--settle-ms", "0", "--simulate", "vis,vis:link=bridge"});
    ASSERT_EQ(bridged.exitCode, 0) << bridged.err.toStdString();
    EXPECT_EQ(bridged.lines.size(), keys.size());
}

TEST(CliColor, NearInfraredHasNoColour) {
    const ProgramRun run = RunCli({"color", "--settle-ms", "0", "--simulate", "nir"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 11);
    // 640..1050 nm does not span 380..780 nm: no colour, but the spectrum's own peak.
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(run.lines[k].endsWith("=nan")) << run.lines[k].toStdString();
    EXPECT_EQ(run.lines[4], "cct_K=nan");
    EXPECT_TRUE(run.lines[8].startsWith("peak_nm=")) << run.lines[8].toStdString();
    EXPECT_NE(run.lines[8], "peak_nm=nan");
}

TEST(CliColor, Failures) {
    struct Case {
        QStringList args;
        const char* message;
    };
    for (const Case& c :
         {Case{{"color", "--device", "2", "--settle-ms", "0", "--simulate", "vis,vis"},
               "velarim-cli: no device in slot 2\n"},
          Case{{"color", "--settle-ms", "0", "--simulate", "led"},
               "velarim-cli: no device in slot 0\n"},
          // Detection and identity take the first requests; the spectrum goes unanswered.
          Case{{"color", "--settle-ms", "0", "--simulate", "vis:fault=unplug@6"},
               "velarim-cli: no spectrum from the device in slot 0\n"},
          Case{{"color", "extra", "--settle-ms", "0", "--simulate", "vis"},
               "velarim-cli: color: unexpected argument \"extra\"\n"}}) {
        const ProgramRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.message;
        EXPECT_TRUE(run.lines.isEmpty()) << c.message;
        EXPECT_EQ(run.err, c.message);
    }
}
