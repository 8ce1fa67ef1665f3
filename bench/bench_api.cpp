// The automation API beside the ticks: ten simulated bridged spectrometers
// whose links take real wire time (921600 baud, 1000 us turnaround), every
// port on its own worker, the session ticking on this thread with the API
// server over it, and the clients on a thread of their own.
//   - tick period with no client and with three clients streaming (the two
//     phases alternate, so a busier moment of the machine hits both);
//   - how long after the tick's end (the session's reading event) the reading
//     reaches a stream client, 99th percentile over every message of every
//     client;
//   - the round trip of GET /api/v1/devices/0/spectrum, one request after the
//     other on one keep-alive connection while the ticks go on (median).
// Real time throughout: run it on a quiet machine. bench_api [--quick]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include "api/ApiServer.h"
#include "api/ApiToken.h"
#include "data/MeasurementDataSet.h"
#include "device/Clock.h"
#include "device/DeviceLink.h"
#include "device/WorkerPortExecutor.h"
#include "session/AcquisitionSession.h"
#include "session/QtTimerHost.h"
#include "setup/SimPortProvider.h"

namespace {

using Steady = std::chrono::steady_clock;

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Runs `body` on a thread of its own with an event loop until `stop` is set;
// the objects body makes live on that thread.
class ClientThread {
  public:
    explicit ClientThread(std::function<void(QEventLoop&)> body) {
        thread_.reset(QThread::create([this, body = std::move(body)] {
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (stop_)
                    loop.quit();
            });
            poll.start(20);
            body(loop);
            loop.exec();
        }));
        thread_->start();
    }
    ~ClientThread() {
        stop_ = true;
        thread_->wait();
    }

  private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
};

struct Received {
    QString text;
    Steady::time_point at;
};

class Bench {
  public:
    Bench() {
        QString devices;
        for (int d = 0; d < MAX_DEVICES; ++d)
            devices += QString("vis:serial=VS%1:link=bridge:baud=921600:latency_us=1000,")
                           .arg(d, 4, 10, QChar('0'));
        devices.chop(1);
        QString error;
        ports_ = SimPortProvider::FromText(devices, SystemClock::instance(), error);
        if (!ports_)
            qFatal("%s", qPrintable(error));
        link_ = std::make_unique<DeviceLink>(*ports_, SystemClock::instance(), executor_, 0);
        timers_ = std::make_unique<QtTimerHost>([this](int id) {
            if (session_)
                session_->OnTimer(id);
        });
        session_ = std::make_unique<AcquisitionSession>(*link_, data_, *timers_);
        // Subscribed before the server, so the tick's end is noted before the
        // server sends the reading on.
        session_->Subscribe([this](const SessionEvent& event) {
            if (const auto* r = std::get_if<ReadingEvent>(&event)) {
                tickEnds_[r->sequence] = Steady::now();
                if (onTick_)
                    onTick_();
            }
        });
        QEventLoop detecting;
        session_->operations().Run([&](OperationQueue::Finished finished) {
            session_->Detect([&, finished](int) {
                finished();
                detecting.quit();
            });
        });
        detecting.exec();
        if (data_.deviceCount != MAX_DEVICES)
            qFatal("not all ten simulated devices were detected");
        server_ = std::make_unique<ApiServer>(*session_, MakeApiToken());
        if (!server_->Listen("127.0.0.1", 0, error))
            qFatal("%s", qPrintable(error));
        session_->StartTicks();
    }
    ~Bench() {
        server_.reset();
        session_.reset();
        link_->CloseAll();
    }

    // Lets `n` ticks go by; the time from each tick's end to the next one's.
    std::vector<double> Ticks(int n) {
        QEventLoop loop;
        std::vector<Steady::time_point> ends;
        onTick_ = [&] {
            ends.push_back(Steady::now());
            if (int(ends.size()) == n + 1)
                loop.quit();
        };
        loop.exec();
        onTick_ = nullptr;
        std::vector<double> periods;
        for (int i = 1; i <= n; ++i)
            periods.push_back(Ms(ends[i] - ends[i - 1]));
        return periods;
    }

    // Three clients stream while `n` ticks go by. Their periods, and every
    // message's delay after its tick's end into `delays`.
    std::vector<double> Streaming(int n, std::vector<double>& delays) {
        const int clients = 3;
        std::vector<std::vector<Received>> got(clients);
        std::atomic<int> connected{0};
        QString url = server_->url() + "/api/v1/stream";
        url.replace("http://", "ws://");
        const QByteArray token = server_->token();
        std::vector<double> periods;
        {
            // A thread per client, as separate programs would be; each notes
            // when a message came and reads it later, so that one client's
            // parsing does not hold up the next one's arrival.
            std::vector<std::unique_ptr<ClientThread>> threads;
            for (int c = 0; c < clients; ++c) {
                threads.push_back(std::make_unique<ClientThread>([&, c](QEventLoop& loop) {
                    auto* socket =
                        new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, &loop);
                    QObject::connect(socket, &QWebSocket::connected, [&] { ++connected; });
                    QObject::connect(socket, &QWebSocket::textMessageReceived,
                                     [&got, c](const QString& m) {
                                         got[c].push_back({m, Steady::now()});
                                     });
                    QNetworkRequest request{QUrl(url)};
                    request.setRawHeader("Authorization", "Bearer " + token);
                    socket->open(request);
                }));
            }
            while (connected < clients)
                Ticks(1);
            Ticks(2);  // the first messages may have started before all were in
            const std::uint64_t from = session_->lastReadingSequence();
            periods = Ticks(n);
            const std::uint64_t to = session_->lastReadingSequence();
            Ticks(1);  // the last ones on their way
            threads.clear();
            for (const auto& messages : got) {
                for (const Received& r : messages) {
                    const QJsonObject o = QJsonDocument::fromJson(r.text.toUtf8()).object();
                    const auto seq = std::uint64_t(o["seq"].toInteger());
                    if (o.contains("seq") && seq > from && seq <= to && tickEnds_.count(seq))
                        delays.push_back(Ms(r.at - tickEnds_[seq]));
                }
            }
        }
        return periods;
    }

    // `n` GETs of the first device's spectrum, one after another.
    std::vector<double> Gets(int n) {
        std::vector<double> times;
        const QUrl url(server_->url() + "/api/v1/devices/0/spectrum");
        const QByteArray token = server_->token();
        std::atomic<bool> done{false};
        {
            ClientThread thread([&](QEventLoop& loop) {
                auto* http = new QNetworkAccessManager(&loop);
                auto next = std::make_shared<std::function<void()>>();
                *next = [&, http, next] {
                    if (int(times.size()) == n) {
                        done = true;
                        return;
                    }
                    QNetworkRequest request(url);
                    request.setRawHeader("Authorization", "Bearer " + token);
                    const auto start = Steady::now();
                    QNetworkReply* reply = http->get(request);
                    QObject::connect(reply, &QNetworkReply::finished, [&, reply, start, next] {
                        reply->readAll();
                        const bool ok = reply->error() == QNetworkReply::NoError;
                        reply->deleteLater();
                        if (!ok) {
                            std::fprintf(stderr, "GET failed: %s\n",
                                         qPrintable(reply->errorString()));
                            done = true;
                            return;
                        }
                        times.push_back(Ms(Steady::now() - start));
                        (*next)();
                    });
                };
                (*next)();
            });
            while (!done)
                Ticks(1);
        }
        return times;
    }

  private:
    std::unique_ptr<SimPortProvider> ports_;
    WorkerPortExecutor executor_;
    std::unique_ptr<DeviceLink> link_;
    MeasurementDataSet data_;
    std::unique_ptr<QtTimerHost> timers_;
    std::unique_ptr<AcquisitionSession> session_;
    std::unique_ptr<ApiServer> server_;
    std::map<std::uint64_t, Steady::time_point> tickEnds_;
    std::function<void()> onTick_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains("--quick");
    const int rounds = quick ? 1 : 10;
    const int ticks = quick ? 10 : 30;

    Bench bench;
    bench.Ticks(5);
    // Short phases, alternated, so that a busier moment of the machine falls
    // on both alike.
    std::vector<double> alone, streaming, delays;
    for (int r = 0; r < rounds; ++r) {
        for (double p : bench.Ticks(ticks))
            alone.push_back(p);
        for (double p : bench.Streaming(ticks, delays))
            streaming.push_back(p);
    }
    const auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double x : v)
            sum += x;
        return v.empty() ? 0.0 : sum / double(v.size());
    };
    const double a = Percentile(alone, 0.5), s = Percentile(streaming, 0.5);
    std::printf(
        "tick period, %zu ticks each: median %.2f ms alone, %.2f ms with three clients "
        "streaming (%+.2f %%; goal within 2 %%); mean %.2f / %.2f ms\n",
        alone.size(), a, s, 100.0 * (s - a) / a, mean(alone), mean(streaming));
    std::printf(
        "reading to stream client after the tick's end (%zu messages): median %.2f ms, "
        "p99 %.2f ms, max %.2f ms (goal p99 < 5 ms)\n",
        delays.size(), Percentile(delays, 0.5), Percentile(delays, 0.99),
        delays.empty() ? 0.0 : *std::max_element(delays.begin(), delays.end()));
    const std::vector<double> gets = bench.Gets(quick ? 50 : 500);
    std::printf(
        "GET /api/v1/devices/0/spectrum (%zu requests): median %.2f ms, p99 %.2f ms "
        "(goal median < 2 ms)\n",
        gets.size(), Percentile(gets, 0.5), Percentile(gets, 0.99));
    return 0;
}
