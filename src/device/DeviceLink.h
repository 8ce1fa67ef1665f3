#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/Clock.h"
#include "device/DeviceOperations.h"
#include "device/DeviceSlot.h"
#include "device/PortChannel.h"
#include "device/PortDiagnostics.h"
#include "device/PortProvider.h"

// USB identities, matched as substrings of a device's hardware id.
inline constexpr const char* USB_ID_DIRECT = "VID_3D7E&PID_0825";
inline constexpr const char* USB_ID_BRIDGE = "VID_1A86&PID_7523";
inline constexpr const char* USB_ID_LED = "VID_3D7E&PID_0B20";

// Whether the enumeration holds a device whose friendly name contains portTag
// and whose (first) hardware id contains usbId.
bool UsbIdMatchesPort(const std::vector<UsbDeviceInfo>& devices, const QString& usbId,
                      const QString& portTag);

// Finds, opens and identifies the spectrometers and the LED unit, and owns
// their ports: the ten device slots (each with its sensor profile) and the LED unit.
// Every exchange goes through the port's channel (its own worker in the
// window); the link itself runs on the thread that owns the channels and
// hands results on through callbacks.
class DeviceLink {
  public:
    DeviceLink(PortProvider& ports, Clock& clock, PortExecutor& executor, int settleMs = 3000);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Closes all spectrometer ports, then detects afresh, all ports at once:
    // the candidates with a spectrometer identity are opened (at most
    // MAX_DEVICES of them), each set up for the bridge when it is behind one,
    // identified, left quiet for settleMs, and then its stored identity (serial
    // and sensor model) is read and the connect limits applied. Slots follow
    // the candidate order. `found(n)` reports the devices identified so far;
    // `done(count)` runs when every device is ready.
    void DetectSpectrometers(std::function<void(int found)> found, std::function<void(int)> done);
    // Closes every spectrometer port and empties the slots (the spectra stay).
    void CloseSpectrometers();
    // Serial and sensor model the last detection read from a slot.
    const StoredIdentity& storedIdentity(int slot) const;
    // Gives slot k the sensor model table's row of sensorModels[k]: each device
    // its own grid, pixel count and sensor-kind flags. A model not in the table
    // keeps the slot's pixel count.
    void SelectSensorProfiles(const std::vector<QByteArray>& sensorModels);
    // Whether every device found has a sensor outside the visible range (the
    // 640-1050 nm or the 190-440 nm kind): then only the line spectrum and the
    // comparison display make sense. False with no device.
    bool onlyRestrictedSensors() const;
    // Whether every device found has the sensor-kind flag (nirSensor or
    // uvSensor) set. False with no device.
    bool allSensors(bool SensorProfile::*kind) const;
    // The LED unit search and connect: every candidate with the LED identity is
    // opened; the last one that opens is the unit (the others are closed), and
    // it is asked for its state, version and name. `done()` when finished.
    void FindAndConnectLedUnit(std::function<void()> done);
    // Closes the LED unit's port (when the main view goes away).
    void CloseLedUnit();
    // Closes every port at once, dropping work not yet started (shutdown).
    void CloseAll();

    // Ports that exist but could not be opened (no permission, held by another
    // program): those with a spectrometer identity met by the last detection,
    // then those with the LED unit's identity met by the last LED search. Ports
    // this program holds itself are not among them.
    std::vector<PortDiagnostic> portDiagnostics() const;

    // Device list entry: serial + port tag + " " + version + "(LX)", e.g. "T00(pts/0) 1.6".
    QString ListEntry(int slot) const;

    int deviceCount() const { return deviceCount_; }
    bool detecting() const { return detecting_; }
    DeviceSlot& slot(int i) { return slots_[i]; }
    const DeviceSlot& slot(int i) const { return slots_[i]; }
    LedUnit& led() { return led_; }
    const LedUnit& led() const { return led_; }
    const SensorProfile& profile(int slot) const;
    Clock& clock() { return clock_; }
    int settleMs() const { return settleMs_; }
    void setSettleMs(int ms) { settleMs_ = ms; }
    PortProvider& ports() { return ports_; }
    PortExecutor& executor() { return executor_; }

  private:
    struct Detection;
    struct LedSearch;
    void OpenNextWave(const std::shared_ptr<Detection>& detection);
    void FinishDetection(Detection& detection);
    // After a failed open of `name`: records it when the provider knew why and
    // the port carries one of `usbIds`.
    void NoteOpenFailure(const QString& name, const PortOpenFailure& failure,
                         const std::vector<UsbDeviceInfo>& devices,
                         std::initializer_list<const char*> usbIds,
                         std::vector<PortDiagnostic>& into);

    PortProvider& ports_;
    Clock& clock_;
    PortExecutor& executor_;
    int settleMs_;
    int deviceCount_ = 0;
    bool detecting_ = false;
    int generation_ = 0;  // a newer detection or a close makes older results stale
    // The searches under way own their ports' channels; the work they hand
    // out holds them only weakly, so closing drops the search and its ports.
    std::shared_ptr<Detection> detection_;
    std::shared_ptr<LedSearch> ledSearch_;
    std::array<DeviceSlot, MAX_DEVICES> slots_;
    std::array<StoredIdentity, MAX_DEVICES> stored_;
    LedUnit led_;
    std::vector<PortDiagnostic> detectDiagnostics_;
    std::vector<PortDiagnostic> ledDiagnostics_;
};
