#include "session/LiveDevices.h"

#include <algorithm>
#include <vector>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"

void AdoptLiveDevices(const DeviceLink& link, MeasurementDataSet& data) {
    const int n = std::clamp(link.deviceCount(), 0, MAX_DEVICES);
    data.deviceCount = n;
    std::vector<WavelengthGrid> grids;
    for (int s = 0; s < n; ++s) {
        data.serialText[s] = link.storedIdentity(s).serialText;
        data.sensorModel[s] = link.storedIdentity(s).sensorModel;
        grids.push_back(link.profile(s).grid());
    }
    if (!grids.empty())
        data.SetDeviceGrids(grids);
}

namespace {
// A serial text as a device gives it: printable, perhaps padded with NULs or
// blanks. An empty one, or one with other bytes, came from a failed or
// garbled read.
bool IdentityWasRead(const QByteArray& text) {
    QByteArray t = text;
    while (!t.isEmpty() && (t.back() == '\0' || t.back() == ' '))
        t.chop(1);
    return !t.isEmpty() &&
           std::all_of(t.begin(), t.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}
}  // namespace

bool MapLiveDevices(const DeviceLink& link, const MeasurementDataSet& data,
                    std::array<int, MAX_DEVICES>& liveOf) {
    liveOf.fill(-1);
    std::array<bool, MAX_DEVICES> taken{};
    const int held = std::clamp(data.deviceCount, 0, MAX_DEVICES);
    for (int s = 0; s < link.deviceCount() && s < MAX_DEVICES; ++s) {
        const StoredIdentity& id = link.storedIdentity(s);
        const WavelengthGrid grid = link.profile(s).grid();
        int found = -1;
        for (int d = 0; d < held && found < 0; ++d) {
            if (!taken[d] && data.serialText[d] == id.serialText && data.grid(d) == grid)
                found = d;
        }
        // An identity that could not be read (here or when the data set's
        // device was detected): the device in the same place, on the same grid.
        if (found < 0 && s < held && !taken[s] && data.grid(s) == grid &&
            (!IdentityWasRead(id.serialText) || !IdentityWasRead(data.serialText[s])))
            found = s;
        if (found < 0)
            return false;
        taken[found] = true;
        liveOf[found] = s;
    }
    return true;
}

void LearnUnreadIdentities(const DeviceLink& link, MeasurementDataSet& data) {
    std::array<int, MAX_DEVICES> liveOf{};
    if (!MapLiveDevices(link, data, liveOf))
        return;
    for (int d = 0; d < data.deviceCount && d < MAX_DEVICES; ++d) {
        if (liveOf[d] < 0 || IdentityWasRead(data.serialText[d]))
            continue;
        data.serialText[d] = link.storedIdentity(liveOf[d]).serialText;
        data.sensorModel[d] = link.storedIdentity(liveOf[d]).sensorModel;
    }
}
