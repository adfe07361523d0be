#pragma once
// The main thread's run loop: repeating timers that fire by the clock, and
// waiting for input events in between. A timer may be invalidated at any
// time, also from inside its own callback. Timers live in a fixed table, so
// firing allocates nothing (a callback that captures a pointer or two fits
// in std::function's own storage).
//
// The clock is real, or virtual for headless runs: a virtual clock jumps
// straight to the next deadline, so frames follow each other as fast as the
// work allows and every run sees the same sequence of times. Time is kept in
// whole ticks of 1/3,000,000 s, which hold the frame intervals (1/20, 1/5 s)
// and the sampling interval (1/30 s) exactly: five frames are exactly 0.25 s.

#include <array>
#include <cstdint>
#include <functional>

namespace lumo {

// A handle to a scheduled timer; stays safe to use after the timer has gone.
struct Timer {
    int slot = -1;
    uint32_t generation = 0;
    explicit operator bool() const { return slot >= 0; }
    friend bool operator==(const Timer&, const Timer&) = default;
};

using Ticks = int64_t;
inline constexpr Ticks kTicksPerSecond = 3'000'000;
// The nearest whole tick.
Ticks ticks_from_seconds(double seconds);
inline double seconds_from_ticks(Ticks ticks) { return static_cast<double>(ticks) / kTicksPerSecond; }

class RunLoop {
public:
    using Callback = std::function<void()>;
    // Called with each input event batch: the loop's owner polls and
    // dispatches events, waiting at most this many seconds for the first.
    using EventPump = std::function<void(double wait_seconds)>;
    static constexpr int kMaxTimers = 16;

    enum class ClockKind { real, virtual_time };
    explicit RunLoop(ClockKind clock = ClockKind::real);

    double now() const { return seconds_from_ticks(nowTicks()); }
    Ticks nowTicks() const;
    bool isVirtual() const { return clock_ == ClockKind::virtual_time; }
    // Moves the virtual clock forward (tests and scripted input); no effect on a real clock.
    void advanceVirtualClock(double seconds);

    // A repeating timer: first fires one interval from now. No free slot: an empty handle.
    Timer scheduleRepeating(double interval, Callback callback);
    void invalidate(Timer timer);
    bool isValid(Timer timer) const;
    double interval(Timer timer) const;
    int validTimerCount() const;

    void setEventPump(EventPump pump) { pump_ = std::move(pump); }
    // Before a timer fires on the virtual clock: lets background work settle
    // so that headless runs do not depend on thread timing.
    void setBeforeVirtualTick(Callback hook) { before_tick_ = std::move(hook); }

    // One turn: pump events (until the next deadline, at most max_wait
    // seconds: waiting on a real clock, jumping on a virtual one), then fire
    // every timer that is due, once.
    void runOnce(double max_wait = 0.25);

private:
    struct Slot {
        bool active = false;
        bool firing = false;  // its callback is running
        uint32_t generation = 0;
        Ticks interval = 0;
        Ticks next_fire = 0;
        Callback callback;
    };
    const Slot* find(Timer timer) const;
    Ticks next_deadline() const;
    void fire_due_timers();

    ClockKind clock_;
    Ticks virtual_now_ = 0;
    int64_t real_origin_ns_ = 0;
    std::array<Slot, kMaxTimers> slots_{};
    EventPump pump_;
    Callback before_tick_;
};

}  // namespace lumo
