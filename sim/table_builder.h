#pragma once
// Builds the influence table and gravity weights, on persistent worker
// threads created once with the owner. Progress is published row by row in
// the owner's 32-bit progress value, the only hand-over to the main thread.
//
// Without threads (the browser build on a plain web host), the owner builds
// in slices instead: start() opens the job and returns, build_slice() builds
// chunks until its time is up, and wait() builds whatever is left. Rows are
// published in the same order and the table comes out the same to the bit.
// A row farm (the browser's Web Workers) may compute the rows instead:
// build_slice() then only publishes the rows it has written, and goes on
// building from the first row missing should the farm fail.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "surface_grid.h"

namespace lumo {

// Whole rows of the table (both halves) computed elsewhere and written
// into the table by the farm itself, in any order. Called on the owner's
// thread only.
class RowFarm {
public:
    virtual ~RowFarm() = default;
    // Starts on every row for this rest shape (7500 floats, copied before
    // it returns), dropping any earlier job; false when it cannot.
    virtual bool start(const float* rest_shape, float* table) = 0;
    // How many rows from row 0 on are complete in the table.
    virtual int rows_done() = 0;
    // Whether it has stopped for good: no more rows come.
    virtual bool failed() = 0;
    // Writes nothing more into the table.
    virtual void cancel() = 0;
};

class TableBuilder {
public:
    struct Job {
        const float* rest_shape = nullptr;  // 7500 floats, copied when the build starts
        float gravity_center[3] = {};  // the body record's anchor
        float* table = nullptr;  // 2500 x 2500 influence table, written
        float* gravity = nullptr;  // 2500 gravity weights, written
        std::atomic<int32_t>* progress = nullptr;  // row being built, -1 when done
    };
    // Called on whichever thread publishes a value, right after the store.
    using ProgressHook = std::function<void(int32_t value)>;

    static constexpr int kMaxWorkers = 8;
    static constexpr int kRowsPerChunk = 64;
    // Building in slices, chunks are smaller: a slice is at least one chunk,
    // and the first rows (the longest) must fit a frame's budget.
    static constexpr int kRowsPerSliceChunk = 4;
    static constexpr int kBuiltRows = kVertexCount - 1;  // the last row has only its diagonal
    static constexpr int kChunkCount = (kBuiltRows + kRowsPerChunk - 1) / kRowsPerChunk;

    // worker_count 0: one worker per hardware thread (at most kMaxWorkers);
    // kBuildInSlices: no workers, the owner builds in slices. A build without
    // threads always builds in slices.
    static constexpr int kBuildInSlices = -1;
    explicit TableBuilder(int worker_count = 0);
    ~TableBuilder();
    TableBuilder(const TableBuilder&) = delete;
    TableBuilder& operator=(const TableBuilder&) = delete;

    // Stops a running build, publishes 0 and returns while the workers build.
    // At most `workers` of them take part (0: all): the program's first build
    // leaves a core to the main thread, which is opening the window.
    void start(const Job& job, int workers = 0);
    // How many may take part in the running build from now on (0: all);
    // workers kept out so far join at once.
    void set_worker_limit(int workers);
    // Stops a running build, then builds on the calling thread with the
    // workers helping; returns once -1 has been published.
    void run(const Job& job);
    // Stops a running build and returns once no worker touches its job.
    // A cancelled build leaves its last row number published.
    void cancel();
    bool running() const;
    // Returns once the running build, if any, has finished or been stopped.
    // Building in slices, builds the rest on the calling thread first.
    void wait();
    int worker_count() const { return worker_count_; }
    bool builds_in_slices() const { return worker_count_ == 0; }
    // Building in slices: builds chunks of rows on the calling thread until
    // about `budget_seconds` have passed (at least one chunk). true while
    // the job is still open. Does nothing with workers.
    bool build_slice(double budget_seconds);

    // For tests and benchmarks: observe every published progress value.
    void set_progress_hook(ProgressHook hook);
    // Building in slices: rows from this farm where it can start (null: none).
    // Stops a running build.
    void set_row_farm(RowFarm* farm);
    // Whether the running build's rows come from the farm.
    bool farming() const { return farming_; }
    // How many builds have published -1 so far (any thread may ask).
    int builds_finished() const { return builds_finished_.load(std::memory_order_acquire); }

private:
    void open_job(const Job& job, int workers);
    void worker_main();
    void participate();
    bool build_next_chunk();
    bool build_chunk(int chunk);
    void chunk_finished(int chunk);
    void finish_job();
    void publish(int32_t value);
    bool take_farmed_rows();
    bool build_whole_rows(std::chrono::steady_clock::time_point deadline);

    // Set by the starting (main) thread while no worker is active; read-only during a build.
    Job job_;
    alignas(32) std::array<float, kVertexCount + 8> xs_{};  // rest-shape snapshot, padded for
    alignas(32) std::array<float, kVertexCount + 8> ys_{};  // whole vector loads
    alignas(32) std::array<float, kVertexCount + 8> zs_{};
    ProgressHook hook_;

    // Shared by the workers during a build.
    std::atomic<int> next_chunk_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<int> builds_finished_{0};

    // Guarded by publish_mutex_: chunk completion and the rows published so far.
    std::mutex publish_mutex_;
    std::array<bool, (kBuiltRows + kRowsPerSliceChunk - 1) / kRowsPerSliceChunk> chunk_done_{};
    int chunks_published_ = 0;
    int32_t last_published_ = 0;

    // Guarded by state_mutex_: whether a job is open, who works on it, shutdown.
    mutable std::mutex state_mutex_;
    std::condition_variable work_ready_;
    mutable std::condition_variable work_idle_;
    bool job_open_ = false;
    int active_ = 0;
    int job_workers_ = 0;  // the most that may take part in the open job; 0: no limit
    uint64_t generation_ = 0;
    bool shutdown_ = false;

    int worker_count_ = 0;  // 0: built in slices by the owner
    int rows_per_chunk_ = kRowsPerChunk;
    int chunk_count_ = kChunkCount;
    std::array<std::thread, kMaxWorkers> workers_;
    // Building in slices: how long the last chunk took, to stop before the budget runs out.
    std::chrono::steady_clock::duration last_chunk_time_{};
    // Building in slices with a farm: the owner's thread only.
    RowFarm* farm_ = nullptr;
    bool farming_ = false;
    int whole_rows_ = 0;  // rows complete in the table, farmed or, after a failure, built here
};

}  // namespace lumo
