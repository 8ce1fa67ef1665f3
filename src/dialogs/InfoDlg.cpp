#include "dialogs/InfoDlg.h"

#include <optional>

#include <QFontDatabase>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SaveFailureText.h"

namespace {
constexpr DialogUnits kUnits;

DeviceSlot* OpenSlot(DialogHost& host, int s) {
    if (s < 0 || s >= MAX_DEVICES)
        return nullptr;
    DeviceSlot& slot = host.deviceLink().slot(s);
    return slot.isOpen() ? &slot : nullptr;
}

// Runs `work` on the slot's own channel with that device's port held for it
// (the ticks go on with the other devices), then `done(result)` with the port
// given back; done(nullopt) at once when no device is in the slot.
template <class Result, class WorkFn, class DoneFn>
void ReadOnDevicePort(DialogHost& host, int slot, WorkFn work, DoneFn done) {
    DeviceSlot* device = OpenSlot(host, slot);
    if (!device) {
        done(std::optional<Result>());
        return;
    }
    host.holdDevice(slot);
    Ask<Result>(*device->channel, std::move(work),
                [&host, slot, done = std::move(done)](Result result) {
                    host.releaseDevice(slot);
                    done(std::optional<Result>(std::move(result)));
                });
}
}  // namespace

CInfoDlg::CInfoDlg(DialogHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("134");
    setWindowTitle("Sensor Information");
    setFixedSize(kUnits.size(310, 283));
    list_ = kUnits.place(new QListWidget(this), 1041, 7, 7, 296, 252);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));  // columns line up
    auto* save = kUnits.place(new QPushButton("SAVE", this), 1018, 122, 261, 44, 15);
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, &CInfoDlg::Save);

    list_->addItem(tr("読み込み中…"));
    const int slot = host.currentDevice();
    const int pixels = host.deviceLink().profile(slot).pixelCount;
    QPointer<CInfoDlg> self(this);
    ReadOnDevicePort<SensorInfo>(
        host, slot,
        [bridged = OpenSlot(host, slot) && OpenSlot(host, slot)->bridged,
         pixels](PortAccess& port) {
            if (port.transport())
                return ReadSensorInfo(*port.transport(), bridged, pixels);
            SensorInfo none;
            none.pixelCount = std::clamp(pixels, 1, MAX_PIXELS);
            return none;
        },
        [self, pixels](std::optional<SensorInfo> info) {
            if (!info) {  // no device there
                info.emplace();
                info->pixelCount = std::clamp(pixels, 1, MAX_PIXELS);
            }
            if (self)
                self->Show(*info);
        });
}

void CInfoDlg::Show(const SensorInfo& info) {
    info_ = info;
    lines_ = SensorInfoLines(info_);
    list_->clear();
    for (const std::string& line : lines_)
        list_->addItem(QString::fromLatin1(line));
    loaded_ = true;
}

void CInfoDlg::Save() {
    // The serial is read afresh for the file name; the prompt comes after the
    // read, so the ticks go on while it is open.
    QPointer<CInfoDlg> self(this);
    ReadOnDevicePort<QByteArray>(
        host_, host_.currentDevice(),
        [](PortAccess& port) {
            return port.transport() ? ReadText(*port.transport(), CMD_GET_SERIAL) : QByteArray();
        },
        [self](std::optional<QByteArray> serial) {
            if (self)
                self->SaveAs(serial.value_or(QByteArray()));
        });
}

void CInfoDlg::SaveAs(const QByteArray& serial) {
    const QString path = host_.askSavePath(this, SensorInfoFileName(serial));
    if (path.isEmpty())
        return;
    const FileResult result = SaveSensorInfoFile(path, lines_);
    if (!result.ok)
        host_.showMessage(this, SaveFailureText(result, path));
}
