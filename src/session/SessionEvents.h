#pragma once

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/DeviceSettingTable.h"
#include "device/DeviceSlot.h"

// What the acquisition session reports, by value: a subscriber may keep an
// event as long as it likes and never reaches into the session's state.

// One spectrometer in a reading.
struct DeviceReading {
    int slot = 0;
    QByteArray serial;
    QByteArray sensorModel;
    WavelengthGrid grid;
    bool answering = true;
    // Its port is lent out (an upload, a sensor-information read): not read
    // meanwhile, and not fresh.
    bool held = false;
    // This tick's spectrum came; else values and temperature are the last ones
    // the device gave (or none yet).
    bool fresh = false;
    std::vector<float> values;  // grid.pointCount values
    float temperature = 0.0f;
    // What the session knows the device to have: read at detection, then
    // what it was sent (and, where asked, reported back).
    DeviceSettingValues settings;
};

// Every spectrometer's live values after one tick. Sequence numbers grow by
// one per tick; a reading with a sequence above the one a command reported was
// taken after that command's effect.
struct ReadingEvent {
    std::uint64_t sequence = 0;
    std::int64_t timeStamp = 0;  // seconds since the epoch
    std::vector<DeviceReading> devices;
    bool ledPresent = false;
    bool ledAnswering = false;
    float ledTemperature = 0.0f;
    bool ledOn = false;
};

// One device's part of a stored record.
struct RecordedDevice {
    QByteArray serial;
    QByteArray sensorModel;
    WavelengthGrid grid;
    std::vector<float> values;  // NaN for a device not attached, not answering or held
    float temperature = 0.0f;
    std::int32_t exposure = 0;
};

// A record went into the data set (at `index`).
struct RecordStoredEvent {
    int index = 0;
    std::int64_t timeStamp = 0;
    int referenceIndex = -1;
    std::vector<RecordedDevice> devices;
};

// Acquisition started, stopped or finished its single record.
struct AcquisitionEvent {
    bool acquiring = false;
    bool continuous = false;
};

// A spectrometer (slot) or the LED unit (slot LED_SLOT) stopped answering or
// answers again.
struct AnsweringEvent {
    int slot = 0;
    bool answering = true;
};

// Another device (another serial) answers on a lost device's port.
struct OtherDeviceEvent {
    int slot = 0;
};

// Detection under way (found so far) or finished (found in all).
struct DetectionEvent {
    int found = 0;
    bool finished = false;
};

// A setting went to a device: the values sent, and what the device reported
// back where the command asked (the window's settings are not read back, so
// each port's exchanges stay as they were).
struct SettingAppliedEvent {
    int slot = 0;
    DeviceSettingValues sent;
    DeviceSettingValues reported;
    std::uint64_t afterSequence = 0;  // the last reading before it took effect
};

// A dark setting was performed (or could not be, failure non-empty).
struct DarkEvent {
    int slot = 0;
    QString failure;
};

// The file every record is appended to failed (message) or takes its lines
// again (empty).
struct AppendFileEvent {
    QString notice;
};

// The data set was edited outside the ticks: a record deleted, the reference
// set, or the whole data set replaced (a document opened, a new data set).
struct DataSetEditEvent {
    enum class Kind { Deleted, Reference, Replaced };
    Kind kind = Kind::Replaced;
    int index = -1;  // the record deleted or made the reference (-1: none)
};

// The data set holds MAX_RECORDS records and takes no more (full), or has
// room again (a record deleted, a new data set). Told once per change.
struct DataSetFullEvent {
    bool full = true;
};

using SessionEvent = std::variant<ReadingEvent, RecordStoredEvent, AcquisitionEvent, AnsweringEvent,
                                  OtherDeviceEvent, DetectionEvent, SettingAppliedEvent, DarkEvent,
                                  AppendFileEvent, DataSetEditEvent, DataSetFullEvent>;
