// PictureJobs on a worker thread of its own.

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "picture/picture_jobs.h"

namespace lumo {
namespace {

class ThreadedPictureJobs final : public PictureJobs {
public:
    ThreadedPictureJobs() : worker_([this] { run(); }) {}
    ~ThreadedPictureJobs() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            cancel_.store(true);
        }
        wake_.notify_all();
        worker_.join();
    }

    void submit(PictureRequest request) override {
        {
            std::lock_guard lock(mutex_);
            ++newest_;
            waiting_ = std::move(request);
            result_.reset();
            cancel_.store(true);  // the one being prepared, if any; reset when the next starts
        }
        wake_.notify_all();
    }

    void cancel() override {
        std::lock_guard lock(mutex_);
        ++newest_;
        waiting_.reset();
        result_.reset();
        cancel_.store(true);
    }

    std::optional<PreparedPicture> take() override {
        std::lock_guard lock(mutex_);
        return std::exchange(result_, std::nullopt);
    }

    void wait() override {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !waiting_ && !preparing_; });
    }

    bool busy() const override {
        std::lock_guard lock(mutex_);
        return waiting_ || preparing_;
    }

private:
    // Worker thread. Fields under mutex_: waiting_, result_, newest_,
    // preparing_, stopping_. cancel_ is read without the lock between rows.
    void run() {
        // SDL keeps per-thread data (its error message buffer, which SDL2_image
        // fills) that nothing frees when a thread it did not start ends.
        struct ReleaseSdlThreadData {
            ~ReleaseSdlThreadData() { SDL_TLSCleanup(); }
        } release;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_) return;
            const PictureRequest request = std::move(*waiting_);
            waiting_.reset();
            const uint64_t ticket = newest_;
            cancel_.store(false);
            preparing_ = true;
            lock.unlock();
            PreparedPicture prepared = prepare_picture(request, &cancel_);
            lock.lock();
            preparing_ = false;
            if (ticket == newest_ && !prepared.cancelled) result_ = std::move(prepared);
            done_.notify_all();
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<PictureRequest> waiting_;
    std::optional<PreparedPicture> result_;
    uint64_t newest_ = 0;
    bool preparing_ = false;
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    std::thread worker_;  // last: starts once everything above exists
};

}  // namespace

std::unique_ptr<PictureJobs> make_picture_jobs() { return std::make_unique<ThreadedPictureJobs>(); }

}  // namespace lumo
