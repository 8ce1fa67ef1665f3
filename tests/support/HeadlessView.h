#pragma once

// The main view's logic with no window: the headless form, timers on a fake
// clock that fire in due order (as in the command-line tool), settings in
// memory and no document. Ports is the port provider the view talks through.

#include <memory>

#include <QString>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "device/PortProvider.h"
#include "support/ClockTimerHost.h"
#include "support/FakeClock.h"
#include "support/InlineLink.h"
#include "viewlogic/HeadlessForm.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/SettingsStore.h"

template <class Ports = PortProvider>
class HeadlessView {
  public:
    explicit HeadlessView(FakeClock start = FakeClock()) : clock(start) {}

    // Builds the view over ports and runs its initial update (detection, LED
    // unit search).
    void Start(std::unique_ptr<Ports> viewPorts, int settleMs = 0) {
        ports = std::move(viewPorts);
        link = std::make_unique<TestDeviceLink>(*ports, clock, settleMs);
        view = std::make_unique<MainViewLogic>(form, timers, settings, *link, data, doc, QString());
        view->InitialUpdate();
    }

    // Continuous acquisition every intervalMs (0: a record on every tick).
    void StartContinuous(int intervalMs) {
        form.setChecked(ControlId::Continuous, true);
        form.setText(ControlId::IntervalEdit, QString::number(intervalMs));
        view->OnAcquireButton();
    }

    struct NoDocument : DocumentHooks {
        void setModified() override {}
    };

    FakeClock clock;
    std::unique_ptr<Ports> ports;
    std::unique_ptr<TestDeviceLink> link;
    HeadlessForm form;
    ClockTimerHost timers{clock};
    MemorySettingsStore settings;
    MeasurementDataSet data;
    NoDocument doc;
    std::unique_ptr<MainViewLogic> view;
};
