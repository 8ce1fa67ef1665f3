// velarim-cli info: detect as the window does, then print the sensor
// information of one device slot, one line each, as the dialog lists them;
// with --csv also write the file its SAVE button writes.

#include <cstdio>
#include <string>
#include <vector>

#include "CliLink.h"
#include "session/SensorInfo.h"

namespace {

int Info(CliContext& context) {
    QString error;
    int device = 0;
    QString csv;
    if (!TakeIntOption(context.args, "--device", device, error) ||
        !TakeOption(context.args, "--csv", csv, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail(UnexpectedArgument("info", context.args.first()));

    CliLink cli;
    if (!OpenCliLink(context, cli, error))
        return Fail(error);
    DeviceSlot* found = CliDeviceSlot(cli, device, error);
    if (!found)
        return Fail(error);

    DeviceSlot& slot = *found;
    const SensorInfo info = AskAndWait<SensorInfo>(
        *slot.channel,
        [bridged = slot.bridged, pixels = cli.link->profile(device).pixelCount](PortAccess& port) {
            return port.transport() ? ReadSensorInfo(*port.transport(), bridged, pixels)
                                    : SensorInfo{};
        });
    const std::vector<std::string> lines = SensorInfoLines(info);
    for (const std::string& line : lines) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);

    if (!csv.isEmpty()) {
        const FileResult result = SaveSensorInfoFile(csv, lines);
        if (!result.ok)
            return Fail(result.message);
    }
    return 0;
}

CliCommandRegistrar reg("info", "info [--device K] [--csv FILE]", Info);
}  // namespace
