#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/Clock.h"
#include "device/DeviceSlot.h"
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

// Identity read from a slot after detection, to go into the data set.
struct StoredIdentity {
    QByteArray serialText;
    QByteArray sensorModel;
};

// Finds, opens and identifies the spectrometers and the LED unit, and owns
// their ports: the ten device slots, the LED unit and the sensor profile flags.
class DeviceLink {
  public:
    DeviceLink(PortProvider& ports, Clock& clock, int settleMs = 3000);

    // Closes all spectrometer ports and fills the slots from 0 in candidate
    // order (at most MAX_DEVICES); each taken port is identified, then the
    // link waits settleMs. Returns the device count.
    int DetectSpectrometers();
    // Version text and number, serial text and LX flag of a freshly taken slot.
    void IdentifyOnDetection(int slot);
    // Closes every spectrometer port and empties the slots (the spectra stay).
    void CloseSpectrometers();
    // Serial and sensor model of one slot (the caller stores them in the data
    // set), followed by the connect limits.
    StoredIdentity ReadStoredIdentity(int slot);
    // Exposure above 1 s is lowered to 1 s; averaging above 100 reset to 1 on
    // firmware 1.5 or above.
    void ApplyConnectLimits(int slot);
    // Applies the sensor model table over the given models in slot order; the
    // last one decides. Returns pointCount/firstWavelength for the data set.
    SensorProfile SelectSensorProfile(const std::vector<QByteArray>& sensorModels);
    // LED unit search over all candidates; the last match wins, earlier ones
    // are closed. Returns the number of matching ports.
    int FindLedUnit();
    void ConnectLedUnit();
    // Closes the LED unit's port (when the main view goes away).
    void CloseLedUnit();

    // Ports that exist but could not be opened (no permission, held by another
    // program): those with a spectrometer identity met by the last detection,
    // then those with the LED unit's identity met by the last LED search. Ports this program
    // holds itself are not among them. Asks the provider through
    // PortOpenReporter; a provider without it reports nothing.
    std::vector<PortDiagnostic> portDiagnostics() const;

    // Device list entry: serial + "(" + port tag + ") " + version + "(LX)".
    QString ListEntry(int slot) const;

    int deviceCount() const { return deviceCount_; }
    DeviceSlot& slot(int i) { return slots_[i]; }
    const DeviceSlot& slot(int i) const { return slots_[i]; }
    LedUnit& led() { return led_; }
    const LedUnit& led() const { return led_; }
    SensorProfile& profile() { return profile_; }
    const SensorProfile& profile() const { return profile_; }
    Clock& clock() { return clock_; }
    int settleMs() const { return settleMs_; }
    void setSettleMs(int ms) { settleMs_ = ms; }
    PortProvider& ports() { return ports_; }

  private:
    // After a failed open of `name`: records it when the provider knows why and
    // the port carries one of `usbIds` (the spectrometers' in detection, the LED
    // unit's in the LED search, so that each search answers for its own devices).
    void NoteOpenFailure(const QString& name, std::initializer_list<const char*> usbIds,
                         std::vector<PortDiagnostic>& into);

    PortProvider& ports_;
    Clock& clock_;
    int settleMs_;
    int deviceCount_ = 0;
    std::array<DeviceSlot, MAX_DEVICES> slots_;
    LedUnit led_;
    SensorProfile profile_;
    std::vector<PortDiagnostic> detectDiagnostics_;
    std::vector<PortDiagnostic> ledDiagnostics_;
};
