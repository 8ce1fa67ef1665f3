// velarim-cli upload: detect as the window does, upload the records logged in
// the LX device of one slot and print the upload list's lines; with --csv also
// write the file its save button writes.

#include <cstdio>
#include <string>
#include <vector>

#include "CliLink.h"
#include "session/LoggedRecordUpload.h"

namespace {

int Upload(CliContext& context) {
    QString error;
    int device = 0;
    QString csv;
    if (!TakeIntOption(context.args, "--device", device, error) ||
        !TakeOption(context.args, "--csv", csv, error))
        return Fail(error);
    if (!context.args.isEmpty())
        return Fail(UnexpectedArgument("upload", context.args.first()));

    CliLink cli;
    if (!OpenCliLink(context, cli, error))
        return Fail(error);
    DeviceSlot* found = CliDeviceSlot(cli, device, error);
    if (!found)
        return Fail(error);
    const SensorProfile profile = cli.link->profile(device);
    DeviceSlot& slot = *found;
    if (!slot.isLX)
        return Fail(
            CliText(QT_TRANSLATE_NOOP("velarim-cli", "スロット %1 の装置は LX 型ではありません"))
                .arg(device));

    // The whole upload runs on the device's own thread, as in the window.
    std::shared_ptr<LoggedRecordUpload> uploaded;
    WaitFor([&](std::function<void()> done) {
        slot.channel->post(
            [&uploaded](PortAccess& port) {
                uploaded = std::make_shared<LoggedRecordUpload>(port.transport());
                uploaded->RunToEnd();
            },
            done);
    });
    const LoggedRecordUpload& upload = *uploaded;
    for (const LoggedRecord& record : upload.records()) {
        const std::string line = LoggedRecordListLine(record);
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    if (upload.reportedCount() > upload.total()) {
        const QString notice =
            CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                      "装置には %1 件の記録があります。最初の %2 件を読みました"))
                .arg(upload.reportedCount())
                .arg(upload.total());
        std::fprintf(stderr, "velarim-cli: %s\n", notice.toUtf8().constData());
    }

    if (!csv.isEmpty()) {
        const FileResult result = SaveLoggedRecordsCsv(csv, upload.records(), profile.pointCount,
                                                       profile.firstWavelength);
        if (!result.ok)
            return Fail(result.message);
    }
    return 0;
}

CliCommandRegistrar reg("upload", "upload [--device K] [--csv FILE]", Upload);
}  // namespace
