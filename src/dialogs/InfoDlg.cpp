#include "dialogs/InfoDlg.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SaveFailureText.h"
#include "session/OperationQueue.h"

namespace {
constexpr DialogUnits kUnits;

DeviceSlot* CurrentSlot(DialogHost& host) {
    const int c = host.currentDevice();
    if (c < 0 || c >= MAX_DEVICES)
        return nullptr;
    DeviceSlot& slot = host.deviceLink().slot(c);
    return slot.isOpen() ? &slot : nullptr;
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
    QPointer<CInfoDlg> self(this);
    host.operations().Run([self, &host](OperationQueue::Finished finished) {
        const int pixels = host.deviceLink().profile(host.currentDevice()).pixelCount;
        DeviceSlot* slot = CurrentSlot(host);
        if (!slot) {
            SensorInfo none;
            none.pixelCount = std::clamp(pixels, 1, MAX_PIXELS);
            if (self)
                self->Show(none);
            finished();
            return;
        }
        Ask<SensorInfo>(
            *slot->channel,
            [bridged = slot->bridged, pixels](PortAccess& port) {
                if (port.transport())
                    return ReadSensorInfo(*port.transport(), bridged, pixels);
                SensorInfo none;
                none.pixelCount = std::clamp(pixels, 1, MAX_PIXELS);
                return none;
            },
            [self, finished](SensorInfo info) {
                if (self)
                    self->Show(info);
                finished();
            });
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
    DialogHost& host = host_;
    host.operations().Run([self, &host](OperationQueue::Finished finished) {
        DeviceSlot* slot = CurrentSlot(host);
        if (!slot) {
            finished();
            if (self)
                self->SaveAs({});
            return;
        }
        Ask<QByteArray>(
            *slot->channel,
            [](PortAccess& port) {
                return port.transport() ? ReadText(*port.transport(), CMD_GET_SERIAL)
                                        : QByteArray();
            },
            [self, finished](QByteArray serial) {
                finished();
                if (self)
                    self->SaveAs(serial);
            });
    });
}

void CInfoDlg::SaveAs(const QByteArray& serial) {
    const QString path = host_.askSavePath(this, SensorInfoFileName(serial));
    if (path.isEmpty())
        return;
    const FileSaveResult result = SaveSensorInfoFile(path, lines_);
    if (result != FileSaveResult::Written)
        host_.showMessage(this, SaveFailureText(result, path));
}
