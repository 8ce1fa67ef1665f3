#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QString>

// Entry points shared by the fuzz targets and by the regression suite that
// replays their corpus. Each takes arbitrary bytes, must not crash, and checks
// what must hold whatever the input; `failure` names the first broken property
// and is empty when all hold.

struct DocumentOutcome {
    bool accepted = false;  // the reader took the file
    QString message;        // the reader's message when it refused the file
    int records = 0;        // counts of the data set after the read
    int devices = 0;
    int points = 0;
    QString failure;
};

// Reads the bytes as a document file into a data set that already holds two
// records. A refused file must leave that data set exactly as it was; an
// accepted one must respect the capacities, keep the texts of the slots beyond
// its device count, read back identically after a save, and survive the record
// labels, the spectrum CSV and deleting a record.
DocumentOutcome RunDocumentInput(std::span<const std::uint8_t> bytes);

// The first byte picks the reply parser, the second its options (link,
// counts); the rest is what the device sends, consumed as replies are read.
enum class ReplyTarget : std::uint8_t {
    Identity = 0,      // version, serial, type, stored identity, connect limits, LED unit, spectrum
    StoredUpload = 1,  // logged-record count, upload loop, list and CSV lines
    SensorInfo = 2,    // texts, coefficients and paged tables of the sensor information
    SimRequests = 3,   // request bytes into a simulated spectrometer or LED unit
    DeviceSpecs = 4,   // the DEVICES text of the simulation
};
inline constexpr int kReplyTargets = 5;

struct RepliesOutcome {
    ReplyTarget target = ReplyTarget::Identity;
    int requests = 0;  // requests written (or answered, for the simulated device)
    int items = 0;     // records uploaded, lines made, device lists parsed
    QString failure;
};

RepliesOutcome RunRepliesInput(std::span<const std::uint8_t> bytes);
