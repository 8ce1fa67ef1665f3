#pragma once

#include <functional>
#include <memory>
#include <utility>

// Waits for several pieces of work at once (one per port, say) and calls
// `then` once, when the last of them is done. The one who hands the work out
// holds a count of its own until Release(), so work that completes at once
// cannot end the gathering before everything is handed out. Used on one
// thread only.
class Gather : public std::enable_shared_from_this<Gather> {
  public:
    static std::shared_ptr<Gather> Make(std::function<void()> then) {
        return std::shared_ptr<Gather>(new Gather(std::move(then)));
    }
    // One more piece of work; call the returned function when it is done.
    std::function<void()> Add() {
        ++pending_;
        return [self = shared_from_this()] { self->Done(); };
    }
    // Everything is handed out.
    void Release() { Done(); }

  private:
    explicit Gather(std::function<void()> then) : then_(std::move(then)) {}
    void Done() {
        if (--pending_ != 0 || !then_)
            return;
        auto then = std::exchange(then_, nullptr);
        then();
    }
    int pending_ = 1;
    std::function<void()> then_;
};
