#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

#include <QObject>

#include "data/TrendColour.h"

// Works out a trend table's colour columns on a thread of its own, one run at a
// time: starting again abandons the run under way (its result never arrives).
// The result comes back by value, on the thread this object lives on.
class TrendColourTask : public QObject {
    Q_OBJECT
  public:
    explicit TrendColourTask(QObject* parent = nullptr);
    ~TrendColourTask() override;  // abandons the run and waits for its thread

    void Start(TrendColourInput input);
    void Abandon();
    // Abandons the run and hands back its input once nothing else holds it, for the next
    // copy to reuse its buffers (empty when there is none).
    TrendColourInput Spare();
    bool running() const { return running_; }
    // Of the run under way: spectra done and to do.
    std::size_t done() const;
    std::size_t total() const { return total_; }

  signals:
    void finished(std::shared_ptr<const TrendColourInput> input, const TrendColourValues& values);

  private:
    struct Run {
        std::atomic<bool> cancel{false};
        std::atomic<std::size_t> done{0};
    };

    std::thread thread_;
    std::shared_ptr<Run> run_;
    std::shared_ptr<TrendColourInput> input_;  // of the last run
    unsigned generation_ = 0;
    std::size_t total_ = 0;
    bool running_ = false;
};
