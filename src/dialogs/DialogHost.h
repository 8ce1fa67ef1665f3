#pragma once

#include <cstdint>
#include <functional>

#include <QString>

class Clock;
class DeviceLink;
class PlanScheduler;
class OperationQueue;
class MeasurementDataSet;
class QWidget;
class SettingsStore;

// What the plan, upload, sensor-information and LED dialogs borrow from the
// main view. The window hands in a ViewDialogHost (below); tests a fake.
class DialogHost {
  public:
    virtual ~DialogHost() = default;

    virtual SettingsStore& settings() = 0;
    virtual Clock& clock() = 0;
    virtual DeviceLink& deviceLink() = 0;       // slots, LED unit, sensor profile
    virtual MeasurementDataSet& dataSet() = 0;  // pointCount, firstWavelength, deviceCount
    virtual int currentDevice() const = 0;      // target of single-device exchanges
    // The view's device work, one operation at a time: a dialog's short
    // exchanges run as an operation of their own, between the monitoring ticks.
    virtual OperationQueue& operations() = 0;
    virtual std::int32_t graphMax() const = 0;  // counts axis of the upload graph
    virtual std::int32_t graphMin() const = 0;

    // The measurement plan, which runs whether or not its dialog is open.
    virtual PlanScheduler& plan() = 0;
    // Starts it (false and the reason when refused) and stops it.
    virtual bool startPlan(QString& refusal) = 0;
    virtual void stopPlan() = 0;
    // While it runs: its next measurement, records taken and file; else "".
    virtual QString planStatus() { return {}; }
    // "" while the data list has room; else that it is full.
    virtual QString dataSetFullNotice() const { return {}; }
    // Where the plan's files go (ending with a separator), decided when the
    // plan dialog opens; the dialog shows it.
    virtual QString planFolder() { return {}; }
    // The user chose another folder for the plan's files.
    virtual void setPlanFolder(const QString& folder) { (void)folder; }
    // Why the plan's file could not take its last line, naming the file; empty
    // while it takes its lines. The plan dialog shows it at every tick.
    virtual QString planFileNotice() const { return {}; }
    // The LED dialog switched the LED: the main view's "LED" check box follows.
    virtual void setLedCheckBox(bool checked) = 0;
    // Until released, the slot's port is the dialog's: the ticks leave it
    // alone and go on with the other devices (their records hold NaN for it).
    // The upload and the sensor-information read hold their device's port
    // for as long as their exchanges run on its channel.
    virtual void holdDevice(int slot) = 0;
    virtual void releaseDevice(int slot) = 0;
    // The modeless LED dialog is going away: forget the reference to it.
    virtual void ledDialogClosed() = 0;

    // The CSV save prompt: filter "csv file(*.csv)", default suffix csv, no
    // question before overwriting. Returns the chosen path, empty on cancel.
    virtual QString askSavePath(QWidget* parent, const QString& initialName);
    // A message box titled "VL_Tool" with an OK button.
    virtual void showMessage(QWidget* parent, const QString& text);
    // A folder prompt starting at `current`; empty on cancel.
    virtual QString askFolder(QWidget* parent, const QString& current);
};

class MainViewLogic;

// The main view as the dialogs' host. Forgetting the LED dialog is the
// window's, handed in as a function.
class ViewDialogHost final : public DialogHost {
  public:
    ViewDialogHost(MainViewLogic& view, SettingsStore& settings, Clock& clock,
                   std::function<void()> ledDialogClosed);

    SettingsStore& settings() override { return settings_; }
    Clock& clock() override { return clock_; }
    DeviceLink& deviceLink() override;
    MeasurementDataSet& dataSet() override;
    int currentDevice() const override;
    OperationQueue& operations() override;
    std::int32_t graphMax() const override;
    std::int32_t graphMin() const override;
    PlanScheduler& plan() override;
    bool startPlan(QString& refusal) override;
    void stopPlan() override;
    QString planStatus() override;
    QString dataSetFullNotice() const override;
    QString planFolder() override;
    void setPlanFolder(const QString& folder) override;
    QString planFileNotice() const override;
    void setLedCheckBox(bool checked) override;
    void holdDevice(int slot) override;
    void releaseDevice(int slot) override;
    void ledDialogClosed() override;

  private:
    MainViewLogic& view_;
    SettingsStore& settings_;
    Clock& clock_;
    std::function<void()> ledClosed_;
};
