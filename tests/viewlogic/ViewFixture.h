#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "data/MeasurementDataSet.h"
#include "device/CommandTable.h"
#include "device/DeviceLink.h"
#include "support/FakeClock.h"
#include "support/FakeMainForm.h"
#include "support/FakePortProvider.h"
#include "support/InlineLink.h"
#include "viewlogic/MainViewLogic.h"

struct DocumentSpy : DocumentHooks {
    int modified = 0;
    void setModified() override { ++modified; }
};

// A main view over scripted devices, a fake form, manual timers and a fake clock.
class ViewFixture : public ::testing::Test {
  protected:
    // A spectrometer on its own port (direct USB identity), in slot order.
    std::shared_ptr<FakeDevice> AddDevice(const QByteArray& version = "1.6",
                                          const QByteArray& serial = "");
    std::shared_ptr<FakeDevice> AddLed();
    // Builds the link and the view and runs the form's initial update.
    void Start();
    // Fires an armed timer (fails the test when it is not armed).
    void Fire(int id);
    // One monitoring tick, the clock moved by ms first.
    void Tick(int advanceMs = 50);

    std::shared_ptr<PortScript> script(int slot) const { return scripts_.at(slot); }
    // Requests on a port whose word is `word`.
    int Count(int slot, CommandWord word) const;
    int CountLed(CommandWord word) const;
    // Payloads of the setting requests of `word` sent to a device.
    std::vector<std::int32_t> Payloads(const FakeDevice& device, CommandWord word) const;
    int Records() const { return data.recordCount; }

    FakeClock clock{1700000000, 5000};
    FakePortProvider ports{&clock};
    FakeMainForm form;
    FakeTimerHost timers;
    MemorySettingsStore settings;
    MeasurementDataSet data;
    DocumentSpy doc;
    std::vector<std::shared_ptr<FakeDevice>> devices;
    std::shared_ptr<FakeDevice> led;
    std::unique_ptr<TestDeviceLink> link;
    std::unique_ptr<MainViewLogic> view;

  private:
    std::vector<std::shared_ptr<PortScript>> scripts_;
    std::shared_ptr<PortScript> ledScript_;
};
