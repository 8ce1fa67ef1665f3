#include "dialogs/TrendColourTask.h"

#include <utility>

TrendColourTask::TrendColourTask(QObject* parent) : QObject(parent) {}

TrendColourTask::~TrendColourTask() {
    Abandon();
}

void TrendColourTask::Abandon() {
    ++generation_;
    running_ = false;
    if (run_)
        run_->cancel = true;
    // A cancelled run stops within about a millisecond.
    if (thread_.joinable())
        thread_.join();
    run_.reset();
}

TrendColourInput TrendColourTask::Spare() {
    Abandon();
    TrendColourInput spare;
    if (input_ && input_.use_count() == 1)  // the thread is joined; no result on its way
        spare = std::move(*input_);
    input_.reset();
    return spare;
}

void TrendColourTask::Start(TrendColourInput input) {
    Abandon();
    total_ = SpectraOf(input);
    running_ = true;
    run_ = std::make_shared<Run>();
    const unsigned generation = generation_;
    input_ = std::make_shared<TrendColourInput>(std::move(input));
    // The thread reads its input and owns its result; only the queued call touches this
    // object, and the destructor joins the thread before the object goes.
    thread_ = std::thread([this, run = run_, generation,
                           in = std::shared_ptr<const TrendColourInput>(input_)]() mutable {
        TrendColourValues values;
        if (!ComputeTrendColour(*in, values, &run->cancel, &run->done))
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, in = std::move(in), values = std::move(values)] {
                if (generation != generation_)
                    return;  // started again or abandoned meanwhile
                running_ = false;
                if (thread_.joinable())
                    thread_.join();
                emit finished(in, values);
            },
            Qt::QueuedConnection);
    });
}

std::size_t TrendColourTask::done() const {
    return run_ ? run_->done.load(std::memory_order_relaxed) : 0;
}
