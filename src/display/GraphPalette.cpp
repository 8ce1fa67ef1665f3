#include "display/GraphPalette.h"

namespace {

// Rows not listed here (340..370 nm, 780..1050 nm) are black.
struct Listed {
    int nm;
    double r, g, b;
};
constexpr Listed kListed[] = {
    {380, 0.06076, 0, 0.11058}, {390, 0.087, 0, 0.1679},    {400, 0.13772, 0, 0.26354},
    {410, 0.20707, 0, 0.39852}, {420, 0.31129, 0, 0.60684}, {430, 0.3993, 0, 0.80505},
    {440, 0.40542, 0, 0.87684}, {450, 0.34444, 0, 0.8808},  {460, 0.11139, 0, 0.86037},
    {470, 0, 0.15233, 0.77928}, {480, 0, 0.3855, 0.65217},  {490, 0, 0.49412, 0.51919},
    {500, 0, 0.59271, 0.40008}, {510, 0, 0.69549, 0.25749}, {520, 0, 0.77773, 0},
    {530, 0, 0.81692, 0},       {540, 0, 0.82625, 0},       {550, 0, 0.81204, 0},
    {560, 0.47369, 0.77626, 0}, {570, 0.70174, 0.71523, 0}, {580, 0.84922, 0.62468, 0},
    {590, 0.94726, 0.49713, 0}, {600, 0.99803, 0.31072, 0}, {610, 1, 0, 0},
    {620, 0.9552, 0, 0},        {630, 0.8662, 0, 0},        {640, 0.7617, 0, 0},
    {650, 0.64495, 0, 0},       {660, 0.52857, 0, 0},       {670, 0.41817, 0, 0},
    {680, 0.33202, 0, 0},       {690, 0.25409, 0, 0},       {700, 0.19695, 0, 0},
    {710, 0.15326, 0, 0},       {720, 0.11902, 0, 0},       {730, 0.09063, 0, 0},
    {740, 0.06898, 0, 0},       {750, 0.0515, 0, 0},        {760, 0.04264, 0, 0},
    {770, 0.03666, 0, 0.00794},
};

std::array<WavelengthColour, kWavelengthColourRows> BuildTable() {
    std::array<WavelengthColour, kWavelengthColourRows> t{};
    for (int k = 0; k < kWavelengthColourRows; ++k)
        t[k] = {340 + 10 * k, 0, 0, 0};
    for (const Listed& l : kListed)
        t[(l.nm - 340) / 10] = {l.nm, l.r, l.g, l.b};
    return t;
}

// Okabe and Ito's colours, which stay apart for the common colour-vision deficiencies, with
// the light ones darkened to a contrast of at least 3:1 on the white panel (orange, sky blue,
// yellow; black as dark grey, apart from the frame), and Tol's indigo and wine for ten.
constexpr QRgb kDeviceRgb[MAX_DEVICES] = {
    0x0072B2,  // blue
    0xD55E00,  // vermillion
    0x009E73,  // bluish green
    0xCC79A7,  // reddish purple
    0xB87F00,  // orange, darkened from #E69F00
    0x2C8DAA,  // sky blue, darkened from #56B4E9 and apart from the blue
    0x8F8700,  // yellow, darkened from #F0E442
    0x4D4D4D,  // dark grey in place of black
    0x332288,  // indigo
    0x882255,  // wine
};

QPen SolidPen(const QColor& c, int width) {
    QPen pen(c);
    pen.setWidth(width);
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::BevelJoin);
    pen.setCosmetic(width == 1);  // one device pixel whatever the painter's transform
    return pen;
}

}  // namespace

const std::array<WavelengthColour, kWavelengthColourRows>& WavelengthColourTable() {
    static const std::array<WavelengthColour, kWavelengthColourRows> table = BuildTable();
    return table;
}

int PenComponent(double fraction) {
    return static_cast<int>(fraction * 255.0);
}

QColor GraphPalette::DeviceColour(int d) {
    return QColor(kDeviceRgb[d]);
}

GraphPalette::GraphPalette() {
    for (int d = 0; d < MAX_DEVICES; ++d) {
        thin_[d] = SolidPen(DeviceColour(d), 1);
        wide_[d] = SolidPen(DeviceColour(d), 3);
    }
    grid_ = SolidPen(QColor(192, 192, 192), 1);
    frame_ = SolidPen(QColor(0, 0, 0), 1);
    const auto& table = WavelengthColourTable();
    for (int i = 0; i < kWavelengthPens; ++i) {
        const WavelengthColour& row = table[i / 10];
        wavelengthColour_[i] =
            QColor(PenComponent(row.red), PenComponent(row.green), PenComponent(row.blue));
        wavelength_[i] = SolidPen(wavelengthColour_[i], 1);
    }
}
