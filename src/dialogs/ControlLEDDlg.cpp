#include "dialogs/ControlLEDDlg.h"

#include <ctime>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "dialogs/ImagePanel.h"
#include "dialogs/NumberEdit.h"
#include "display/GraphPalette.h"
#include "display/LedMonitorPlot.h"
#include "viewlogic/PlanScheduler.h"

namespace {

template <typename W>
W* Place(W* widget, int id, int x, int y, int w, int h) {
    if (id != 0)
        widget->setObjectName(QString::number(id));
    widget->setGeometry(x, y, w, h);
    return widget;
}

LedMonitorSources SourcesOf(DialogHost& host) {
    DeviceLink& link = host.deviceLink();
    // The first device's live spectrum on its own grid.
    return {link.led(),
            [&link] {
                const auto points =
                    std::size_t(std::clamp<int>(link.profile(0).pointCount, 0, MAX_POINTS));
                return std::span<const float>(link.slot(0).spectrum.data(), points);
            },
            [&link] { return int(link.profile(0).firstWavelength); },
            [&host](bool on) { host.setLedCheckBox(on); },
            [&host] {
                const WavelengthGrid g = host.deviceLink().profile(host.currentDevice()).grid();
                return std::pair<int, int>(g.firstWavelength, g.lastWavelength());
            }};
}

}  // namespace

CControlLEDDlg::CControlLEDDlg(DialogHost& host, QWidget* parent)
    : QDialog(parent),
      host_(host),
      monitor_(std::make_unique<LedMonitor>(host.settings(), host.clock(), SourcesOf(host))),
      palette_(std::make_unique<GraphPalette>()) {
    setObjectName("136");
    setWindowTitle("Full Spectrum LED Control");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    // A 585-pixel panel leaves a 470-pixel plot: 235 samples, about two minutes.
    panel_ = Place(new ImagePanel(this), 1042, 32, 100, 585, 670);
    Place(new QLabel(tr("【LED制御】"), this), 0, 32, 14, 200, 20);
    ledButton_ = Place(new QPushButton("LED ON/OFF", this), 1043, 32, 42, 150, 36);
    monitorBox_ = Place(new QCheckBox(tr("データモニター"), this), 1044, 200, 14, 150, 20);
    monitorBox_->setVisible(false);
    wave1_ = Place(new QLineEdit(this), 1045, 220, 48, 60, 24);
    // Each edit's caption in the colour of its curve (the first two device colours).
    auto* caption1 = Place(new QLabel(tr("nm(青)"), this), 0, 286, 50, 60, 20);
    wave2_ = Place(new QLineEdit(this), 1046, 370, 48, 60, 24);
    auto* caption2 = Place(new QLabel(tr("nm(朱)"), this), 0, 436, 50, 60, 20);
    for (int i = 0; i < 2; ++i) {
        QLabel* caption = i == 0 ? caption1 : caption2;
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, GraphPalette::DeviceColour(i));
        caption->setPalette(palette);
    }
    // A refused wavelength is told under its edit, small and in red.
    wave1Notice_ = Place(new QLabel(this), 0, 220, 74, 145, 22);
    wave2Notice_ = Place(new QLabel(this), 0, 370, 74, 145, 22);
    for (QLabel* notice : {wave1Notice_, wave2Notice_}) {
        notice->setObjectName(notice == wave1Notice_ ? "wave1Notice" : "wave2Notice");
        QFont font = notice->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        notice->setFont(font);
        QPalette palette = notice->palette();
        palette.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
        notice->setPalette(palette);
    }
    for (QLineEdit* edit : {wave1_, wave2_})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            ReadControls();
            monitor_->CheckWavelengths();
            ShowNotices();
        });
    AcceptWholeNumbersOnly(wave1_, NumberSign::Unsigned);
    AcceptWholeNumbersOnly(wave2_, NumberSign::Unsigned);
    ledButton_->setAutoDefault(false);

    connect(ledButton_, &QPushButton::clicked, this, &CControlLEDDlg::OnLedButton);
    connect(monitorBox_, &QCheckBox::clicked, this, [this] {
        monitor_->MonitorBoxClicked();
        ShowControls();
    });

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { OnTimer(); });

    // Initialisation.
    const int first = monitor_->Initialise();
    ShowControls();
    timer_->start(first);
    const LedDialogPlace place = LedDialogPlace::Read(host.settings());
    move(place.left, place.top);
    FitFrameToFixedSize();
}

void CControlLEDDlg::FitFrameToFixedSize() {
    // Frame margins: what the frame adds around the client area (none before
    // the dialog is shown, none on platforms without window decorations).
    const QSize margins = frameGeometry().size() - geometry().size();
    const QSize client = QSize(kWidth, kHeight) - margins;
    if (minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
}

void CControlLEDDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FitFrameToFixedSize();
}

void CControlLEDDlg::moveEvent(QMoveEvent* event) {
    // The window manager's frame arrives after the dialog is mapped; a move
    // follows it.
    QDialog::moveEvent(event);
    FitFrameToFixedSize();
}

CControlLEDDlg::~CControlLEDDlg() {
    host_.ledDialogClosed();
}

void CControlLEDDlg::ReadControls() {
    LedMonitorControls& c = monitor_->controls();
    c.wave1Text = wave1_->text();
    c.wave2Text = wave2_->text();
    c.monitorChecked = monitorBox_->isChecked();
}

void CControlLEDDlg::ShowControls() {
    const LedMonitorControls& c = monitor_->controls();
    ledButton_->setText(c.buttonText);
    wave1_->setText(c.wave1Text);
    wave2_->setText(c.wave2Text);
    wave1_->setEnabled(c.wavesEnabled);
    wave2_->setEnabled(c.wavesEnabled);
    monitorBox_->setChecked(c.monitorChecked);
    ShowNotices();
}

void CControlLEDDlg::OnLedButton() {
    ReadControls();
    monitor_->LedButton();
    ShowControls();
}

void CControlLEDDlg::ShowNotices() {
    wave1Notice_->setText(monitor_->controls().wave1Notice);
    wave2Notice_->setText(monitor_->controls().wave2Notice);
}

int CControlLEDDlg::OnTimer() {
    timer_->stop();
    const int delay = monitor_->Tick(LedPlotCapacity(panel_->width()));
    ledButton_->setText(monitor_->controls().buttonText);
    Draw();
    timer_->start(delay);
    return delay;
}

void CControlLEDDlg::Draw() {
    const std::tm tm = PlanLocalTime(host_.clock().nowSeconds());
    char date[32] = {};
    std::strftime(date, sizeof date, "%Y/%m/%d %H:%M:%S", &tm);
    const LedUnit& led = host_.deviceLink().led();
    LedPlotInput in;
    in.temperature = monitor_->temperatures();
    in.intensity1 = monitor_->intensities1();
    in.intensity2 = monitor_->intensities2();
    in.count = monitor_->count();
    in.dateText = date;
    in.label = std::string_view(led.label.constData(), std::size_t(led.label.size()));
    in.currentTemperature = led.temperature;
    QImage& image = panel_->canvas();
    {
        QPainter painter(&image);
        DrawLedMonitor(painter, image.size(), in, *palette_);
    }
    panel_->update();
}

void CControlLEDDlg::reject() {
    if (!placeStored_) {
        placeStored_ = true;
        const QRect r = frameGeometry();
        LedDialogPlace::Write(host_.settings(), r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    }
    timer_->stop();
    QDialog::reject();
    deleteLater();
}
