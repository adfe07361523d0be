// The desktop's work beside the frames: one worker thread, made at the first
// task and kept, that runs tasks in the order given. The main thread hands
// tasks over and takes results back only under the queue's lock.

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/host.h"

namespace lumo {
namespace {

class BackgroundThread {
public:
    ~BackgroundThread() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    uint64_t run(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input, BackgroundDone done) {
        const uint64_t id = next_id_++;
        waiting_done_.emplace(id, std::move(done));
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(Task{id, task, std::move(file), std::move(input)});
            if (!worker_.joinable()) worker_ = std::thread([this] { work(); });
        }
        wake_.notify_all();
        return id;
    }

    void forget(uint64_t id) { waiting_done_.erase(id); }

    void deliver() {
        for (;;) {
            std::optional<Result> result;
            {
                std::lock_guard lock(mutex_);
                if (results_.empty()) return;
                result = std::move(results_.front());
                results_.pop_front();
            }
            const auto found = waiting_done_.find(result->id);
            if (found == waiting_done_.end()) continue;  // forgotten
            BackgroundDone done = std::move(found->second);
            waiting_done_.erase(found);
            if (done) done(std::move(result->output));
        }
    }

    void finish() {
        {
            std::unique_lock lock(mutex_);
            idle_.wait(lock, [this] { return tasks_.empty() && !running_; });
        }
        deliver();
    }

    bool busy() const { return !waiting_done_.empty(); }

private:
    struct Task {
        uint64_t id;
        BackgroundTask task;
        std::filesystem::path file;
        std::vector<uint8_t> input;
    };
    struct Result {
        uint64_t id;
        std::vector<uint8_t> output;
    };

    // Worker thread. Under mutex_: tasks_, results_, running_, stopping_.
    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (stopping_) return;
            Task task = std::move(tasks_.front());
            tasks_.pop_front();
            running_ = true;
            lock.unlock();
            std::vector<uint8_t> output = task.task(task.file, task.input);
            lock.lock();
            running_ = false;
            results_.push_back(Result{task.id, std::move(output)});
            idle_.notify_all();
        }
    }

    // Main thread only.
    uint64_t next_id_ = 1;
    std::map<uint64_t, BackgroundDone> waiting_done_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    std::deque<Result> results_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

BackgroundThread& background() {
    static BackgroundThread thread;
    return thread;
}

}  // namespace

uint64_t host_run_in_background(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input,
                                BackgroundDone done) {
    return background().run(task, std::move(file), std::move(input), std::move(done));
}

void host_forget_background(uint64_t id) { background().forget(id); }

void host_deliver_background() { background().deliver(); }

void host_finish_background() { background().finish(); }

bool host_background_busy() { return background().busy(); }

}  // namespace lumo
