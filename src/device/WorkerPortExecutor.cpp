#include "device/WorkerPortExecutor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <QThread>

namespace {

class WorkerChannel final : public PortChannel {
  public:
    WorkerChannel(PortProvider& provider, const QString& name, QObject* owner)
        : owner_(owner),
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

    void cancelPending() override {
        std::lock_guard lock(mutex_);
        queue_.clear();
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
            // The `done` waits here for the owner's thread, which runs it and
            // lets go of whatever it holds (this channel among them): nothing
            // of it is destroyed on this thread.
            {
                std::lock_guard lock(mutex_);
                finished_.push_back(std::move(job.done));
            }
            QMetaObject::invokeMethod(
                owner_,
                [this, alive = alive_] {
                    if (*alive)
                        RunFinished(alive);
                },
                Qt::QueuedConnection);
        }
        access_.close();  // the port goes on the thread it lives on
        std::lock_guard lock(mutex_);
        ended_ = true;
        wake_.notify_all();
    }

    // On the owner's thread: the `done`s of the work that has run, in order.
    // A `done` may let go of the last hold on this channel; then no member is
    // touched after it.
    void RunFinished(std::shared_ptr<bool> alive) {
        for (;;) {
            Done done;
            {
                std::lock_guard lock(mutex_);
                if (finished_.empty())
                    return;
                done = std::move(finished_.front());
                finished_.pop_front();
            }
            done();
            done = nullptr;
            if (!*alive)
                return;
        }
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
    std::shared_ptr<bool> alive_;  // read and cleared on the owner's thread only
    PortAccess access_;            // used on the worker thread only
    std::mutex mutex_;             // guards queue_, finished_, stopping_ and ended_
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::deque<Done> finished_;  // run, their `done` not yet handed back
    bool stopping_ = false;
    bool ended_ = false;  // the worker's loop is over and the port closed
    Thread thread_;
};

}  // namespace

WorkerPortExecutor::WorkerPortExecutor(QObject* parent) : QObject(parent) {}

WorkerPortExecutor::~WorkerPortExecutor() = default;

std::shared_ptr<PortChannel> WorkerPortExecutor::channel(PortProvider& provider,
                                                         const QString& name) {
    return std::make_shared<WorkerChannel>(provider, name, this);
}
