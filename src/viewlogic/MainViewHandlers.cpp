// The main view's control handlers, enable states and layout.
#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "viewlogic/Acquisition.h"
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
    const LayoutPlan plan = PlanLayout(h, link_.led().present, VersionAbove15(link_.slot(0)));
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
    cycle_.StartFirstDraw();
}

void MainViewLogic::OnModeSelected(int s) {
    if (s < DISPLAY_LINE || s > DISPLAY_CHROMATICITY)
        return;  // no selection
    if ((s == DISPLAY_COMPARISON || s == DISPLAY_ABSORPTANCE) && data_.referenceIndex < 0) {
        form_.message(QCoreApplication::translate("MainView", "先に基準データを選択してください"),
                      false);
        form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
        Redraw();
        return;
    }
    if (s == DISPLAY_COMPARISON) {
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
    operations_.Run([this, row](OperationQueue::Finished finished) {
        state_.currentDevice = row;
        ShowDeviceSettings(link_.slot(row), form_, SettingsShow::Selection, finished);
    });
}

void MainViewLogic::OnExposureDown() {
    StepExposureDown(form_, state_);
}
void MainViewLogic::OnExposureUp() {
    StepExposureUp(form_, state_);
}
void MainViewLogic::OnExposureUpdate() {
    TakeExposureEdit(form_, state_);
}

void MainViewLogic::OnAveragingSelected(int index) {
    TakeAveragingChoice(index, form_, state_);
}

void MainViewLogic::OnDataListSelected(int row) {
    if (row < 0)
        return;
    state_.monitoring = false;
    form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_RESUME));
    state_.selectedRecord = row;
    form_.setCurrentRow(ControlId::DataList, row);  // the chosen row is the list's selection
    EnableControls(deviceCount() != 0);
    Redraw();
}

void MainViewLogic::OnAcquireButton() {
    declinedNewDataSet_ = false;  // the user acquires anew: ask again
    cycle_.OnAcquireButton();
}
void MainViewLogic::OnDelete() {
    DeleteRecord(form_.currentRow(ControlId::DataList));
}
void MainViewLogic::OnSetReference() {
    SetReference(form_.currentRow(ControlId::DataList));
}
void MainViewLogic::OnComparison() {
    SetComparison(form_.currentRow(ControlId::DataList));
}

void MainViewLogic::OnLedCheck(bool checked) {
    link_.led().state = checked ? 1 : 0;
}

void MainViewLogic::SetLedState(bool on) {
    link_.led().state = on ? 1 : 0;
    form_.setChecked(ControlId::LedCheck, on);
}

void MainViewLogic::OnDarkSettingMenu() {
    if (form_.message(
            QCoreApplication::translate("MainView", "ダーク設定を行います。よろしいですか"), true))
        state_.darkPending = true;
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
    const bool ratio = state_.displayMode == DISPLAY_COMPARISON;
    std::int32_t& limit = zone == AxisZone::Upper ? (ratio ? state_.ratioMax : state_.graphMax)
                                                  : (ratio ? state_.ratioMin : state_.graphMin);
    int value = limit;
    if (form_.editNumber(value))
        limit = value;
    Redraw();
}
