#pragma once
// Holds every picture decode at its start until released, through
// set_prepare_hook: how tests keep a "slow" decode running for as long as
// they need. One gate at a time; it unhooks itself when destroyed.

#include <condition_variable>
#include <mutex>

#include "picture/picture_prepare.h"

namespace lumo::testing {

class PrepareGate {
public:
    PrepareGate() {
        instance() = this;
        set_prepare_hook(&PrepareGate::hook);
    }
    ~PrepareGate() {
        release();
        set_prepare_hook(nullptr);
        instance() = nullptr;
    }
    void release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Until `count` decodes have started (and are held).
    void wait_for_started(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_ >= count; });
    }
    int started() {
        std::lock_guard lock(mutex_);
        return started_;
    }

private:
    static PrepareGate*& instance() {
        static PrepareGate* gate = nullptr;
        return gate;
    }
    static void hook() {
        PrepareGate* gate = instance();
        std::unique_lock lock(gate->mutex_);
        ++gate->started_;
        gate->changed_.notify_all();
        gate->changed_.wait(lock, [gate] { return gate->open_; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int started_ = 0;
    bool open_ = false;
};

// Counts decodes without holding them.
class PrepareCounter {
public:
    PrepareCounter() {
        count() = 0;
        set_prepare_hook([] { ++count(); });
    }
    ~PrepareCounter() { set_prepare_hook(nullptr); }
    int prepared() const { return count(); }

private:
    static std::atomic<int>& count() {
        static std::atomic<int> n{0};
        return n;
    }
};

}  // namespace lumo::testing
