// The main view's control handlers, enable states and layout.
#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/CommandTable.h"
#include "device/DeviceLink.h"
#include "viewlogic/DeviceSettingsEdits.h"
#include "viewlogic/DisplayModes.h"
#include "viewlogic/DrawnLimits.h"
#include "viewlogic/MainViewLogic.h"

void MainViewLogic::Redraw() {
    DrawGraph(form_, state_, link_);
}

void MainViewLogic::EnableControls(bool devicesAttached) {
    for (ControlId id : {ControlId::ExposureEdit, ControlId::ExposureUp, ControlId::ExposureDown,
                         ControlId::ExposureUpdate, ControlId::Acquire, ControlId::AveragingCombo,
                         ControlId::Sensor})
        form_.setEnabled(id, devicesAttached);
    // The record buttons act on the row the user chose.
    const bool rowChosen = form_.currentRow(ControlId::DataList) >= 0;
    for (ControlId id : {ControlId::Delete, ControlId::Reference, ControlId::Comparison})
        form_.setEnabled(id, !state_.monitoring && rowChosen);
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

void MainViewLogic::LayoutControls(int h) {
    const LayoutPlan plan =
        PlanLayout(form_.clientWidth(), h, link_.led().present, VersionAbove15(link_.slot(0)));
    for (const ControlPlacement& p : plan.placements)
        form_.setGeometry(p.id, p.rect);
    form_.setVisible(ControlId::LedCheck, plan.ledControlsVisible);
    form_.setVisible(ControlId::LedDetails, plan.ledControlsVisible);
    form_.setVisible(ControlId::AuxEdit, plan.auxEditVisible);
    state_.graphRect = plan.graphRect;
}

void MainViewLogic::OnResize(int h) {
    if (!state_.layoutReady)
        return;
    LayoutControls(h);
    StartFirstDraw();
}

void MainViewLogic::OnModeSelected(int s) {
    const DisplayMode* mode = FindDisplayMode(s);
    if (mode == nullptr)
        return;  // no selection
    if (mode->needsReference && data_.referenceIndex < 0) {
        form_.message(QCoreApplication::translate("MainView", "先に基準データを選択してください"),
                      false);
        form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
        Redraw();
        return;
    }
    if (!mode->linesForRestrictedSensors) {
        state_.displayMode = s;
        Redraw();
        return;
    }
    state_.displayMode = link_.onlyRestrictedSensors() ? DISPLAY_LINE : s;
    form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
    Redraw();
}

void MainViewLogic::OnDeviceSelected(int row) {
    if (row < 0 || row >= MAX_DEVICES || link_.detecting())
        return;
    // Between ticks: the whole of a tick addresses one selected device.
    session_.operations().Run([this, row](OperationQueue::Finished finished) {
        state_.currentDevice = row;
        ShowDeviceSettings(link_.slot(row), form_, SettingsShow::Selection, [this, finished] {
            SyncAuxSetting();
            finished();
        });
    });
}

void MainViewLogic::QueueExposure(std::optional<std::int32_t> exposureUs) {
    if (exposureUs)
        session_.QueueSettings(state_.currentDevice, DeviceSettingValues{exposureUs, {}, {}});
}

void MainViewLogic::OnExposureDown() {
    QueueExposure(StepExposureDown(form_));
}
void MainViewLogic::OnExposureUp() {
    QueueExposure(StepExposureUp(form_));
}
void MainViewLogic::OnExposureUpdate() {
    QueueExposure(TakeExposureEdit(form_));
}

void MainViewLogic::OnExposureEdited() {
    // An exposure waiting for the next tick goes out as the edit now shows
    // it, or not at all when the edit no longer holds one the device can take.
    if (!session_.queuedSettings(state_.currentDevice).exposureUs)
        return;
    const std::optional<std::int32_t> v = TakeExposureEdit(form_);
    if (v)
        QueueExposure(v);
    else
        session_.WithdrawQueuedExposure(state_.currentDevice);
}

void MainViewLogic::OnAveragingSelected(int index) {
    // Marked sent whether or not the firmware takes it: the device layer
    // applies the gate.
    if (!TakeAveragingChoice(index, form_, state_) ||
        state_.averagingChoice == state_.averagingSent)
        return;
    state_.averagingSent = state_.averagingChoice;
    session_.QueueSettings(state_.currentDevice,
                           DeviceSettingValues{{}, state_.averagingChoice, {}});
}

void MainViewLogic::OnAuxEdited() {
    SyncAuxSetting();
}

void MainViewLogic::SyncAuxSetting() {
    const int d = state_.currentDevice;
    if (d < 0 || d >= MAX_DEVICES || !DeviceTakes(CMD_SET_AUX_SETTING, link_.slot(d).version))
        return;
    state_.auxValue = EditInteger(form_.text(ControlId::AuxEdit));
    if (state_.auxValue == state_.auxSent)
        return;
    state_.auxSent = state_.auxValue;
    session_.QueueSettings(d, DeviceSettingValues{{}, {}, state_.auxValue});
}

void MainViewLogic::OnDataListSelected(int row) {
    if (row < 0)
        return;
    state_.monitoring = false;
    session_.PauseTicks();
    form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_RESUME));
    state_.selectedRecord = row;
    form_.setCurrentRow(ControlId::DataList, row);  // the chosen row is the list's selection
    EnableControls(deviceCount() != 0);
    Redraw();
}

void MainViewLogic::OnAcquireButton() {
    declinedNewDataSet_ = false;  // the user acquires anew: ask again
    if (state_.monitoring && session_.acquisition().acquiring) {
        session_.StopAcquisition();
        return;
    }
    if (state_.monitoring) {
        if (data_.recordCount >= MAX_RECORDS) {
            // The full list is in the status bar; acquiring anew offers to
            // save it and start a new one.
            const QString question =
                QCoreApplication::translate("MainView",
                                            "データ一覧が一杯です (%1 件)。\n"
                                            "保存して、新しいデータを始めますか?")
                    .arg(MAX_RECORDS);
            if (!document_.offerNewDataSet(question))
                return;
            StartNewDataSet();
        }
        state_.intervalMs = EditInteger(form_.text(ControlId::IntervalEdit));
        if (form_.isChecked(ControlId::Continuous))
            session_.StartContinuous(state_.intervalMs);
        else
            session_.StoreOneRecord();
        return;
    }
    state_.monitoring = true;
    form_.setCurrentRow(ControlId::DataList, -1);
    // An acquisition paused by the shown record goes on behind this caption;
    // pressing once more ends it.
    form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_ACQUIRE));
    EnableControls(deviceCount() != 0);
    session_.ResumeTicks(state_.currentDevice);
}

void MainViewLogic::OnContinuousToggled(bool checked) {
    const AcquisitionState& a = session_.acquisition();
    if (!a.acquiring || a.continuous == checked)
        return;
    // Unticked while records come at the interval: one more record, then
    // it ends; ticked while a single record waits: records at the interval.
    if (checked)
        session_.StartContinuous(state_.intervalMs);
    else
        session_.StoreOneRecord();
}

void MainViewLogic::ShowAcquireCaption() {
    if (!state_.monitoring)
        return;  // the button resumes the monitoring
    const AcquisitionState& a = session_.acquisition();
    form_.setText(ControlId::Acquire,
                  QCoreApplication::translate(
                      "MainView", a.acquiring && a.continuous ? CAPTION_STOP : CAPTION_ACQUIRE));
}
void MainViewLogic::OnDelete() {
    const QList<int> rows = form_.selectedRows(ControlId::DataList);
    if (rows.size() > 1)
        DeleteRecords(rows);
    else
        DeleteRecord(rows.isEmpty() ? form_.currentRow(ControlId::DataList) : rows.front());
}
void MainViewLogic::OnSetReference() {
    SetReference(form_.currentRow(ControlId::DataList));
}
void MainViewLogic::OnComparison() {
    SetComparison(form_.currentRow(ControlId::DataList));
}

void MainViewLogic::OnLedCheck(bool checked) {
    session_.SetLed(checked);
}

void MainViewLogic::SetLedState(bool on) {
    session_.SetLed(on);
    form_.setChecked(ControlId::LedCheck, on);
}

void MainViewLogic::OnDarkSettingMenu() {
    if (form_.message(
            QCoreApplication::translate("MainView", "ダーク設定を行います。よろしいですか"), true))
        session_.QueueDark(state_.currentDevice);
}

bool MainViewLogic::DarkSettingEnabled() const {
    return VersionAtLeast15(link_.slot(0));
}

bool MainViewLogic::UploadEnabled() const {
    const int d = state_.currentDevice;
    return d >= 0 && d < MAX_DEVICES && link_.slot(d).isLX;
}

void MainViewLogic::OnLeftButtonDown(const QPoint& p) {
    const AxisZone zone = AxisZoneAt(state_.graphRect, p.x(), p.y());
    if (zone == AxisZone::None)
        return;
    const bool ratio = DisplayModeOf(state_.displayMode).axis == AxisKind::Ratio;
    std::int32_t& limit = zone == AxisZone::Upper ? (ratio ? state_.ratioMax : state_.graphMax)
                                                  : (ratio ? state_.ratioMin : state_.graphMin);
    int value = limit;
    if (form_.editNumber(value))
        limit = value;
    Redraw();
}
