// The measurement plan of the main view: it runs on the view's timer, whether
// or not its dialog is open, and its records go through the session.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/PlanScheduler.h"

namespace {
constexpr int kPlanTickMs = 300;
}

void MainViewLogic::StoreRecordAndSave(const QString& fileName, int appendFlag) {
    session_.StoreRecordAndAppend(fileName.isEmpty() ? QString() : PlanFolder() + fileName,
                                  appendFlag);
}

QString MainViewLogic::DecidePlanFolder() {
    const QString& chosen = plan_->state().folder;
    if (!chosen.isEmpty()) {
        planFolder_ = QDir::toNativeSeparators(QDir(chosen).absolutePath() + QLatin1Char('/'));
        return planFolder_;
    }
    planFolder_ = ChoosePlanFolder(state_.programFolder, documentsFolder_, folderWritable_);
    return planFolder_;
}

QString MainViewLogic::PlanFolder() {
    return planFolder_.isEmpty() ? DecidePlanFolder() : planFolder_;
}

void MainViewLogic::SetPlanFolder(const QString& folder) {
    plan_->SetFolder(folder);
    DecidePlanFolder();
    NotifyPlanState();
}

bool MainViewLogic::StartPlan(QString& refusal) {
    // A folder that takes no files is said now, not at the first measurement.
    if (plan_->controls().appendChecked && !folderWritable_(PlanFolder())) {
        refusal = QCoreApplication::translate("MainView",
                                              "保存先のフォルダーにファイルを作れません: %1\n"
                                              "別のフォルダーを選んでください")
                      .arg(PlanFolder());
        return false;
    }
    if (!plan_->Start(refusal))
        return false;
    timers_.start(TIMER_PLAN, kPlanTickMs);
    NotifyPlanState();
    return true;
}

void MainViewLogic::StopPlan() {
    plan_->Stop();
    timers_.stop(TIMER_PLAN);
    NotifyPlanState();
}

void MainViewLogic::OnPlanTimer() {
    const int before = plan_->runCount();
    plan_->Tick();
    if (plan_->running())
        timers_.start(TIMER_PLAN, kPlanTickMs);
    if (plan_->runCount() != before)
        NotifyPlanState();
}

void MainViewLogic::NotifyPlanState() {
    if (planStateHook_)
        planStateHook_();
}

QString MainViewLogic::PlanStatusText() {
    if (!plan_->running())
        return {};
    const std::int64_t now = link_.clock().nowSeconds();
    const std::optional<std::int64_t> next = plan_->NextMeasurement(now);
    QString when = QStringLiteral("-");
    if (next) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(*next);
        const bool today = at.date() == QDateTime::fromSecsSinceEpoch(now).date();
        when = at.toString(today ? QStringLiteral("HH:mm") : QStringLiteral("MM/dd HH:mm"));
    }
    QString text = QCoreApplication::translate("MainView", "測定計画 実行中: 次回 %1、記録 %2 件")
                       .arg(when)
                       .arg(plan_->runCount());
    if (!plan_->fileName().isEmpty())
        text += QCoreApplication::translate("MainView", "、ファイル %1").arg(plan_->fileName());
    return text;
}

QString MainViewLogic::DataSetFullNotice() const {
    if (data_.recordCount < MAX_RECORDS)
        return {};
    QString text =
        QCoreApplication::translate(
            "MainView",
            "データ一覧が一杯です (%1 件): 保存して、「データ取得」で新しいデータを始めてください")
            .arg(MAX_RECORDS);
    if (plan_->running() && !plan_->fileName().isEmpty())
        text +=
            QCoreApplication::translate("MainView", "。測定計画の記録はファイルにだけ書かれます");
    return text;
}
