#pragma once

// The main view's logic with no window: the fake form, timers on a fake
// clock that fire in due order (as in the command-line tool), settings in
// memory and no document. Ports is the port provider the view talks through.

#include <memory>
#include <vector>

#include <QString>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "device/PortProvider.h"
#include "support/ClockTimerHost.h"
#include "support/FakeClock.h"
#include "support/FakeMainForm.h"
#include "support/InlineLink.h"
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

    // No document: the question whether to start a new data set gets
    // `newDataSetAnswer`, and each question is kept.
    struct NoDocument : DocumentHooks {
        void setModified() override {}
        bool offerNewDataSet(const QString& question) override {
            questions.push_back(question);
            return newDataSetAnswer;
        }
        bool newDataSetAnswer = false;
        std::vector<QString> questions;
    };

    // Fires timers in due order until the data set holds `records` records or
    // `ticks` monitoring ticks ran.
    void RunUntil(int records, int ticks = 1000) {
        for (int t = 0; t < ticks && data.recordCount < records;) {
            const int id = timers.WaitNext();
            if (id < 0)
                return;
            t += id == TIMER_TICK;
            view->OnTimer(id);
        }
    }

    FakeClock clock;
    std::unique_ptr<Ports> ports;
    std::unique_ptr<TestDeviceLink> link;
    FakeMainForm form;
    ClockTimerHost timers{clock};
    MemorySettingsStore settings;
    MeasurementDataSet data;
    NoDocument doc;
    std::unique_ptr<MainViewLogic> view;
};
