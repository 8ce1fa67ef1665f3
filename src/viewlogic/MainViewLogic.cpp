// Construction, settings and the start-up and re-detect sequences of the main
// view.
#include "viewlogic/MainViewLogic.h"

#include <vector>

#include <QStringList>

#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "export/DataSetCsv.h"
#include "viewlogic/Acquisition.h"

MainViewLogic::MainViewLogic(MainForm& form, TimerHost& timers, SettingsStore& settings,
                             DeviceLink& link, MeasurementDataSet& data, DocumentHooks& document,
                             QString programFolder)
    : form_(form),
      timers_(timers),
      settings_(settings),
      link_(link),
      data_(data),
      document_(document),
      cycle_(link, data, form, timers, state_, operations_,
             MonitoringCycle::Hooks{[this](std::function<void()> stored) { StoreRecord(stored); },
                                    [this] { EnableControls(deviceCount() != 0); },
                                    [this](int slot) { OnAnsweringChanged(slot); },
                                    [this](int slot) { OnOtherDevice(slot); }}),
      csvWriter_([](const QString& path, const MeasurementDataSet& set, int r, int appendFlag) {
          const CsvResult result = AppendRecordCsv(path, set, r, appendFlag);
          return result.ok ? QString() : result.message;
      }) {
    state_.programFolder = std::move(programFolder);
    ReadSettings();
}

MainViewLogic::~MainViewLogic() {
    WriteSettings();
    // No port work may come back to a view that is gone.
    operations_.Clear();
    link_.CloseAll();
}

int MainViewLogic::deviceCount() const {
    return data_.deviceCount;
}

void MainViewLogic::ReadSettings() {
    state_.displayMode = settings_.readInt("graph", "kind", 0);
    state_.graphMax = settings_.readInt("graph", "max", 65535);
    state_.graphMin = settings_.readInt("graph", "min", 0);
    state_.ratioMax = settings_.readInt("ratio", "max", 120);
    state_.ratioMin = settings_.readInt("ratio", "min", 0);
    state_.absorptionMax = settings_.readInt("absorption", "max", 5);
    state_.absorptionMin = settings_.readInt("absorption", "min", 0);
    state_.intervalMs = settings_.readInt("measure", "interval", 1000);
}

void MainViewLogic::WriteSettings() {
    // The absorptance limits are read only: they change only in the store.
    settings_.writeInt("graph", "kind", state_.displayMode);
    settings_.writeInt("graph", "max", state_.graphMax);
    settings_.writeInt("graph", "min", state_.graphMin);
    settings_.writeInt("ratio", "max", state_.ratioMax);
    settings_.writeInt("ratio", "min", state_.ratioMin);
    settings_.writeInt("measure", "interval", state_.intervalMs);
}

QString MainViewLogic::DeviceListEntry(int slot) const {
    QString entry = link_.ListEntry(slot);
    if (slot >= 0 && slot < MAX_DEVICES && !link_.slot(slot).answering)
        entry += QCoreApplication::translate("MainView", " [応答なし]");
    return entry;
}

void MainViewLogic::OnAnsweringChanged(int slot) {
    form_.clearList(ControlId::DeviceList);
    QStringList silent;
    for (int s = 0; s < link_.deviceCount(); ++s) {
        form_.addListItem(ControlId::DeviceList, DeviceListEntry(s));
        if (!link_.slot(s).answering)
            silent << QString::fromLatin1(link_.slot(s).serialText) + link_.slot(s).portTag;
    }
    form_.setCurrentRow(ControlId::DeviceList, state_.currentDevice);
    if (link_.led().present && !link_.led().answering)
        silent << QStringLiteral("LED");
    deviceNotice_ = silent.isEmpty() ? QString()
                                     : QCoreApplication::translate("MainView", "応答なし: %1")
                                           .arg(silent.join(QStringLiteral(", ")));
    if (answeringHook_) {
        const bool answering =
            slot == MonitoringCycle::LED_SLOT ? link_.led().answering : link_.slot(slot).answering;
        answeringHook_(slot, answering);
    }
}

void MainViewLogic::OnOtherDevice(int slot) {
    const QString notice = QCoreApplication::translate(
                               "MainView", "%1: 別の装置がつながっています。再検出してください")
                               .arg(link_.slot(slot).portTag);
    if (deviceNotice_.contains(notice))
        return;
    deviceNotice_ = deviceNotice_.isEmpty() ? notice : deviceNotice_ + "  " + notice;
    if (answeringHook_)
        answeringHook_(slot, false);
}

void MainViewLogic::ShowDetecting(int found) {
    form_.clearList(ControlId::DeviceList);
    form_.addListItem(ControlId::DeviceList,
                      QCoreApplication::translate("MainView", "検出中… %1").arg(found));
}

void MainViewLogic::DetectAndIdentify(std::function<void(int)> done) {
    ShowDetecting(0);
    form_.setEnabled(ControlId::DeviceList, false);
    link_.DetectSpectrometers([this](int found) { ShowDetecting(found); },
                              [this, done = std::move(done)](int n) {
                                  form_.clearList(ControlId::DeviceList);
                                  form_.setEnabled(ControlId::DeviceList, true);
                                  data_.deviceCount = n;
                                  for (int s = 0; s < n; ++s)
                                      form_.addListItem(ControlId::DeviceList, DeviceListEntry(s));
                                  deviceNotice_.clear();
                                  for (int s = 0; s < n; ++s) {
                                      data_.serialText[s] = link_.storedIdentity(s).serialText;
                                      data_.sensorModel[s] = link_.storedIdentity(s).sensorModel;
                                  }
                                  done(n);
                              });
}

// Selects the current device in the list, applies the sensor profile of every
// slot (the last one decides) and shows the current device's settings.
void MainViewLogic::ShowCurrentDevice(bool startUp, std::function<void()> done) {
    form_.setCurrentRow(ControlId::DeviceList, state_.currentDevice);
    std::vector<QByteArray> models;
    for (int s = 0; s < deviceCount() && s < MAX_DEVICES; ++s)
        models.push_back(data_.sensorModel[s]);
    const SensorProfile profile = link_.SelectSensorProfile(models);
    data_.pointCount = profile.pointCount;
    data_.firstWavelength = profile.firstWavelength;
    if (state_.currentDevice >= 0 && state_.currentDevice < MAX_DEVICES)
        ShowDeviceSettings(link_.slot(state_.currentDevice), form_,
                           startUp ? SettingsShow::StartUp : SettingsShow::Redetect,
                           std::move(done));
    else if (done)
        done();
}

void MainViewLogic::FallBackFromReferenceModes() {
    const bool referenceValid =
        data_.referenceIndex >= 0 && data_.referenceIndex < data_.recordCount;
    if ((state_.displayMode == DISPLAY_COMPARISON || state_.displayMode == DISPLAY_ABSORPTANCE) &&
        !referenceValid)
        state_.displayMode = DISPLAY_LINE;
    form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
}

void MainViewLogic::InitialUpdate(std::function<void()> done) {
    form_.clearCombo(ControlId::ModeCombo);
    for (const char* text : DISPLAY_MODE_TEXTS)
        form_.addComboItem(ControlId::ModeCombo, QCoreApplication::translate("MainView", text));
    form_.clearCombo(ControlId::AveragingCombo);
    for (int v = 1; v <= 100; ++v)
        form_.addComboItem(ControlId::AveragingCombo, QString::asprintf("%3d", v));

    if (!state_.detectionPending) {
        operations_.Run([this, done](OperationQueue::Finished finished) {
            FinishInitialUpdate([finished, done] {
                finished();
                if (done)
                    done();
            });
        });
        return;
    }
    // The window is up at once; the device controls wait for the detection.
    state_.detectionPending = false;
    EnableControls(false);
    state_.layoutReady = true;
    LayoutControls(form_.clientHeight());
    operations_.Run([this, done](OperationQueue::Finished finished) {
        DetectAndIdentify([this, finished, done](int) {
            link_.FindAndConnectLedUnit([this, finished, done] {
                FinishInitialUpdate([finished, done] {
                    finished();
                    if (done)
                        done();
                });
            });
        });
    });
}

// Once the devices are known: the data list, the enabled controls, the modes
// that need a reference, and the first drawing (which starts the ticks).
void MainViewLogic::ShowDevicesKnown() {
    if (data_.recordCount != 0)
        RebuildDataList();
    EnableControls(deviceCount() != 0);
    FallBackFromReferenceModes();
    if (state_.monitoring)
        cycle_.StartFirstDraw();
}

void MainViewLogic::FinishInitialUpdate(std::function<void()> done) {
    auto rest = [this, done] {
        ShowDevicesKnown();
        state_.layoutReady = true;
        LayoutControls(form_.clientHeight());
        form_.setText(ControlId::IntervalEdit, QString::asprintf("%d", state_.intervalMs));
        if (link_.led().present)
            form_.setChecked(ControlId::LedCheck, link_.led().state != 0);
        if (done)
            done();
    };
    if (deviceCount() != 0) {
        ShowCurrentDevice(true, rest);
        return;
    }
    form_.clearList(ControlId::DeviceList);
    rest();
}

void MainViewLogic::Redetect(std::function<void()> done) {
    operations_.Run([this, done](OperationQueue::Finished finished) {
        form_.clearList(ControlId::DeviceList);
        DetectAndIdentify([this, finished, done](int n) {
            // A current device beyond the devices found would address a closed
            // port and leave the list without a selection: start again from the first.
            if (state_.currentDevice >= n || state_.currentDevice < 0)
                state_.currentDevice = 0;
            auto rest = [this, finished, done] {
                ShowDevicesKnown();
                finished();
                if (done)
                    done();
            };
            if (deviceCount() != 0)
                ShowCurrentDevice(false, rest);
            else
                rest();
        });
    });
}
