#pragma once

#include <deque>
#include <functional>

// The device work of the main view, one operation at a time: a monitoring
// tick, a device selection, a re-detection, a dialog's reads, a plan's
// measurement. Within an operation every port may be busy at once; between
// them nothing overlaps, so each port sees exactly the exchanges, in the
// order, that one thread doing one thing after another would send. An
// operation that arrives while another runs waits for it; the window's event
// loop goes on meanwhile.
//
// An operation gets a `finished` function and calls it once when it is done
// (at once or later). Used on the window's thread only.
class OperationQueue {
  public:
    using Finished = std::function<void()>;
    using Operation = std::function<void(Finished finished)>;

    void Run(Operation operation);
    bool busy() const { return running_ || !waiting_.empty(); }
    // Drops the operations not yet started (the view is going away).
    void Clear() { waiting_.clear(); }

  private:
    void StartNext();

    std::deque<Operation> waiting_;
    bool running_ = false;
    bool starting_ = false;  // inside StartNext: an operation that finishes at once loops here
    unsigned token_ = 0;     // the running operation's; a second `finished` is ignored
};
