#pragma once
// The main thread's run loop: repeating timers that fire by the clock, and
// waiting for input events in between. A timer may be invalidated at any
// time, also from inside its own callback. Timers live in a fixed table, so
// scheduling and firing allocate nothing.
//
// The clock is real, or virtual for headless runs: a virtual clock jumps
// straight to the next deadline, so frames follow each other as fast as the
// work allows and every run sees the same sequence of times.

#include <array>
#include <cstdint>

namespace lumo {

class RunLoop;

// A handle to a scheduled timer; stays safe to use after the timer has gone.
struct Timer {
    int slot = -1;
    uint32_t generation = 0;
    explicit operator bool() const { return slot >= 0; }
    friend bool operator==(const Timer&, const Timer&) = default;
};

class RunLoop {
public:
    using Callback = void (*)(void* context);
    // Called with each input event batch: the loop's owner polls and dispatches events.
    using EventPump = void (*)(void* context, double wait_seconds);
    static constexpr int kMaxTimers = 16;

    enum class ClockKind { real, virtual_time };
    explicit RunLoop(ClockKind clock = ClockKind::real);

    double now() const;  // seconds
    bool is_virtual() const { return clock_ == ClockKind::virtual_time; }
    // Moves the virtual clock forward (tests and scripted input); no effect on a real clock.
    void advance_virtual_clock(double seconds);

    // A repeating timer: first fires one interval from now. No free slot: an empty handle.
    Timer scheduleRepeating(double interval, Callback callback, void* context);
    void invalidate(Timer timer);
    bool isValid(Timer timer) const;
    double interval(Timer timer) const;
    int validTimerCount() const;

    void setEventPump(EventPump pump, void* context);
    // Before a timer fires on the virtual clock: lets background work settle
    // so that headless runs do not depend on thread timing.
    void setBeforeVirtualTick(Callback hook, void* context);

    // One turn: pump events (waiting until the next deadline on a real clock,
    // at most max_wait seconds), then fire every timer that is due, once.
    void runOnce(double max_wait = 0.25);

private:
    struct Slot {
        bool active = false;
        uint32_t generation = 0;
        double interval = 0;
        double next_fire = 0;
        Callback callback = nullptr;
        void* context = nullptr;
    };
    const Slot* find(Timer timer) const;
    double next_deadline() const;
    void fire_due_timers();

    ClockKind clock_;
    double virtual_now_ = 0;
    double real_origin_ = 0;
    std::array<Slot, kMaxTimers> slots_{};
    EventPump pump_ = nullptr;
    void* pump_context_ = nullptr;
    Callback before_tick_ = nullptr;
    void* before_tick_context_ = nullptr;
};

}  // namespace lumo
