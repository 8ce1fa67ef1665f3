// velarim-cli color: detect as the window does, read one live spectrum of a device slot and
// print its colour metrics as key=value lines (x, y, u_prime, v_prime, cct_K, duv, dominant_nm,
// purity, peak_nm, centroid_nm, fwhm_nm; "nan" where the spectrum leaves a value undefined). A
// device whose grid does not span 380..780 nm has no colour: "nan" for x through purity.

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "CliLink.h"
#include "data/ColourMetrics.h"
#include "device/DeviceOperations.h"

namespace {

int Color(CliContext& context) {
    QString error;
    int device = 0;
    if (!TakeIntOption(context.args, "--device", device, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail(UnexpectedArgument("color", context.args.first()));

    CliLink cli;
    if (!OpenCliLink(context, cli, error))
        return Fail(error);
    DeviceSlot* found = CliDeviceSlot(cli, device, error);
    if (!found)
        return Fail(error);

    DeviceSlot& slot = *found;
    const SensorProfile& profile = cli.link->profile(device);
    const LiveReading live = AskAndWait<LiveReading>(
        *slot.channel, [bridged = slot.bridged, points = profile.pointCount](PortAccess& port) {
            return port.transport() ? ReadLiveData(*port.transport(), bridged, points)
                                    : LiveReading{};
        });
    if (!live.spectrumRead)
        return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                              "スロット %1 の装置からスペクトルを読めません"))
                        .arg(device));
    slot.spectrum = live.spectrum;

    const ColourMetrics metrics = DeviceColourMetrics(std::span<const float>(slot.spectrum),
                                                      profile.pointCount, profile.firstWavelength);
    for (const std::string& line : ColourMetricsLines(metrics)) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return 0;
}

CliCommandRegistrar reg("color", "color [--device K]", Color);
}  // namespace
