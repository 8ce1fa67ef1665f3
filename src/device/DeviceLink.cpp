#include "device/DeviceLink.h"

#include <algorithm>

#include "device/Gather.h"

bool UsbIdMatchesPort(const std::vector<UsbDeviceInfo>& devices, const QString& usbId,
                      const QString& portTag) {
    for (const UsbDeviceInfo& device : devices) {
        if (device.description.isEmpty())
            continue;  // a device without description is skipped
        // Only the first string of the hardware id list counts.
        const QString firstId = device.hardwareId.section(QChar('\0'), 0, 0);
        if (device.friendlyName.contains(portTag, Qt::CaseSensitive) &&
            firstId.contains(usbId, Qt::CaseSensitive))
            return true;
    }
    return false;
}

namespace {
bool InRange(int slot) {
    return slot >= 0 && slot < MAX_DEVICES;
}

// What opening a candidate port brought back.
struct OpenResult {
    bool opened = false;
    PortOpenFailure failure;
    DeviceIdentity identity;
};
}  // namespace

// One run of the spectrometer detection: the candidates with a spectrometer
// identity in port order, their channels while they are opened, and the
// devices taken so far.
struct DeviceLink::Detection {
    struct Candidate {
        QString name;
        bool bridged = false;
    };
    struct Taken {
        std::size_t order = 0;  // place among the candidates
        QString name;
        bool bridged = false;
        DeviceIdentity identity;
        StoredIdentity stored;
    };
    int generation = 0;
    std::vector<UsbDeviceInfo> devices;
    std::vector<Candidate> candidates;
    std::vector<std::shared_ptr<PortChannel>> channels;  // by candidate, null: not (yet) open
    std::size_t next = 0;                                // the next candidate to open
    std::vector<Taken> taken;
    int identified = 0;
    std::function<void(int)> found;
    std::function<void(int)> done;
    std::shared_ptr<Gather> ready;  // every device taken has its stored identity
};

// The LED unit search: a channel per candidate with the LED identity.
struct DeviceLink::LedSearch {
    std::vector<std::shared_ptr<PortChannel>> channels;  // in candidate order
    std::vector<bool> opened;
};

DeviceLink::DeviceLink(PortProvider& ports, Clock& clock, PortExecutor& executor, int settleMs)
    : ports_(ports), clock_(clock), executor_(executor), settleMs_(settleMs) {}

DeviceLink::~DeviceLink() {
    CloseAll();
}

void DeviceLink::CloseAll() {
    ++generation_;
    CloseSpectrometers();
    CloseLedUnit();
}

void DeviceLink::CloseSpectrometers() {
    detection_.reset();  // a detection under way ends here, with its ports
    detecting_ = false;
    for (DeviceSlot& s : slots_) {
        s.channel.reset();
        s.answering = true;
        s.bridged = false;
        s.version = 0.0f;
        s.isLX = false;
        s.versionText.clear();
        s.serialText.clear();
        s.portTag.clear();
    }
    stored_ = {};
    deviceCount_ = 0;
}

void DeviceLink::DetectSpectrometers(std::function<void(int)> found,
                                     std::function<void(int)> done) {
    CloseSpectrometers();
    detectDiagnostics_.clear();
    detecting_ = true;
    auto d = std::make_shared<Detection>();
    detection_ = d;
    d->generation = ++generation_;
    d->found = std::move(found);
    d->done = std::move(done);
    d->devices = ports_.enumerateDevices();
    for (const QString& name : ports_.candidatePorts()) {
        const QString tag = PortTag(name);
        if (UsbIdMatchesPort(d->devices, USB_ID_DIRECT, tag))
            d->candidates.push_back({name, false});
        else if (UsbIdMatchesPort(d->devices, USB_ID_BRIDGE, tag))
            d->candidates.push_back({name, true});
        // any other port is not ours and is never opened
    }
    d->channels.resize(d->candidates.size());
    std::weak_ptr<Detection> weak = d;
    d->ready = Gather::Make([this, weak] {
        if (auto live = weak.lock())
            FinishDetection(*live);
    });
    OpenNextWave(d);
}

// Opens as many further candidates at once as there are slots left; once all
// of them have answered, the next wave fills the slots that failed to open.
void DeviceLink::OpenNextWave(const std::shared_ptr<Detection>& d) {
    const std::size_t room = MAX_DEVICES - d->taken.size();
    std::vector<std::size_t> wave;
    while (wave.size() < room && d->next < d->candidates.size())
        wave.push_back(d->next++);
    if (wave.empty()) {
        d->ready->Release();  // further ports stay closed and unlisted
        return;
    }
    std::weak_ptr<Detection> weak = d;
    auto waveDone = Gather::Make([this, weak] {
        if (auto live = weak.lock())
            OpenNextWave(live);
    });
    for (std::size_t order : wave) {
        const Detection::Candidate candidate = d->candidates[order];
        d->channels[order] = executor_.channel(ports_, candidate.name);
        Ask<OpenResult>(
            *d->channels[order],
            [bridged = candidate.bridged](PortAccess& port) {
                OpenResult r;
                r.opened = port.open();
                if (!r.opened) {
                    r.failure = port.openFailure();
                    return r;
                }
                if (bridged)
                    port.transport()->configureBridge();  // before any command goes out
                r.identity = IdentifyOnDetection(*port.transport());
                return r;
            },
            [this, weak, order, candidate, opened = waveDone->Add(),
             ready = d->ready->Add()](OpenResult r) mutable {
                auto d = weak.lock();
                if (!d)
                    return;  // closed meanwhile
                if (!r.opened) {
                    // No such port, or held by someone (this program included).
                    d->channels[order].reset();
                    NoteOpenFailure(candidate.name, r.failure, d->devices,
                                    {USB_ID_DIRECT, USB_ID_BRIDGE}, detectDiagnostics_);
                    ready();
                    opened();
                    return;
                }
                const std::size_t index = d->taken.size();
                d->taken.push_back({order, candidate.name, candidate.bridged, r.identity, {}});
                if (d->found)
                    d->found(++d->identified);
                Ask<StoredIdentity>(
                    *d->channels[order],
                    [settle = settleMs_, version = r.identity.version](PortAccess& port) {
                        port.waitQuietly(settle);  // its full quiet time after identification
                        if (!port.transport())
                            return StoredIdentity{};
                        return ReadStoredIdentity(*port.transport(), version);
                    },
                    [weak, index, ready = std::move(ready)](StoredIdentity stored) {
                        if (auto d = weak.lock()) {
                            d->taken[index].stored = std::move(stored);
                            ready();
                        }
                    });
                opened();
            });
    }
    waveDone->Release();
}

void DeviceLink::FinishDetection(Detection& d) {
    if (d.generation != generation_)
        return;  // closed or detected again meanwhile
    std::sort(
        d.taken.begin(), d.taken.end(),
        [](const Detection::Taken& a, const Detection::Taken& b) { return a.order < b.order; });
    int k = 0;
    for (Detection::Taken& t : d.taken) {
        DeviceSlot& s = slots_[k];
        s.channel = std::move(d.channels[t.order]);
        s.bridged = t.bridged;
        s.portTag = PortTag(t.name);
        s.versionText = t.identity.versionText;
        s.version = t.identity.version;
        s.serialText = t.identity.serialText;
        s.isLX = t.identity.isLX;
        stored_[k] = std::move(t.stored);
        ++k;
    }
    deviceCount_ = k;
    detecting_ = false;
    std::function<void(int)> done = std::move(d.done);
    detection_.reset();  // d goes with it; the slots hold the channels now
    if (done)
        done(k);
}

const StoredIdentity& DeviceLink::storedIdentity(int slot) const {
    static const StoredIdentity none;
    return InRange(slot) ? stored_[slot] : none;
}

void DeviceLink::SelectSensorProfiles(const std::vector<QByteArray>& sensorModels) {
    const std::size_t n = std::min<std::size_t>(sensorModels.size(), MAX_DEVICES);
    for (std::size_t k = 0; k < n; ++k) {
        SensorProfile& profile = slots_[k].profile;
        profile = ProfileForSensorModel(sensorModels[k], profile.pixelCount);
    }
}

bool DeviceLink::onlyRestrictedSensors() const {
    if (deviceCount_ <= 0)
        return false;
    for (int k = 0; k < deviceCount_ && k < MAX_DEVICES; ++k) {
        const SensorProfile& p = slots_[k].profile;
        if (!p.nirSensor && !p.uvSensor)
            return false;
    }
    return true;
}

bool DeviceLink::allSensors(bool SensorProfile::*kind) const {
    if (deviceCount_ <= 0)
        return false;
    for (int k = 0; k < deviceCount_ && k < MAX_DEVICES; ++k) {
        if (!(slots_[k].profile.*kind))
            return false;
    }
    return true;
}

const SensorProfile& DeviceLink::profile(int slot) const {
    static const SensorProfile none;
    return InRange(slot) ? slots_[slot].profile : none;
}

void DeviceLink::FindAndConnectLedUnit(std::function<void()> done) {
    CloseLedUnit();
    ledDiagnostics_.clear();
    const std::vector<UsbDeviceInfo> devices = ports_.enumerateDevices();
    auto search = std::make_shared<LedSearch>();
    ledSearch_ = search;
    std::weak_ptr<LedSearch> weak = search;
    auto all = Gather::Make([this, weak, done] {
        auto search = weak.lock();
        if (!search)
            return;  // closed meanwhile
        // The last match wins; the ports of earlier ones are closed.
        for (std::size_t i = search->channels.size(); i-- > 0;) {
            if (search->opened[i]) {
                led_.channel = std::move(search->channels[i]);
                break;
            }
        }
        ledSearch_.reset();
        led_.present = led_.channel != nullptr;
        if (!led_.present) {
            led_.state = 0;
            if (done)
                done();
            return;
        }
        Ask<LedIdentity>(
            *led_.channel,
            [](PortAccess& port) {
                return port.transport() ? ConnectLedUnit(*port.transport()) : LedIdentity{};
            },
            [this, done](LedIdentity identity) {
                led_.state = identity.state;
                led_.label = identity.label;
                if (done)
                    done();
            });
    });
    for (const QString& name : ports_.candidatePorts()) {
        if (!UsbIdMatchesPort(devices, USB_ID_LED, PortTag(name)))
            continue;
        const std::size_t index = search->channels.size();
        search->channels.push_back(executor_.channel(ports_, name));
        search->opened.push_back(false);
        Ask<OpenResult>(
            *search->channels[index],
            [](PortAccess& port) {
                OpenResult r;
                r.opened = port.open();
                if (!r.opened)
                    r.failure = port.openFailure();
                return r;
            },
            [this, weak, index, name, devices, finished = all->Add()](OpenResult r) {
                auto search = weak.lock();
                if (!search)
                    return;
                search->opened[index] = r.opened;
                if (!r.opened)
                    NoteOpenFailure(name, r.failure, devices, {USB_ID_LED}, ledDiagnostics_);
                finished();
            });
    }
    all->Release();
}

void DeviceLink::CloseLedUnit() {
    ledSearch_.reset();
    led_.channel.reset();
    led_.answering = true;
    led_.present = false;
}

void DeviceLink::NoteOpenFailure(const QString& name, const PortOpenFailure& failure,
                                 const std::vector<UsbDeviceInfo>& devices,
                                 std::initializer_list<const char*> usbIds,
                                 std::vector<PortDiagnostic>& into) {
    if (failure.error == PortOpenError::None || failure.error == PortOpenError::NotFound)
        return;
    const QString tag = PortTag(name);
    for (const char* usbId : usbIds) {
        if (!UsbIdMatchesPort(devices, usbId, tag))
            continue;
        // "VID_3D7E&PID_0825" -> "3D7E:0825"
        const QString id = QString::fromLatin1(usbId);
        const QString shortId = id.mid(4, 4) + ":" + id.mid(13, 4);
        into.push_back({name, shortId, failure, PortDiagnosticMessage(name, shortId, failure)});
        return;
    }
}

std::vector<PortDiagnostic> DeviceLink::portDiagnostics() const {
    std::vector<PortDiagnostic> all = detectDiagnostics_;
    for (const PortDiagnostic& d : ledDiagnostics_) {
        const bool seen = std::any_of(all.begin(), all.end(), [&](const PortDiagnostic& a) {
            return a.portName == d.portName;
        });
        if (!seen)
            all.push_back(d);
    }
    return all;
}

QString DeviceLink::ListEntry(int slot) const {
    if (!InRange(slot))
        return {};
    const DeviceSlot& s = slots_[slot];
    // The port tag brings its own parentheses.
    QString entry =
        QString::fromLatin1(s.serialText) + s.portTag + " " + QString::fromLatin1(s.versionText);
    if (s.isLX)
        entry += "(LX)";
    return entry;
}
