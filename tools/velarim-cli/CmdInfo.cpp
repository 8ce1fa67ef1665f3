// velarim-cli info: detect as the window does, then print the sensor
// information of one device slot, one line each, as the dialog lists them;
// with --csv also write the file its SAVE button writes.

#include <cstdio>
#include <string>
#include <vector>

#include "CliCommand.h"
#include "device/DeviceLink.h"
#include "measure/SensorInfo.h"

namespace {

int Info(CliContext& context) {
    QString error;
    int device = 0;
    QString csv;
    if (!TakeIntOption(context.args, "--device", device, error) ||
        !TakeOption(context.args, "--csv", csv, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail("info: unexpected argument \"" + context.args.first() + "\"");

    std::unique_ptr<PortProvider> ports =
        context.ports.makeProvider(SystemClock::instance(), error);
    if (!ports)
        return Fail(error);
    DeviceLink link(*ports, SystemClock::instance(), context.ports.settleMs);
    const int count = link.DetectSpectrometers();
    std::vector<QByteArray> sensorModels;
    for (int i = 0; i < count; ++i)
        sensorModels.push_back(link.ReadStoredIdentity(i).sensorModel);
    if (count > 0)
        link.SelectSensorProfile(sensorModels);
    if (device < 0 || device >= count)
        return Fail(QString("no device in slot %1").arg(device));

    DeviceSlot& slot = link.slot(device);
    const std::vector<std::string> lines =
        SensorInfoLines(ReadSensorInfo(*slot.handle, slot.bridged, link.profile().pixelCount));
    for (const std::string& line : lines) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);

    if (!csv.isEmpty()) {
        const TextFileResult result = SaveSensorInfoFile(csv, lines);
        if (result != TextFileResult::Written)
            return Fail(TextFileError(result, csv));
    }
    return 0;
}

CliCommandRegistrar reg("info", "info [--device K] [--csv FILE]", Info);
}  // namespace
