#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QPoint>
#include <QString>

#include "session/AcquisitionSession.h"
#include "session/TimerHost.h"
#include "viewlogic/ControlLayout.h"
#include "viewlogic/MainForm.h"
#include "viewlogic/PlanFolder.h"
#include "viewlogic/PlanScheduler.h"
#include "viewlogic/SettingsStore.h"
#include "viewlogic/ViewState.h"

class DeviceLink;
class MeasurementDataSet;

// The main view without widgets: its state, the start-up and re-detect
// sequences, the control handlers, the layout and the record operations. What
// is live (devices, ticks, acquisition) is the session's; the handlers turn
// control input into its commands and the view shows its events. The window
// forwards user actions and timer firings here.
class MainViewLogic {
  public:
    // Reads the settings. programFolder ends with a separator.
    MainViewLogic(MainForm& form, TimerHost& timers, SettingsStore& settings, DeviceLink& link,
                  MeasurementDataSet& data, DocumentHooks& document, QString programFolder);
    // Writes the settings back and closes the LED unit's port.
    ~MainViewLogic();
    MainViewLogic(const MainViewLogic&) = delete;
    MainViewLogic& operator=(const MainViewLogic&) = delete;

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }
    DeviceLink& link() { return link_; }
    MeasurementDataSet& dataSet() { return data_; }
    const MeasurementDataSet& dataSet() const { return data_; }
    int currentDevice() const { return state_.currentDevice; }
    AcquisitionSession& session() { return session_; }
    const AcquisitionSession& session() const { return session_; }
    void setRecordCsvWriter(RecordCsvWriter writer) {
        session_.setRecordCsvWriter(std::move(writer));
    }

    // --- sequences -----------------------------------------------------------
    // The form's initial update: run at start and after File > New / Open.
    // Detection happens at the first call only; it runs in the background
    // while the device list says "検出中…", and the rest of the update follows
    // when it is done. `done` runs at the very end.
    void InitialUpdate(std::function<void()> done = {});
    // File > Open read a new data set: forget the comparison record. The
    // window calls it before the initial update that follows the open.
    void DocumentOpened();
    // Button 1016: close, detect again, show the current device.
    void Redetect(std::function<void()> done = {});
    // Detection and identity reads into the data set (device list filled);
    // `done(count)` with the number of spectrometers.
    void DetectAndIdentify(std::function<void(int)> done);
    // The device work of the view, one operation at a time.
    OperationQueue& operations() { return session_.operations(); }

    // --- controls ------------------------------------------------------------
    void EnableControls(bool devicesAttached);
    void LayoutControls(int h);
    void OnResize(int h);

    // --- handlers (the user's actions) ----------------------------------------
    void OnModeSelected(int s);              // 1001
    void OnDeviceSelected(int row);          // 1002
    void OnExposureDown();                   // 1003
    void OnExposureUp();                     // 1004
    void OnExposureUpdate();                 // 1006
    void OnExposureEdited();                 // 1005
    void OnAveragingSelected(int index);     // 1015
    void OnDataListSelected(int row);        // 1007
    void OnAcquireButton();                  // 1008
    void OnContinuousToggled(bool checked);  // 1023
    void OnAuxEdited();                      // 1033
    void OnDelete();                         // 1009
    void OnSetReference();                   // 1010
    void OnComparison();                     // 1014
    void OnLedCheck(bool checked);           // 1048
    void OnDarkSettingMenu();                // menu 1032
    void OnLeftButtonDown(const QPoint& p);  // axis-limit editing
    void OnTimer(int id);

    bool DarkSettingEnabled() const;  // slot 0 firmware 1.5 or above
    bool UploadEnabled() const;       // the current device is the LX model
    // The LED state as the LED dialog sets it: unit state and check box 1048.
    void SetLedState(bool on);

    // --- record operations -------------------------------------------------------
    // Stores a record of every device's live data, with each device's exposure
    // asked afresh (all at once); `stored` runs when the record is in the list
    // (or was not stored: data set full). Call it within an operation.
    void StoreRecord(std::function<void()> stored = {}) { session_.StoreRecord(std::move(stored)); }
    void DeleteRecord(int k);
    // Several rows at once: one question naming how many, then each goes as
    // DeleteRecord would take it (marks kept on their records); one row is
    // DeleteRecord itself, without a question.
    void DeleteRecords(QList<int> rows);
    // Edit > Clear data list, after the document's save question: an empty
    // data set of the live devices, the list emptied and monitoring on again.
    // A running plan goes on into its files and the new list.
    void ClearDataList();
    void SetReference(int k);
    void SetComparison(int k);
    // The data list's entry of record r: its number from 1, then the data
    // set's label ("#3 20240131_154502 [基準]").
    QString RecordLabel(int r) const;
    void RebuildDataList();
    // Stores a record and, when fileName is not empty, appends it to
    // PlanFolder() + fileName through the CSV writer (an operation of its
    // own). A failing append opens no message box (an unattended plan must not
    // stall): it becomes the plan file notice, and the record stays in the
    // data list.
    void StoreRecordAndSave(const QString& fileName, int appendFlag);

    // --- the measurement plan ------------------------------------------------------
    // The plan runs on the view's timer (TIMER_PLAN) from StartPlan to
    // StopPlan, whether or not its dialog is open.
    PlanScheduler& plan() { return *plan_; }
    // Refuses (the reason) a folder that takes no files when the plan is to
    // append, and whatever the plan itself refuses.
    bool StartPlan(QString& refusal);
    void StopPlan();
    // "" while no plan runs; else its next measurement, records taken and file.
    QString PlanStatusText();
    // Called when the plan starts, stops, takes a measurement or its folder changes.
    void setPlanStateHook(std::function<void()> hook) { planStateHook_ = std::move(hook); }
    // "" while the data set has room; else says it is full and what to do.
    QString DataSetFullNotice() const;
    // Where the plan's files go from now on; empty: the default folder.
    void SetPlanFolder(const QString& folder);

    // --- the plan's files --------------------------------------------------------
    // Decides where plan files go (the chosen folder, else ChoosePlanFolder)
    // and returns it; the plan dialog calls it when it opens, so that it shows
    // where the files go.
    QString DecidePlanFolder();
    // The folder decided last (decided now when not yet), ending with a separator.
    QString PlanFolder();
    // Replaces the folder test and the documents folder (tests).
    void setPlanFolderRule(FolderWritableFn writable, QString documentsFolder) {
        folderWritable_ = std::move(writable);
        documentsFolder_ = std::move(documentsFolder);
        planFolder_.clear();
    }
    // Empty while the plan's file takes its lines; else the message naming the
    // file that failed, until that file takes a line again.
    const QString& planFileNotice() const { return session_.fileNotice(); }
    // The devices not answering, named for the status bar ("" when all answer).
    const QString& deviceNotice() const { return deviceNotice_; }
    // Called with the slot (MonitoringCycle::LED_SLOT for the LED unit) when a
    // device stops answering or answers again.
    void setAnsweringHook(std::function<void(int slot, bool answering)> hook) {
        answeringHook_ = std::move(hook);
    }
    // A device list entry: the device's line, with " [応答なし]" while it does
    // not answer.
    QString DeviceListEntry(int slot) const;
    // Empty while the data set holds the live devices' records (or none);
    // else names the data set's devices beside the live ones (status bar).
    QString DataSetDevicesNotice() const;
    // Whether every live device is one of the data set's devices (serial and
    // grid; a device whose identity could not be read by its place), so that records of the live
    // devices may go into it. Data set devices not attached now get NaN in such records.
    bool DataSetHoldsLiveDevices() const;
    // For each of the data set's device slots, the live slot holding that
    // device (-1: none); false when a live device has no place in the data set.
    bool MapLiveDevices(std::array<int, MAX_DEVICES>& liveOf) const;
    // Timer 1 in 100 ms: repaint, then the ticks start (with devices attached).
    void StartFirstDraw();
    // Called whenever planFileNotice() changes (the window's status bar).
    void setPlanNoticeHook(std::function<void()> hook) { planNoticeHook_ = std::move(hook); }

    // --- settings --------------------------------------------------------------
    void ReadSettings();
    void WriteSettings();

  private:
    void OnPlanTimer();
    void NotifyPlanState();
    // Empties the data set for the live devices (the user agreed).
    void StartNewDataSet();
    // Removes record k; the comparison mark stays on its measurement.
    void RemoveRecordKeepingMarks(int k);
    void ShowCurrentDevice(bool startUp, std::function<void()> done);
    // Before a record: true when the data set may take the live devices'
    // values (asking to start a new data set when it holds other devices).
    bool MayRecordLiveDevices();
    void FinishInitialUpdate(std::function<void()> done);
    void ShowDevicesKnown();
    void ShowDetecting(int found);
    void OnSessionEvent(const SessionEvent& event);
    void OnRecordStored(int r);
    // The acquisition button's caption for the session's state.
    void ShowAcquireCaption();
    // Exposure for the selected device (nothing when refused).
    void QueueExposure(std::optional<std::int32_t> exposureUs);
    // The auxiliary edit to the selected device when it takes one and the
    // value differs from the last sent.
    void SyncAuxSetting();
    void FallBackFromReferenceModes();
    void Redraw();
    int deviceCount() const;

    MainForm& form_;
    TimerHost& timers_;
    SettingsStore& settings_;
    DeviceLink& link_;
    MeasurementDataSet& data_;
    DocumentHooks& document_;
    ViewState state_;
    AcquisitionSession session_;
    FolderWritableFn folderWritable_ = CanCreateFilesIn;
    QString documentsFolder_ = UserDocumentsFolder();
    QString planFolder_;  // empty until decided
    QString deviceNotice_;
    // The user declined a new data set for records of the live devices: the
    // records that follow (continuous, plan) are not stored and do not ask
    // again until the user acquires anew.
    bool declinedNewDataSet_ = false;
    std::function<void(int, bool)> answeringHook_;
    void OnAnsweringChanged(int slot);
    void OnOtherDevice(int slot);
    std::function<void()> planNoticeHook_;
    std::function<void()> planStateHook_;
    // Last: it writes its settings when it goes, and measures through the session.
    std::unique_ptr<PlanScheduler> plan_;
};
