#include "dialogs/TrendDlg.h"

#include <algorithm>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/TrendColourTask.h"
#include "dialogs/TrendPlotView.h"
#include "dialogs/UserPrompts.h"
#include "display/GraphPalette.h"
#include "export/TrendCsv.h"

namespace {
constexpr int kKinds = 7;
constexpr int kProgressTickMs = 100;

QLineEdit* NumberEdit(int value, QWidget* parent) {
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setValidator(new QIntValidator(-100000, 100000, edit));
    edit->setMaximumWidth(60);
    return edit;
}
}  // namespace

CTrendDlg::CTrendDlg(const MeasurementDataSet& data, UserPrompts& prompts, QWidget* parent,
                     int progressDelayMs)
    : QDialog(parent), data_(data), prompts_(prompts), progressDelayMs_(progressDelayMs) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("トレンド表示"));
    setSizeGripEnabled(true);
    auto* top = new QVBoxLayout(this);

    deviceRow_ = new QHBoxLayout;
    deviceRow_->addWidget(new QLabel(tr("機器:"), this));
    deviceRow_->addStretch();
    top->addLayout(deviceRow_);

    auto* kinds = new QHBoxLayout;
    const char* names[kKinds] = {
        QT_TR_NOOP("強度"), QT_TR_NOOP("バンド平均"), QT_TR_NOOP("ピーク"), "x, y", "u′, v′", "CCT",
        QT_TR_NOOP("温度")};
    nm_ = NumberEdit(550, this);
    bandFrom_ = NumberEdit(500, this);
    bandTo_ = NumberEdit(600, this);
    for (int k = 0; k < kKinds; ++k) {
        auto* box = new QCheckBox(tr(names[k]), this);
        kindBoxes_.push_back(box);
        kinds->addWidget(box);
        if (k == static_cast<int>(TrendKind::Intensity)) {
            kinds->addWidget(nm_);
            kinds->addWidget(new QLabel("nm", this));
        } else if (k == static_cast<int>(TrendKind::BandMean)) {
            kinds->addWidget(bandFrom_);
            kinds->addWidget(new QLabel(QString::fromUtf8("–"), this));
            kinds->addWidget(bandTo_);
            kinds->addWidget(new QLabel("nm", this));
        }
        connect(box, &QCheckBox::toggled, this, &CTrendDlg::Refresh);
    }
    kindBoxes_[static_cast<int>(TrendKind::Intensity)]->setChecked(true);
    kinds->addStretch();
    top->addLayout(kinds);
    for (QLineEdit* e : {nm_, bandFrom_, bandTo_})
        connect(e, &QLineEdit::editingFinished, this, &CTrendDlg::Refresh);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("横軸:"), this));
    axis_ = new QComboBox(this);
    axis_->addItem(tr("時刻"));
    axis_->addItem(tr("レコード番号"));
    connect(axis_, &QComboBox::currentIndexChanged, this, &CTrendDlg::Refresh);
    row->addWidget(axis_);
    row->addStretch();
    auto* csv = saveCsv_ = new QPushButton(tr("CSV 保存..."), this);
    auto* png = savePng_ = new QPushButton(tr("PNG 保存..."), this);
    auto* close = new QPushButton(tr("閉じる"), this);
    for (QPushButton* b : {csv, png, close}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    connect(csv, &QPushButton::clicked, this, &CTrendDlg::SaveCsv);
    connect(png, &QPushButton::clicked, this, &CTrendDlg::SavePng);
    connect(close, &QPushButton::clicked, this, &CTrendDlg::reject);
    top->addLayout(row);

    colourTask_ = new TrendColourTask(this);
    connect(colourTask_, &TrendColourTask::finished, this, &CTrendDlg::ColourDone);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressTickMs);
    connect(progressTimer_, &QTimer::timeout, this, &CTrendDlg::ShowProgress);
    view_ = new TrendPlotView(this);
    top->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3 + 4);
    top->addWidget(status_);
    connect(view_, &TrendPlotView::readoutChanged, this, &CTrendDlg::ShowStatus);
    connect(view_, &TrendPlotView::recordClicked, this, &CTrendDlg::recordChosen);

    resize(900, 640);
    Refresh();
}

CTrendDlg::~CTrendDlg() {
    // Hiding the children as the widget goes would end an edit and call Refresh
    // on what is left of this object.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    colourTask_->Abandon();
}

void CTrendDlg::FollowModel(QAbstractItemModel* model) {
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &CTrendDlg::ScheduleRefresh);
    connect(model, &QAbstractItemModel::modelReset, this, &CTrendDlg::ScheduleRefresh);
}

void CTrendDlg::ScheduleRefresh() {
    // Opening a document fills the list row by row: one refresh for them all,
    // once the data set is complete.
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPending_ = false;
            Refresh();
        },
        Qt::QueuedConnection);
}

QCheckBox* CTrendDlg::deviceBox(int d) const {
    return d >= 0 && d < static_cast<int>(deviceBoxes_.size()) ? deviceBoxes_[d] : nullptr;
}

QCheckBox* CTrendDlg::kindBox(TrendKind kind) const {
    return kindBoxes_[static_cast<std::size_t>(kind)];
}

QString CTrendDlg::statusText() const {
    return status_->text();
}

void CTrendDlg::BuildDeviceBoxes() {
    const int count = std::clamp(data_.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < count; ++d) {
        const QString serial = QString::fromLatin1(data_.serialText[d]);
        const QString label = serial.isEmpty() ? QString::number(d + 1) : serial;
        if (d < static_cast<int>(deviceBoxes_.size())) {
            deviceBoxes_[d]->setText(label);
            continue;
        }
        auto* box = new QCheckBox(label, this);
        box->setChecked(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, GraphPalette::DeviceColour(d));
        box->setPalette(palette);
        deviceRow_->insertWidget(deviceRow_->count() - 1, box);
        connect(box, &QCheckBox::toggled, this, &CTrendDlg::Refresh);
        deviceBoxes_.push_back(box);
    }
    for (int d = 0; d < static_cast<int>(deviceBoxes_.size()); ++d)
        deviceBoxes_[d]->setVisible(d < count);
}

std::vector<TrendRequest> CTrendDlg::Requests(QString& problem) const {
    std::vector<TrendRequest> requests;
    for (int k = 0; k < kKinds; ++k) {
        if (!kindBoxes_[k]->isChecked())
            continue;
        TrendRequest r{static_cast<TrendKind>(k)};
        if (r.kind == TrendKind::Intensity)
            r.from = nm_->text().toInt();
        if (r.kind == TrendKind::BandMean) {
            r.from = bandFrom_->text().toInt();
            r.to = bandTo_->text().toInt();
        }
        if (CheckTrendRequest(r, data_).isEmpty()) {
            requests.push_back(r);
            continue;
        }
        // The other series still show; this one is named in the status line. The choice
        // spans the wavelengths of all devices' grids; each device's series keeps to its own.
        const std::vector<WavelengthGrid> runs = WavelengthRuns(data_);
        const auto onGrid = [&](int nm) {
            return std::any_of(runs.begin(), runs.end(),
                               [nm](const WavelengthGrid& run) { return run.holds(nm); });
        };
        const int outside = onGrid(r.from) ? r.to : r.from;
        if (r.kind == TrendKind::BandMean && r.from > r.to) {
            problem = tr("バンド %1–%2 nm: 始まりが終わりより長い波長です").arg(r.from).arg(r.to);
        } else if (runs.size() == 1) {
            problem = tr("%1 nm は波長の範囲 (%2–%3 nm) の外です")
                          .arg(outside)
                          .arg(runs[0].firstWavelength)
                          .arg(runs[0].lastWavelength());
        } else {
            QStringList ranges;
            for (const WavelengthGrid& run : runs)
                ranges << QString("%1–%2 nm").arg(run.firstWavelength).arg(run.lastWavelength());
            problem = tr("%1 nm はどの機器の波長の範囲 (%2) にもありません")
                          .arg(outside)
                          .arg(ranges.join(", "));
        }
    }
    return requests;
}

void CTrendDlg::Refresh() {
    if (!view_)
        return;  // still being built
    BuildDeviceBoxes();
    problem_.clear();
    const std::vector<TrendRequest> requests = Requests(problem_);
    std::vector<int> devices;
    for (int d = 0; d < std::clamp(data_.deviceCount, 0, MAX_DEVICES); ++d) {
        if (deviceBoxes_[d]->isChecked())
            devices.push_back(d);
    }
    table_ = TrendTable{};
    QString error;
    if (!devices.empty())
        ComputeTrend(data_, requests, devices, table_, error, TrendColourWhen::Later);
    // The colour columns from a copy of the spectra: the data set may change while they are
    // worked out, and a change comes back here to start them again.
    TrendColourInput colour = CopyTrendColourInput(data_, table_, colourTask_->Spare());
    if (SpectraOf(colour) > 0) {
        colourTask_->Start(std::move(colour));
        colourClock_.start();
        progressTimer_->start();
    } else {
        colourTask_->Abandon();
        progressTimer_->stop();
    }
    progress_.clear();
    saveCsv_->setEnabled(!colourTask_->running());
    savePng_->setEnabled(!colourTask_->running());
    shown_.clear();
    for (int c = 0; c < static_cast<int>(table_.columns.size()); ++c)
        shown_.push_back(c);
    Redraw();
    if (problem_.isEmpty() && data_.recordCount == 0)
        problem_ = tr("レコードがありません");
    else if (problem_.isEmpty() && shown_.empty())
        problem_ = tr("機器と系列を選んでください");
    ShowStatus(QString());
}

void CTrendDlg::Redraw() {
    const TrendAxis axis = axis_->currentIndex() == 1 ? TrendAxis::Record : TrendAxis::Time;
    view_->Show(table_, shown_, axis);
}

bool CTrendDlg::colourPending() const {
    return colourTask_->running();
}

void CTrendDlg::ColourDone(std::shared_ptr<const TrendColourInput> input,
                           const TrendColourValues& values) {
    FillTrendColour(table_, *input, values);
    progressTimer_->stop();
    progress_.clear();
    saveCsv_->setEnabled(true);
    savePng_->setEnabled(true);
    Redraw();
    ShowStatus(QString());
}

void CTrendDlg::ShowProgress() {
    if (!colourTask_->running() || colourClock_.elapsed() < progressDelayMs_)
        return;
    const std::size_t total = std::max<std::size_t>(colourTask_->total(), 1);
    const int percent = static_cast<int>(100 * colourTask_->done() / total);
    progress_ = tr("色の系列を計算しています… %1%").arg(percent);
    ShowStatus(QString());
}

void CTrendDlg::ShowStatus(const QString& text) {
    if (!text.isEmpty())
        status_->setText(text);
    else if (problem_.isEmpty() || progress_.isEmpty())
        status_->setText(problem_ + progress_);
    else
        status_->setText(problem_ + '\n' + progress_);
}

void CTrendDlg::SaveCsv() {
    if (colourPending())
        return;  // the colour columns are not in yet
    const QString path = prompts_.savePath(this, "csv file(*.csv)", "csv");
    if (path.isEmpty())
        return;
    const FileResult result = ExportTrendCsv(table_, path);
    problem_ = result.ok ? tr("保存しました: %1").arg(path) : result.message;
    ShowStatus(QString());
}

void CTrendDlg::SavePng() {
    if (colourPending())
        return;
    const QString path = prompts_.savePath(this, "png file(*.png)", "png");
    if (path.isEmpty())
        return;
    const bool ok = view_->plot().Render().save(path, "PNG");
    problem_ = ok ? tr("保存しました: %1").arg(path) : tr("画像の保存に失敗しました: %1").arg(path);
    ShowStatus(QString());
}
