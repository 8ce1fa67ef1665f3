// Construction, settings and the start-up and re-detect sequences of the main
// view.
#include "viewlogic/MainViewLogic.h"

#include <algorithm>
#include <vector>

#include <QStringList>

#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "session/LiveDevices.h"
#include "viewlogic/DeviceSettingsEdits.h"
#include "viewlogic/DisplayModes.h"

MainViewLogic::MainViewLogic(MainForm& form, TimerHost& timers, SettingsStore& settings,
                             DeviceLink& link, MeasurementDataSet& data, DocumentHooks& document,
                             QString programFolder)
    : form_(form),
      timers_(timers),
      settings_(settings),
      link_(link),
      data_(data),
      document_(document),
      session_(link, data, timers) {
    state_.programFolder = std::move(programFolder);
    ReadSettings();
    session_.Subscribe([this](const SessionEvent& event) { OnSessionEvent(event); });
    session_.setRecordAdmission([this] { return MayRecordLiveDevices(); });
    plan_ = std::make_unique<PlanScheduler>(settings_, link_.clock(),
                                            [this](const QString& fileName, int appendFlag) {
                                                StoreRecordAndSave(fileName, appendFlag);
                                            });
    plan_->Initialise();
}

MainViewLogic::~MainViewLogic() {
    timers_.stop(TIMER_PLAN);
    plan_.reset();  // its settings are written now
    WriteSettings();
    // No port work may come back to a view that is gone.
    session_.operations().Clear();
    link_.CloseAll();
}

void MainViewLogic::OnSessionEvent(const SessionEvent& event) {
    if (std::holds_alternative<ReadingEvent>(event)) {
        Redraw();
    } else if (const auto* stored = std::get_if<RecordStoredEvent>(&event)) {
        OnRecordStored(stored->index);
    } else if (std::holds_alternative<AcquisitionEvent>(event)) {
        ShowAcquireCaption();
    } else if (const auto* answering = std::get_if<AnsweringEvent>(&event)) {
        OnAnsweringChanged(answering->slot);
    } else if (const auto* other = std::get_if<OtherDeviceEvent>(&event)) {
        OnOtherDevice(other->slot);
    } else if (const auto* detection = std::get_if<DetectionEvent>(&event)) {
        if (!detection->finished)
            ShowDetecting(detection->found);
    } else if (std::holds_alternative<DarkEvent>(event)) {
        // Reported after the tick: the devices go on while it is shown.
        form_.notice(QCoreApplication::translate("MainView", "終了しました"));
    } else if (std::holds_alternative<AppendFileEvent>(event) ||
               std::holds_alternative<DataSetFullEvent>(event)) {
        if (planNoticeHook_)
            planNoticeHook_();
    }
}

void MainViewLogic::OnTimer(int id) {
    if (id == TIMER_PLAN) {
        OnPlanTimer();
        return;
    }
    if (id != TIMER_FIRST_DRAW) {
        session_.OnTimer(id);
        return;
    }
    timers_.stop(TIMER_FIRST_DRAW);
    Redraw();
    session_.StartTicks();
}

void MainViewLogic::StartFirstDraw() {
    timers_.start(TIMER_FIRST_DRAW, FIRST_DRAW_MS);
}

int MainViewLogic::deviceCount() const {
    return link_.deviceCount();
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
    session_.Detect([this, done = std::move(done)](int n) {
        form_.clearList(ControlId::DeviceList);
        form_.setEnabled(ControlId::DeviceList, true);
        for (int s = 0; s < n; ++s)
            form_.addListItem(ControlId::DeviceList, DeviceListEntry(s));
        deviceNotice_.clear();
        done(n);
    });
}

bool MainViewLogic::MapLiveDevices(std::array<int, MAX_DEVICES>& liveOf) const {
    return ::MapLiveDevices(link_, data_, liveOf);
}

bool MainViewLogic::DataSetHoldsLiveDevices() const {
    std::array<int, MAX_DEVICES> liveOf{};
    return MapLiveDevices(liveOf);
}

QString MainViewLogic::DataSetDevicesNotice() const {
    if (data_.recordCount == 0 || link_.deviceCount() == 0)
        return QString();
    std::array<int, MAX_DEVICES> liveOf{};
    bool same = MapLiveDevices(liveOf) && data_.deviceCount == link_.deviceCount();
    for (int d = 0; same && d < data_.deviceCount && d < MAX_DEVICES; ++d)
        same = liveOf[d] == d;
    if (same)
        return QString();
    auto names = [](int n, auto serial, auto grid) {
        QStringList list;
        for (int s = 0; s < n && s < MAX_DEVICES; ++s) {
            const WavelengthGrid g = grid(s);
            list << QStringLiteral("%1 %2-%3 nm")
                        .arg(QString::fromLatin1(serial(s)).trimmed())
                        .arg(g.firstWavelength)
                        .arg(g.lastWavelength());
        }
        return list.join(QStringLiteral(", "));
    };
    const QString held = names(
        data_.deviceCount, [this](int s) { return data_.serialText[s]; },
        [this](int s) { return data_.grid(s); });
    const QString live = names(
        link_.deviceCount(), [this](int s) { return link_.storedIdentity(s).serialText; },
        [this](int s) { return link_.profile(s).grid(); });
    return QCoreApplication::translate("MainView", "データ一覧の装置: %1 / 接続中: %2")
        .arg(held, live);
}

// Selects the current device in the list and shows its settings.
void MainViewLogic::ShowCurrentDevice(bool startUp, std::function<void()> done) {
    form_.setCurrentRow(ControlId::DeviceList, state_.currentDevice);
    // An opened document without records: the data set of the live devices.
    if (data_.recordCount == 0)
        AdoptLiveDevices(link_, data_);
    if (state_.currentDevice >= 0 && state_.currentDevice < MAX_DEVICES)
        ShowDeviceSettings(link_.slot(state_.currentDevice), form_,
                           startUp ? SettingsShow::StartUp : SettingsShow::Redetect,
                           [this, done = std::move(done)] {
                               SyncAuxSetting();  // what the edit shows is what goes out
                               if (done)
                                   done();
                           });
    else if (done)
        done();
}

void MainViewLogic::FallBackFromReferenceModes() {
    const bool referenceValid =
        data_.referenceIndex >= 0 && data_.referenceIndex < data_.recordCount;
    if (DisplayModeOf(state_.displayMode).needsReference && !referenceValid)
        state_.displayMode = DISPLAY_LINE;
    form_.setCurrentIndex(ControlId::ModeCombo, state_.displayMode);
}

void MainViewLogic::InitialUpdate(std::function<void()> done) {
    form_.clearCombo(ControlId::ModeCombo);
    for (const DisplayMode& mode : DISPLAY_MODES)
        form_.addComboItem(ControlId::ModeCombo,
                           QCoreApplication::translate("MainView", mode.caption));
    form_.clearCombo(ControlId::AveragingCombo);
    for (int v = 1; v <= 100; ++v)
        form_.addComboItem(ControlId::AveragingCombo, QString::asprintf("%3d", v));

    if (!state_.detectionPending) {
        session_.operations().Run([this, done](OperationQueue::Finished finished) {
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
    session_.operations().Run([this, done](OperationQueue::Finished finished) {
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
        StartFirstDraw();
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
    session_.operations().Run([this, done](OperationQueue::Finished finished) {
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
