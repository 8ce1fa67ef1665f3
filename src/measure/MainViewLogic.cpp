// Construction, settings and the start-up and re-detect sequences of the main
// view.
#include "measure/MainViewLogic.h"

#include <vector>

#include <QCoreApplication>

#include "device/DeviceLink.h"
#include "measure/Acquisition.h"
#include "measure/MeasurementDataSet.h"

MainViewLogic::MainViewLogic(MainForm& form, TimerHost& timers, SettingsStore& settings,
                             DeviceLink& link, MeasurementDataSet& data, DocumentHooks& document,
                             QString programFolder)
    : form_(form),
      timers_(timers),
      settings_(settings),
      link_(link),
      data_(data),
      document_(document),
      cycle_(link, data, form, timers, state_,
             MonitoringCycle::Hooks{[this] { StoreRecord(); },
                                    [this] { EnableControls(deviceCount() != 0); }}) {
    state_.programFolder = std::move(programFolder);
    ReadSettings();
}

MainViewLogic::~MainViewLogic() {
    WriteSettings();
    link_.CloseLedUnit();
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

int MainViewLogic::DetectAndIdentify() {
    const int n = link_.DetectSpectrometers();
    data_.deviceCount = n;
    for (int s = 0; s < n; ++s)
        form_.addListItem(ControlId::DeviceList, link_.ListEntry(s));
    for (int s = 0; s < n; ++s) {
        const StoredIdentity identity = link_.ReadStoredIdentity(s);
        data_.serialText[s] = identity.serialText;
        data_.sensorModel[s] = identity.sensorModel;
    }
    return n;
}

// Selects the current device in the list, applies the sensor profile of every
// slot (the last one decides) and shows the current device's settings.
void MainViewLogic::ShowCurrentDevice(bool startUp) {
    form_.setCurrentRow(ControlId::DeviceList, state_.currentDevice);
    std::vector<QByteArray> models;
    for (int s = 0; s < deviceCount() && s < MAX_DEVICES; ++s)
        models.push_back(data_.sensorModel[s]);
    const SensorProfile profile = link_.SelectSensorProfile(models);
    data_.pointCount = profile.pointCount;
    data_.firstWavelength = profile.firstWavelength;
    if (state_.currentDevice >= 0 && state_.currentDevice < MAX_DEVICES)
        ShowDeviceSettings(link_.slot(state_.currentDevice), form_,
                           startUp ? SettingsShow::StartUp : SettingsShow::Redetect);
}

void MainViewLogic::FallBackFromReferenceModes() {
    const bool referenceValid =
        data_.referenceIndex >= 0 && data_.referenceIndex < data_.recordCount;
    if ((state_.displayMode == DISPLAY_COMPARISON || state_.displayMode == DISPLAY_ABSORPTANCE) &&
        !referenceValid)
        state_.displayMode = DISPLAY_LINE;
    form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
}

void MainViewLogic::InitialUpdate() {
    form_.clearCombo(ControlId::ModeCombo);
    for (const char* text : DISPLAY_MODE_TEXTS)
        form_.addComboItem(ControlId::ModeCombo, QCoreApplication::translate("MainView", text));
    form_.clearCombo(ControlId::AveragingCombo);
    for (int v = 1; v <= 100; ++v)
        form_.addComboItem(ControlId::AveragingCombo, QString::asprintf("%3d", v));

    if (state_.detectionPending) {
        DetectAndIdentify();
        state_.detectionPending = false;
        link_.FindLedUnit();
        link_.ConnectLedUnit();
    }
    if (deviceCount() != 0)
        ShowCurrentDevice(true);
    else
        form_.clearList(ControlId::DeviceList);
    if (data_.recordCount != 0)
        RebuildDataList();
    EnableControls(deviceCount() != 0);
    FallBackFromReferenceModes();
    if (state_.monitoring)
        cycle_.StartFirstDraw();
    state_.layoutReady = true;
    LayoutControls(form_.clientHeight());
    form_.setText(ControlId::IntervalEdit, QString::asprintf("%d", state_.intervalMs));
    if (link_.led().present)
        form_.setChecked(ControlId::LedCheck, link_.led().state != 0);
}

void MainViewLogic::Redetect() {
    form_.clearList(ControlId::DeviceList);
    const int n = DetectAndIdentify();
    // A current device beyond the devices found would address a closed port
    // and leave the list without a selection: start again from the first.
    if (state_.currentDevice >= n || state_.currentDevice < 0)
        state_.currentDevice = 0;
    if (deviceCount() != 0)
        ShowCurrentDevice(false);
    if (data_.recordCount != 0)
        RebuildDataList();
    EnableControls(deviceCount() != 0);
    FallBackFromReferenceModes();
    if (state_.monitoring)
        cycle_.StartFirstDraw();
}
