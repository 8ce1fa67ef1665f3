#include "dialogs/InfoDlg.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QPushButton>

#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SaveFailureText.h"

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

    const int pixels = host.deviceLink().profile().pixelCount;
    if (DeviceSlot* slot = CurrentSlot(host))
        info_ = ReadSensorInfo(*slot->handle, slot->bridged, pixels);
    else
        info_.pixelCount = std::clamp(pixels, 1, MAX_PIXELS);
    lines_ = SensorInfoLines(info_);
    for (const std::string& line : lines_)
        list_->addItem(QString::fromLatin1(line));
}

void CInfoDlg::Save() {
    QByteArray serial;
    if (DeviceSlot* slot = CurrentSlot(host_))
        serial = ReadText(*slot->handle, CMD_GET_SERIAL);
    const QString path = host_.askSavePath(this, SensorInfoFileName(serial));
    if (path.isEmpty())
        return;
    const FileSaveResult result = SaveSensorInfoFile(path, lines_);
    if (result != FileSaveResult::Written)
        host_.showMessage(this, SaveFailureText(result, path));
}
