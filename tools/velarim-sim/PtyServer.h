#pragma once

#include <chrono>
#include <csignal>
#include <deque>
#include <memory>
#include <vector>

#include <QString>

#include "sim/SimDevice.h"
#include "sim/SimDeviceSpec.h"

// Serves simulated devices on pseudo-terminals: one pty per device, the device
// reading what the host writes to the slave side and answering on it.
class PtyServer {
  public:
    PtyServer() = default;
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates a pty for the device. Returns the slave's path ("/dev/pts/5"), or
    // an empty text with a message on failure. With a wire time each reply is
    // held back until its last byte would have arrived on a real link.
    QString add(std::shared_ptr<SimDevice> device, QString& error, SimWireTime wire = {});

    // Answers requests until `stop` becomes non-zero, which the SIGINT/SIGTERM
    // handler sets; those signals are let through only while waiting, so none is
    // lost between the check and the wait. Returns false with a message when
    // polling fails.
    bool serve(const volatile std::sig_atomic_t& stop, QString& error);

  private:
    struct Pty {
        int master = -1;
        int slave = -1;  // held open so the master stays usable between hosts
        QString path;
        std::shared_ptr<SimDevice> device;
        SimWireTime wire;
        struct Due {
            std::chrono::steady_clock::time_point at;
            QByteArray bytes;
        };
        std::deque<Due> replies;  // held back for their wire time, in order
    };
    std::vector<Pty> ptys_;
};
