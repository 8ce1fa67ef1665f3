#include "PtyServer.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString Why(const char* what) {
    return QString("%1: %2").arg(what, std::strerror(errno));
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

PtyServer::~PtyServer() {
    for (const Pty& p : ptys_) {
        if (p.slave >= 0)
            ::close(p.slave);
        if (p.master >= 0)
            ::close(p.master);
    }
}

QString PtyServer::add(std::shared_ptr<SimDevice> device, QString& error, SimWireTime wire) {
    Pty pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0) {
        error = Why("posix_openpt");
        return {};
    }
    ptys_.push_back(pty);  // closed by the destructor from here on
    Pty& p = ptys_.back();
    if (::grantpt(p.master) != 0 || ::unlockpt(p.master) != 0) {
        error = Why("grantpt/unlockpt");
        return {};
    }
    const char* name = ::ptsname(p.master);
    if (!name) {
        error = Why("ptsname");
        return {};
    }
    p.path = QString::fromLocal8Bit(name);
    p.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (p.slave < 0) {
        error = Why("open slave");
        return {};
    }
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    termios tio{};
    if (::tcgetattr(p.slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(p.slave, TCSANOW, &tio);
    }
    // A pty carries no baud rate, so a bridged device hears the host at once.
    device->setLinkReady(true);
    p.device = std::move(device);
    p.wire = wire;
    return p.path;
}

bool PtyServer::serve(const volatile std::sig_atomic_t& stop, QString& error) {
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &waiting);
    sigdelset(&waiting, SIGINT);
    sigdelset(&waiting, SIGTERM);
    std::vector<pollfd> fds(ptys_.size());
    for (std::size_t i = 0; i < ptys_.size(); ++i)
        fds[i] = {ptys_[i].master, POLLIN, 0};
    char buffer[4096];
    using Clock = std::chrono::steady_clock;
    while (!stop) {
        // Replies whose wire time is over go out; the wait ends at the next one.
        const Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> next;
        for (Pty& p : ptys_) {
            while (!p.replies.empty() && p.replies.front().at <= now) {
                if (!WriteAll(p.master, p.replies.front().bytes)) {
                    error = Why("write");
                    return false;
                }
                p.replies.pop_front();
            }
            if (!p.replies.empty() && (!next || p.replies.front().at < *next))
                next = p.replies.front().at;
        }
        timespec timeout{};
        if (next) {
            const auto ns =
                std::chrono::duration_cast<std::chrono::nanoseconds>(*next - now).count();
            timeout.tv_sec = time_t(ns / 1000000000);
            timeout.tv_nsec = long(ns % 1000000000);
        }
        const int ready =
            ::ppoll(fds.data(), nfds_t(fds.size()), next ? &timeout : nullptr, &waiting);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            error = Why("poll");
            return false;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            Pty& p = ptys_[i];
            p.device->receive({reinterpret_cast<const std::uint8_t*>(buffer), std::size_t(n)});
            const QByteArray reply = p.device->takeOutput();
            if (reply.isEmpty())
                continue;
            if (p.wire.timed()) {
                const auto us = p.wire.exchangeUs(std::size_t(n), std::size_t(reply.size()));
                p.replies.push_back({Clock::now() + std::chrono::microseconds(us), reply});
                continue;
            }
            if (!WriteAll(fds[i].fd, reply)) {
                error = Why("write");
                return false;
            }
        }
    }
    return true;
}
