#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QString>

#include "data/MeasurementDataSet.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "session/AcquisitionSession.h"
#include "session/OperationQueue.h"
#include "support/FakeClock.h"
#include "support/InlineLink.h"
#include "viewlogic/PlanScheduler.h"
#include "viewlogic/SettingsStore.h"

// The main view as the dialogs see it, with everything they do recorded. With
// a session set, its link, data set, operations and device holds are the
// session's.
class FakeDialogHost final : public DialogHost {
  public:
    FakeDialogHost() : link(ports, clock_, 0) {}
    OperationQueue& operations() override { return session ? session->operations() : queue; }

    SettingsStore& settings() override { return store; }
    Clock& clock() override { return clock_; }
    DeviceLink& deviceLink() override { return session ? session->link() : link; }
    MeasurementDataSet& dataSet() override { return session ? session->dataSet() : data; }
    int currentDevice() const override { return current; }
    std::int32_t graphMax() const override { return 65535; }
    std::int32_t graphMin() const override { return 0; }
    PlanScheduler& plan() override { return planner; }
    bool startPlan(QString& refusal) override {
        if (!folderTakesFiles) {
            refusal = "no files in " + folder;
            return false;
        }
        return planner.Start(refusal);
    }
    void stopPlan() override { planner.Stop(); }
    QString planStatus() override { return "running " + QString::number(planner.runCount()); }
    QString dataSetFullNotice() const override { return fullNotice; }
    QString planFolder() override { return folder; }
    void setPlanFolder(const QString& chosen) override { folder = chosen + "/"; }
    QString askFolder(QWidget*, const QString&) override { return chosenFolder; }
    QString planFileNotice() const override { return fileNotice; }
    void setLedCheckBox(bool checked) override { ledCheckBox.push_back(checked); }
    void holdDevice(int slot) override {
        holdCalls.push_back({slot, true});
        ++holds[slot];
        if (session)
            session->HoldDevice(slot);
    }
    void releaseDevice(int slot) override {
        holdCalls.push_back({slot, false});
        --holds[slot];
        if (session)
            session->ReleaseDevice(slot);
    }
    bool held(int slot) const { return holds.count(slot) && holds.at(slot) > 0; }
    void ledDialogClosed() override { ++ledDialogsClosed; }
    QString askSavePath(QWidget*, const QString& initialName) override {
        promptedNames.push_back(initialName);
        return savePath;
    }
    void showMessage(QWidget*, const QString& text) override { messages.push_back(text); }

    FakeClock clock_{1700000000, 0};
    NoPorts ports;
    MemorySettingsStore store;
    TestDeviceLink link;
    OperationQueue queue;
    MeasurementDataSet data;
    int current = 0;

    QString savePath;
    QString folder = QStringLiteral("/opt/vl/");
    QString fileNotice;
    QString fullNotice;
    QString chosenFolder;
    bool folderTakesFiles = true;
    std::vector<QString> promptedNames;
    std::vector<QString> messages;
    std::vector<std::pair<QString, int>> measurements;
    // The plan the main view would own; it measures into `measurements`.
    PlanScheduler planner{store, clock_, [this](const QString& fileName, int appendFlag) {
                              measurements.push_back({fileName, appendFlag});
                          }};
    std::vector<bool> ledCheckBox;
    std::vector<std::pair<int, bool>> holdCalls;  // (slot, hold or release)
    std::map<int, int> holds;
    AcquisitionSession* session = nullptr;
    int ledDialogsClosed = 0;
};
