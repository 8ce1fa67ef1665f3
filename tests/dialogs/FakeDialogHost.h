#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "data/MeasurementDataSet.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "session/OperationQueue.h"
#include "support/FakeClock.h"
#include "support/InlineLink.h"
#include "viewlogic/PlanScheduler.h"
#include "viewlogic/SettingsStore.h"

// The main view as the dialogs see it, with everything they do recorded.
class FakeDialogHost final : public DialogHost {
  public:
    FakeDialogHost() : link(ports, clock_, 0) {}
    OperationQueue& operations() override { return queue; }

    SettingsStore& settings() override { return store; }
    Clock& clock() override { return clock_; }
    DeviceLink& deviceLink() override { return link; }
    MeasurementDataSet& dataSet() override { return data; }
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
    void holdMonitoring(bool hold) override {
        held = hold;
        holdCalls.push_back(hold);
    }
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
    std::vector<bool> holdCalls;
    bool held = false;
    int ledDialogsClosed = 0;
};
