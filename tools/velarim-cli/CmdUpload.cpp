// velarim-cli upload: detect as the window does, upload the records logged in
// the LX device of one slot and print the upload list's lines; with --csv also
// write the file its save button writes.

#include <cstdio>
#include <string>
#include <vector>

#include "CliCommand.h"
#include "device/DeviceLink.h"
#include "measure/StoredRecordUpload.h"

namespace {

int Upload(CliContext& context) {
    QString error;
    int device = 0;
    QString csv;
    if (!TakeIntOption(context.args, "--device", device, error) ||
        !TakeOption(context.args, "--csv", csv, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail("upload: unexpected argument \"" + context.args.first() + "\"");

    std::unique_ptr<PortProvider> ports =
        context.ports.makeProvider(SystemClock::instance(), error);
    if (!ports)
        return Fail(error);
    DeviceLink link(*ports, SystemClock::instance(), context.ports.settleMs);
    const int count = link.DetectSpectrometers();
    std::vector<QByteArray> sensorModels;
    for (int i = 0; i < count; ++i)
        sensorModels.push_back(link.ReadStoredIdentity(i).sensorModel);
    SensorProfile profile = link.profile();
    if (count > 0)
        profile = link.SelectSensorProfile(sensorModels);
    if (device < 0 || device >= count)
        return Fail(QString("no device in slot %1").arg(device));
    DeviceSlot& slot = link.slot(device);
    if (!slot.isLX)
        return Fail(QString("device in slot %1 is not the LX model").arg(device));

    StoredRecordUpload upload(slot.handle.get());
    upload.RunToEnd();
    for (const StoredRecord& record : upload.records()) {
        const std::string line = StoredRecordListLine(record);
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    if (upload.reportedCount() > upload.total())
        std::fprintf(stderr, "velarim-cli: the device holds %d records; the first %d were read\n",
                     upload.reportedCount(), upload.total());

    if (!csv.isEmpty()) {
        const TextFileResult result = SaveStoredRecordsCsv(
            csv, upload.records(), profile.pointCount, profile.firstWavelength);
        if (result != TextFileResult::Written)
            return Fail(TextFileError(result, csv));
    }
    return 0;
}

CliCommandRegistrar reg("upload", "upload [--device K] [--csv FILE]", Upload);
}  // namespace
