// Chromaticity of spectra against the reference values of the rounded Judd-Vos table, the
// marker and text, and the background picture's cache.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "display/ChromaticityBackground.h"
#include "display/ChromaticityDiagram.h"
#include "display/LiveGraph.h"
#include "display/PanelPainter.h"

namespace {

using Spectrum = std::array<float, 511>;

Chromaticity Of(const Spectrum& s) {
    return ChromaticityOf(SharedCmfTable(), s);
}

Spectrum Planck(double kelvin) {
    constexpr double c2 = 1.438777e-2;
    Spectrum s{};
    for (int i = 0; i < 511; ++i) {
        const double m = (340 + i) * 1e-9;
        const double e = std::pow(m / 560e-9, -5.0) / std::expm1(c2 / (m * kelvin));
        s[i] = static_cast<float>(100.0 * e * std::expm1(c2 / (560e-9 * kelvin)));
    }
    return s;
}

// D65 from the 5-nm table, linearly interpolated to 1 nm, zero above 780 nm.
Spectrum D65() {
    std::ifstream file(VL_DATA_DIR "/cie_d65_5nm.csv");
    std::string line;
    std::getline(file, line);
    std::vector<std::pair<int, double>> rows;
    while (std::getline(file, line)) {
        std::istringstream cells(line);
        int nm = 0;
        char comma = 0;
        double v = 0;
        if (cells >> nm >> comma >> v)
            rows.push_back({nm, v});
    }
    Spectrum s{};
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
        for (int nm = rows[k].first; nm < rows[k + 1].first; ++nm) {
            if (nm < 340 || nm > 850)
                continue;
            const double f = (nm - rows[k].first) / 5.0;
            s[nm - 340] =
                static_cast<float>(rows[k].second + (rows[k + 1].second - rows[k].second) * f);
        }
    }
    if (!rows.empty() && rows.back().first >= 340)
        s[rows.back().first - 340] = rows.back().second;
    return s;
}

}  // namespace

TEST(CmfTable, InterpolatesAndIsZeroOutside) {
    const CmfTable& t = SharedCmfTable();
    EXPECT_FLOAT_EQ(t[40][0], 0.00269f);  // 380 nm
    EXPECT_FLOAT_EQ(t[40][2], 0.0123f);
    EXPECT_FLOAT_EQ(t[215][0], 0.515f);  // 555 nm
    EXPECT_FLOAT_EQ(t[215][1], 1.0f);
    EXPECT_FLOAT_EQ(t[215][2], 0.00586f);
    EXPECT_FLOAT_EQ(t[42][1], static_cast<float>(0.0002 + (0.000396 - 0.0002) * 2 / 5));
    EXPECT_EQ(t[39][1], 0.0f);   // 379 nm
    EXPECT_EQ(t[485][0], 0.0f);  // 825 nm itself
    EXPECT_GT(t[484][0], 0.0f);  // 824 nm
    EXPECT_EQ(JuddVosTable()[89].nm, 825);
}

TEST(Chromaticity, FlatSpectrum) {
    Spectrum s;
    s.fill(1000.0f);
    const Chromaticity c = Of(s);
    ASSERT_TRUE(c.valid);
    EXPECT_NEAR(c.x, 0.334957, 1e-4);
    EXPECT_NEAR(c.y, 0.3363, 1e-4);
    EXPECT_EQ(ChromaticityText(c), "X,Y = 0.335,0.336");
    const MarkerBox box = MarkerBoxFor(c.x, c.y);
    EXPECT_EQ(box.left, 272);
    EXPECT_EQ(box.top, 312);
    EXPECT_EQ(box.right, 282);
    EXPECT_EQ(box.bottom, 322);
}

TEST(Chromaticity, LineAt555) {
    Spectrum s{};
    s[215] = 1.0f;
    const Chromaticity c = Of(s);
    EXPECT_NEAR(c.x, 0.3386, 1e-4);
    EXPECT_NEAR(c.y, 0.6575, 1e-4);
    EXPECT_EQ(ChromaticityText(c), "X,Y = 0.339,0.658");
}

TEST(Chromaticity, PointsOutside380To824DoNotCount) {
    Spectrum s{};
    s[215] = 1.0f;
    Spectrum t = s;
    for (int i = 0; i < 40; ++i)
        t[i] = 5000.0f;
    for (int i = 485; i < 511; ++i)
        t[i] = 5000.0f;
    EXPECT_EQ(Of(s).x, Of(t).x);
    EXPECT_EQ(Of(s).y, Of(t).y);
}

TEST(Chromaticity, IlluminantA) {
    const Chromaticity c = Of(Planck(2856));
    EXPECT_NEAR(c.x, 0.4493, 1e-4);
    EXPECT_NEAR(c.y, 0.4127, 1e-4);
}

TEST(Chromaticity, Blackbody6500) {
    const Chromaticity c = Of(Planck(6500));
    EXPECT_NEAR(c.x, 0.3156, 1e-4);
    EXPECT_NEAR(c.y, 0.3269, 1e-4);
}

TEST(Chromaticity, D65) {
    const Chromaticity c = Of(D65());
    EXPECT_NEAR(c.x, 0.3161, 1e-4);
    EXPECT_NEAR(c.y, 0.3351, 1e-4);
}

TEST(Chromaticity, NoLightHasNoChromaticity) {
    Spectrum s{};
    for (int i = 0; i < 40; ++i)
        s[i] = 1000.0f;  // light only below 380 nm
    const Chromaticity c = Of(s);
    EXPECT_FALSE(c.valid);
    EXPECT_EQ(ChromaticityText(c), "X,Y = -,-");
}

class DiagramPanel : public ::testing::Test {
  protected:
    DiagramPanel() : image(620, 700, QImage::Format_RGB32) {
        path = dir.filePath("xyz.bmp");
        spectrum.fill(1000.0f);
        in.mode = DISPLAY_CHROMATICITY;
        in.deviceCount = 1;
        in.liveSpectra[0] = spectrum;
    }
    void WriteBackground() {
        QImage bg(560, 540, QImage::Format_RGB888);
        bg.fill(kBackground);
        ASSERT_TRUE(bg.save(path, "BMP"));
    }
    void Draw(LiveGraph& g) {
        image.fill(Qt::magenta);
        g.DrawGraph(image, in);
    }
    int Count(QRgb c, int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += image.pixel(x, y) == c;
        return n;
    }

    static constexpr QRgb kBackground = 0xffc8dcf0;
    QTemporaryDir dir;
    QString path;
    Spectrum spectrum;
    GraphInput in;
    QImage image;
};

TEST_F(DiagramPanel, MarkerAndTextOnTheBackground) {
    WriteBackground();
    LiveGraph g(path);
    Draw(g);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));  // panel frame
    EXPECT_EQ(image.pixel(1, 1), kBackground);    // picture at (1, 1), unscaled
    EXPECT_EQ(image.pixel(560, 540), kBackground);
    EXPECT_EQ(image.pixel(561, 300), qRgb(255, 255, 255));
    // The marker lies inside the box (272, 312)-(282, 322): an outlined white circle.
    EXPECT_GT(Count(qRgb(0, 0, 0), 272, 312, 281, 321), 10);
    EXPECT_EQ(image.pixel(277, 317), qRgb(255, 255, 255));
    EXPECT_EQ(Count(qRgb(0, 0, 0), 262, 302, 271, 331), 0);
    EXPECT_EQ(Count(qRgb(0, 0, 0), 282, 302, 292, 331), 0);
    EXPECT_GT(Count(qRgb(0, 0, 0), 400, 3, 520, 20), 10);  // the text
}

TEST_F(DiagramPanel, StoredDisplayUsesTheSelectedRecord) {
    WriteBackground();
    MeasurementDataSet data;
    data.AppendRecord(0);
    data.entry(0, 0).values.fill(1000.0f);
    spectrum.fill(0.0f);  // the live spectrum would give no marker
    in.monitoring = false;
    in.dataSet = &data;
    in.selectedRecord = 0;
    LiveGraph g(path);
    Draw(g);
    EXPECT_GT(Count(qRgb(0, 0, 0), 272, 312, 281, 321), 10);
    in.selectedRecord = 1;  // no such record: background only
    Draw(g);
    EXPECT_EQ(Count(qRgb(0, 0, 0), 272, 312, 281, 321), 0);
}

TEST_F(DiagramPanel, NoLightGivesNoMarker) {
    WriteBackground();
    spectrum.fill(0.0f);
    LiveGraph g(path);
    Draw(g);
    EXPECT_EQ(Count(kBackground, 200, 200, 380, 500), 181 * 301);
    EXPECT_GT(Count(qRgb(0, 0, 0), 400, 3, 520, 20), 10);  // "X,Y = -,-"
}

// Colour needs 380..780 nm: the ultraviolet (190..440) and near-infrared (640..1050 nm)
// devices of a mixed set show "色度: 範囲外" where the "X,Y" text stands, and no marker.
TEST_F(DiagramPanel, DeviceWhoseGridMissesTheVisibleRangeShowsOutOfRange) {
    WriteBackground();
    EXPECT_EQ(OutOfRangeText(), QString::fromUtf8("色度: 範囲外"));
    const WavelengthGrid grids[3] = {{340, 511}, {190, 251}, {640, 411}};
    in.deviceCount = 3;
    for (int d = 0; d < 3; ++d) {
        in.liveGrids[d] = grids[d];
        in.liveSpectra[d] = spectrum;
    }
    QImage expected(image.size(), QImage::Format_RGB32);
    expected.fill(Qt::magenta);
    {
        QPainter p(&expected);
        BeginPanel(p);
        PanelUnicodeText(p, 400, 3, OutOfRangeText());
    }
    const QFontMetrics metrics(PanelFont());
    const QRect text(400, 3, metrics.horizontalAdvance(OutOfRangeText()), metrics.height());
    const auto sameText = [&] {
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x)
                if (image.pixel(x, y) != expected.pixel(x, y))
                    return false;
        return true;
    };
    LiveGraph g(path);
    for (int d : {1, 2}) {
        in.currentDevice = d;
        Draw(g);
        EXPECT_TRUE(sameText()) << d;
        EXPECT_EQ(Count(qRgb(0, 0, 0), 200, 200, 380, 500), 0) << d;  // no marker
    }
    in.currentDevice = 0;
    Draw(g);
    EXPECT_FALSE(sameText());
    EXPECT_GT(Count(qRgb(0, 0, 0), 272, 312, 281, 321), 10);

    // Stored: the grid the data set keeps for the device.
    MeasurementDataSet data;
    data.deviceCount = 3;
    data.SetDeviceGrids({grids[0], grids[1], grids[2]});
    data.AppendRecord(0);
    for (int d = 0; d < 3; ++d)
        data.entry(d, 0).values.fill(1000.0f);
    in.monitoring = false;
    in.dataSet = &data;
    in.selectedRecord = 0;
    in.currentDevice = 2;
    Draw(g);
    EXPECT_TRUE(sameText());
}

TEST_F(DiagramPanel, NoDeviceShowsTheBackgroundOnly) {
    WriteBackground();
    in.deviceCount = 0;
    LiveGraph g(path);
    Draw(g);
    EXPECT_EQ(Count(kBackground, 1, 1, 560, 540), 560 * 540);
}

TEST_F(DiagramPanel, PictureIsKeptAndAMissingOneTriedAgain) {
    LiveGraph g(path);
    Draw(g);  // no file yet: white panel with its frame
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_FALSE(g.chromaticity().backgroundLoaded());
    WriteBackground();
    Draw(g);
    EXPECT_EQ(image.pixel(1, 1), kBackground);
    ASSERT_TRUE(QFile::remove(path));
    Draw(g);  // read once, kept
    EXPECT_EQ(image.pixel(1, 1), kBackground);
}

TEST(ChromaticityBackground, AxesLieOnTheMarkerMapping) {
    EXPECT_DOUBLE_EQ(DiagramPanelColumn(0.0), 88.0);
    EXPECT_DOUBLE_EQ(DiagramPanelColumn(0.7), 485.0);
    EXPECT_DOUBLE_EQ(DiagramPanelRow(0.0), 508.0);
    EXPECT_NEAR(DiagramPanelRow(0.8), 54.0, 1e-9);
    const QImage bg = RenderChromaticityBackground();
    ASSERT_EQ(bg.size(), QSize(kBackgroundWidth, kBackgroundHeight));
    // Shown at (1, 1): panel column 88 is picture column 87, panel row 508 picture row 507.
    const QRgb axis = qRgb(0, 0, 0);
    EXPECT_EQ(bg.pixel(87, 300), axis);   // y axis at x = 0
    EXPECT_EQ(bg.pixel(300, 507), axis);  // x axis at y = 0
    EXPECT_EQ(bg.pixel(484, 509), axis);  // tick at x = 0.7, below the axis
    EXPECT_EQ(bg.pixel(84, 53), axis);    // tick at y = 0.8, left of the axis
    EXPECT_NE(bg.pixel(86, 300), axis);
}

TEST(ChromaticityBackground, InsideColouredOutsideWhite) {
    const QImage bg = RenderChromaticityBackground();
    auto at = [&](double x, double y) {
        return bg.pixel(static_cast<int>(DiagramPanelColumn(x)) - 1,
                        static_cast<int>(DiagramPanelRow(y)) - 1);
    };
    EXPECT_EQ(at(0.65, 0.55), qRgb(255, 255, 255));  // beyond the locus
    const QColor green = QColor::fromRgb(at(0.25, 0.6));
    EXPECT_GT(green.green(), green.red());
    EXPECT_GT(green.green(), green.blue());
    const QColor red = QColor::fromRgb(at(0.6, 0.33));
    EXPECT_GT(red.red(), red.green());
    const QColor blue = QColor::fromRgb(at(0.17, 0.05));
    EXPECT_GT(blue.blue(), blue.green());
}

// The picture beside the program wins (build tree, copied folder); an installed program in
// PREFIX/bin finds it in PREFIX/share/vl-tool.
TEST(ChromaticityBackground, FoundBesideTheProgramThenInTheDataFolder) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.filePath("bin") + "/";
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(prefix.filePath("share/vl-tool")));
    const auto touch = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("BM", 2) == 2;
    };
    // Neither: the path beside the program, as before.
    EXPECT_EQ(ChromaticityBackgroundPath(bin), bin + "xyz.bmp");
    ASSERT_TRUE(touch(prefix.filePath("share/vl-tool/xyz.bmp")));
    EXPECT_EQ(QDir::fromNativeSeparators(ChromaticityBackgroundPath(bin)),
              prefix.filePath("share/vl-tool/xyz.bmp"));
    ASSERT_TRUE(touch(bin + "xyz.bmp"));
    EXPECT_EQ(ChromaticityBackgroundPath(bin), bin + "xyz.bmp");
}
