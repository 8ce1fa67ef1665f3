#include "device/WorkerPortExecutor.h"

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
    }

    const QString& portName() const override { return access_.name(); }

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

    // A quiet wait that ends early when the channel goes away.
    void WaitQuietly(int ms) {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }

    QObject* owner_;
    std::shared_ptr<bool> alive_;  // read and cleared on the owner's thread only
    PortAccess access_;            // used on the worker thread only
    std::mutex mutex_;             // guards queue_, finished_ and stopping_
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::deque<Done> finished_;  // run, their `done` not yet handed back
    bool stopping_ = false;
    Thread thread_;
};

}  // namespace

WorkerPortExecutor::WorkerPortExecutor(QObject* parent) : QObject(parent) {}

WorkerPortExecutor::~WorkerPortExecutor() = default;

std::shared_ptr<PortChannel> WorkerPortExecutor::channel(PortProvider& provider,
                                                         const QString& name) {
    return std::make_shared<WorkerChannel>(provider, name, this);
}
