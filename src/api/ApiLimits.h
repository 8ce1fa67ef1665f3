#pragma once

#include <cstdint>

// What one client may take of the server. The defaults are the documented
// ones (docs/api.md); tests shorten the times.
struct ApiLimits {
    int maxConnections = 16;
    std::int64_t maxBodyBytes = 64 * 1024;
    // Room for the request line and headers on top of the body.
    std::int64_t maxHeaderBytes = 16 * 1024;
    int idleMs = 30000;
    int waitMs = 10000;  // the longest a request waits for a reading or a device
    // A stream client whose unsent messages pass this is skipped until it
    // has caught up, so a slow reader costs the others nothing.
    std::int64_t maxStreamBacklogBytes = 4 * 1024 * 1024;
};

// The port both the window and velarim-cli serve on unless told otherwise.
inline constexpr std::uint16_t kDefaultApiPort = 47800;
