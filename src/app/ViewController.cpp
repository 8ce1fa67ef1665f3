#include "app/ViewController.h"

#include <cstdio>

#include <QDateTime>
#include <QImage>
#include <QListWidget>
#include <QStringList>

#include "app/GraphInputBuilder.h"
#include "app/GraphPanel.h"
#include "app/VL_ToolDoc.h"
#include "app/VL_ToolView.h"
#include "device/DeviceLink.h"
#include "device/PortDiagnostics.h"
#include "device/WorkerPortExecutor.h"
#include "dialogs/ControlLEDDlg.h"
#include "dialogs/DialogHost.h"
#include "dialogs/InfoDlg.h"
#include "dialogs/MeasurePlanDlg.h"
#include "dialogs/ReadDataDlg.h"
#include "dialogs/TrendDlg.h"
#include "dialogs/UserPrompts.h"
#include "display/ChromaticityBackground.h"
#include "display/CursorReadout.h"
#include "display/LiveGraph.h"
#include "export/DataSetCsv.h"
#include "export/JournalFormat.h"
#include "session/QtTimerHost.h"
#include "viewlogic/MainViewLogic.h"

namespace {
// The modeless dialog in `open` brought forward, or a new one made and shown.
// One closed but not yet deleted (its deletion waits for the event loop it was
// closed in) is gone for the user: it is deleted now and a new one opens.
template <class Dialog>
void ShowModeless(QPointer<Dialog>& open, const std::function<Dialog*()>& make) {
    if (open && !open->isHidden()) {
        open->raise();
        open->activateWindow();
        return;
    }
    delete open.data();
    Dialog* dialog = make();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    open = dialog;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

template <class Dialog>
Dialog* Shown(const QPointer<Dialog>& open) {
    return open && !open->isHidden() ? open.data() : nullptr;
}
}  // namespace

ViewController::ViewController(CVL_ToolView& form, CVL_ToolDoc& doc, Setup setup, QObject* parent)
    : QObject(parent), form_(form), doc_(doc), setup_(std::move(setup)) {
    executor_ = setup_.executor ? setup_.executor : std::make_shared<WorkerPortExecutor>();
    link_ = std::make_unique<DeviceLink>(*setup_.ports, *setup_.clock, *executor_, setup_.settleMs);
    graph_ = std::make_unique<LiveGraph>(ChromaticityBackgroundPath(setup_.programFolder));
    timers_ = new QtTimerHost(
        [this](int id) {
            if (logic_)
                logic_->OnTimer(id);
        },
        this);
    logic_ = std::make_unique<MainViewLogic>(form_, *timers_, *setup_.settings, *link_,
                                             doc_.dataSet(), doc_, setup_.programFolder);
    logic_->setAnsweringHook([this](int slot, bool answering) {
        const QString who = slot < MAX_DEVICES ? link_->ListEntry(slot) : QStringLiteral("LED");
        std::fprintf(stderr, "VL_Tool: %s %s\n", who.toLocal8Bit().constData(),
                     answering ? "answers again" : "does not answer");
        emit deviceNoticeChanged();
    });
    logic_->setPlanNoticeHook([this] {
        const QString notice = logic_->planFileNotice();
        if (!notice.isEmpty())  // for those who start the window from a terminal
            std::fprintf(stderr, "VL_Tool: %s\n", notice.toLocal8Bit().constData());
        emit planFileNoticeChanged();
    });

    logic_->setPlanStateHook([this] { emit planStateChanged(); });

    if (!setup_.recoveryFolder.isEmpty()) {
        journal_ =
            std::make_unique<RecoveryJournal>(setup_.recoveryFolder, [this](const QString& t) {
                journalNotice_ = t;
                if (!t.isEmpty())
                    std::fprintf(stderr, "VL_Tool: %s\n", t.toLocal8Bit().constData());
                emit planFileNoticeChanged();
            });
        journal_->Watch(logic_->session());
    }

    host_ = std::make_unique<ViewDialogHost>(*logic_, *setup_.settings, *setup_.clock,
                                             [] {});  // the dialogs are tracked by QPointer

    form_.setGraphDrawer([this](QImage& image, int) {
        // The view logic derived the limits; the painter only reads them.
        const GraphInput in = MakeGraphInput(logic_->state(), *link_, doc_.dataSet());
        graph_->DrawGraph(image, in);
    });
    connect(&form_, &CVL_ToolView::clicked, this, &ViewController::OnClicked);
    connect(&form_, &CVL_ToolView::selectionChanged, this, &ViewController::OnSelection);
    connect(&form_, &CVL_ToolView::edited, this, [this](ControlId id) {
        if (id == ControlId::AuxEdit)
            logic_->OnAuxEdited();
        else if (id == ControlId::ExposureEdit)
            logic_->OnExposureEdited();
    });
    connect(&form_, &CVL_ToolView::leftButtonDown, this,
            [this](QPoint p) { logic_->OnLeftButtonDown(p); });
    connect(&form_, &CVL_ToolView::resized, this, [this](int h) { logic_->OnResize(h); });
}

void ViewController::OfferLeftoverJournals() {
    if (setup_.recoveryFolder.isEmpty())
        return;
    leftovers_ = FindLeftoverJournals(setup_.recoveryFolder);
    const LeftoverJournal* newest = nullptr;
    for (const LeftoverJournal& j : leftovers_) {
        if (j.records > 0 && (!newest || j.lastTimeStamp >= newest->lastTimeStamp))
            newest = &j;
    }
    if (!newest) {
        for (LeftoverJournal& j : leftovers_)
            RemoveLeftoverJournal(j);  // nothing in them to restore
        leftovers_.clear();
        return;
    }
    // One question, about the newest; older ones stay for the next start (and
    // `velarim-cli recover`): their locks are let go.
    LeftoverJournal offered = *newest;
    leftovers_.clear();
    leftovers_.push_back(std::move(offered));
    newest = &leftovers_.back();
    auto time = [](std::int64_t t) {
        return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    };
    const QString question = tr("前回終了時の測定データが残っています。復元しますか?") + "\n" +
                             tr("%1 件の記録 (%2 〜 %3)")
                                 .arg(newest->records)
                                 .arg(time(newest->firstTimeStamp), time(newest->lastTimeStamp));
    if (!form_.message(question, true))
        return;  // kept until this copy ends cleanly
    JournalContents contents = ReadJournal(newest->path);
    if (!contents.ok()) {
        form_.message(contents.error, false);
        return;
    }
    doc_.dataSet() = std::move(contents.data);
    logic_->DocumentOpened();  // the journal of this copy starts from the restored data set
    doc_.setModified();
    if (!contents.damage.isEmpty())
        form_.message(contents.damage, false);
}

void ViewController::EndCleanly() {
    if (journal_)
        journal_->EndCleanly();
    for (LeftoverJournal& j : leftovers_)
        RemoveLeftoverJournal(j);
    leftovers_.clear();
}

ViewController::~ViewController() {
    // No timer may reach the logic once it is going, nor any port's answer.
    for (int id = 1; id <= 4; ++id)
        timers_->stop(id);
    link_->CloseAll();
    // An open LED dialog goes before the view it borrows from.
    for (auto& dialog : ledDialogs_)
        delete dialog.data();
    delete trendDialog_.data();  // it reads the document's data set
    delete planDialog_.data();   // it shows the logic's plan
    delete sensorDialog_.data();
    host_.reset();
    journal_.reset();  // it follows the logic's session: it goes first
    // The logic writes its settings back and closes the LED unit's port.
    logic_.reset();
    form_.setGraphDrawer(nullptr);
}

QString ViewController::CursorReadout(QPoint panelPoint) const {
    const QSize size = form_.graphPanel()->size();
    const GraphInput in = MakeGraphInput(logic_->state(), *link_, doc_.dataSet());
    return QString::fromStdString(
        CursorReadoutText(in, size.width(), size.height(), panelPoint.x(), panelPoint.y()));
}

void ViewController::InitialUpdate() {
    logic_->InitialUpdate([this] {
        UpdatePortNotice();
        emit deviceNoticeChanged();  // the data set's devices against the live ones
        emit devicesReady();
    });
}

void ViewController::UpdatePortNotice() {
    QStringList lines;
    for (const PortDiagnostic& diagnostic : link_->portDiagnostics())
        lines << diagnostic.message;
    const QString notice = lines.join(QStringLiteral("  "));
    if (notice == portNotice_)
        return;
    for (const QString& line : lines)
        std::fprintf(stderr, "VL_Tool: %s\n", line.toLocal8Bit().constData());
    portNotice_ = notice;
    emit portNoticeChanged();
}

QString ViewController::DeviceNotice() const {
    // Devices not answering, and the data set's devices when they are not the live ones.
    QStringList notices{logic_->deviceNotice(), logic_->DataSetDevicesNotice()};
    notices.removeAll(QString());
    return notices.join(QStringLiteral("  "));
}

QString ViewController::PlanFileNotice() const {
    QStringList notices{logic_->planFileNotice(), logic_->DataSetFullNotice()};
    notices.removeAll(QString());
    return notices.join(QStringLiteral("  "));
}

QString ViewController::PlanStatus() const {
    return logic_->PlanStatusText();
}

void ViewController::StopPlan() {
    logic_->StopPlan();
}

CMeasurePlanDlg* ViewController::planDialog() const {
    return Shown(planDialog_);
}

bool ViewController::DarkSettingEnabled() const {
    return logic_->DarkSettingEnabled();
}
bool ViewController::UploadEnabled() const {
    return logic_->UploadEnabled();
}
void ViewController::OnDarkSetting() {
    logic_->OnDarkSettingMenu();
}

void ViewController::OnClicked(ControlId id) {
    switch (id) {
        case ControlId::ExposureDown:
            logic_->OnExposureDown();
            break;
        case ControlId::ExposureUp:
            logic_->OnExposureUp();
            break;
        case ControlId::ExposureUpdate:
            logic_->OnExposureUpdate();
            break;
        case ControlId::Acquire:
            logic_->OnAcquireButton();
            break;
        case ControlId::Delete:
            logic_->OnDelete();
            break;
        case ControlId::Reference:
            logic_->OnSetReference();
            break;
        case ControlId::Comparison:
            logic_->OnComparison();
            break;
        case ControlId::SaveCsv:
            SaveCsv();
            break;
        case ControlId::Redetect:
            logic_->Redetect([this] {
                UpdatePortNotice();
                emit deviceNoticeChanged();
                emit devicesReady();
            });
            break;
        case ControlId::MeasurePlan:
            OpenMeasurePlan();
            break;
        case ControlId::Sensor:
            OpenSensorInfo();
            break;
        case ControlId::LedCheck:
            logic_->OnLedCheck(form_.isChecked(ControlId::LedCheck));
            break;
        case ControlId::LedDetails:
            OpenLedDetails();
            break;
        case ControlId::Continuous:
            logic_->OnContinuousToggled(form_.isChecked(ControlId::Continuous));
            break;
        default:
            break;
    }
}

void ViewController::OnSelection(ControlId id, int index) {
    switch (id) {
        case ControlId::ModeCombo:
            logic_->OnModeSelected(index);
            break;
        case ControlId::DeviceList:
            logic_->OnDeviceSelected(index);
            break;
        case ControlId::AveragingCombo:
            logic_->OnAveragingSelected(index);
            break;
        case ControlId::DataList:
            logic_->OnDataListSelected(index);
            break;
        default:
            break;
    }
}

void ViewController::SaveCsv() {
    const QString path = setup_.prompts->csvPath(&form_);
    if (path.isEmpty())
        return;
    const FileResult result = ExportDataSetCsv(doc_.dataSet(), path);
    if (!result.ok)
        form_.message(result.message, false);
}

void ViewController::OnUpload() {
    CReadDataDlg dialog(*host_, &form_);
    dialog.exec();
}

void ViewController::OpenMeasurePlan() {
    // Modeless: the window stays in use while a plan runs; closed, it is
    // deleted and the plan runs on.
    ShowModeless<CMeasurePlanDlg>(planDialog_,
                                  [this] { return new CMeasurePlanDlg(*host_, &form_); });
}

void ViewController::OpenSensorInfo() {
    // Modeless, as the LED dialog beside it: a modal one could open behind
    // that large dialog and leave the whole window waiting on a box the user
    // cannot see.
    ShowModeless<CInfoDlg>(sensorDialog_, [this] { return new CInfoDlg(*host_, &form_); });
}

CInfoDlg* ViewController::sensorDialog() const {
    return Shown(sensorDialog_);
}

CControlLEDDlg* ViewController::ledDialog() const {
    // A dialog closed but not yet deleted (its deletion waits for the event
    // loop it was closed in) is gone for the user: raising it would show nothing.
    for (auto it = ledDialogs_.rbegin(); it != ledDialogs_.rend(); ++it)
        if (*it && !(*it)->isHidden())
            return it->data();
    return nullptr;
}

CTrendDlg* ViewController::trendDialog() const {
    return trendDialog_.data();
}

void ViewController::OpenTrends() {
    if (trendDialog_) {
        trendDialog_->raise();
        trendDialog_->activateWindow();
        return;
    }
    auto* list = qobject_cast<QListWidget*>(form_.control(ControlId::DataList));
    auto* dialog = new CTrendDlg(doc_.dataSet(), *setup_.prompts, &form_);
    trendDialog_ = dialog;
    if (list) {
        dialog->FollowModel(list->model());
        // As the user would pick the row: the main graph shows that record.
        connect(dialog, &CTrendDlg::recordChosen, list, [list](int record) {
            if (record < list->count())
                list->setCurrentRow(record, QItemSelectionModel::ClearAndSelect);
        });
    }
    dialog->show();
}

void ViewController::OpenLedDetails() {
    CControlLEDDlg* open = ledDialog();
    if (link_->led().channel && open) {
        open->raise();
        open->activateWindow();
        open->setFocus();
        return;
    }
    // Modeless; it deletes itself when closed.
    std::erase_if(ledDialogs_, [](const QPointer<CControlLEDDlg>& d) { return d.isNull(); });
    auto* dialog = new CControlLEDDlg(*host_, &form_);
    ledDialogs_.emplace_back(dialog);
    dialog->show();
}
