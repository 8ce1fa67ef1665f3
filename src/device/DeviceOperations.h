#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include <QByteArray>

#include "device/CommandTable.h"
#include "device/DeviceSettingTable.h"
#include "device/DeviceSlot.h"
#include "device/Transport.h"

// What the host asks of one device, as functions over its port and plain
// values: no form, no view state. The view logic decides what to ask; these
// ask, within the firmware gates of the command table. A reply that does not
// come leaves the value as stated for each.

// Read when a port is taken: the version text and its number, the serial
// text, and the LX flag (low 4 bits of the device type equal 4).
struct DeviceIdentity {
    QByteArray versionText;
    float version = 0.0f;
    QByteArray serialText;
    bool isLX = false;
};
DeviceIdentity IdentifyOnDetection(Transport& port);

// Exposure and averaging count as the device has them once the connect limits
// are applied (nullopt where the reply is missing). Exposure above 1 s is
// lowered to 1 s; averaging above 100 reset to 1 on firmware 1.5 or above.
DeviceSettingValues ApplyConnectLimits(Transport& port, float version);

// Serial and sensor model for the data set, then the connect limits.
struct StoredIdentity {
    QByteArray serialText;
    QByteArray sensorModel;
    DeviceSettingValues settings;  // as read at the connect limits
};
StoredIdentity ReadStoredIdentity(Transport& port, float version);

// One tick's reads of a spectrometer: the spectrum (whole, or always 32 pages
// when bridged; the first pointCount values taken), then the temperature.
struct LiveReading {
    bool spectrumRead = false;
    bool temperatureRead = false;
    SpectrumBuffer spectrum{};  // the first pointCount values when read
    float temperature = 0.0f;
};
LiveReading ReadLiveData(Transport& port, bool bridged, int pointCount);

// Exposure and averaging count, and the auxiliary setting when asked for and
// the device's firmware has one. Missing replies read as 0.
struct DeviceSettings {
    std::int32_t exposure = 0;
    std::int32_t averaging = 0;
    std::optional<std::int32_t> aux;  // set when the device was asked for it
};
DeviceSettings ReadDeviceSettings(Transport& port, float version, bool withAux);

// The settings present, in the table's order, each only when the device's
// firmware takes it (as a tick hands them to a device after its reads).
void SendPendingSettings(Transport& port, float version, const DeviceSettingValues& settings);

// CMD_STORE_DARK when the firmware takes it; true when it was sent.
bool StoreDark(Transport& port, float version);

// Wakes a device when monitoring resumes (device type asked, reply not used).
void WakeDevice(Transport& port);

// Whether a device that stopped answering is back, asked about once a second
// in place of its tick's reads: one short command while its port is still
// open; once the port has gone, the port is opened anew at its name and the
// device identified again (serial, sensor model, connect limits). It takes
// its place back only when its serial text is the one it had.
struct ProbeResult {
    bool answered = false;
    bool reopened = false;     // the port had gone and opened again
    QString newName;           // the device answered on a newly listed port
    bool otherDevice = false;  // another serial answered there (closed again)
    DeviceIdentity identity;   // when reopened
    StoredIdentity stored;     // when reopened and it is the same device
};
class PortAccess;
// `knownPorts` are the ports listed when the device was lost: a port listed
// since then with the device's USB identity is tried too.
ProbeResult ProbeSpectrometer(PortAccess& port, bool bridged, const QByteArray& serialText,
                              const std::vector<QString>& knownPorts = {});
// The LED unit's probe: its temperature, reopening a port that has gone.
bool ProbeLedUnit(PortAccess& port);

// The exposure stored with a record: 0 when the device does not answer.
std::int32_t ReadExposureForRecord(Transport& port);

// The LED unit: its state (0 when no reply comes) and its label, name text +
// " ver " + version text.
struct LedIdentity {
    std::int32_t state = 0;
    QByteArray label;
};
LedIdentity ConnectLedUnit(Transport& port);

// One tick of the LED unit: its temperature, then its state sent (every tick,
// changed or not).
struct LedReading {
    bool temperatureRead = false;
    float temperature = 0.0f;
};
LedReading ReadLedLive(Transport& port, std::int32_t state);

// The data-logging model's store: the number of logged records (nullopt when
// the reply is missing), and the next record in the device's order (the whole
// 2096 bytes in one exchange, bridged or not). A missing record leaves `into`
// as it was.
std::optional<std::int32_t> ReadStoredCount(Transport& port);
bool ReadLoggedRecord(Transport& port, std::span<std::uint8_t, LOGGED_RECORD_BYTES> into);

// The settings present sent in SendPendingSettings' order and gates, then
// each one sent read back. `acknowledged` is false when an acknowledgement
// did not come; `reported` holds only what was sent.
struct SettingsReadBack {
    bool acknowledged = true;
    DeviceSettingValues reported;
};
SettingsReadBack SendSettingsAndReadBack(Transport& port, float version,
                                         const DeviceSettingValues& settings);

// CMD_STORE_DARK within its gate, with its acknowledgement told.
enum class DarkOutcome { NotTaken, Acknowledged, NoReply };
DarkOutcome StoreDarkAcknowledged(Transport& port, float version);

// The LED unit's state sent as a tick sends it, then read back (nullopt when
// the state's reply is missing; the acknowledgement is not examined).
std::optional<std::int32_t> SendLedStateAndReadBack(Transport& port, std::int32_t state);
