#include "session/OperationQueue.h"

#include <utility>

void OperationQueue::Run(Operation operation) {
    waiting_.push_back(std::move(operation));
    StartNext();
}

void OperationQueue::StartNext() {
    if (starting_)
        return;
    starting_ = true;
    while (!running_ && !waiting_.empty()) {
        Operation operation = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        const unsigned token = ++token_;
        operation([this, token] {
            if (token != token_ || !running_)
                return;
            running_ = false;
            StartNext();
        });
    }
    starting_ = false;
}
