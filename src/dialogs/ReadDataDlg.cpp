#include "dialogs/ReadDataDlg.h"

#include <array>

#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/ImagePanel.h"
#include "dialogs/SaveFailureText.h"
#include "display/GraphPalette.h"
#include "display/LoggedRecordGraph.h"

namespace {
// One point of the curve is one pixel across: the panel is made wide enough
// for the 340-850 nm grid and its margins (55 + 530 + 35 pixels).
constexpr DialogUnits kUnits{2.2, 2.0};

std::shared_ptr<PortChannel> PortOf(DialogHost& host, int slot) {
    if (slot < 0 || slot >= MAX_DEVICES)
        return nullptr;
    return host.deviceLink().slot(slot).channel;
}
}  // namespace

CReadDataDlg::CReadDataDlg(DialogHost& host, QWidget* parent, int progressDelayMs)
    : QDialog(parent),
      host_(host),
      upload_(std::make_shared<LoggedRecordUpload>(nullptr)),
      progressDelayMs_(progressDelayMs),
      palette_(std::make_unique<GraphPalette>()) {
    setObjectName("140");
    setWindowTitle("Read Data From Velarim LX");
    setFixedSize(kUnits.size(389, 176));
    panel_ = kUnits.place(new ImagePanel(this), 1047, 7, 7, 290, 162);
    list_ = kUnits.place(new QListWidget(this), 1046, 302, 7, 80, 145);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* save =
        kUnits.place(new QPushButton(tr("CSVファイルへ保存"), this), 1017, 307, 155, 67, 14);
    save->setAutoDefault(false);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            DrawLoggedRecord(row);
    });
    connect(save, &QPushButton::clicked, this, &CReadDataDlg::SaveLoggedRecordsCsv);
}

CReadDataDlg::~CReadDataDlg() {
    // Nobody is left to see the rest: the port's work ends after the record
    // being read, and then the device's port is given back.
    upload_->requestStop();
}

int CReadDataDlg::exec() {
    if (!uploaded_)
        RunUpload(true);
    return QDialog::exec();
}

void CReadDataDlg::RunUpload(bool withProgress) {
    uploaded_ = true;
    uploadDone_ = false;
    list_->clear();
    const int slot = host_.currentDevice();
    std::shared_ptr<PortChannel> port = PortOf(host_, slot);
    if (!port) {
        upload_ = std::make_shared<LoggedRecordUpload>(nullptr);
        upload_->Begin();
        ShowUploaded();
        return;
    }
    // Only this device's port is taken: no monitoring exchange falls between
    // the count and the last record, and the other devices go on meanwhile.
    // A tick's exchange already on the port is simply finished first.
    host_.holdDevice(slot);
    QPointer<CReadDataDlg> self(this);
    DialogHost& host = host_;  // outlives its dialogs
    auto end = [self, &host, slot] {
        host.releaseDevice(slot);
        if (self)
            self->ShowUploaded();
    };
    // The count first; then every record in one piece of port work that
    // a cancel ends after the record being read.
    Ask<std::shared_ptr<LoggedRecordUpload>>(
        *port,
        [](PortAccess& access) {
            auto upload = std::make_shared<LoggedRecordUpload>(access.transport());
            upload->Begin();
            return upload;
        },
        // The channel is looked up again, never held by its own work.
        [this, self, &host, slot, withProgress, end](std::shared_ptr<LoggedRecordUpload> upload) {
            std::shared_ptr<PortChannel> port = self ? PortOf(host, slot) : nullptr;
            if (!port) {
                end();
                return;
            }
            upload_ = upload;
            const int total = upload->total();
            QProgressDialog* progress = nullptr;
            QTimer* poll = nullptr;
            if (withProgress && total > 0) {
                progress = new QProgressDialog(tr("データ吸い上げ中 %1 / %2").arg(0).arg(total),
                                               tr("キャンセル"), 0, total, parentWidget());
                progress->setWindowTitle("VL_Tool");
                progress->setWindowModality(Qt::WindowModal);
                if (progressDelayMs_ >= 0)
                    progress->setMinimumDuration(progressDelayMs_);
                progress->setValue(0);
                connect(progress, &QProgressDialog::canceled, this,
                        [upload] { upload->requestStop(); });
                poll = new QTimer(this);
                connect(poll, &QTimer::timeout, progress, [progress, upload, total] {
                    if (progress->wasCanceled())
                        upload->requestStop();
                    const int k = upload->progress();
                    progress->setLabelText(tr("データ吸い上げ中 %1 / %2").arg(k).arg(total));
                    progress->setValue(k);
                });
                poll->start(50);
            }
            QPointer<QProgressDialog> shown(progress);
            port->post([upload](PortAccess&) { upload->StepToEnd(); },
                       [this, self, upload, shown, poll, end] {
                           if (self) {
                               cancelled_ = upload->stopRequested() && !upload->done();
                               delete poll;
                           }
                           delete shown.data();
                           end();
                       });
        });
}

void CReadDataDlg::ShowUploaded() {
    list_->clear();
    for (const LoggedRecord& record : upload_->records())
        list_->addItem(QString::fromLatin1(LoggedRecordListLine(record)));
    // The first record is drawn, and shown as the one chosen, from the start.
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    uploadDone_ = true;
}

void CReadDataDlg::DrawLoggedRecord(int k) {
    if (k < 0 || k >= upload_->uploadedCount())
        return;
    const LoggedRecord& record = upload_->records()[std::size_t(k)];
    std::array<float, MAX_POINTS> spectrum{};
    for (int i = 0; i < int(MAX_POINTS); ++i)
        spectrum[std::size_t(i)] = record.spectrum(i);
    const MeasurementDataSet& data = host_.dataSet();
    LoggedRecordInput in;
    in.spectrum = spectrum;
    // The LX device's own grid: its records come on it.
    const SensorProfile& profile = host_.deviceLink().profile(host_.currentDevice());
    in.pointCount = profile.pointCount;
    in.firstWavelength = profile.firstWavelength;
    in.nirSensor = profile.nirSensor;
    in.graphMax = host_.graphMax();
    in.graphMin = host_.graphMin();
    in.deviceCount = data.deviceCount;
    in.currentDevice = host_.currentDevice();
    QImage& image = panel_->canvas();
    {
        QPainter painter(&image);
        ::DrawLoggedRecord(painter, image.size(), in, *palette_);
    }
    panel_->update();
}

void CReadDataDlg::SaveLoggedRecordsCsv() {
    const QString path = host_.askSavePath(this, QString());
    if (path.isEmpty())
        return;
    const SensorProfile& profile = host_.deviceLink().profile(host_.currentDevice());
    const FileResult result = ::SaveLoggedRecordsCsv(path, upload_->records(), profile.pointCount,
                                                     profile.firstWavelength);
    if (!result.ok)
        host_.showMessage(this, SaveFailureText(result, path));
}
