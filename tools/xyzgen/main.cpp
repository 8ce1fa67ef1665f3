// xyzgen: writes the chromaticity diagram's background picture (a 24-bit BMP).
// Usage: xyzgen OUTPUT.bmp
#include <cstdio>

#include <QGuiApplication>
#include <QImageWriter>

#include "display/ChromaticityBackground.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xyzgen OUTPUT.bmp\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[1]);
    QImageWriter writer(path, "bmp");
    if (!writer.write(RenderChromaticityBackground())) {
        std::fprintf(stderr, "xyzgen: cannot write %s: %s\n", argv[1],
                     qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
