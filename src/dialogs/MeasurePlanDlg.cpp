#include "dialogs/MeasurePlanDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimer>

#include "device/Clock.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/NumberEdit.h"

namespace {
constexpr DialogUnits kUnits;

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(kUnits.rect(x, y, w, h + 2));
    return label;
}
}  // namespace

CMeasurePlanDlg::CMeasurePlanDlg(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), plan_(host.plan()) {
    setObjectName("132");
    setWindowTitle("Dialog");
    setFixedSize(kUnits.size(165, 206));
    BuildControls();

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &CMeasurePlanDlg::OnTimer);
    // Closed, the dialog only stops showing: the plan runs on. What the user
    // left in the controls becomes the plan's settings.
    connect(this, &QDialog::finished, this, [this] {
        timer_->stop();
        ReadControls();
        plan_.TakeControls();
    });
    timer_->start(kTickMs);

    // A running plan is shown as it runs; a stopped one from its settings.
    if (!plan_.running())
        plan_.Initialise();
    ShowControls();
    clock_->setText(plan_.controls().clockText);
    ShowFolder(host_.planFolder());
    ShowState();
}

void CMeasurePlanDlg::ShowFolder(const QString& folder) {
    folderText_ = tr("保存先: %1").arg(folder);
    folder_->setToolTip(folderText_);
    // A long path keeps its start and its end.
    folder_->setText(
        folder_->fontMetrics().elidedText(folderText_, Qt::ElideMiddle, folder_->width()));
}

void CMeasurePlanDlg::ShowState() {
    QStringList lines{host_.planFileNotice(), host_.dataSetFullNotice()};
    lines.removeAll(QString());
    const QString notice = lines.join('\n');
    if (notice != notice_->text()) {
        notice_->setText(notice);
        notice_->setToolTip(notice);
    }
    const QString status = plan_.running() ? host_.planStatus() : tr("停止中");
    if (status != status_->text()) {
        status_->setText(status);
        status_->setToolTip(status);
    }
    // Stopped from the status bar, or started elsewhere: the buttons follow.
    if (plan_.running() != shownRunning_) {
        ReadControls();
        plan_.UpdateControls();
        ShowControls();
    }
}

QString CMeasurePlanDlg::statusText() const {
    return status_->text();
}

QString CMeasurePlanDlg::folderText() const {
    return folderText_;
}

QString CMeasurePlanDlg::noticeText() const {
    return notice_->text();
}

CMeasurePlanDlg::~CMeasurePlanDlg() = default;

void CMeasurePlanDlg::BuildControls() {
    Label(this, tr("【　分単位での計測　】"), 21, 7, 89, 8);
    clock_ = kUnits.place(new QLabel("--/--/-- --:--:--", this), 1026, 26, 20, 86, 10);
    scheduled_ = kUnits.place(new QRadioButton(tr("定時測定"), this), 1027, 14, 33, 48, 10);
    interval_ = kUnits.place(new QRadioButton(tr("インターバル測定"), this), 1028, 14, 47, 80, 10);
    auto* group = new QButtonGroup(this);
    group->addButton(scheduled_);
    group->addButton(interval_);
    schedule_ = kUnits.place(new QComboBox(this), 1029, 103, 32, 52, 12);
    schedule_->setEditable(true);
    schedule_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* text : kScheduleTexts)
        schedule_->addItem(QCoreApplication::translate("PlanScheduler", text));
    intervalEdit_ = kUnits.place(new QLineEdit(this), 1030, 103, 46, 34, 12);
    AcceptWholeNumbersOnly(intervalEdit_, NumberSign::Unsigned);
    Label(this, tr("分"), 139, 49, 9, 8);
    limit_ = kUnits.place(new QCheckBox(tr("時刻で範囲を指定する"), this), 1034, 15, 65, 96, 10);
    const int xs[4] = {31, 62, 96, 127};
    for (int i = 0; i < 4; ++i) {
        window_[i] = kUnits.place(new QLineEdit(this), 1035 + i, xs[i], 77, 21, 12);
        AcceptWholeNumbersOnly(window_[i], NumberSign::Unsigned);
    }
    for (int i = 0; i < 4; ++i)
        AcceptNumbersUpTo(window_[i], i % 2 == 0 ? 23 : 59);  // a time of the day
    Label(this, ":", 53, 79, 8, 8);
    Label(this, "-", 87, 79, 8, 8);
    Label(this, ":", 118, 79, 8, 8);
    append_ = kUnits.place(new QCheckBox(tr("データを追記で保存"), this), 1039, 15, 93, 88, 10);
    start_ = kUnits.place(new QPushButton(tr("開始"), this), 1017, 15, 119, 32, 14);
    stop_ = kUnits.place(new QPushButton(tr("停止"), this), 1020, 55, 119, 32, 14);
    auto* close = kUnits.place(new QPushButton(tr("終了"), this), 1, 105, 119, 50, 14);
    folder_ = Label(this, QString(), 15, 106, 120, 8);
    folder_->setObjectName("planFolder");
    auto* chooseFolder = new QPushButton(tr("…"), this);
    chooseFolder->setObjectName("planFolderButton");
    chooseFolder->setGeometry(kUnits.rect(138, 104, 17, 11));
    chooseFolder->setToolTip(tr("保存先のフォルダーを選ぶ"));
    chooseFolder->setAutoDefault(false);
    connect(chooseFolder, &QPushButton::clicked, this, &CMeasurePlanDlg::OnChooseFolder);
    status_ = Label(this, QString(), 15, 138, 140, 28);
    status_->setObjectName("planRunState");
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice_ = Label(this, QString(), 15, 168, 140, 32);
    notice_->setObjectName("planFileNotice");
    notice_->setWordWrap(true);
    notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice_->setStyleSheet(QStringLiteral("color: #c00000"));
    close->setDefault(true);
    start_->setAutoDefault(false);
    stop_->setAutoDefault(false);

    connect(start_, &QPushButton::clicked, this, &CMeasurePlanDlg::OnStart);
    connect(stop_, &QPushButton::clicked, this, &CMeasurePlanDlg::OnStop);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(scheduled_, &QRadioButton::clicked, this, [this] {
        ReadControls();
        plan_.ChooseScheduled();
        ShowControls();
    });
    connect(interval_, &QRadioButton::clicked, this, [this] {
        ReadControls();
        plan_.ChooseInterval();
        ShowControls();
    });
    connect(limit_, &QCheckBox::clicked, this, [this] {
        ReadControls();
        plan_.LimitBoxClicked();
        ShowControls();
    });
    connect(append_, &QCheckBox::clicked, this, [this] {
        ReadControls();
        plan_.AppendBoxClicked();
    });
}

void CMeasurePlanDlg::ReadControls() {
    PlanControls& c = plan_.controls();
    int selected = schedule_->currentIndex();
    // Text typed into the combo's edit field leaves no line selected.
    if (selected >= 0 && schedule_->currentText() != schedule_->itemText(selected))
        selected = -1;
    c.scheduleSelection = selected;
    c.intervalText = intervalEdit_->text();
    c.limitChecked = limit_->isChecked();
    for (int i = 0; i < 4; ++i)
        c.windowTexts[i] = window_[i]->text();
    c.appendChecked = append_->isChecked();
}

void CMeasurePlanDlg::ShowControls() {
    const PlanControls& c = plan_.controls();
    shownRunning_ = plan_.running();
    const QSignalBlocker blockCombo(schedule_);
    start_->setEnabled(c.startEnabled);
    stop_->setEnabled(c.stopEnabled);
    // Neither radio is checked for a method other than 0 and 1.
    scheduled_->group()->setExclusive(false);
    scheduled_->setChecked(c.scheduledChecked);
    interval_->setChecked(c.intervalChecked);
    scheduled_->group()->setExclusive(true);
    schedule_->setCurrentIndex(c.scheduleSelection);
    schedule_->setEnabled(c.scheduleEnabled);
    intervalEdit_->setText(c.intervalText);
    intervalEdit_->setEnabled(c.intervalEnabled);
    limit_->setChecked(c.limitChecked);
    for (int i = 0; i < 4; ++i) {
        window_[i]->setText(c.windowTexts[i]);
        window_[i]->setEnabled(c.windowEnabled);
    }
    append_->setChecked(c.appendChecked);
}

void CMeasurePlanDlg::OnStart() {
    ReadControls();
    QString refusal;
    if (!host_.startPlan(refusal)) {
        host_.showMessage(this, refusal);
        return;
    }
    ShowControls();
    ShowState();
}

void CMeasurePlanDlg::OnStop() {
    ReadControls();
    host_.stopPlan();
    ShowControls();
    ShowState();
}

void CMeasurePlanDlg::OnChooseFolder() {
    const QString folder = host_.askFolder(this, host_.planFolder());
    if (folder.isEmpty())
        return;
    host_.setPlanFolder(folder);
    ShowFolder(host_.planFolder());
}

void CMeasurePlanDlg::OnTimer() {
    timer_->stop();
    // The boxes the user changes while the plan runs take effect at its next minute.
    ReadControls();
    clock_->setText(PlanClockText(host_.clock().nowSeconds()));
    ShowState();
    timer_->start(kTickMs);
}
