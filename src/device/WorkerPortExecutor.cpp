#include "device/WorkerPortExecutor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include <QThread>

// The `done`s of the work that has run, from every worker, waiting for the
// owner's thread in one queue. Only the first of them since the queue was
// last empty wakes the owner, so ten ports that answer together wake the
// window once, not ten times.
struct HandBack {
    struct Entry {
        std::shared_ptr<bool> alive;  // its channel's: false once the channel is gone
        PortChannel::Done done;
    };
    std::mutex mutex;  // guards entries and noticed
    std::deque<Entry> entries;
    bool noticed = false;  // a notice is on its way to the owner

    // On a worker: queue a `done`; the first one since the last drain sends
    // the notice.
    void Push(QObject* owner, std::shared_ptr<HandBack> self, Entry entry) {
        bool notice = false;
        {
            std::lock_guard lock(mutex);
            entries.push_back(std::move(entry));
            notice = !std::exchange(noticed, true);
        }
        if (notice)
            Notify(owner, std::move(self));
    }

    static void Notify(QObject* owner, std::shared_ptr<HandBack> self) {
        QMetaObject::invokeMethod(
            owner, [owner, self = std::move(self)] { self->RunOne(owner, self); },
            Qt::QueuedConnection);
    }

    // On the owner's thread: the `done`s in order, each let go of here, so
    // whatever it holds (a channel among them) goes on this thread. While more
    // are waiting a notice stays posted, so a `done` that opens a dialog (an
    // event loop of its own) does not hold up the rest.
    void RunOne(QObject* owner, const std::shared_ptr<HandBack>& self) {
        bool posted = false;
        for (;;) {
            Entry entry;
            bool post = false;
            {
                std::lock_guard lock(mutex);
                if (entries.empty()) {
                    if (!posted)
                        noticed = false;  // else the posted notice ends it
                    return;
                }
                entry = std::move(entries.front());
                entries.pop_front();
                post = !posted && !entries.empty();
                posted = posted || post;
            }
            // One notice stays posted for the rest, in case this `done` runs
            // an event loop of its own (a dialog): the rest go on in it.
            if (post)
                Notify(owner, self);
            if (*entry.alive)
                entry.done();
        }
    }
};

namespace {

class WorkerChannel final : public PortChannel {
  public:
    WorkerChannel(PortProvider& provider, const QString& name, QObject* owner,
                  std::shared_ptr<HandBack> handBack)
        : owner_(owner),
          handBack_(std::move(handBack)),
          alive_(std::make_shared<bool>(true)),
          access_(provider, name, [this](int ms) { WaitQuietly(ms); }) {
        thread_.channel = this;
        thread_.setObjectName("port " + name);
        thread_.start();
    }

    ~WorkerChannel() override {
        Q_ASSERT(QThread::currentThread() != &thread_);
        *alive_ = false;  // a `done` already on its way is dropped
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        wake_.notify_all();
        thread_.wait();
        // The worker says goodbye under our own lock too, so that everything
        // it did is ordered before what comes next (also for tools that do not
        // see inside the thread library's join).
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return ended_; });
    }

    void post(Work work, Done done) override {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            queue_.push_back({std::move(work), std::move(done)});
        }
        wake_.notify_one();
    }

  private:
    struct Job {
        Work work;
        Done done;
    };

    struct Thread final : QThread {
        WorkerChannel* channel = nullptr;
        void run() override { channel->Run(); }
    };

    // The worker's loop: one job after another, each `done` handed to the owner.
    void Run() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_)
                    break;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            if (job.work)
                job.work(access_);
            job.work = nullptr;
            if (!job.done)
                continue;
            // The `done` goes to the owner's thread, which runs it and lets go
            // of whatever it holds (this channel among them): nothing of it is
            // destroyed on this thread.
            handBack_->Push(owner_, handBack_, {alive_, std::move(job.done)});
        }
        access_.close();  // the port goes on the thread it lives on
        std::lock_guard lock(mutex_);
        ended_ = true;
        wake_.notify_all();
    }

    // A quiet wait that ends early when the channel goes away. It waits in
    // slices against the system clock (a timed wait that race checkers see)
    // and counts the time on the steady clock.
    void WaitQuietly(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            const auto left = end - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero())
                return;
            const auto slice =
                std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(100));
            wake_.wait_until(lock,
                             std::chrono::system_clock::now() +
                                 std::chrono::duration_cast<std::chrono::microseconds>(slice));
        }
    }

    QObject* owner_;
    std::shared_ptr<HandBack> handBack_;
    std::shared_ptr<bool> alive_;  // read and cleared on the owner's thread only
    PortAccess access_;            // used on the worker thread only
    std::mutex mutex_;             // guards queue_, stopping_ and ended_
    std::condition_variable wake_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    bool ended_ = false;  // the worker's loop is over and the port closed
    Thread thread_;
};

}  // namespace

WorkerPortExecutor::WorkerPortExecutor(QObject* parent)
    : QObject(parent), handBack_(std::make_shared<HandBack>()) {}

WorkerPortExecutor::~WorkerPortExecutor() = default;

std::shared_ptr<PortChannel> WorkerPortExecutor::channel(PortProvider& provider,
                                                         const QString& name) {
    return std::make_shared<WorkerChannel>(provider, name, this, handBack_);
}
