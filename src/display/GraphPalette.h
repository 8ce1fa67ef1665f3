#pragma once

#include <array>

#include <QColor>
#include <QPen>

#include "device/DeviceSlot.h"

// One row of the wavelength colour table: wavelength and components as fractions 0..1.
struct WavelengthColour {
    int wavelength;
    double red;
    double green;
    double blue;
};
inline constexpr int kWavelengthColourRows = 72;  // 340..1050 nm at 10 nm
const std::array<WavelengthColour, kWavelengthColourRows>& WavelengthColourTable();

// Pen component of a fraction: fraction * 255 truncated (1.0 gives 255).
int PenComponent(double fraction);

inline constexpr int kWavelengthPens = 511;

// The graph's drawing objects, made once and only selected while drawing.
class GraphPalette {
  public:
    GraphPalette();

    // d 0..9: the one palette of the devices, for the graph, the LED monitor plot and the
    // trend window alike; ten colours told apart also with the common colour-vision
    // deficiencies, none lighter than 3:1 against white.
    static QColor DeviceColour(int d);
    const QPen& devicePen(int d, bool wide) const { return wide ? wide_[d] : thin_[d]; }
    const QPen& gridPen() const { return grid_; }
    const QPen& framePen() const { return frame_; }  // default black pen of width 1
    // Pen i (0..510): colour of the 10-nm band of 340 + i nm.
    const QPen& wavelengthPen(int i) const { return wavelength_[i]; }
    QColor wavelengthColour(int i) const { return wavelengthColour_[i]; }

  private:
    std::array<QPen, MAX_DEVICES> thin_;
    std::array<QPen, MAX_DEVICES> wide_;
    QPen grid_;
    QPen frame_;
    std::array<QPen, kWavelengthPens> wavelength_;
    std::array<QColor, kWavelengthPens> wavelengthColour_;
};
